#pragma once

#include "base/ErrorOr.h"
#include "platform/ui/graphics/Point.h"
#include "platform/ui/graphics/Size.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Key.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Touch.h"

#include <functional>
#include <string>

// What a script needs from the host that runs it.
class ScriptHost {
public:
    virtual ~ScriptHost() = default;
    virtual void injectTouch(TouchPhase, Point) = 0;
    virtual void injectKey(const Key&) = 0;
    // Text for the field being edited, as the host's input method delivers it.
    virtual void injectText(const std::string&) = 0;
    // The pointer moves with no button down. A window host may move the
    // real pointer instead.
    virtual void injectPointerMotion(Point point) { Application::shared().pointerDidMove(point); }
    // The screen takes a new size in points, as when the user resizes the
    // window. A window host resizes its window instead.
    virtual void resizeScreen(Size size) { Screen::mainScreen().setSize(size); }
    // Lets `seconds` pass, then calls `then` (at once for virtual time, from
    // the run loop for real time).
    virtual void wait(double seconds, std::function<void()> then) = 0;
    // Writes the screen as a PNG.
    static constexpr const char* kScreenshotErrorDomain = "ScreenshotErrorDomain";
    enum ScreenshotErrorCode : int { kScreenNotDrawn = 1, kCannotWriteScreenshot = 2 };
    virtual ErrorOr<void> screenshot(const std::string& path) = 0;
};
