#pragma once

#include "platform/headless/ScriptHost.h"

#include <gtk/gtk.h>
#include <optional>

// The desktop host: one GTK 4 window of 320 × 480 points times the scale,
// showing the application's composited screen. The pointer becomes a single
// touch (press, motion, release; a lost grab cancels it). The screen is
// composited into a backing surface only when something changed, and GTK is
// asked for a frame only then, so an idle app draws nothing.
class GtkHost final : public ScriptHost {
public:
    struct Options {
        // Points to window units; the monitor's own scale factor comes on top.
        std::optional<double> scale;
    };

    explicit GtkHost(Options);
    ~GtkHost() override;

    // Initialises GTK; false when there is no display.
    static bool initialize();
    // Creates and shows the window.
    void start();
    void close();

    // The user closed the window (or close() was called).
    bool isClosed() const { return m_closed; }
    GtkWidget* window() const { return m_window; }
    GtkWidget* drawingArea() const { return m_area; }
    double windowScale() const { return m_scale; }
    // Pixels per point of the composited screen.
    double renderScale() const;
    // How many times the screen was drawn into the window (tests use it).
    int drawCount() const { return m_drawCount; }
    int compositeCount() const { return m_compositeCount; }

    // Pointer input in widget coordinates.
    void pointerPressed(double x, double y);
    void pointerMoved(double x, double y);
    void pointerReleased(double x, double y);
    void pointerCancelled();

    // ScriptHost
    void injectTouch(TouchPhase, Point) override;
    void wait(double seconds, std::function<void()> then) override;
    std::string screenshot(const std::string& path) override;

private:
    static void draw(GtkDrawingArea*, cairo_t*, int width, int height, gpointer);
    Point toPoints(double x, double y) const;

    double m_scale { 1.0 };
    GtkWidget* m_window { nullptr };
    GtkWidget* m_area { nullptr };
    double m_dragStartX { 0 };
    double m_dragStartY { 0 };
    int m_drawCount { 0 };
    int m_compositeCount { 0 };
    bool m_closed { false };
};
