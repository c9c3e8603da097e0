#include "app/VantrelLauncher.h"

#include "ads/core/PellarImageCache.h"
#include "ads/core/PellarLocalizer.h"
#include "app/AdViewController.h"
#include "app/VantrelAppDelegate.h"
#include "app/VantrelSettings.h"
#include "app/defects/DefectMarker.h"
#include "app/defects/DefectReport.h"
#include "app/defects/DefectScriptCommands.h"
#include "app/defects/DefectStore.h"
#include "app/vcVantrel.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/headless/HeadlessHost.h"
#include "platform/headless/ScriptRunner.h"
#include "platform/headless/ScriptStream.h"
#include "platform/ui/views/Application.h"
#include "json/JSONDeserializer.h"

#ifdef VANTREL_HAVE_GTK
#include "platform/gtk/GtkHost.h"
#endif
#ifdef VANTREL_HAVE_WEBKIT
#include "platform/gtk/GtkWebView.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <gio/gunixinputstream.h>
#include <gio/gunixoutputstream.h>
#include <iostream>
#include <unistd.h>

#ifndef VANTREL_SOURCE_RESOURCES
#define VANTREL_SOURCE_RESOURCES ""
#endif
#ifndef VANTREL_VERSION
#define VANTREL_VERSION "unknown"
#endif

std::filesystem::path VantrelLauncher::resourceDirectory()
{
    if (const char* env = std::getenv("VANTREL_RESOURCES"); env && *env)
        return env;
    std::error_code error;
    auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        // A build folder keeps them beside the binary; an installed tree under share/.
        for (auto candidate : { executable.parent_path() / "resources",
                 executable.parent_path().parent_path() / "share" / "vantrel" / "resources" }) {
            if (std::filesystem::exists(candidate / "Info.json"))
                return candidate;
        }
    }
    return VANTREL_SOURCE_RESOURCES;
}

ErrorOr<void> VantrelLauncher::loadBundle(const std::filesystem::path& resources)
{
    auto text = Paths::readFile(resources / "Info.json");
    if (!text)
        return Error { kErrorDomain, kMissingInfo, "cannot read " + (resources / "Info.json").string() };
    JSONError jsonError;
    auto info = JSONDeserializer().deserializeAsDictionary(*text, &jsonError);
    if (!info)
        return Error { kErrorDomain, kMalformedInfo, "Info.json: " + jsonError.message };
    Bundle::InfoDictionary dictionary;
    for (size_t i = 0; i < info->size(); ++i) {
        JSONValue value = info->valueAt(i);
        if (value.isString())
            dictionary[std::string(info->keyAt(i))] = std::string(value.stringValue());
    }
    Bundle::mainBundle().setInfoDictionary(std::move(dictionary));
    Bundle::mainBundle().setResourcePath(resources);
    return {};
}

void VantrelLauncher::arrangeFiles()
{
    auto data = Paths::dataDirectory();
    auto cache = Paths::cacheDirectory();
    // Every version's strings tables move, not only the current one's.
    std::string stringsTables = std::filesystem::path(PellarLocalizer::kCacheSubdirectory).parent_path().string();
    std::vector<std::string> caches { PellarImageCache::kCacheSubdirectory, stringsTables,
        Paths::kWebCacheSubdirectory };
    if (data != cache && !Paths::moveEntries(data, cache, caches))
        std::fprintf(stderr, "vantrel: some cached files stay in %s\n", data.c_str());
    // Files an older build left readable by others (a cached position among them) become private.
    Paths::tightenPermissions(data, { "pellar", "webkit", VantrelSettings::kFileName });
    if (data != cache)
        Paths::tightenPermissions(cache, { "pellar", "webkit" });
}

std::shared_ptr<VantrelAppDelegate> VantrelLauncher::launch()
{
    auto delegate = std::make_shared<VantrelAppDelegate>();
    Application::shared().setDelegate(delegate);
    Application::shared().finishLaunching();
    return delegate;
}

namespace {

int fail(const std::string& message)
{
    std::cerr << "vantrel: " << message << "\n";
    return 1;
}

bool hasDisplay()
{
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

} // namespace

int VantrelLauncher::main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    auto options = CommandLine::parse(arguments);
    if (!options) {
        std::cerr << "vantrel: " << options.error().message << "\n\n" << CommandLine::usage();
        return 2;
    }
    if (options->help) {
        std::cout << CommandLine::usage();
        return 0;
    }
    if (options->version) {
        std::cout << "vantrel " << VANTREL_VERSION << "\n";
        return 0;
    }
    std::optional<Script> script;
    DefectScriptCommands::addToScripts();
    if (options->scriptPath && *options->scriptPath == kStandardInput) {
        if (options->headless)
            return fail("--script - needs the window: a headless run reads its script from a file");
    } else if (options->scriptPath) {
        auto loaded = Script::load(*options->scriptPath);
        if (!loaded)
            return fail(*options->scriptPath + ": " + loaded.error().message);
        script = loaded.release();
    }
    if (options->dataDirectory)
        Paths::setDataDirectoryOverride(std::filesystem::path(*options->dataDirectory));
    arrangeFiles();
    if (options->reportPath)
        return writeStoredReport(*options);
    if (auto loaded = loadBundle(resourceDirectory()); !loaded)
        return fail(loaded.error().message);
    // The interface description's banner host.
    AdViewController::registerInterfaceClass();

    if (options->headless)
        return runHeadless(*options, script);
#ifdef VANTREL_HAVE_GTK
    if (options->screenSize)
        return fail("--screen-size is for --headless; a window's screen is the window");
    return runDesktop(*options, script);
#else
    return fail("this build has no window; use --headless");
#endif
}

ErrorOr<void> VantrelLauncher::runAppCommand(const std::string& name, const std::vector<std::string>& arguments)
{
    auto* delegate = dynamic_cast<VantrelAppDelegate*>(Application::shared().delegate());
    if (!delegate || !delegate->screen() || !delegate->screen()->defectMarker())
        return Error { kErrorDomain, kMissingInfo, "the test screen is not there" };
    return DefectScriptCommands::run(*delegate->screen()->defectMarker(), name, arguments);
}

VantrelLauncher::ScriptOutcome VantrelLauncher::runScript(const CommandLine& options,
    const std::optional<Script>& script, ScriptHost& host, bool realtime, std::function<bool()> abandoned)
{
    ScriptOutcome outcome;
    if (!script)
        return outcome;
    bool done = false;
    auto runner = std::make_shared<ScriptRunner>(*script, host);
    runner->setCommandHandler(runAppCommand);
    runner->run([&](bool ok, bool quit, const std::string& message) {
        done = true;
        outcome.quitRequested = quit;
        if (!ok) {
            std::cerr << "vantrel: " << *options.scriptPath << ": " << message << "\n";
            outcome.status = 1;
        }
    });
    // A closed window ends a script that is still waiting.
    if (realtime && !done)
        RunLoop::main().runUntil([&] { return done || (abandoned && abandoned()); }, 1e9);
    return outcome;
}

int VantrelLauncher::writeStoredReport(const CommandLine& options)
{
    auto store = DefectStore::load();
    if (store.problem())
        return fail(*store.problem());
    const MonitorRecord* record = store.findRecord(options.monitor.value_or(""));
    if (!record) {
        std::string known;
        for (auto& each : store.records())
            known += (known.empty() ? "" : ", ") + each.monitor().connector;
        if (known.empty())
            return fail("no marks are stored in " + store.path().string());
        return fail(options.monitor
                ? "no marks stored for monitor " + *options.monitor + " (stored: " + known + ")"
                : "marks are stored for several monitors; choose one with --monitor NAME (" + known + ")");
    }
    auto written = DefectReport(*record, Date::now()).write(*options.reportPath);
    if (!written)
        return fail(written.error().message);
    std::cout << "vantrel: report written to " << *options.reportPath << ".json, .csv and .png\n";
    return 0;
}

void VantrelLauncher::applyScreenOptions(const CommandLine& options, VantrelAppDelegate& delegate)
{
    if (options.squareSize && delegate.screen())
        delegate.screen()->setSquareSize(*options.squareSize);
}

#ifdef VANTREL_HAVE_GTK
int VantrelLauncher::runDesktop(const CommandLine& options, const std::optional<Script>& script)
{
    if (!hasDisplay())
        return fail("no display; use --headless");
    if (!GtkHost::initialize())
        return fail("cannot open the display; use --headless");
    // Scripted and timed runs are tools: they may run beside the app and each other.
    bool tool = script || options.screenshotPath || options.quitAfter;
    GtkHost host({ options.scale, options.fullScreen, options.monitor, kApplicationId, tool, options.arguments });
    switch (host.start()) {
    case GtkHost::StartResult::HandedOver:
        std::cerr << "vantrel: already running; its window takes these options and comes to the front\n";
        return 0;
    case GtkHost::StartResult::NoSuchMonitor:
        return fail(
            "no monitor " + *options.monitor + " (monitors are numbered from 0 or named by connector, e.g. DP-1)");
    case GtkHost::StartResult::Started:
        break;
    }
    auto delegate = launch();
    applyScreenOptions(options, *delegate);
    // A later start of the app hands its options over: the window takes them.
    host.setHandOverHandler([&host, delegate](const std::vector<std::string>& arguments) {
        auto later = CommandLine::parse(arguments);
        if (!later) {
            Log::writef("vantrel: a later start's options are not understood: %s", later.error().message.c_str());
            return;
        }
        if (later->fullScreen || later->monitor) {
            if (!host.showFullScreen(later->fullScreen || Application::shared().isFullScreen(), later->monitor))
                Log::writef("vantrel: no monitor %s", later->monitor->c_str());
        }
        applyScreenOptions(*later, *delegate);
        host.present();
    });
    if (options.scriptPath && *options.scriptPath == kStandardInput)
        return runScriptStream(host);
    auto outcome = runScript(options, script, host, true, [&host] { return host.isClosed(); });
    if (outcome.status == 0 && !outcome.quitRequested && !host.isClosed()) {
        if (options.quitAfter)
            RunLoop::main().performAfterDelay(*options.quitAfter, [] { RunLoop::main().quit(); });
        if (!script || options.quitAfter)
            RunLoop::main().run();
    }
    if (options.screenshotPath) {
        if (auto written = host.screenshot(*options.screenshotPath); !written)
            return fail(written.error().message);
    }
    host.close();
    return outcome.status;
}

int VantrelLauncher::runScriptStream(GtkHost& host)
{
    auto commands = adoptGRef(g_unix_input_stream_new(STDIN_FILENO, FALSE));
    auto replies = adoptGRef(g_unix_output_stream_new(STDOUT_FILENO, FALSE));
    auto stream = std::make_shared<ScriptStream>(commands.get(), replies.get(), host);
    stream->setCommandHandler(runAppCommand);
    bool done = false;
    stream->run([&done](bool) { done = true; });
    RunLoop::main().runUntil([&] { return done || host.isClosed(); }, 1e9);
    host.close();
    return 0;
}
#endif

int VantrelLauncher::runHeadless(const CommandLine& options, const std::optional<Script>& script)
{
    HeadlessHost host({ options.scale.value_or(1.0), options.realtime, options.screenSize, options.onScreenKeyboard,
        options.noURLHandlers });
    host.start();
#ifdef VANTREL_HAVE_WEBKIT
    // With a display (a virtual one will do) pages render off screen; without
    // one, web views say in the log that they cannot load.
    if (hasDisplay())
        GtkWebView::registerOffscreen();
#endif
    auto delegate = launch();
    applyScreenOptions(options, *delegate);
    host.settle();
    auto outcome = runScript(options, script, host, options.realtime);
    if (outcome.status == 0 && !outcome.quitRequested && options.quitAfter)
        host.runFor(*options.quitAfter);
    if (options.screenshotPath) {
        if (auto written = host.screenshot(*options.screenshotPath); !written)
            return fail(written.error().message);
    }
    if (!script && !options.quitAfter && !options.screenshotPath)
        std::cerr << "vantrel: started and quit at once: headless runs need --script, --quit-after or --screenshot\n";
    return outcome.status;
}
