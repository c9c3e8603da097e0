// pellar-demo-server: the demo ad service on loopback.
#include "platform/foundation/GRefPtr.h"
#include "server/DemoServer.h"

#include <glib-unix.h>
#include <glib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

// An installed server finds its scenarios under share/ beside bin/; a build
// folder's uses the checkout's.
std::filesystem::path defaultScenarioDirectory()
{
    std::error_code error;
    auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        auto installed
            = executable.parent_path().parent_path() / "share" / "pellar-demo-server" / "scenarios" / "default";
        if (std::filesystem::is_regular_file(installed / "scenario.json", error))
            return installed;
    }
    return PELLAR_DEMO_SCENARIO_DIR;
}

void printUsage(std::FILE* out)
{
    std::fprintf(out,
        "Usage: pellar-demo-server [options]\n"
        "  --port N        port on 127.0.0.1 (default %u; 0 picks a free one)\n"
        "  --host ADDRESS  address to listen on (default 127.0.0.1)\n"
        "  --scenario DIR  scenario directory with scenario.json (default: the bundled one)\n"
        "  --log FILE      append one JSON line per request to FILE\n"
        "  --help          show this text\n"
        "Prints its base URL, http://HOST:PORT, as the first line once it listens,\n"
        "and the full ad-request URL, http://HOST:PORT/ad_request, as the second.\n",
        DemoServer::kDefaultPort);
}

} // namespace

int main(int argc, char** argv)
{
    DemoServer::Options options;
    options.scenarioDirectory = defaultScenarioDirectory();
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "pellar-demo-server: %s needs a value\n", name);
                std::exit(2);
            }
            return argv[++i];
        };
        if (argument == "--help" || argument == "-h") {
            printUsage(stdout);
            return 0;
        } else if (argument == "--port") {
            char* end = nullptr;
            const char* text = value("--port");
            long port = std::strtol(text, &end, 10);
            if (!*text || *end || port < 0 || port > 65535) {
                std::fprintf(stderr, "pellar-demo-server: bad port %s\n", text);
                return 2;
            }
            options.port = static_cast<unsigned>(port);
        } else if (argument == "--host") {
            options.host = value("--host");
        } else if (argument == "--scenario") {
            options.scenarioDirectory = value("--scenario");
        } else if (argument == "--log") {
            options.logPath = value("--log");
        } else {
            std::fprintf(stderr, "pellar-demo-server: unknown option %s\n", argument.c_str());
            printUsage(stderr);
            return 2;
        }
    }

    auto started = DemoServer::start(options);
    if (!started) {
        std::fprintf(stderr, "pellar-demo-server: %s\n", started.error().message.c_str());
        return 1;
    }
    auto server = started.release();
    std::printf("%s\n%s\n", server->baseURL().c_str(), server->adRequestURL().c_str());
    std::fflush(stdout);

    auto owner = adoptGRef(g_main_loop_new(nullptr, FALSE));
    GMainLoop* loop = owner.get();
    auto quit = +[](gpointer data) -> gboolean {
        g_main_loop_quit(static_cast<GMainLoop*>(data));
        return G_SOURCE_REMOVE;
    };
    g_unix_signal_add(SIGINT, quit, loop);
    g_unix_signal_add(SIGTERM, quit, loop);
    g_main_loop_run(loop);
    return 0;
}
