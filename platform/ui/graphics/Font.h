#pragma once

#include "platform/ui/graphics/LineBreakMode.h"
#include "platform/ui/graphics/Size.h"
#include "platform/ui/graphics/TextAlignment.h"

#include "platform/ui/graphics/CairoRefPtr.h"

#include <pango/pangocairo.h>
#include <string>

// A font by name and size in points. The platform's names map to installed
// metric-compatible families ("Helvetica" and the system font to Liberation
// Sans, "Helvetica-Bold" to its bold face, "Courier" to Liberation Mono,
// "Times" to Liberation Serif), so text measures and renders the same on
// every machine; a name the platform has no font for is the system font.
// Measuring and drawing share one Pango set-up without hinting, so a size
// measured here is the size drawn at any scale.
class Font {
public:
    static Font fontWithName(const std::string& name, double size);
    static Font systemFont(double size);
    static Font boldSystemFont(double size);

    const std::string& name() const { return m_name; }
    const std::string& family() const { return m_family; }
    bool isBold() const { return m_bold; }
    bool isItalic() const { return m_italic; }
    double pointSize() const { return m_size; }
    // The same face at another size.
    Font withSize(double size) const { return Font(m_name, m_family, m_bold, m_italic, size); }
    // Distance between two baselines.
    double lineHeight() const;

    // The size of `text` wrapped to `constraint.width` and cut to the whole
    // lines that fit `constraint.height` (0 or less: unlimited), rounded up to
    // whole points.
    Size sizeWithText(const std::string& text, Size constraint, LineBreakMode = LineBreakMode::WordWrap) const;
    // The size of `text` on one line.
    Size sizeWithText(const std::string& text) const;

    // A Pango layout for `text` on `cr` (or on a measuring context when null),
    // wrapped to `width` (≤ 0: no wrapping). The caller unrefs it.
    GRefPtr<PangoLayout> createLayout(
        cairo_t* cr, const std::string& text, double width, LineBreakMode, TextAlignment = TextAlignment::Left) const;

    bool operator==(const Font&) const = default;

private:
    Font(std::string name, std::string family, bool bold, bool italic, double size)
        : m_name(std::move(name))
        , m_family(std::move(family))
        , m_bold(bold)
        , m_italic(italic)
        , m_size(size)
    {
    }

    std::string m_name;
    std::string m_family;
    bool m_bold;
    bool m_italic;
    double m_size;
};
