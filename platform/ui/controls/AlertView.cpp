#include "platform/ui/controls/AlertView.h"

#include "platform/ui/controls/AlertViewDelegate.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Window.h"

#include <algorithm>

static constexpr double kMargin = 12;
static constexpr double kButtonHeight = 43;
static constexpr double kGap = 10;

static Font titleFont()
{
    return Font::boldSystemFont(18);
}

static Font messageFont()
{
    return Font::systemFont(16);
}

static std::vector<std::shared_ptr<AlertView>>& shownAlerts()
{
    static std::vector<std::shared_ptr<AlertView>> alerts;
    return alerts;
}

AlertView::AlertView(std::string title, std::string message, std::weak_ptr<AlertViewDelegate> delegate,
    std::optional<std::string> cancelButtonTitle, std::vector<std::string> otherButtonTitles)
    : View(Rect { 0, 0, kWidth, 100 })
    , m_title(std::move(title))
    , m_message(std::move(message))
    , m_delegate(std::move(delegate))
{
    if (cancelButtonTitle) {
        m_cancelIndex = 0;
        m_buttonTitles.push_back(*cancelButtonTitle);
    }
    for (auto& other : otherButtonTitles)
        m_buttonTitles.push_back(other);
    setOpaque(false);
}

AlertView::~AlertView() = default;

std::string AlertView::buttonTitleAtIndex(int index) const
{
    if (index < 0 || index >= numberOfButtons())
        return {};
    return m_buttonTitles[static_cast<size_t>(index)];
}

std::vector<std::shared_ptr<AlertView>> AlertView::visibleAlerts()
{
    return shownAlerts();
}

void AlertView::layout()
{
    double textWidth = kWidth - 2 * kMargin;
    m_titleHeight = titleFont().sizeWithText(m_title, { textWidth, 0 }).height;
    m_messageHeight = messageFont().sizeWithText(m_message, { textWidth, 0 }).height;
    double y = kMargin + 6 + m_titleHeight + (m_message.empty() ? 0 : kGap + m_messageHeight) + kGap + 6;
    for (auto& button : m_buttons)
        button->removeFromSuperview();
    m_buttons.clear();
    int count = numberOfButtons();
    // Two buttons sit side by side, cancel on the left; otherwise they stack
    // with the cancel button last.
    bool sideBySide = count == 2;
    std::vector<int> order;
    for (int i = 0; i < count; ++i)
        order.push_back(i);
    if (!sideBySide && m_cancelIndex == 0 && count > 1)
        std::rotate(order.begin(), order.begin() + 1, order.end());
    double buttonWidth = sideBySide ? (kWidth - 2 * kMargin - kGap) / 2 : kWidth - 2 * kMargin;
    for (size_t slot = 0; slot < order.size(); ++slot) {
        int index = order[slot];
        Rect frame = sideBySide
            ? Rect { kMargin + static_cast<double>(slot) * (buttonWidth + kGap), y, buttonWidth, kButtonHeight }
            : Rect { kMargin, y, buttonWidth, kButtonHeight };
        auto button = View::make<Button>(frame);
        button->setTitle(m_buttonTitles[static_cast<size_t>(index)]);
        button->setBordered(false);
        button->setFillColor(index == m_cancelIndex ? Color::rgba(0.25, 0.33, 0.52) : Color::rgba(0.34, 0.44, 0.66));
        button->setTitleColor(Color::whiteColor());
        std::weak_ptr<View> weakThis = sharedView();
        button->addHandler(
            [weakThis, index](Control&) {
                if (auto self = std::static_pointer_cast<AlertView>(weakThis.lock()))
                    self->buttonTapped(index);
            },
            ControlEventTouchUpInside);
        addSubview(button);
        m_buttons.push_back(button);
        if (!sideBySide)
            y += kButtonHeight + kGap;
    }
    if (sideBySide)
        y += kButtonHeight + kGap;
    double height = y + kMargin - kGap;
    Rect screen = Screen::mainScreen().bounds();
    setFrame({ (screen.width() - kWidth) / 2, std::round((screen.height() - height) / 2), kWidth, height });
    setNeedsDisplay();
}

void AlertView::show()
{
    if (m_window)
        return;
    layout();
    auto self = std::static_pointer_cast<AlertView>(sharedView());
    shownAlerts().push_back(self);
    m_previousKeyWindow = Application::shared().keyWindow();
    m_window = View::make<Window>(Screen::mainScreen().bounds());
    m_window->setWindowLevel(Window::kLevelAlert);
    // The dimmed window catches every touch that misses the alert: modal.
    m_window->setBackgroundColor(Color::black().withAlpha(0.4));
    // The alert stays centred when the screen changes size under it.
    setAutoresizingMask(AutoresizingFlexibleLeftMargin | AutoresizingFlexibleRightMargin | AutoresizingFlexibleTopMargin
        | AutoresizingFlexibleBottomMargin);
    m_window->addSubview(self);
    m_window->makeKeyAndVisible();
}

void AlertView::buttonTapped(int index)
{
    auto protectedThis = sharedView();
    if (auto delegate = m_delegate.lock())
        delegate->alertViewClickedButtonAtIndex(*this, index);
    dismissWithClickedButtonIndex(index, true);
}

bool AlertView::keyPressed(const Key& key)
{
    if (key.code() == Key::Code::Escape && m_cancelsOnEscape && m_cancelIndex >= 0 && m_window) {
        buttonTapped(m_cancelIndex);
        return true;
    }
    return View::keyPressed(key);
}

void AlertView::dismissWithClickedButtonIndex(int index, bool)
{
    if (!m_window)
        return;
    auto protectedThis = std::static_pointer_cast<AlertView>(sharedView());
    auto window = std::move(m_window);
    m_window = nullptr;
    removeFromSuperview();
    window->setHidden(true);
    // The previous key window gets the keys back, if it still shows.
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
    std::erase(shownAlerts(), protectedThis);
    Application::shared().setNeedsDisplay();
    if (auto delegate = m_delegate.lock())
        delegate->alertViewDidDismissWithButtonIndex(*this, index);
}

void AlertView::drawRect(const Rect&)
{
    auto* c = GraphicsContext::current();
    if (!c)
        return;
    Rect b = bounds().insetBy(1, 1);
    auto panel = [&](const Rect& r, double radius) {
        c->beginPath();
        c->moveTo(r.minX() + radius, r.minY());
        c->addArcToPoint(r.maxX(), r.minY(), r.maxX(), r.maxY(), radius);
        c->addArcToPoint(r.maxX(), r.maxY(), r.minX(), r.maxY(), radius);
        c->addArcToPoint(r.minX(), r.maxY(), r.minX(), r.minY(), radius);
        c->addArcToPoint(r.minX(), r.minY(), r.maxX(), r.minY(), radius);
        c->closePath();
    };
    c->saveGState();
    panel(b, 10);
    c->clip();
    c->drawLinearGradient({ Color::rgba(0.20, 0.28, 0.50, 0.95), Color::rgba(0.05, 0.10, 0.28, 0.95) }, { 0, 1 },
        { b.midX(), b.minY() }, { b.midX(), b.maxY() }, true, true);
    c->restoreGState();
    c->setStrokeColor(Color::white(0.9));
    c->setLineWidth(2);
    panel(b, 10);
    c->strokePath();
    double textWidth = kWidth - 2 * kMargin;
    c->setFillColor(Color::whiteColor());
    double y = kMargin + 6;
    c->drawText(m_title, Rect { kMargin, y, textWidth, m_titleHeight }, titleFont(), LineBreakMode::WordWrap,
        TextAlignment::Center);
    y += m_titleHeight + kGap;
    if (!m_message.empty())
        c->drawText(m_message, Rect { kMargin, y, textWidth, m_messageHeight }, messageFont(), LineBreakMode::WordWrap,
            TextAlignment::Center);
}
