#pragma once

#include "platform/ui/views/ApplicationDelegate.h"

#include <memory>

class Window;
class vcVantrel;

// Starts the application: hides the status bar, builds the pixel test screen
// from its interface description and puts it into the main window.
class VantrelAppDelegate final : public ApplicationDelegate {
public:
    VantrelAppDelegate() = default;

    const std::shared_ptr<Window>& window() const { return m_window; }
    void setWindow(std::shared_ptr<Window> window) { m_window = std::move(window); }

    void applicationDidFinishLaunching(Application&) override;
    // Keys no text field took drive the test screen.
    bool applicationKeyPressed(Application&, const Key&) override;

    // The test screen; it lives until the process ends.
    const std::shared_ptr<vcVantrel>& screen() const { return m_screen; }

private:
    std::shared_ptr<Window> m_window;
    std::shared_ptr<vcVantrel> m_screen;
};
