#include "platform/gtk/GtkScreenTiles.h"

#include <gtest/gtest.h>

namespace {

GRefPtr<cairo_surface_t> screenOf(int width, int height)
{
    auto surface = adoptGRef(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    cairo_t* cr = cairo_create(surface.get());
    // Something different in every tile, so a misplaced tile shows.
    auto gradient = cairo_pattern_create_linear(0, 0, width, height);
    cairo_pattern_add_color_stop_rgb(gradient, 0, 0.1, 0.8, 0.3);
    cairo_pattern_add_color_stop_rgb(gradient, 1, 0.9, 0.2, 0.6);
    cairo_set_source(cr, gradient);
    cairo_paint(cr);
    cairo_pattern_destroy(gradient);
    cairo_destroy(cr);
    return surface;
}

void setPixel(cairo_surface_t* surface, int x, int y, uint32_t pixel)
{
    cairo_surface_flush(surface);
    auto* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    reinterpret_cast<uint32_t*>(row)[x] = pixel;
    cairo_surface_mark_dirty(surface);
}

// What GTK would draw from the tiles, as an image of the screen's size.
GRefPtr<cairo_surface_t> drawTiles(const GtkScreenTiles& tiles)
{
    GtkSnapshot* snapshot = gtk_snapshot_new();
    tiles.append(snapshot);
    GskRenderNode* node = gtk_snapshot_free_to_node(snapshot);
    auto out = adoptGRef(cairo_image_surface_create(CAIRO_FORMAT_RGB24, tiles.width(), tiles.height()));
    cairo_t* cr = cairo_create(out.get());
    gsk_render_node_draw(node, cr);
    cairo_destroy(cr);
    gsk_render_node_unref(node);
    cairo_surface_flush(out.get());
    return out;
}

bool samePixels(cairo_surface_t* a, cairo_surface_t* b)
{
    int width = cairo_image_surface_get_width(a), height = cairo_image_surface_get_height(a);
    for (int y = 0; y < height; ++y) {
        auto* rowA = reinterpret_cast<const uint32_t*>(
            cairo_image_surface_get_data(a) + y * cairo_image_surface_get_stride(a));
        auto* rowB = reinterpret_cast<const uint32_t*>(
            cairo_image_surface_get_data(b) + y * cairo_image_surface_get_stride(b));
        for (int x = 0; x < width; ++x) {
            if ((rowA[x] ^ rowB[x]) & 0x00ffffffu)
                return false;
        }
    }
    return true;
}

// GTK registers its render node types when it starts.
class GtkScreenTilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!gtk_init_check())
            GTEST_SKIP() << "no display";
    }
};

} // namespace

TEST_F(GtkScreenTilesTest, OnlyTheTilesThatChangedGetNewNodesAndTogetherTheyShowTheScreen)
{
    constexpr int kTile = GtkScreenTiles::kTileSize;
    // Two and a bit tiles across, one and a bit down: partial tiles at the edges.
    auto screen = screenOf(2 * kTile + 44, kTile + 7);
    GtkScreenTiles tiles;
    EXPECT_EQ(tiles.update(screen.get()), 6);
    EXPECT_TRUE(samePixels(drawTiles(tiles).get(), screen.get()));
    EXPECT_EQ(tiles.nodeAt(2 * kTile + 44, 0), nullptr);

    GskRenderNode* corner = tiles.nodeAt(0, 0);
    GskRenderNode* edge = tiles.nodeAt(2 * kTile + 43, kTile + 6);
    EXPECT_EQ(tiles.update(screen.get()), 0) << "an unchanged screen keeps every node";
    EXPECT_EQ(tiles.nodeAt(0, 0), corner);

    // One pixel in the last, partial tile.
    setPixel(screen.get(), 2 * kTile + 43, kTile + 6, 0xff000000u);
    EXPECT_EQ(tiles.update(screen.get()), 1);
    EXPECT_NE(tiles.nodeAt(2 * kTile + 43, kTile + 6), edge);
    EXPECT_EQ(tiles.nodeAt(0, 0), corner);
    EXPECT_TRUE(samePixels(drawTiles(tiles).get(), screen.get()));

    // Another size is a new grid.
    auto bigger = screenOf(3 * kTile, 2 * kTile);
    EXPECT_EQ(tiles.update(bigger.get()), 6);
    EXPECT_TRUE(samePixels(drawTiles(tiles).get(), bigger.get()));
}

TEST_F(GtkScreenTilesTest, SurfacesThatAreNotImagesOfPixelsAreIgnored)
{
    GtkScreenTiles tiles;
    EXPECT_EQ(tiles.update(nullptr), 0);
    auto alphaOnly = adoptGRef(cairo_image_surface_create(CAIRO_FORMAT_A8, 10, 10));
    EXPECT_EQ(tiles.update(alphaOnly.get()), 0);
    auto recording = adoptGRef(cairo_recording_surface_create(CAIRO_CONTENT_COLOR, nullptr));
    EXPECT_EQ(tiles.update(recording.get()), 0);
    EXPECT_EQ(tiles.width(), 0);
}
