// Composite time of the whole test screen, and the CPU share of the test
// running in real time headless for ten seconds.
#include "app/VantrelAppDelegate.h"
#include "app/vcVantrel.h"
#include "bench/ui/RunningScreen.h"
#include "platform/foundation/ManualClock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Window.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
}

} // namespace

// Every iteration recomposites the full window stack (nothing is reused),
// mid-pulse with the panel on screen.
static void BM_CompositeFullScreen(benchmark::State& state)
{
    double scale = static_cast<double>(state.range(0));
    auto clock = std::make_shared<ManualClock>();
    auto delegate = launchRunningScreen(clock);
    delegate->screen()->customize();
    RunLoop::main().advance(1.5);
    Screen::mainScreen().setScale(scale);
    Application::shared().compositeScreen(scale);
    for (auto _ : state) {
        delegate->window()->setNeedsComposite();
        benchmark::DoNotOptimize(Application::shared().compositeScreen(scale));
    }
    Application::shared().reset();
    RunLoop::main().reset();
}
BENCHMARK(BM_CompositeFullScreen)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// Ten seconds of the running test on the wall clock with the headless host:
// timers, colour changes and the pulse, nothing composited (as with no one
// watching). Reports the share of one core used.
static void BM_RealTimeHeadlessTenSeconds(benchmark::State& state)
{
    for (auto _ : state) {
        auto delegate = launchRunningScreen(nullptr);
        double cpuStart = cpuSeconds();
        auto wallStart = std::chrono::steady_clock::now();
        bool done = false;
        RunLoop::main().performAfterDelay(10.0, [&] { done = true; });
        RunLoop::main().runUntil([&] { return done; }, 30);
        double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        double cpu = cpuSeconds() - cpuStart;
        state.counters["cpu_share_percent"] = 100.0 * cpu / wall;
        state.counters["wall_seconds"] = wall;
        Application::shared().reset();
        RunLoop::main().reset();
    }
}
BENCHMARK(BM_RealTimeHeadlessTenSeconds)->Iterations(1)->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
