// How long a banner takes to reach the screen on loopback: from the ad
// request to the banner's first drawing, and from the first ad's arrival
// (the host's didReceiveAd) to that drawing.
#include "ads/core/PellarController.h"
#include "ads/core/PellarDelegate.h"
#include "ads/core/PellarEndpoints.h"
#include "ads/core/PellarView.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/graphics/ImageContext.h"
#include "server/DemoServer.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

struct Host final : PellarDelegate {
    std::string publisherId() override { return "c07d2e9b4f18a53"; }
    void didReceiveAd(PellarView&) override { receivedAt = std::chrono::steady_clock::now(); }
    void didFailToReceiveAd(PellarView&, const Error&) override { failed = true; }
    std::chrono::steady_clock::time_point receivedAt;
    bool failed { false };
};

std::unique_ptr<DemoServer>& service()
{
    static std::unique_ptr<DemoServer> server = [] {
        auto data = std::filesystem::temp_directory_path() / ("vantrel-banner-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(data);
        Paths::setDataDirectoryOverride(data);
        auto started = DemoServer::start({ .port = 0 });
        if (!started)
            std::abort(); // nothing to measure without the service
        auto service = started.release();
        auto configuration = PellarEndpoints::configuration();
        configuration.adServerURL = service->baseURL() + "/ad_request";
        configuration.mediaHostURL = service->baseURL();
        PellarEndpoints::setConfiguration(configuration);
        return service;
    }();
    return server;
}

void BM_AdRequestToFirstDrawing(benchmark::State& state)
{
    service();
    double fromArrival = 0;
    for (auto _ : state) {
        auto host = std::make_shared<Host>();
        auto start = std::chrono::steady_clock::now();
        auto view = PellarView::requestAdWithDelegate(host);
        RunLoop::main().runUntil([&] { return host->failed || !view->subviews().empty(); }, 10);
        if (host->failed || view->subviews().empty()) {
            state.SkipWithError("no ad");
            break;
        }
        ImageContext image(view->bounds().size, 2);
        view->layer().renderInContext(image.context());
        auto drawn = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(drawn - start).count());
        fromArrival += std::chrono::duration<double>(drawn - host->receivedAt).count();
    }
    state.counters["arrival_to_drawing_ms"] = state.iterations() ? 1000 * fromArrival / state.iterations() : 0;
}
BENCHMARK(BM_AdRequestToFirstDrawing)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(60);

} // namespace

BENCHMARK_MAIN();
