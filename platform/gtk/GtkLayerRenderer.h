#pragma once

#include "platform/foundation/GRefPtr.h"
#include "platform/ui/graphics/AffineTransform.h"
#include "platform/ui/graphics/CairoRefPtr.h"
#include "platform/ui/graphics/Color.h"

#include <cstdint>
#include <functional>
#include <gtk/gtk.h>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

VANTREL_GREF_TRAITS(GskRenderNode, gsk_render_node_ref, gsk_render_node_unref);

class Layer;
class Window;

// Draws windows on the desktop as a retained tree of GTK render nodes instead
// of one composited picture. Each layer becomes transform, opacity and clip
// nodes around colour, border and picture nodes; the pixels a layer draws
// itself (its backing image) become picture nodes that are made again only
// when the layer redrew them. A frame in which only the test square changed
// thus hands GTK the same picture nodes as before and new nodes for the
// square alone, and GTK, diffing the trees, repaints just that area, whatever
// the size of the monitor. Each frame also knows which areas it changed (and
// can outline them, for debugging).
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
    // Layer pictures kept for GTK, and the tiles they make (none for a
    // picture with nothing drawn on it).
    size_t cachedTextureCount() const { return m_textures.size(); }
    size_t cachedTileCount() const;
    // Drops every texture (the widget was unrealized, or the scale changed).
    void clear() { m_textures.clear(); }

    // The areas the last frame redrew, in the snapshot's units, each rounded
    // out to whole units: every layer whose pixels were made again, that is
    // new or gone, or whose place, size, opacity, colours, border or corners
    // changed, each once. Known from what the frames handed to GTK, with no
    // look at pixels; web pages drawing themselves are not in it.
    const std::vector<Rect>& lastFrameDamage() const { return m_damage; }
    // Whether each frame ends with a red outline around those areas (for
    // debugging; set from VANTREL_SHOW_DAMAGE=1 when the renderer is made).
    // A frame that redrew nothing shows the outline of the last that did.
    bool showsDamage() const { return m_showsDamage; }
    void setShowsDamage(bool shows) { m_showsDamage = shows; }

private:
    // A layer's pixels go to GTK as render nodes kept from frame to frame
    // while the layer keeps its picture, so GTK's diff finds them unchanged at
    // once. Only the part with something drawn on it counts (a full-screen
    // overlay with nothing on it gives no node), in tiles no larger than
    // a GPU takes as one texture. With GTK's Cairo renderer (no GPU) a tile is
    // a Cairo node showing the layer's own pixels: drawing it where nothing
    // changed costs nothing, where a texture node would be converted whole
    // each frame. With a GPU renderer it is a texture node, uploaded once.
    static constexpr int kTileSize = 2048;
    struct Tile {
        int x, y, width, height; // in the surface's pixels
        GRefPtr<GskRenderNode> node;
        Rect nodeArea;
        bool nodeIsCairo { false };
    };
    struct CachedTexture {
        // Layers never draw again into a surface they handed out: its pixels
        // are the picture's for as long as we hold it (and its address
        // cannot be reused for another picture meanwhile).
        GRefPtr<cairo_surface_t> surface;
        int width { 0 };
        int height { 0 };
        std::vector<Tile> tiles;
        bool used { false };
    };

    // What a layer looked like in the last frame, to tell what changed.
    struct LayerState {
        // Tells a layer from a newer one at the same address.
        std::weak_ptr<const Layer> layer;
        AffineTransform toUnits;
        Rect bounds;
        double opacity { 1 };
        std::optional<Color> backgroundColor;
        double cornerRadius { 0 };
        double borderWidth { 0 };
        Color borderColor;
        uint64_t frame { 0 };
    };

    void beginFrame();
    // `viewport`: the snapshot's area in its units, which damage is clipped to.
    void endFrame(GtkSnapshot*, const Rect& viewport);
    void appendWindow(GtkSnapshot*, Window&, AffineTransform toUnits, double pixelsPerPoint, double now);
    void appendLayer(
        GtkSnapshot*, Layer&, AffineTransform toUnits, double pixelsPerPoint, double now, double opacity = 1);
    void noteLayer(const Layer&, LayerState, bool redrawn);
    void addDamage(const Rect& inUnits);
    void appendEmbeddedWidget(GtkSnapshot*, GtkWidget*, const AffineTransform& toUnits);
    CachedTexture* textureFor(cairo_surface_t*);
    // The surface's tiles, the whole surface spread over `area`.
    void appendTiles(GtkSnapshot*, CachedTexture&, const Rect& area);
    static GskRenderNode* textureNode(cairo_surface_t*, const Tile&, const graphene_rect_t& bounds);
    // Whether the owner's window draws with GTK's Cairo renderer (or is in none).
    bool drawsWithCairo() const;

    GtkWidget* m_owner;
    EmbeddedWidgets m_embeddedWidgets;
    std::unordered_map<cairo_surface_t*, CachedTexture> m_textures;
    uint64_t m_textureUploads { 0 };
    std::unordered_map<const Layer*, LayerState> m_layers;
    std::vector<Rect> m_damage;
    std::vector<Rect> m_outline; // the last damage that was not empty
    uint64_t m_frame { 0 };
    bool m_showsDamage { false };
    bool m_drawsWithCairo { true }; // for the frame being made
};
