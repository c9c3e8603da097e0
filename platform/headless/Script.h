#pragma once

#include "base/ErrorOr.h"
#include "platform/ui/graphics/Point.h"

#include <optional>
#include <string>
#include <vector>

// A script that drives the app as a user would, one command a line, with
// coordinates in points:
//   tap X Y | press X Y | move X Y | release X Y | drag X1 Y1 X2 Y2 SECONDS
//   tap-label TEXT | key NAME | type TEXT | wait SECONDS | screenshot PATH | quit
//   resize WIDTH HEIGHT (the screen, as a window resized) | hover X Y (the
//   pointer moves with no button down)
// A key is named as Key::fromName reads it: "space", "shift+Right", "F11", "?".
// `type` enters the rest of the line (spaces inside kept) into the field
// being edited, one character at a time, as a user types it.
// Blank lines and lines starting with '#' are ignored. Parsing expands a drag
// into a press, moves every 1/60 s and a release, so a runner only sees the
// primitive steps, each remembering the line it came from.
class Script {
public:
    struct Step {
        enum class Kind { Press, Move, Release, Tap, TapLabel, Key, Type, Wait, Screenshot, Quit, Resize, Hover };
        Kind kind;
        Point point; // a place, or the new screen size for Resize
        double seconds { 0 };
        std::string text; // the label, the key's name, the typed text or the path
        int line { 0 };
    };

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
