#include "platform/ui/graphics/Font.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iterator>
#include <string_view>

VANTREL_GUNIQUE_DELETER(PangoFontDescription, pango_font_description_free);
VANTREL_GUNIQUE_DELETER(PangoLayoutIter, pango_layout_iter_free);

namespace {

std::string lowercase(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

void applyFontOptions(PangoContext* context)
{
    // Unhinted outlines and metrics: glyph positions do not snap to the pixel
    // grid, so the measured size is the same at every scale.
    GUniquePtr<cairo_font_options_t> options(cairo_font_options_create());
    cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
    pango_cairo_context_set_font_options(context, options.get());
    pango_cairo_context_set_resolution(context, 72.0);
}

PangoContext* measuringContext()
{
    // Main thread only, like everything that draws; made once.
    static PangoContext* context = [] {
        auto map = adoptGRef(pango_cairo_font_map_new());
        PangoContext* c = pango_font_map_create_context(map.get());
        applyFontOptions(c);
        return c;
    }();
    return context;
}

GUniquePtr<PangoFontDescription> describe(const Font& font)
{
    GUniquePtr<PangoFontDescription> description(pango_font_description_new());
    pango_font_description_set_family(description.get(), font.family().c_str());
    pango_font_description_set_weight(description.get(), font.isBold() ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(description.get(), font.isItalic() ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_font_description_set_absolute_size(description.get(), font.pointSize() * PANGO_SCALE);
    return description;
}

} // namespace

Font Font::fontWithName(const std::string& name, double size)
{
    // The platform's font names are a family, then optionally "-" and a face
    // ("Helvetica-Bold", "TimesNewRomanPS-BoldMT"). A name outside them has no
    // font: it is the system font, whatever its words suggest.
    std::string lower = lowercase(name);
    size_t dash = lower.find('-');
    std::string familyName = lower.substr(0, dash);
    std::string face = dash == std::string::npos ? "" : lower.substr(dash + 1);
    static constexpr std::string_view kSans[]
        = { "helvetica", "helveticaneue", "arial", "arialmt", "verdana", "trebuchetms", "system" };
    static constexpr std::string_view kMono[] = { "courier", "couriernew", "couriernewps", "couriernewpsmt" };
    static constexpr std::string_view kSerif[]
        = { "times", "timesnewroman", "timesnewromanps", "timesnewromanpsmt", "georgia" };
    static constexpr std::string_view kFaces[] = { "", "bold", "oblique", "italic", "boldoblique", "bolditalic",
        "roman", "regular", "light", "medium", "mt", "boldmt", "italicmt", "bolditalicmt" };
    auto in = [](const auto& list, std::string_view word) {
        return std::find(std::begin(list), std::end(list), word) != std::end(list);
    };
    std::string family;
    if (in(kSans, familyName))
        family = "Liberation Sans";
    else if (in(kMono, familyName))
        family = "Liberation Mono";
    else if (in(kSerif, familyName))
        family = "Liberation Serif";
    if (family.empty() || !in(kFaces, face))
        return systemFont(size);
    bool bold = face.find("bold") != std::string::npos;
    bool italic = face.find("oblique") != std::string::npos || face.find("italic") != std::string::npos;
    return Font(name, family, bold, italic, size);
}

Font Font::systemFont(double size)
{
    return Font("Helvetica", "Liberation Sans", false, false, size);
}

Font Font::boldSystemFont(double size)
{
    return Font("Helvetica-Bold", "Liberation Sans", true, false, size);
}

GRefPtr<PangoLayout> Font::createLayout(
    cairo_t* cr, const std::string& text, double width, LineBreakMode mode, TextAlignment alignment) const
{
    GRefPtr<PangoLayout> owner;
    if (cr) {
        owner = adoptGRef(pango_cairo_create_layout(cr));
        applyFontOptions(pango_layout_get_context(owner.get()));
        pango_layout_context_changed(owner.get());
    } else {
        owner = adoptGRef(pango_layout_new(measuringContext()));
    }
    PangoLayout* layout = owner.get();
    pango_layout_set_font_description(layout, describe(*this).get());
    pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));
    if (width > 0) {
        pango_layout_set_width(layout, static_cast<int>(std::floor(width * PANGO_SCALE)));
        switch (mode) {
        case LineBreakMode::WordWrap:
            pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
            break;
        case LineBreakMode::CharacterWrap:
            pango_layout_set_wrap(layout, PANGO_WRAP_CHAR);
            break;
        case LineBreakMode::Clip:
            pango_layout_set_width(layout, -1);
            break;
        case LineBreakMode::HeadTruncation:
            pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_START);
            break;
        case LineBreakMode::TailTruncation:
            pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
            break;
        case LineBreakMode::MiddleTruncation:
            pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_MIDDLE);
            break;
        }
    }
    pango_layout_set_alignment(layout,
        alignment == TextAlignment::Center      ? PANGO_ALIGN_CENTER
            : alignment == TextAlignment::Right ? PANGO_ALIGN_RIGHT
                                                : PANGO_ALIGN_LEFT);
    return owner;
}

double Font::lineHeight() const
{
    auto layout = createLayout(nullptr, "Ag", 0, LineBreakMode::Clip);
    PangoRectangle logical;
    pango_layout_get_extents(layout.get(), nullptr, &logical);
    return static_cast<double>(logical.height) / PANGO_SCALE;
}

Size Font::sizeWithText(const std::string& text) const
{
    return sizeWithText(text, { 0, 0 }, LineBreakMode::Clip);
}

Size Font::sizeWithText(const std::string& text, Size constraint, LineBreakMode mode) const
{
    if (text.empty())
        return { 0, 0 };
    auto layout = createLayout(nullptr, text, constraint.width, mode);
    double width = 0;
    double height = 0;
    GUniquePtr<PangoLayoutIter> owner(pango_layout_get_iter(layout.get()));
    PangoLayoutIter* iterator = owner.get();
    do {
        PangoRectangle logical;
        pango_layout_iter_get_line_extents(iterator, nullptr, &logical);
        int y0, y1;
        pango_layout_iter_get_line_yrange(iterator, &y0, &y1);
        double bottom = static_cast<double>(y1) / PANGO_SCALE;
        // Only whole lines count; the first line always does, as the platform
        // reports at least one line's height for a non-empty string.
        if (constraint.height > 0 && bottom > constraint.height + 1e-6 && height > 0)
            break;
        height = bottom;
        width = std::max(width, static_cast<double>(logical.width) / PANGO_SCALE);
    } while (pango_layout_iter_next_line(iterator));
    if (constraint.width > 0)
        width = std::min(width, constraint.width);
    return { std::ceil(width - 1e-6), std::ceil(height - 1e-6) };
}
