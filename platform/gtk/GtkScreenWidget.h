#pragma once

#include "platform/gtk/GtkLayerRenderer.h"
#include "platform/ui/graphics/Point.h"

#include <functional>
#include <gtk/gtk.h>
#include <vector>

class Layer;
class View;

// The GTK widget that shows our windows. Its snapshot is whatever the owner
// draws with the widget's GtkLayerRenderer; the web pages inside are real
// child widgets that the renderer draws in their layer's place, so the view
// tree's order is the order on screen. Input reaches the owner through a
// transparent child above the pages (inputWidget(), where the owner puts its
// gestures): it takes every event except where the view under the pointer is
// a page, which then gets the event itself. Pages that go away or hide give
// the keyboard focus back to the widget.
class GtkScreenWidget {
public:
    GtkScreenWidget();
    ~GtkScreenWidget();
    GtkScreenWidget(const GtkScreenWidget&) = delete;
    GtkScreenWidget& operator=(const GtkScreenWidget&) = delete;

    GtkWidget* widget() const { return m_widget; }
    GtkWidget* inputWidget() const { return m_input; }
    GtkLayerRenderer& renderer() { return m_renderer; }

    // The size GTK is asked for, in the widget's units.
    void setNaturalSize(int width, int height);
    // Draws the widget's content (with renderer()).
    void setDrawHandler(std::function<void(GtkSnapshot*)> handler) { m_draw = std::move(handler); }
    // Told the widget's new size in its units.
    void setResizeHandler(std::function<void(int width, int height)> handler) { m_resized = std::move(handler); }
    // The view under a point in the widget's units (null: none).
    void setHitTest(std::function<View*(double x, double y)> hitTest) { m_hitTest = std::move(hitTest); }

    // Pages: `child` is shown in `layer`'s place, at `area` (the widget's units).
    void addEmbeddedWidget(GtkWidget* child, const Layer& layer);
    void removeEmbeddedWidget(GtkWidget* child);
    void placeEmbeddedWidget(GtkWidget* child, const GdkRectangle& area, bool visible);
    // Whether an event at (x, y) goes to a page rather than to us.
    bool pageTakesInputAt(double x, double y) const;
    // Gives the keyboard focus to the widget unless it already is inside it.
    void takeFocus();

    static GtkScreenWidget* fromWidget(GtkWidget*);

    // GTK's calls (the widget type's virtual functions).
    void snapshot(GtkSnapshot*);
    void measure(GtkOrientation, int* minimum, int* natural) const;
    void allocate(int width, int height);

private:
    struct Embedded {
        GtkWidget* child;
        const Layer* layer;
        GdkRectangle area { 0, 0, 1, 1 };
        bool visible { false };
    };
    Embedded* findEmbedded(GtkWidget*);
    const Embedded* findEmbedded(const Layer&) const;
    void giveFocusBackFrom(GtkWidget* child);

    GtkWidget* m_widget;
    GtkWidget* m_input;
    GtkLayerRenderer m_renderer;
    std::vector<Embedded> m_embedded;
    int m_naturalWidth { 1 };
    int m_naturalHeight { 1 };
    int m_width { -1 };
    int m_height { -1 };
    std::function<void(GtkSnapshot*)> m_draw;
    std::function<void(int, int)> m_resized;
    std::function<View*(double, double)> m_hitTest;
};
