#pragma once

#include <optional>
#include <string>
#include <vector>

// The options of the vantrel command.
class CommandLine {
public:
    bool headless { false };
    bool realtime { false };
    std::optional<double> scale;
    std::optional<std::string> dataDirectory;
    std::optional<std::string> scriptPath;
    std::optional<std::string> screenshotPath;
    std::optional<double> quitAfter;
    bool help { false };

    // nullopt with `error` set when the arguments cannot be used.
    static std::optional<CommandLine> parse(const std::vector<std::string>& arguments, std::string* error);
    static std::string usage();
};
