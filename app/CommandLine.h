#pragma once

#include "base/ErrorOr.h"
#include "platform/ui/graphics/Size.h"

#include <optional>
#include <string>
#include <vector>

// The options of the vantrel command.
class CommandLine {
public:
    bool headless { false };
    bool realtime { false };
    bool onScreenKeyboard { false };
    bool noURLHandlers { false };
    std::optional<double> scale;
    bool fullScreen { false };
    std::optional<std::string> monitor;
    std::optional<double> squareSize;
    std::optional<Size> screenSize;
    std::optional<std::string> dataDirectory;
    std::optional<std::string> scriptPath;
    std::optional<std::string> screenshotPath;
    std::optional<double> quitAfter;
    std::optional<std::string> reportPath;
    bool help { false };
    bool version { false };
    // The words as given (a later start hands them to the running one).
    std::vector<std::string> arguments;

    // Scales below this make the 320-point screen narrower than 80 pixels.
    static constexpr double kSmallestScale = 0.25;

    static constexpr const char* kErrorDomain = "CommandLineErrorDomain";
    static constexpr int kUnusableArguments = 1;

    // The error says which argument cannot be used.
    static ErrorOr<CommandLine> parse(const std::vector<std::string>& arguments);
    static std::string usage();
};
