#include "app/CommandLine.h"

#include <cmath>

static std::optional<double> number(const std::string& text)
{
    try {
        size_t used = 0;
        double value = std::stod(text, &used);
        if (used != text.size() || !std::isfinite(value))
            return std::nullopt;
        return value;
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<CommandLine> CommandLine::parse(const std::vector<std::string>& arguments, std::string* error)
{
    CommandLine options;
    auto fail = [&](const std::string& message) -> std::optional<CommandLine> {
        if (error)
            *error = message;
        return std::nullopt;
    };
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments[++i];
        };
        if (argument == "--headless") {
            options.headless = true;
        } else if (argument == "--realtime") {
            options.realtime = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--scale") {
            auto v = value();
            auto n = v ? number(*v) : std::nullopt;
            // More than 8 would make a surface of over 10 million pixels for nothing.
            if (!n || *n <= 0 || *n > 8)
                return fail("--scale needs a number above 0 and at most 8");
            options.scale = *n;
        } else if (argument == "--quit-after") {
            auto v = value();
            auto n = v ? number(*v) : std::nullopt;
            if (!n || *n < 0)
                return fail("--quit-after needs a number of seconds");
            options.quitAfter = *n;
        } else if (argument == "--data-dir" || argument == "--script" || argument == "--screenshot") {
            auto v = value();
            if (!v || v->empty())
                return fail(argument + " needs a value");
            if (argument == "--data-dir")
                options.dataDirectory = *v;
            else if (argument == "--script")
                options.scriptPath = *v;
            else
                options.screenshotPath = *v;
        } else {
            return fail("unknown option " + argument);
        }
    }
    return options;
}

std::string CommandLine::usage()
{
    return "Usage: vantrel [OPTIONS]\n"
           "\n"
           "Finds defective pixels: a framed test square flashes and pulses; drag it over the screen.\n"
           "\n"
           "Options:\n"
           "  --headless          run without a window (renders off screen; virtual time)\n"
           "  --realtime          headless only: run on the wall clock instead of virtual time\n"
           "  --scale N           pixels per point (window size and screenshots; default: the monitor's)\n"
           "  --data-dir DIR      where caches and downloaded tables are kept\n"
           "  --script FILE       run the script's commands, one a line:\n"
           "                        tap X Y | press X Y | move X Y | release X Y\n"
           "                        drag X1 Y1 X2 Y2 SECONDS | tap-label TEXT\n"
           "                        wait SECONDS | screenshot PATH | quit\n"
           "                      coordinates are points on the 320 x 480 screen\n"
           "  --screenshot PATH   write the screen as a PNG before quitting\n"
           "  --quit-after SECS   quit after this many seconds (after the script, if any)\n"
           "  -h, --help          show this help\n"
           "\n"
           "Without a script or --quit-after the headless host quits at once; the window stays until closed.\n";
}
