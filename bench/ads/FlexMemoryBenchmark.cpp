// Peak memory of a flexible ad from its description to its first drawing and
// a second of its animations, each case in a fresh child process so that one
// case's peak does not hide the next one's. A hostile description (8 MB of
// key-frame values, or a hundred thousand animation members) is compared with
// an ordinary banner; the bounds on animations keep the difference to what
// reading the description itself costs.
#include "ads/flex/PellarFlexAd.h"
#include "ads/flex/PellarFlexAdContainerView.h"
#include "platform/foundation/ManualClock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/graphics/ImageContext.h"
#include "platform/ui/layers/AnimationEngine.h"
#include "json/JSONDeserializer.h"

#include <benchmark/benchmark.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string kOrdinaryElements = R"({"t":"bg","f":[0,0,320,48],"ia":0.55},)"
                                      R"({"t":"l","f":[10,4,200,20],"x":"Pixel tester","fs":15},)"
                                      R"({"t":"l","f":[10,26,200,18],"x":"Tap to learn more","fs":11,)"
                                      R"("a":[{"t":"B","kp":"opacity","vt":"F","fv":0,"tv":1,"d":0.5}]})";

std::string ordinaryDescription()
{
    return R"({"ta":[0,0,320,48],"v":[)" + kOrdinaryElements + "]}";
}

// One key-frame member with two million values: 8 MB of text.
std::string longKeyframeDescription()
{
    std::string values;
    values.reserve(8'000'000);
    for (int i = 0; i < 2'000'000; ++i)
        values += i ? ",0.5" : "0.5";
    return R"({"ta":[0,0,320,48],"v":[)" + kOrdinaryElements + R"(,{"t":"P","f":[0,0,10,10],"a":[)"
        + R"({"t":"K","kp":"opacity","vt":"F","d":1,"vs":[)" + values + "]}]}]}";
}

// A hundred thousand basic members on one element.
std::string manyMembersDescription()
{
    std::string members;
    for (int i = 0; i < 100'000; ++i)
        members += std::string(i ? "," : "") + R"({"t":"B","kp":"opacity","vt":"F","fv":0,"tv":1,"d":1})";
    return R"({"ta":[0,0,320,48],"v":[)" + kOrdinaryElements + R"(,{"t":"P","f":[0,0,10,10],"a":[)" + members + "]}]}";
}

// Reads, builds and draws the ad, then presents a second of animation frames;
// answers the process's peak resident memory in KiB.
long peakAfterBuilding(const std::string& text)
{
    auto clock = std::make_shared<ManualClock>();
    RunLoop::main().setClock(clock);
    auto markup = JSONDeserializer().deserialize(text);
    if (!markup)
        return -1;
    auto flexAd = PellarFlexAd::create(*markup, {}, {}, { 0, 0, 320, 48 });
    flexAd->buildFlexAd();
    auto container = flexAd->containerView();
    container->viewDidAppear();
    for (int frame = 0; frame < 60; ++frame) {
        RunLoop::main().advance(1.0 / 60);
        ImageContext image(container->bounds().size, 2);
        container->layer().renderInContext(image.context());
    }
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The peak of a child process that builds the description `make` writes.
long peakInChild(std::string (*make)())
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return -1;
    pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        long peak = peakAfterBuilding(make());
        ssize_t written = write(pipeEnds[1], &peak, sizeof peak);
        _exit(written == sizeof peak ? 0 : 1);
    }
    close(pipeEnds[1]);
    long peak = -1;
    if (read(pipeEnds[0], &peak, sizeof peak) != sizeof peak)
        peak = -1;
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return peak;
}

void measure(benchmark::State& state, std::string (*make)())
{
    long ordinary = 0, hostile = 0;
    for (auto _ : state) {
        ordinary = peakInChild(&ordinaryDescription);
        hostile = peakInChild(make);
    }
    state.counters["ordinary_peak_MiB"] = static_cast<double>(ordinary) / 1024;
    state.counters["hostile_peak_MiB"] = static_cast<double>(hostile) / 1024;
    state.counters["difference_MiB"] = static_cast<double>(hostile - ordinary) / 1024;
}

void BM_PeakMemoryOfAnEightMegabyteKeyframeDescription(benchmark::State& state)
{
    measure(state, &longKeyframeDescription);
}
BENCHMARK(BM_PeakMemoryOfAnEightMegabyteKeyframeDescription)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_PeakMemoryOfAHundredThousandMembers(benchmark::State& state)
{
    measure(state, &manyMembersDescription);
}
BENCHMARK(BM_PeakMemoryOfAHundredThousandMembers)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
