// The desktop host's cost of one frame in which only the test square changed
// colour, at 1920 × 1080 and 3840 × 2160: the render-node tree of the whole
// screen built by GtkLayerRenderer, then the area that changed drawn by GSK's
// Cairo renderer offscreen (what GTK repaints on screen after diffing the
// trees). The cost should follow the changed area, not the monitor.
//
// Needs a display: scripts/with-display build/bench/ui/ui_frame_bench
#include "app/VantrelAppDelegate.h"
#include "app/vcVantrel.h"
#include "bench/ui/RunningScreen.h"
#include "platform/foundation/ManualClock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/gtk/GtkHost.h"
#include "platform/gtk/GtkScreenWidget.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/views/Application.h"

#include <benchmark/benchmark.h>

namespace {

GRefPtr<GskRenderNode> buildFrame(GtkLayerRenderer& renderer)
{
    GtkSnapshot* snapshot = gtk_snapshot_new();
    renderer.snapshotScreen(snapshot, 1.0, 1.0);
    return adoptGRef(gtk_snapshot_free_to_node(snapshot));
}

} // namespace

static void BM_FrameWithOnlyTheSquareChanged(benchmark::State& state)
{
    if (!GtkHost::initialize()) {
        state.SkipWithError("no display");
        return;
    }
    Size size { static_cast<double>(state.range(0)), static_cast<double>(state.range(1)) };
    auto delegate = launchRunningScreen(std::make_shared<ManualClock>(), size);
    auto& square = *delegate->screen()->square();
    GtkScreenWidget screen;
    GtkLayerRenderer& renderer = screen.renderer();
    GskRenderer* gsk = gsk_cairo_renderer_new();
    if (!gsk_renderer_realize(gsk, nullptr, nullptr)) {
        state.SkipWithError("no Cairo renderer");
        g_object_unref(gsk);
        return;
    }
    // The first frame makes every texture; later ones reuse them.
    buildFrame(renderer);
    uint64_t uploads = renderer.textureUploads();
    bool white = false;
    double damagedPixels = 0;
    for (auto _ : state) {
        white = !white;
        square.setBackgroundColor(white ? Color::whiteColor() : Color::black());
        GRefPtr<GskRenderNode> node = buildFrame(renderer);
        Rect damaged;
        for (const Rect& area : renderer.lastFrameDamage())
            damaged = damaged.unionWith(area);
        damagedPixels = damaged.width() * damaged.height();
        if (!damaged.isEmpty()) {
            graphene_rect_t viewport
                = GRAPHENE_RECT_INIT(static_cast<float>(damaged.minX()), static_cast<float>(damaged.minY()),
                    static_cast<float>(damaged.width()), static_cast<float>(damaged.height()));
            GdkTexture* texture = gsk_renderer_render_texture(gsk, node.get(), &viewport);
            benchmark::DoNotOptimize(texture);
            g_object_unref(texture);
        }
    }
    state.counters["damaged_pixels"] = damagedPixels;
    state.counters["uploads_per_frame"]
        = static_cast<double>(renderer.textureUploads() - uploads) / static_cast<double>(state.iterations());
    state.counters["cached_textures"] = static_cast<double>(renderer.cachedTextureCount());
    gsk_renderer_unrealize(gsk);
    g_object_unref(gsk);
    Application::shared().reset();
    RunLoop::main().reset();
}
BENCHMARK(BM_FrameWithOnlyTheSquareChanged)->Args({ 1920, 1080 })->Args({ 3840, 2160 })->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
