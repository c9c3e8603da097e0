#pragma once

#include "platform/ui/graphics/Rect.h"

#include <memory>

class Window;

// The keyboard that text entry brings up. It shows when a responder that
// takes text becomes first responder and hides when that responder resigns,
// posting KeyboardDidShow and KeyboardWillHide on the default notification
// centre with its bounds under kBoundsUserInfoKey, so screens can keep their
// content clear of it.
//
// How much of the screen it covers is the host's: the desktop has a physical
// keyboard, so its bounds are empty; the headless host can show an on-screen
// keyboard of kOnScreenHeight points at the bottom of the screen (a window of
// its own above the application's), so layouts that depend on it run end to end.
class Keyboard {
public:
    static constexpr const char* kDidShowNotification = "KeyboardDidShowNotification";
    static constexpr const char* kWillHideNotification = "KeyboardWillHideNotification";
    static constexpr const char* kBoundsUserInfoKey = "KeyboardBoundsUserInfoKey";
    static constexpr double kOnScreenHeight = 216;

    static Keyboard& shared();

    // 0 (the default): a physical keyboard, nothing on screen.
    void setOnScreenHeight(double);
    double onScreenHeight() const { return m_onScreenHeight; }

    bool isVisible() const { return m_visible; }
    // Its own bounds (origin 0, 0); empty for a physical keyboard.
    Rect bounds() const;
    // Where it covers the screen while shown.
    Rect frame() const;

    // Called by the responders that take text.
    void show();
    void hide();

    // Hidden, without notifications, physical (tests).
    void reset();

private:
    double m_onScreenHeight { 0 };
    bool m_visible { false };
    std::shared_ptr<Window> m_window;
};
