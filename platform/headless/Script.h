#pragma once

#include "base/ErrorOr.h"
#include "platform/ui/graphics/Point.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// A script that drives the app as a user would, one command a line, with
// coordinates in points:
//   tap X Y | press X Y | move X Y | release X Y | drag X1 Y1 X2 Y2 SECONDS
//   right-click X Y (a secondary click, as for a context menu)
//   tap-label TEXT | key NAME | type TEXT | wait SECONDS | screenshot PATH | quit
//   resize WIDTH HEIGHT (the screen, as a window resized) | hover X Y (the
//   pointer moves with no button down)
// A key is named as Key::fromName reads it: "space", "shift+Right", "F11", "?".
// `type` enters the rest of the line (spaces inside kept) into the field
// being edited, one character at a time, as a user types it.
// Blank lines and lines starting with '#' are ignored. Parsing expands a drag
// into a press, moves every 1/60 s and a release, so a runner only sees the
// primitive steps, each remembering the line it came from.
//
// The application may add commands of its own (`addCommand`) before scripts
// are parsed; their steps reach the runner's command handler with their
// arguments, and the runner knows nothing of what they do.
class Script {
public:
    struct Step {
        enum class Kind {
            Press,
            Move,
            Release,
            Tap,
            SecondaryClick,
            TapLabel,
            Key,
            Type,
            Wait,
            Screenshot,
            Quit,
            Resize,
            Hover,
            Command
        };
        Kind kind;
        Point point; // a place, or the new screen size for Resize
        double seconds { 0 };
        std::string text; // the label, the key's name, the typed text, the path or the command's name
        int line { 0 };
        std::vector<std::string> arguments; // an added command's
    };

    // An added command: its name, the words it takes (kRestOfLine: the rest
    // of the line as one argument, spaces inside kept, never empty), and what
    // a parse error shows as its use, e.g. "mark X Y KIND". `accepts`, when
    // set, checks the arguments as the script is parsed.
    static constexpr int kRestOfLine = -1;
    struct Command {
        std::string name;
        int argumentCount { 0 };
        std::string usage;
        std::function<bool(const std::vector<std::string>&)> accepts;
    };
    // Replaces an added command of the same name; the built-in ones cannot be replaced.
    static void addCommand(Command);
    static void removeAddedCommands();

    static constexpr double kDragStepInterval = 1.0 / 60.0;
    // Beyond any monitor.
    static constexpr double kLargestScreenSide = 8192;

    static constexpr const char* kErrorDomain = "ScriptErrorDomain";
    enum ErrorCode : int { kUnreadableLine = 1, kUnreadableFile = 2 };

    // The error's message names the line that cannot be read, or why the file cannot.
    static ErrorOr<Script> parse(const std::string& text);
    static ErrorOr<Script> load(const std::string& path);

    const std::vector<Step>& steps() const { return m_steps; }

private:
    std::vector<Step> m_steps;
};
