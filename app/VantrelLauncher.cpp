#include "app/VantrelLauncher.h"

#include "app/AdViewController.h"
#include "app/VantrelAppDelegate.h"
#include "json/JSONDeserializer.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/headless/HeadlessHost.h"
#include "platform/headless/ScriptRunner.h"
#include "platform/ui/views/Application.h"

#ifdef VANTREL_HAVE_GTK
#include "platform/gtk/GtkHost.h"
#endif
#ifdef VANTREL_HAVE_WEBKIT
#include "platform/gtk/GtkWebView.h"
#endif

#include <cstdio>
#include <functional>
#include <cstdlib>
#include <iostream>
#include <unistd.h>

#ifndef VANTREL_SOURCE_RESOURCES
#define VANTREL_SOURCE_RESOURCES ""
#endif

std::filesystem::path VantrelLauncher::resourceDirectory()
{
    if (const char* env = std::getenv("VANTREL_RESOURCES"); env && *env)
        return env;
    std::error_code error;
    auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        auto beside = executable.parent_path() / "resources";
        if (std::filesystem::exists(beside / "Info.json"))
            return beside;
    }
    return VANTREL_SOURCE_RESOURCES;
}

bool VantrelLauncher::loadBundle(const std::filesystem::path& resources, std::string* error)
{
    auto text = Paths::readFile(resources / "Info.json");
    if (!text) {
        if (error)
            *error = "cannot read " + (resources / "Info.json").string();
        return false;
    }
    JSONError jsonError;
    auto info = JSONDeserializer().deserializeAsDictionary(*text, &jsonError);
    if (!info) {
        if (error)
            *error = "Info.json: " + jsonError.message;
        return false;
    }
    Bundle::InfoDictionary dictionary;
    for (size_t i = 0; i < info->size(); ++i) {
        JSONValue value = info->valueAt(i);
        if (value.isString())
            dictionary[std::string(info->keyAt(i))] = std::string(value.stringValue());
    }
    Bundle::mainBundle().setInfoDictionary(std::move(dictionary));
    Bundle::mainBundle().setResourcePath(resources);
    return true;
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
    std::string error;
    auto options = CommandLine::parse(arguments, &error);
    if (!options) {
        std::cerr << "vantrel: " << error << "\n\n" << CommandLine::usage();
        return 2;
    }
    if (options->help) {
        std::cout << CommandLine::usage();
        return 0;
    }
    std::optional<Script> script;
    if (options->scriptPath) {
        script = Script::load(*options->scriptPath, &error);
        if (!script)
            return fail(*options->scriptPath + ": " + error);
    }
    if (options->dataDirectory)
        Paths::setDataDirectoryOverride(std::filesystem::path(*options->dataDirectory));
    // Files an older build left readable by others (a cached position among them) become private.
    Paths::tightenPermissions(Paths::dataDirectory(), { "pellar", "webkit" });
    if (!loadBundle(resourceDirectory(), &error))
        return fail(error);
    // The interface description's banner host.
    AdViewController::registerInterfaceClass();

    int status = 0;
    bool quitRequested = false;
    auto runScript = [&](ScriptHost& host, bool realtime, std::function<bool()> abandoned = nullptr) {
        if (!script)
            return;
        bool done = false;
        auto runner = std::make_shared<ScriptRunner>(*script, host);
        runner->run([&](bool ok, bool quit, const std::string& message) {
            done = true;
            quitRequested = quit;
            if (!ok) {
                std::cerr << "vantrel: " << *options->scriptPath << ": " << message << "\n";
                status = 1;
            }
        });
        // A closed window ends a script that is still waiting.
        if (realtime && !done)
            RunLoop::main().runUntil([&] { return done || (abandoned && abandoned()); }, 1e9);
    };

    bool headless = options->headless;
#ifdef VANTREL_HAVE_GTK
    if (!headless && !hasDisplay())
        return fail("no display; use --headless");
    if (!headless) {
        if (!GtkHost::initialize())
            return fail("cannot open the display; use --headless");
        GtkHost host({ options->scale });
        host.start();
        launch();
        runScript(host, true, [&host] { return host.isClosed(); });
        if (status == 0 && !quitRequested && !host.isClosed()) {
            if (options->quitAfter)
                RunLoop::main().performAfterDelay(*options->quitAfter, [] { RunLoop::main().quit(); });
            if (!script || options->quitAfter)
                RunLoop::main().run();
        }
        if (options->screenshotPath) {
            std::string problem = host.screenshot(*options->screenshotPath);
            if (!problem.empty())
                return fail(problem);
        }
        host.close();
        return status;
    }
#else
    if (!headless)
        return fail("this build has no window; use --headless");
#endif
    HeadlessHost host({ options->scale.value_or(1.0), options->realtime });
    host.start();
#ifdef VANTREL_HAVE_WEBKIT
    // With a display (a virtual one will do) pages render off screen; without
    // one, web views say in the log that they cannot load.
    if (hasDisplay())
        GtkWebView::registerOffscreen();
#endif
    launch();
    host.settle();
    runScript(host, options->realtime);
    if (status == 0 && !quitRequested && options->quitAfter)
        host.runFor(*options->quitAfter);
    if (options->screenshotPath) {
        std::string problem = host.screenshot(*options->screenshotPath);
        if (!problem.empty())
            return fail(problem);
    }
    return status;
}
