#pragma once

#include "platform/foundation/RunLoop.h"
#include "platform/gtk/GtkWebView.h"

#include <functional>

// The real web engine for one test, drawing its pages off screen: registered
// as the web-view factory when made (where a display is there), unregistered
// when it goes. A fixture holds one and skips its tests when the engine is
// not available. Pages load in real time, so waits are real-time bounded.
class OffscreenWebKit {
public:
    OffscreenWebKit()
        : m_available(GtkWebView::registerOffscreen())
    {
    }
    ~OffscreenWebKit() { GtkWebView::unregister(); }
    OffscreenWebKit(const OffscreenWebKit&) = delete;
    OffscreenWebKit& operator=(const OffscreenWebKit&) = delete;

    bool isAvailable() const { return m_available; }

    // Runs the main loop until the condition holds, for at most `seconds`.
    static bool await(const std::function<bool()>& condition, double seconds = 20)
    {
        return RunLoop::main().runUntil(condition, seconds);
    }

private:
    bool m_available;
};
