#pragma once

#include "app/CommandLine.h"
#include "platform/headless/Script.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class GtkHost;
class ScriptHost;
class VantrelAppDelegate;

// Everything between the command line and the running app, shared by the
// executable and the end-to-end tests: finds the resources, reads the
// application's property list into the main bundle, sets the data directory,
// installs the delegate and launches it on the chosen host: the desktop
// window, or the headless host that renders off screen on virtual time.
class VantrelLauncher {
public:
    // The resource folder: $VANTREL_RESOURCES, else "resources" beside the
    // executable, else the source tree's.
    static std::filesystem::path resourceDirectory();
    static constexpr const char* kErrorDomain = "VantrelLauncherErrorDomain";
    enum ErrorCode : int { kMissingInfo = 1, kMalformedInfo = 2 };

    // Reads Info.json from `resources` into the main bundle; fails when it is missing or malformed.
    static ErrorOr<void> loadBundle(const std::filesystem::path& resources);
    // Creates the delegate, makes it the application's and launches it.
    static std::shared_ptr<VantrelAppDelegate> launch();

    // Moves what an older build cached in the data directory to the cache
    // directory (a no-op when both are one folder), and makes both folders'
    // contents private. Nothing is lost: what cannot move stays.
    static void arrangeFiles();

    // The desktop's application id (reverse DNS; the desktop file is named after it).
    static constexpr const char* kApplicationId = "org.vantrel.Vantrel";
    // The script path that means standard input.
    static constexpr std::string_view kStandardInput = "-";

    // The whole program; answers the exit status.
    static int main(int argc, char** argv);

private:
    struct ScriptOutcome {
        int status { 0 };
        bool quitRequested { false };
    };
    static int runDesktop(const CommandLine&, const std::optional<Script>&);
#ifdef VANTREL_HAVE_GTK
    // `--script -`: commands from standard input, each answered on standard output.
    static int runScriptStream(GtkHost&);
#endif
    static int runHeadless(const CommandLine&, const std::optional<Script>&);
    static ScriptOutcome runScript(const CommandLine&, const std::optional<Script>&, ScriptHost&, bool realtime,
        std::function<bool()> abandoned = nullptr);
    // --report: the stored marks of one monitor as a report, without a screen.
    static int writeStoredReport(const CommandLine&);
    // The app's own script commands (marking pixels, reports).
    static ErrorOr<void> runAppCommand(const std::string& name, const std::vector<std::string>& arguments);
    static void applyScreenOptions(const CommandLine&, VantrelAppDelegate&);
};
