#pragma once

#include "platform/ui/views/View.h"

#include "platform/ui/graphics/CairoRefPtr.h"

#include <cairo.h>

// A top-level view on the screen. Windows stack by level (the app's windows,
// then alerts above them); the key window receives keys. Each window
// composites its tree into an image surface of its own, redrawn only when
// something in it changed.
class Window : public View {
public:
    static constexpr double kLevelNormal = 0;
    static constexpr double kLevelStatusBar = 1000;
    static constexpr double kLevelAlert = 2000;

    explicit Window(const Rect& frame = {});
    ~Window() override;

    double windowLevel() const { return m_level; }
    void setWindowLevel(double level);

    // Shows the window and makes it the key window.
    void makeKeyAndVisible();
    void makeKeyWindow();
    bool isKeyWindow() const;
    // Shown and on the application's window list.
    bool isVisible() const;

    Point convertPointFromScreen(Point) const;
    Point convertPointToScreen(Point) const;

    // Composites the window's layer tree at `scale` pixels per point, reusing
    // the last image when nothing changed.
    cairo_surface_t* composite(double scale);
    bool needsComposite() const { return m_needsComposite; }
    void setNeedsComposite();

    Responder* nextResponder() const override;

private:
    double m_level { kLevelNormal };
    GRefPtr<cairo_surface_t> m_surface;
    double m_surfaceScale { 0 };
    bool m_needsComposite { true };
};
