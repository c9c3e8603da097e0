#pragma once

#include "platform/ui/views/View.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class ActionSheetDelegate;
class Button;
class Toolbar;
class Window;

// A choice of actions rising from the bottom of the screen, in a window of
// its own above the application's that dims the rest and takes every touch.
// Button indexes: the destructive button (when there is one), the others in
// order, then the cancel button, which sits apart at the bottom. Showing keeps
// the sheet alive until a button dismisses it.
class ActionSheet : public View {
public:
    ActionSheet(std::optional<std::string> title, std::weak_ptr<ActionSheetDelegate> delegate,
        std::optional<std::string> cancelButtonTitle, std::optional<std::string> destructiveButtonTitle,
        std::vector<std::string> otherButtonTitles);
    ~ActionSheet() override;

    const std::optional<std::string>& title() const { return m_title; }
    int numberOfButtons() const { return static_cast<int>(m_buttonTitles.size()); }
    std::string buttonTitleAtIndex(int) const;
    // -1 when there is none.
    int cancelButtonIndex() const { return m_cancelIndex; }
    int destructiveButtonIndex() const { return m_destructiveIndex; }
    bool isVisible() const { return m_window != nullptr; }

    // The sheet covers the toolbar it is shown from.
    void showFromToolbar(Toolbar&);
    void showInView(View&);
    void dismissWithClickedButtonIndex(int index, bool animated);

    // The sheets on screen now, oldest first.
    static std::vector<std::shared_ptr<ActionSheet>> visibleSheets();

    void drawRect(const Rect&) override;
    // Escape is the cancel button, when there is one.
    bool keyPressed(const Key&) override;

private:
    void show();
    void buttonTapped(int index);

    std::optional<std::string> m_title;
    std::weak_ptr<ActionSheetDelegate> m_delegate;
    std::vector<std::string> m_buttonTitles;
    int m_cancelIndex { -1 };
    int m_destructiveIndex { -1 };
    std::vector<std::shared_ptr<Button>> m_buttons;
    std::shared_ptr<Window> m_window;
    std::weak_ptr<Window> m_previousKeyWindow;
};
