#pragma once

#include "app/CommandLine.h"

#include <filesystem>
#include <memory>
#include <string>

class VantrelAppDelegate;

// Everything between the command line and the running app, shared by the
// executable and the end-to-end tests: finds the resources, reads the
// application's property list into the main bundle, sets the data directory,
// installs the delegate and launches it on the chosen host.
class VantrelLauncher {
public:
    // The resource folder: $VANTREL_RESOURCES, else "resources" beside the
    // executable, else the source tree's.
    static std::filesystem::path resourceDirectory();
    // Reads Info.json from `resources` into the main bundle; false when it is missing or malformed.
    static bool loadBundle(const std::filesystem::path& resources, std::string* error = nullptr);
    // Creates the delegate, makes it the application's and launches it.
    static std::shared_ptr<VantrelAppDelegate> launch();

    // The whole program; answers the exit status.
    static int main(int argc, char** argv);
};
