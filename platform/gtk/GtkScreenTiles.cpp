#include "platform/gtk/GtkScreenTiles.h"

#include <algorithm>
#include <cstring>

void GtkScreenTiles::clear()
{
    m_tiles.clear();
    m_width = m_height = m_columns = 0;
}

int GtkScreenTiles::update(cairo_surface_t* surface)
{
    if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE)
        return 0;
    cairo_format_t format = cairo_image_surface_get_format(surface);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24)
        return 0;
    cairo_surface_flush(surface);
    int width = cairo_image_surface_get_width(surface);
    int height = cairo_image_surface_get_height(surface);
    if (width != m_width || height != m_height) {
        clear();
        m_width = width;
        m_height = height;
        m_columns = (width + kTileSize - 1) / kTileSize;
        for (int y = 0; y < height; y += kTileSize) {
            for (int x = 0; x < width; x += kTileSize)
                m_tiles.push_back({ x, y, std::min(kTileSize, width - x), std::min(kTileSize, height - y), {}, {} });
        }
    }
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    auto rowOf = [&](const Tile& tile, int row) {
        return reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(tile.y + row) * stride) + tile.x;
    };
    int changed = 0;
    for (auto& tile : m_tiles) {
        if (tile.image) {
            const unsigned char* old = cairo_image_surface_get_data(tile.image.get());
            int oldStride = cairo_image_surface_get_stride(tile.image.get());
            bool same = true;
            // Whole bytes: an RGB24 pixel's unused byte may differ where the colour
            // does not, which costs a needless repaint of the tile, nothing more.
            for (int row = 0; row < tile.height && same; ++row)
                same = std::memcmp(
                           rowOf(tile, row), old + row * oldStride, static_cast<size_t>(tile.width) * sizeof(uint32_t))
                    == 0;
            if (same)
                continue;
        }
        // A new image and node: the last frame's node keeps showing the old
        // pixels until GTK lets it go.
        tile.image = adoptGRef(cairo_image_surface_create(CAIRO_FORMAT_RGB24, tile.width, tile.height));
        unsigned char* out = cairo_image_surface_get_data(tile.image.get());
        int outStride = cairo_image_surface_get_stride(tile.image.get());
        for (int row = 0; row < tile.height; ++row)
            std::memcpy(out + row * outStride, rowOf(tile, row), static_cast<size_t>(tile.width) * sizeof(uint32_t));
        cairo_surface_mark_dirty(tile.image.get());
        graphene_rect_t bounds = GRAPHENE_RECT_INIT(static_cast<float>(tile.x), static_cast<float>(tile.y),
            static_cast<float>(tile.width), static_cast<float>(tile.height));
        tile.node = adoptGRef(gsk_cairo_node_new(&bounds));
        auto cr = adoptGRef(gsk_cairo_node_get_draw_context(tile.node.get()));
        cairo_set_source_surface(cr.get(), tile.image.get(), tile.x, tile.y);
        cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_FAST);
        cairo_paint(cr.get());
        ++changed;
    }
    return changed;
}

void GtkScreenTiles::append(GtkSnapshot* snapshot) const
{
    for (auto& tile : m_tiles) {
        if (tile.node)
            gtk_snapshot_append_node(snapshot, tile.node.get());
    }
}

GskRenderNode* GtkScreenTiles::nodeAt(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return nullptr;
    return m_tiles[static_cast<size_t>(y / kTileSize) * m_columns + x / kTileSize].node.get();
}
