#pragma once

#include "platform/ui/graphics/Rect.h"
#include "platform/ui/views/Key.h"
#include "platform/ui/views/Touch.h"

#include "platform/ui/graphics/CairoRefPtr.h"

#include <cairo.h>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class ApplicationDelegate;
class Responder;
class Timer;
class View;
class Window;

// The running application: its windows and key window, the status bar, the
// system URL handler and touch delivery. Hosts feed it touches and composite
// its window stack; nothing here knows which host runs it.
class Application {
public:
    static constexpr double kStatusBarHeight = 20;
    // How close in time and place taps must follow to count as a double tap.
    static constexpr double kMultipleTapInterval = 0.4;
    static constexpr double kMultipleTapDistance = 10;

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
    // A hand-off that fails (no application for the scheme, a hook that
    // answers false) is logged and shown in an alert ("No application can
    // open tel: links"), one at a time.
    using OpenURLHook = std::function<bool(const std::string& url)>;
    bool openURL(const std::string& url);
    void setOpenURLHook(OpenURLHook);
    static bool launchWithSystem(const std::string& url);
    // False in headless runs: nothing may start on the desktop behind them.
    bool launchesSystemHandlers() const { return m_launchesSystemHandlers; }
    void setLaunchesSystemHandlers(bool launches) { m_launchesSystemHandlers = launches; }
    // Such a run can play a desktop where no application takes links: every
    // hand-off then fails as it would there.
    void setSystemHandlersMissing(bool missing) { m_systemHandlersMissing = missing; }
    static std::string handOffFailureText(const std::string& url);

    // Touches from the host, in screen points. One finger at a time: a new
    // press cancels a touch still down.
    // How long a scrolling view may hold back a touch from the view it began in.
    static constexpr double kContentTouchDelay = 0.15;
    void sendTouch(TouchPhase, Point screenLocation);
    // The view a touch at this screen point would go to, and its window.
    View* hitTest(Point screenLocation, std::shared_ptr<Window>* window = nullptr) const;
    // A secondary click at a point of the screen goes to the view a touch
    // there would reach, then along its responder chain. Hosts call it for
    // the right button; true when something used it.
    bool sendSecondaryClick(Point screenLocation);
    bool isTouchDown() const { return m_touch != nullptr; }
    // Cancels the touch that is down, where it is (a lost pointer grab).
    void cancelTouch();

    // A key press from the host: the first responder's chain gets it first
    // (unless another window is key), then the key window's front view and
    // its chain, then the delegate. Answers whether anything used it.
    bool sendKey(const Key&);
    // Text from the host's input method or clipboard, or a script's `type`,
    // for the first responder when it takes text. Answers whether it did.
    bool insertText(const std::string&);
    // The first responder takes text: the host routes key presses through its
    // input method first.
    bool isTextInputActive() const;

    // The user is at the controls: posted (object: the application) for every
    // touch, key and pointer movement, so screens can bring back what they
    // hid while nobody moved.
    static constexpr const char* kUserActivityNotification = "ApplicationUserActivityNotification";
    // The pointer moved over the screen, in screen points, with or without a
    // button down. The hosts report every movement (hover too).
    void pointerDidMove(Point screenLocation);
    std::optional<Point> pointerLocation() const { return m_pointerLocation; }

    // While set, the host hides the pointer over its window (a full-screen
    // test nobody touches). Without a hook the request is simply recorded.
    bool isPointerHidden() const { return m_pointerHidden; }
    void setPointerHidden(bool);
    void setPointerHiddenHook(std::function<void(bool hidden)> hook) { m_pointerHiddenHook = std::move(hook); }

    // Asks the host to move the window to the next monitor, after the last
    // the first again. Answers whether the host can (one that has a single
    // monitor, or none, answers false).
    bool moveToNextMonitor();
    void setMoveToNextMonitorHook(std::function<bool()> hook) { m_moveToNextMonitorHook = std::move(hook); }

    // Full screen is the host's to grant: setFullScreen asks it (through the
    // hook), and the host reports the state it reached. Without a host hook
    // the request is simply recorded.
    // Each change of state is posted (object: the application).
    static constexpr const char* kFullScreenDidChangeNotification = "ApplicationFullScreenDidChangeNotification";
    bool isFullScreen() const { return m_fullScreen; }
    void setFullScreen(bool);
    void setFullScreenHook(std::function<void(bool)> hook) { m_fullScreenHook = std::move(hook); }
    void fullScreenDidChange(bool fullScreen);

    // While set, the host keeps the display from blanking or locking.
    bool isIdleTimerDisabled() const { return m_idleTimerDisabled; }
    void setIdleTimerDisabled(bool);
    void setIdleTimerHook(std::function<void(bool disabled)> hook) { m_idleTimerHook = std::move(hook); }

    // The desktop asks for less motion: slides and flips should be instant.
    bool isReduceMotionEnabled() const { return m_reduceMotion; }
    void setReduceMotionEnabled(bool enabled) { m_reduceMotion = enabled; }

    // The screen changed size: windows that covered the old bounds cover the new.
    void screenDidChangeBounds(Rect oldBounds);

    // Composites the visible windows, bottom to top, and the status bar into
    // one surface of the screen's size at `scale`. The surface is reused.
    cairo_surface_t* compositeScreen(double scale);
    // Draws the status bar at `scale` pixels per point (callers ask isStatusBarHidden first).
    void drawStatusBar(cairo_t*, double scale) const;
    // Something on screen changed since the last composite.
    bool needsDisplay() const { return m_needsDisplay; }
    // A host that draws the windows itself (the desktop's render nodes) has
    // shown every change so far; the next one calls the display-changed hook again.
    void screenWasDrawn() { m_needsDisplay = false; }
    void setNeedsDisplay();
    // Hosts learn that a redraw is due (the desktop host queues a frame).
    void setDisplayChangedHook(std::function<void()> hook) { m_displayChanged = std::move(hook); }

    // Everything on screen that has a findable text, top window first, with
    // its frame in screen points. Covered views of lower windows are left out
    // when a window above takes all touches.
    // With `includeCovered`, those are listed too.
    std::vector<std::pair<std::string, Rect>> accessibleElementsOnScreen(bool includeCovered = false);

    // Forgets windows, touches, hooks and the status bar state (tests).
    void reset();

private:
    friend class ApplicationTestAccess;
    void pruneWindows();
    void alertHandOffFailure(const std::string& url);
    void noteUserActivity();
    // The first responder, unless it sits in a window that is not key.
    Responder* keyResponder() const;
    static void deliverTouch(View&, TouchPhase, const TouchSet&, const Event&);

    std::shared_ptr<ApplicationDelegate> m_delegate;
    bool m_statusBarHidden { false };
    std::vector<std::weak_ptr<Window>> m_windows;
    std::weak_ptr<Window> m_keyWindow;
    OpenURLHook m_openURLHook;
    bool m_launchesSystemHandlers { true };
    bool m_systemHandlersMissing { false };
    std::shared_ptr<Touch> m_touch;
    // A scrolling ancestor of the touched view that watches the touch.
    struct Tracking {
        std::weak_ptr<View> tracker;
        bool tookOver { false };
        bool contentBegan { false }; // the touched view has seen the touch begin
        std::shared_ptr<Timer> delay;
    };
    Tracking m_tracking;
    struct LastTap {
        std::weak_ptr<View> view;
        Point location;
        double time { 0 };
        int count { 0 };
    };
    LastTap m_lastTap;
    GRefPtr<cairo_surface_t> m_screen;
    double m_screenScale { 0 };
    int m_screenWidth { 0 };
    int m_screenHeight { 0 };
    bool m_fullScreen { false };
    std::function<void(bool)> m_fullScreenHook;
    bool m_idleTimerDisabled { false };
    std::function<void(bool)> m_idleTimerHook;
    bool m_reduceMotion { false };
    std::optional<Point> m_pointerLocation;
    bool m_pointerHidden { false };
    std::function<void(bool)> m_pointerHiddenHook;
    std::function<bool()> m_moveToNextMonitorHook;
    bool m_needsDisplay { true };
    std::function<void()> m_displayChanged;
};
