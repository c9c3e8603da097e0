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

ErrorOr<CommandLine> CommandLine::parse(const std::vector<std::string>& arguments)
{
    CommandLine options;
    options.arguments = arguments;
    auto fail = [&](const std::string& message) -> ErrorOr<CommandLine> {
        return Error { kErrorDomain, kUnusableArguments, message };
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
        } else if (argument == "--on-screen-keyboard") {
            options.onScreenKeyboard = true;
        } else if (argument == "--no-url-handlers") {
            options.noURLHandlers = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--fullscreen") {
            options.fullScreen = true;
        } else if (argument == "--scale") {
            auto v = value();
            auto n = v ? number(*v) : std::nullopt;
            // More than 8 would make a surface of over 10 million pixels for nothing.
            if (!n || *n < kSmallestScale || *n > 8)
                return fail("--scale needs a number from 0.25 to 8");
            options.scale = *n;
        } else if (argument == "--square-size") {
            auto v = value();
            auto n = v ? number(*v) : std::nullopt;
            if (!n || *n < 1 || *n > 1000)
                return fail("--square-size needs a number of points from 1 to 1000");
            options.squareSize = *n;
        } else if (argument == "--screen-size") {
            auto v = value();
            auto x = v ? v->find('x') : std::string::npos;
            auto width = x != std::string::npos ? number(v->substr(0, x)) : std::nullopt;
            auto height = x != std::string::npos ? number(v->substr(x + 1)) : std::nullopt;
            // The layout is made for the device's screen at least; 8192 points is beyond any monitor.
            if (!width || !height || *width < 320 || *height < 480 || *width > 8192 || *height > 8192)
                return fail("--screen-size needs WIDTHxHEIGHT in points, at least 320x480");
            options.screenSize = Size { *width, *height };
        } else if (argument == "--monitor") {
            auto v = value();
            if (!v || v->empty())
                return fail("--monitor needs a monitor number or connector name");
            options.monitor = *v;
        } else if (argument == "--quit-after") {
            auto v = value();
            auto n = v ? number(*v) : std::nullopt;
            if (!n || *n < 0)
                return fail("--quit-after needs a number of seconds");
            options.quitAfter = *n;
        } else if (argument == "--data-dir" || argument == "--script" || argument == "--screenshot"
            || argument == "--report") {
            auto v = value();
            if (!v || v->empty())
                return fail(argument + " needs a value");
            if (argument == "--data-dir")
                options.dataDirectory = *v;
            else if (argument == "--script")
                options.scriptPath = *v;
            else if (argument == "--report")
                options.reportPath = *v;
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
           "  --on-screen-keyboard headless only: text entry shows the phone's 216-point keyboard\n"
           "  --scale N           pixels per point, 0.25 to 8 (default 1, less when the window would\n"
           "                      not fit the monitor)\n"
           "  --fullscreen        start in full screen (F11 or a double click switches)\n"
           "  --monitor N|NAME    the monitor for full screen: a number from 0 or a connector (DP-1)\n"
           "  --square-size PT    the test square's size in points (default 50)\n"
           "  --screen-size WxH   headless only: the screen's size in points (default 320x480)\n"
           "  --no-url-handlers   headless only: play a desktop where no application opens links\n"
           "  --data-dir DIR      where caches and downloaded tables are kept\n"
           "  --script FILE       run the script's commands, one a line:\n"
           "                        tap X Y | press X Y | move X Y | release X Y\n"
           "                        drag X1 Y1 X2 Y2 SECONDS | tap-label TEXT | key NAME\n"
           "                        type TEXT (into the field being edited)\n"
           "                        resize WIDTH HEIGHT | hover X Y\n"
           "                        wait SECONDS | screenshot PATH | quit\n"
           "                        mark X Y KIND | unmark X Y | export-report PATH\n"
           "                      (X Y in device pixels; KIND hot, dead, stuck-red,\n"
           "                      stuck-green, stuck-blue or stuck-off)\n"
           "                      coordinates are points on the screen (320 x 480 by default);\n"
           "                      keys are named like space, Escape, shift+Right, F11, question\n"
           "                      with the window, FILE - reads commands from standard input as\n"
           "                      they come and answers each with a line (ok, or error: why)\n"
           "  --screenshot PATH   write the screen as a PNG before quitting\n"
           "  --quit-after SECS   quit after this many seconds (after the script, if any)\n"
           "  --report FILE       write the stored marks of a monitor as FILE.json, FILE.csv and\n"
           "                      FILE.png, then quit (--monitor NAME picks the monitor by connector)\n"
           "  --version           show the version\n"
           "  -h, --help          show this help\n"
           "\n"
           "Keys: Space start/stop, arrows move the square one pixel (Shift: ten), [ ] its size,\n"
           "+ - the interval, F solid fills, I the square's position, C customize, F11 full screen,\n"
           "M the next monitor, Escape back, K mark pixels (H D R G B O: kind, U undo, X remove,\n"
           "E export report), V show or hide marks, ? all keys, Ctrl+Q quit.\n"
           "\n"
           "Without a script or --quit-after the headless host quits at once; the window stays until closed.\n";
}
