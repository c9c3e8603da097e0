#pragma once

#include "platform/foundation/GRefPtr.h"
#include "platform/ui/graphics/CairoRefPtr.h"

#include <cairo.h>
#include <gtk/gtk.h>
#include <vector>

VANTREL_GREF_TRAITS(GskRenderNode, gsk_render_node_ref, gsk_render_node_unref);

// The composited screen handed to GTK as a grid of render nodes. A tile whose
// pixels did not change keeps its node, so GTK finds the same node as in the
// last frame and repaints, uploads and clears only where tiles changed: a
// pulsing square on a still screen costs a few tiles a frame, not the whole
// window. Each tile is a Cairo node replaying one paint of the tile's own
// image, so drawing it outside the frame's damage costs nothing.
class GtkScreenTiles {
public:
    static constexpr int kTileSize = 128;

    // Brings the tiles up to date with `surface` (an ARGB32 or RGB24 image
    // surface, fully opaque); answers how many tiles got a new node. A
    // surface of another size starts a new grid.
    int update(cairo_surface_t* surface);
    // Appends every tile's node, in surface pixels from (0, 0).
    void append(GtkSnapshot*) const;
    int width() const { return m_width; }
    int height() const { return m_height; }
    // The node of the tile holding pixel (x, y); null outside (tests use it).
    GskRenderNode* nodeAt(int x, int y) const;
    void clear();

private:
    struct Tile {
        int x { 0 }, y { 0 }, width { 0 }, height { 0 };
        // What the node shows: a copy of the tile's pixels.
        GRefPtr<cairo_surface_t> image;
        GRefPtr<GskRenderNode> node;
    };
    int m_width { 0 };
    int m_height { 0 };
    int m_columns { 0 };
    std::vector<Tile> m_tiles;
};
