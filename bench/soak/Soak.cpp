// The app over a long run: vantrel --headless on virtual time against the
// demo service for 10,000 refreshes (a refresh a minute, about a week of
// virtual time), with every kind of ad, and every fifth minute a tap on the
// banner followed by what closes the screen or alert it opened. Every 500
// refreshes the app's resident memory and open descriptors are noted; the
// table goes to bench/results/soak.txt (or the file named by the first
// argument; a second argument asks for another number of refreshes, a
// third for taps every that many minutes, 0 for none).
//
// The default scenario ends with an image banner, which stays for good once
// shown; the soak's copy of the scenario shows that ad's canvas click from a
// text banner instead, so the rotation goes on.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kDefaultRefreshes = 10'000;
constexpr int kSampleEvery = 500;
constexpr int kClickEvery = 5;

std::string readAll(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Starts a program with its output to `output`; answers its process id.
pid_t spawn(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
    const std::filesystem::path& output)
{
    pid_t pid = fork();
    if (pid == 0) {
        FILE* out = std::fopen(output.c_str(), "w");
        if (out) {
            dup2(fileno(out), STDOUT_FILENO);
            dup2(fileno(out), STDERR_FILENO);
        }
        for (auto& entry : environment)
            putenv(const_cast<char*>(entry.c_str()));
        std::vector<char*> argv;
        for (auto& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

int countOf(const std::string& text, const std::string& what)
{
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++count;
    return count;
}

long residentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:"))
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

int openDescriptors(pid_t pid)
{
    std::error_code error;
    int count = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error))
        ++count;
    return error ? -1 : count;
}

} // namespace

int main(int argc, char** argv)
{
    std::filesystem::path results = argc > 1 ? argv[1] : VANTREL_SOURCE_DIR "/bench/results/soak.txt";
    int refreshTarget = argc > 2 ? std::atoi(argv[2]) : kDefaultRefreshes;
    if (refreshTarget <= 0)
        refreshTarget = kDefaultRefreshes;
    int clickEvery = argc > 3 ? std::atoi(argv[3]) : kClickEvery;
    auto work = std::filesystem::temp_directory_path() / ("vantrel-soak-" + std::to_string(getpid()));
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);

    // The scenario, with the image banner shown as a text banner.
    std::filesystem::copy(
        VANTREL_SOURCE_DIR "/server/scenarios/default", work / "scenario", std::filesystem::copy_options::recursive);
    std::string scenario = readAll(work / "scenario/scenario.json");
    const std::string banner = R"("banner": "{{base}}/static/mobile/banner/Screen_Test_Lab.png")";
    size_t at = scenario.find(banner);
    if (at == std::string::npos) {
        std::fprintf(stderr, "soak: the default scenario has changed; its image banner was not found\n");
        return 1;
    }
    scenario.replace(
        at, banner.size(), R"("text": "Visit the Screen Test Lab", "204": "/static/mobile/img/text_ad.png")");
    std::ofstream(work / "scenario/scenario.json") << scenario;

    // The script: a refresh a minute; every fifth minute a tap on the banner,
    // then Return (a search screen searches), the single button of an alert,
    // the Cancel of a two-button alert, and the browser's Done.
    {
        std::ofstream script(work / "script.txt");
        script << "wait 0.5\ntap-label I understood\nwait 2\n";
        for (int minute = 1; minute <= refreshTarget + 5; ++minute) {
            if (clickEvery > 0 && minute % clickEvery == 0)
                script << "tap 160 24\nwait 3\nkey Return\nwait 3\ntap 160 275\nwait 1\ntap 92 261\nwait 1\n"
                          "tap 30 22\nwait 52\n";
            else
                script << "wait 60\n";
        }
        script << "quit\n";
    }

    pid_t server = spawn({ VANTREL_BINARY_DIR "/server/pellar-demo-server", "--port", "0", "--scenario",
                             (work / "scenario").string(), "--log", (work / "requests.log").string() },
        {}, work / "server.txt");
    std::string base;
    for (int i = 0; i < 100 && base.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::string text = readAll(work / "server.txt");
        if (auto end = text.find('\n'); end != std::string::npos)
            base = text.substr(0, end);
    }
    if (base.empty()) {
        std::fprintf(stderr, "soak: the demo service did not start\n");
        kill(server, SIGTERM);
        return 1;
    }

    auto started = std::chrono::steady_clock::now();
    pid_t app = spawn({ VANTREL_BINARY_DIR "/app/vantrel", "--headless", "--data-dir", (work / "data").string(),
                          "--script", (work / "script.txt").string() },
        { "PELLAR_AD_SERVER=" + base + "/ad_request", "PELLAR_MEDIA_HOST=" + base }, work / "app.txt");

    struct Sample {
        int refreshes;
        long residentKiB;
        int descriptors;
    };
    std::vector<Sample> samples;
    int next = kSampleEvery;
    int status = 0;
    bool running = true;
    while (running) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        running = waitpid(app, &status, WNOHANG) == 0;
        int refreshes = countOf(readAll(work / "requests.log"), R"("path":"\/ad_request")");
        if (running && refreshes >= next) {
            samples.push_back({ refreshes, residentKiB(app), openDescriptors(app) });
            std::fprintf(stderr, "soak: %d refreshes, %ld KiB, %d descriptors\n", samples.back().refreshes,
                samples.back().residentKiB, samples.back().descriptors);
            next = (refreshes / kSampleEvery + 1) * kSampleEvery;
        }
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    std::string requests = readAll(work / "requests.log");

    std::ofstream out(results);
    out << "# bench/soak: vantrel --headless on virtual time against the demo service, a refresh a\n"
           "# minute, a tap on the banner and the taps that close what it opened every fifth minute.\n"
        << "# " << countOf(requests, R"("path":"\/ad_request")") << " refreshes and "
        << countOf(requests, R"("path":"\/click\/)") + countOf(requests, R"("path":"\/search\/click")") << " clicks in "
        << static_cast<int>(seconds) << " s; the app exited with " << (WIFEXITED(status) ? WEXITSTATUS(status) : -1)
        << ".\n"
        << "#\n# refreshes   resident MiB   open descriptors\n";
    for (auto& sample : samples) {
        char line[128];
        std::snprintf(line, sizeof line, "%11d   %12.1f   %16d\n", sample.refreshes, sample.residentKiB / 1024.0,
            sample.descriptors);
        out << line;
    }
    if (samples.size() >= 2) {
        // Growth after warm-up: from the sample nearest 2,000 refreshes to the last.
        const Sample* warm = &samples.front();
        for (auto& sample : samples)
            if (sample.refreshes <= 2000)
                warm = &sample;
        char line[160];
        std::snprintf(line, sizeof line, "#\n# from %d to %d refreshes: %+.1f MiB resident, %+d descriptors\n",
            warm->refreshes, samples.back().refreshes, (samples.back().residentKiB - warm->residentKiB) / 1024.0,
            samples.back().descriptors - warm->descriptors);
        out << line;
    }
    std::filesystem::remove_all(work);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
