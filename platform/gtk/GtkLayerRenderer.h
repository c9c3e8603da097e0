#pragma once

#include "platform/foundation/GRefPtr.h"
#include "platform/ui/graphics/AffineTransform.h"
#include "platform/ui/graphics/CairoRefPtr.h"

#include <cstdint>
#include <functional>
#include <gtk/gtk.h>
#include <unordered_map>

VANTREL_GREF_TRAITS(GskRenderNode, gsk_render_node_ref, gsk_render_node_unref);

class Layer;
class Window;

// Draws windows on the desktop as a retained tree of GTK render nodes instead
// of one composited picture. Each layer becomes transform, opacity and clip
// nodes around colour, border and texture nodes; the pixels a layer draws
// itself (its backing image) become a texture that is made again only when
// the layer redrew them. A frame in which only the test square changed thus
// hands GTK the same textures as before and new nodes for the square alone,
// and GTK, diffing the trees, repaints just that area, whatever the size of
// the monitor.
//
// Widgets shown in a layer's place (web pages) are drawn where that layer
// is in the tree, so the views above a page in the view tree are above it on
// screen. They must be children of the widget whose snapshot this is.
class GtkLayerRenderer {
public:
    // The widget shown in place of a layer's content, or null.
    using EmbeddedWidgets = std::function<GtkWidget*(const Layer&)>;

    // `owner` is the widget whose snapshot function calls us.
    explicit GtkLayerRenderer(GtkWidget* owner);

    void setEmbeddedWidgets(EmbeddedWidgets widgets) { m_embeddedWidgets = std::move(widgets); }

    // The application's visible windows, bottom to top, over black, and the
    // status bar; `unitsPerPoint` maps points to the snapshot's units and
    // `pixelsPerPoint` is the resolution of the textures.
    void snapshotScreen(GtkSnapshot*, double unitsPerPoint, double pixelsPerPoint);
    // One window, its frame's origin at the snapshot's origin.
    void snapshotWindow(GtkSnapshot*, Window&, double unitsPerPoint, double pixelsPerPoint);

    // Textures made from layers' pixels since the start (tests count redraws).
    uint64_t textureUploads() const { return m_textureUploads; }
    size_t cachedTextureCount() const { return m_textures.size(); }
    // Drops every texture (the widget was unrealized, or the scale changed).
    void clear() { m_textures.clear(); }

private:
    struct CachedTexture {
        // Held so the surface's address cannot be reused for another picture.
        GRefPtr<cairo_surface_t> surface;
        GRefPtr<GdkTexture> texture;
        bool used { false };
    };

    void beginFrame();
    void endFrame();
    void appendWindow(GtkSnapshot*, Window&, AffineTransform toUnits, double pixelsPerPoint, double now);
    void appendLayer(GtkSnapshot*, Layer&, AffineTransform toUnits, double pixelsPerPoint, double now);
    void appendEmbeddedWidget(GtkSnapshot*, GtkWidget*, const AffineTransform& toUnits);
    GdkTexture* textureFor(cairo_surface_t*);

    GtkWidget* m_owner;
    EmbeddedWidgets m_embeddedWidgets;
    std::unordered_map<cairo_surface_t*, CachedTexture> m_textures;
    uint64_t m_textureUploads { 0 };
};
