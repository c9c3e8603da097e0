#pragma once

#include "platform/foundation/GRefPtr.h"
#include "platform/gtk/GtkScreenWidget.h"
#include "platform/headless/ScriptHost.h"

#include <functional>
#include <gtk/gtk.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The desktop host: one resizable GTK 4 window showing the application's
// composited screen. The screen follows the window: its size in points is the
// window's size divided by the scale, so a bigger or full-screen window gives
// the application a bigger screen. The pointer becomes a single touch (press,
// motion, release; a lost grab cancels it) and key presses become Key values
// for the application. The screen is composited into a backing surface only
// when something changed, and GTK is asked for a frame only then, so an idle
// app draws nothing. The windows go to GTK as a tree of render nodes
// (GtkScreenWidget, GtkLayerRenderer) with the web pages in their places, so
// a frame repaints only what changed and our views stay above the pages.
//
// With an application id the window belongs to a GtkApplication: a second
// start of the program hands over to the running one, which comes to the
// front. While the application asks for it, the desktop is kept from idling.
class GtkTextInput;

class GtkHost final : public ScriptHost {
public:
    struct Options {
        // Points to window units; the monitor's own scale factor comes on top.
        // Unset: 1, or less when 320 × 480 points would not fit the monitor.
        std::optional<double> scale;
        bool fullScreen { false };
        // A monitor's number (from 0) or connector name ("DP-1").
        std::optional<std::string> monitor;
        // Reverse-DNS id; empty: no GtkApplication (tests).
        std::string applicationId;
        // Several instances may run side by side (scripted runs).
        bool nonUnique { false };
        // What a start that finds an instance running hands to it (its command line).
        std::vector<std::string> handOverArguments;
    };

    enum class StartResult { Started, HandedOver, NoSuchMonitor };

    static constexpr int kAnimationFrameRate = 30;
    static constexpr const char* kHandOverAction = "hand-over";

    explicit GtkHost(Options);
    ~GtkHost() override;

    // Initialises GTK; false when there is no display.
    static bool initialize();
    // Creates and shows the window, or hands over to an instance that runs already.
    StartResult start();
    void close();

    // The monitor `name` designates: a number counts from 0 in the display's
    // order, anything else is a connector name. Null when there is none.
    static GdkMonitor* findMonitor(const std::string& name);
    // The largest scale (in quarter steps, at most `wanted`) at which 320 × 480
    // points fit in `available` (window units, decorations left aside).
    static double fittingScale(double wanted, int availableWidth, int availableHeight);

    // The running instance receives a later start's arguments.
    void setHandOverHandler(std::function<void(const std::vector<std::string>&)> handler)
    {
        m_handOverHandler = std::move(handler);
    }
    // Full screen on `monitor` (a number or connector; none: the window's own), or windowed.
    bool showFullScreen(bool fullScreen, const std::optional<std::string>& monitor);
    // The window (or full screen) on the next monitor, after the last the first;
    // false with a single monitor.
    bool moveToNextMonitor();
    void present();

    // The user closed the window (or close() was called).
    bool isClosed() const { return m_closed; }
    GtkWidget* window() const { return m_window; }
    GtkWidget* screenWidget() const { return m_screen ? m_screen->widget() : nullptr; }
    GtkScreenWidget* screen() const { return m_screen.get(); }
    double windowScale() const { return m_scale; }
    // Pixels per point of the composited screen.
    double renderScale() const;
    // How many times the screen was drawn into the window (tests use it).
    int drawCount() const { return m_drawCount; }
    bool isInhibitingIdle() const { return m_inhibitCookie != 0; }

    // Pointer input in widget coordinates.
    void pointerPressed(double x, double y);
    void pointerMoved(double x, double y);
    void pointerReleased(double x, double y);
    void pointerCancelled();
    // A key event as GTK reports it; answers whether it was used.
    bool keyPressed(guint keyval, GdkModifierType state);
    // The key value of a GTK key event; nullopt for keys the application has no name for.
    static std::optional<Key> keyFromEvent(guint keyval, GdkModifierType state);

    // ScriptHost
    void injectTouch(TouchPhase, Point) override;
    void injectKey(const Key&) override;
    void injectText(const std::string&) override;
    void wait(double seconds, std::function<void()> then) override;
    ErrorOr<void> screenshot(const std::string& path) override;
    // The window takes the size (in points); the screen follows it.
    void resizeScreen(Size) override;

private:
    void snapshotScreen(GtkSnapshot*);
    // A web page inside the screen has the keyboard.
    bool pageHasFocus() const;
    Point toPoints(double x, double y) const;
    void setFullScreen(bool);
    void areaResized(int width, int height);
    void updateIdleInhibition();
    void updateMonitorIdentity();
    void readAnimationSetting();

    Options m_options;
    std::function<void(const std::vector<std::string>&)> m_handOverHandler;
    // Typed text through GTK's input method (its own class: the host only routes keys to it).
    std::unique_ptr<GtkTextInput> m_textInput;
    double m_scale { 1.0 };
    GRefPtr<GtkApplication> m_application;
    GdkMonitor* m_monitor { nullptr };
    GtkWidget* m_window { nullptr };
    std::unique_ptr<GtkScreenWidget> m_screen;
    guint m_inhibitCookie { 0 };
    gulong m_settingsHandler { 0 };
    int m_drawCount { 0 };
    bool m_closed { false };
    bool m_emulatedFullScreen { false };
    bool m_returnToWindowOnMonitor { false };
};
