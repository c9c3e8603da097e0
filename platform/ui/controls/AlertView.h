#pragma once

#include "platform/ui/views/View.h"

#include <memory>
#include <string>
#include <vector>

class AlertViewDelegate;
class Button;
class Window;

// A modal message with buttons, drawn in a window of its own above every
// application window; the window dims the screen and takes all touches while
// the alert shows. Showing keeps the alert alive until a button dismisses it.
// Button indexes: the cancel button first (when there is one), then the others.
class AlertView : public View {
public:
    static constexpr double kWidth = 284;

    AlertView(std::string title, std::string message, std::weak_ptr<AlertViewDelegate> delegate,
        std::optional<std::string> cancelButtonTitle, std::vector<std::string> otherButtonTitles = {});
    ~AlertView() override;

    // Told of the tapped button and of the dismissal. Never owned, so an alert
    // can be its own delegate, set once it is made.
    std::weak_ptr<AlertViewDelegate> delegate() const { return m_delegate; }
    void setDelegate(std::weak_ptr<AlertViewDelegate> delegate) { m_delegate = std::move(delegate); }

    const std::string& title() const { return m_title; }
    const std::string& message() const { return m_message; }
    int numberOfButtons() const { return static_cast<int>(m_buttonTitles.size()); }
    std::string buttonTitleAtIndex(int) const;
    // -1 when there is no cancel button.
    int cancelButtonIndex() const { return m_cancelIndex; }
    bool isVisible() const { return m_window != nullptr; }

    void show();
    void dismissWithClickedButtonIndex(int index, bool animated);

    // The alerts on screen now, oldest first.
    static std::vector<std::shared_ptr<AlertView>> visibleAlerts();

    // Escape works as the cancel button unless this is turned off (an alert
    // that must be read and answered on purpose).
    bool cancelsOnEscape() const { return m_cancelsOnEscape; }
    void setCancelsOnEscape(bool cancels) { m_cancelsOnEscape = cancels; }
    bool keyPressed(const Key&) override;

    void drawRect(const Rect&) override;
    std::optional<std::string> accessibilityText() const override { return m_title; }

private:
    void layout();
    void buttonTapped(int index);

    std::string m_title;
    std::string m_message;
    std::weak_ptr<AlertViewDelegate> m_delegate;
    std::vector<std::string> m_buttonTitles;
    int m_cancelIndex { -1 };
    std::vector<std::shared_ptr<Button>> m_buttons;
    std::shared_ptr<Window> m_window;
    std::weak_ptr<Window> m_previousKeyWindow;
    double m_titleHeight { 0 };
    double m_messageHeight { 0 };
    bool m_cancelsOnEscape { true };
};
