#include "platform/ui/controls/ActionSheet.h"

#include "platform/ui/controls/ActionSheetDelegate.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Toolbar.h"
#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Window.h"

#include <algorithm>

static constexpr double kMargin = 20;
static constexpr double kButtonHeight = 44;
static constexpr double kGap = 8;

static std::vector<std::shared_ptr<ActionSheet>>& shownSheets()
{
    static std::vector<std::shared_ptr<ActionSheet>> sheets;
    return sheets;
}

static Font titleFont()
{
    return Font::systemFont(13);
}

ActionSheet::ActionSheet(std::optional<std::string> title, std::weak_ptr<ActionSheetDelegate> delegate,
    std::optional<std::string> cancelButtonTitle, std::optional<std::string> destructiveButtonTitle,
    std::vector<std::string> otherButtonTitles)
    : m_title(std::move(title))
    , m_delegate(std::move(delegate))
{
    if (destructiveButtonTitle) {
        m_destructiveIndex = 0;
        m_buttonTitles.push_back(*destructiveButtonTitle);
    }
    for (auto& other : otherButtonTitles)
        m_buttonTitles.push_back(other);
    if (cancelButtonTitle) {
        m_cancelIndex = numberOfButtons();
        m_buttonTitles.push_back(*cancelButtonTitle);
    }
    setOpaque(false);
}

ActionSheet::~ActionSheet() = default;

std::string ActionSheet::buttonTitleAtIndex(int index) const
{
    if (index < 0 || index >= numberOfButtons())
        return {};
    return m_buttonTitles[static_cast<size_t>(index)];
}

std::vector<std::shared_ptr<ActionSheet>> ActionSheet::visibleSheets()
{
    return shownSheets();
}

void ActionSheet::showFromToolbar(Toolbar&)
{
    show();
}

void ActionSheet::showInView(View&)
{
    show();
}

void ActionSheet::show()
{
    if (m_window)
        return;
    Rect screen = Screen::mainScreen().bounds();
    double width = screen.width();
    double y = kMargin;
    if (m_title && !m_title->empty())
        y += titleFont().sizeWithText(*m_title, { width - 2 * kMargin, 0 }).height + kGap;
    for (int index = 0; index < numberOfButtons(); ++index) {
        // The cancel button stands apart from the actions.
        if (index == m_cancelIndex && index > 0)
            y += kGap;
        auto button = View::make<Button>(Rect { kMargin, y, width - 2 * kMargin, kButtonHeight });
        button->setTitle(m_buttonTitles[static_cast<size_t>(index)]);
        button->setBordered(false);
        button->setFillColor(index == m_destructiveIndex ? Color::rgba(0.80, 0.15, 0.12)
                : index == m_cancelIndex                 ? Color::white(0.15)
                                                         : Color::white(0.92));
        button->setTitleColor(
            index == m_destructiveIndex || index == m_cancelIndex ? Color::whiteColor() : Color::black());
        std::weak_ptr<View> weakThis = sharedView();
        button->addHandler(
            [weakThis, index](Control&) {
                if (auto self = std::static_pointer_cast<ActionSheet>(weakThis.lock()))
                    self->buttonTapped(index);
            },
            ControlEventTouchUpInside);
        addSubview(button);
        m_buttons.push_back(button);
        y += kButtonHeight + kGap;
    }
    double height = y + kMargin - kGap;
    setFrame({ 0, screen.height() - height, width, height });
    // It keeps to the bottom, across the whole width, when the screen changes
    // size. The buttons follow the sheet's width only from now: set before
    // the sheet had its size, they would have grown by the whole width.
    setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleTopMargin);
    for (auto& button : m_buttons)
        button->setAutoresizingMask(AutoresizingFlexibleWidth);
    setNeedsDisplay();

    auto self = std::static_pointer_cast<ActionSheet>(sharedView());
    shownSheets().push_back(self);
    m_previousKeyWindow = Application::shared().keyWindow();
    m_window = View::make<Window>(screen);
    m_window->setWindowLevel(Window::kLevelAlert);
    m_window->setBackgroundColor(Color::black().withAlpha(0.4));
    m_window->addSubview(self);
    m_window->makeKeyAndVisible();
}

void ActionSheet::buttonTapped(int index)
{
    auto protectedThis = sharedView();
    // The sheet goes first, so that what the button starts (a new screen, a
    // hand-over to the system) finds the previous window key again.
    dismissWithClickedButtonIndex(index, true);
    if (auto delegate = m_delegate.lock())
        delegate->actionSheetClickedButtonAtIndex(*this, index);
}

bool ActionSheet::keyPressed(const Key& key)
{
    if (key.code() == Key::Code::Escape && m_cancelIndex >= 0 && m_window) {
        buttonTapped(m_cancelIndex);
        return true;
    }
    return View::keyPressed(key);
}

void ActionSheet::dismissWithClickedButtonIndex(int, bool)
{
    if (!m_window)
        return;
    auto protectedThis = std::static_pointer_cast<ActionSheet>(sharedView());
    auto window = std::move(m_window);
    m_window = nullptr;
    removeFromSuperview();
    for (auto& button : m_buttons)
        button->removeFromSuperview();
    m_buttons.clear();
    window->setHidden(true);
    if (window->isKeyWindow()) {
        if (auto previous = m_previousKeyWindow.lock(); previous && !previous->isHidden())
            previous->makeKeyWindow();
        else {
            auto windows = Application::shared().windows();
            std::erase_if(windows, [&](auto& w) { return w == window || w->isHidden(); });
            Application::shared().setKeyWindow(windows.empty() ? nullptr : windows.back());
        }
    }
    window.reset();
    std::erase(shownSheets(), protectedThis);
    Application::shared().setNeedsDisplay();
}

void ActionSheet::drawRect(const Rect&)
{
    auto* c = GraphicsContext::current();
    if (!c)
        return;
    Rect b = bounds();
    c->drawLinearGradient({ Color::rgba(0.45, 0.48, 0.55, 0.97), Color::rgba(0.18, 0.20, 0.26, 0.97) }, { 0, 1 },
        { b.midX(), b.minY() }, { b.midX(), b.maxY() }, true, true);
    c->setFillColor(Color::white(0.05));
    c->fillRect({ b.minX(), b.minY(), b.width(), 1 });
    if (m_title && !m_title->empty()) {
        c->setFillColor(Color::white(0.9));
        c->drawText(*m_title, Rect { kMargin, kMargin, b.width() - 2 * kMargin, b.height() }, titleFont(),
            LineBreakMode::WordWrap, TextAlignment::Center);
    }
}
