#pragma once

#include "platform/ui/graphics/Rect.h"
#include "platform/ui/views/Touch.h"

#include "platform/ui/graphics/CairoRefPtr.h"

#include <cairo.h>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class ApplicationDelegate;
class View;
class Window;

// The running application: its windows and key window, the status bar, the
// system URL handler and touch delivery. Hosts feed it touches and composite
// its window stack; nothing here knows which host runs it.
class Application {
public:
    static constexpr double kStatusBarHeight = 20;

    static Application& shared();

    // The delegate (owned: it lives for the whole process).
    void setDelegate(std::shared_ptr<ApplicationDelegate>);
    ApplicationDelegate* delegate() const { return m_delegate.get(); }
    // Tells the delegate that launching has finished.
    void finishLaunching();

    // Status bar
    bool isStatusBarHidden() const { return m_statusBarHidden; }
    void setStatusBarHidden(bool hidden, bool animated = false);
    // 320 × 20 at the top when shown, an empty rectangle when hidden.
    Rect statusBarFrame() const;
    // The screen less the status bar.
    Rect applicationFrame() const;

    // Windows, bottom to top.
    std::vector<std::shared_ptr<Window>> windows() const;
    std::shared_ptr<Window> keyWindow() const { return m_keyWindow.lock(); }
    void setKeyWindow(std::shared_ptr<Window>);
    void addWindow(std::shared_ptr<Window>);
    bool hasWindow(const Window*) const;
    void windowOrderChanged();

    // The system's URL handler. Only what SystemURLPolicy allows gets past
    // the first step; the rest is refused (and logged by scheme). Then the
    // hook, when one is installed (tests record), or the desktop's default
    // handler. A run without the desktop launches nothing: it logs
    // "Open with the system: <URL>" instead, which scripted runs read.
    using OpenURLHook = std::function<bool(const std::string& url)>;
    bool openURL(const std::string& url);
    void setOpenURLHook(OpenURLHook);
    static bool launchWithSystem(const std::string& url);
    // False in headless runs: nothing may start on the desktop behind them.
    bool launchesSystemHandlers() const { return m_launchesSystemHandlers; }
    void setLaunchesSystemHandlers(bool launches) { m_launchesSystemHandlers = launches; }

    // Touches from the host, in screen points. One finger at a time: a new
    // press cancels a touch still down.
    void sendTouch(TouchPhase, Point screenLocation);
    bool isTouchDown() const { return m_touch != nullptr; }
    // Cancels the touch that is down, where it is (a lost pointer grab).
    void cancelTouch();

    // Composites the visible windows, bottom to top, and the status bar into
    // one surface of 320 × 480 points at `scale`. The surface is reused.
    cairo_surface_t* compositeScreen(double scale);
    // Something on screen changed since the last composite.
    bool needsDisplay() const { return m_needsDisplay; }
    void setNeedsDisplay();
    // Hosts learn that a redraw is due (the desktop host queues a frame).
    void setDisplayChangedHook(std::function<void()> hook) { m_displayChanged = std::move(hook); }

    // Everything on screen that has a findable text, top window first, with
    // its frame in screen points. Covered views of lower windows are left out
    // when a window above takes all touches.
    std::vector<std::pair<std::string, Rect>> accessibleElementsOnScreen();

    // Forgets windows, touches, hooks and the status bar state (tests).
    void reset();

private:
    friend class ApplicationTestAccess;
    void pruneWindows();

    std::shared_ptr<ApplicationDelegate> m_delegate;
    bool m_statusBarHidden { false };
    std::vector<std::weak_ptr<Window>> m_windows;
    std::weak_ptr<Window> m_keyWindow;
    OpenURLHook m_openURLHook;
    bool m_launchesSystemHandlers { true };
    std::shared_ptr<Touch> m_touch;
    GRefPtr<cairo_surface_t> m_screen;
    double m_screenScale { 0 };
    bool m_needsDisplay { true };
    std::function<void()> m_displayChanged;
};
