#include "platform/ui/controls/SearchBar.h"

#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ControlEvent.h"
#include "platform/ui/controls/SearchBarDelegate.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/graphics/GraphicsContext.h"

#include <algorithm>

namespace {

Color mix(const Color& a, const Color& b, double t)
{
    return { a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t, a.blue + (b.blue - a.blue) * t, 1 };
}

} // namespace

SearchBar::SearchBar(const Rect& frame)
    : View(frame)
{
    m_textField = View::make<TextField>();
    m_textField->setShowsSearchIcon(true);
    m_textField->setDelegate(this);
    addSubview(m_textField);
    m_cancelButton = View::make<Button>();
    m_cancelButton->setTitle("Cancel");
    m_cancelButton->setFont(Font::boldSystemFont(13));
    m_cancelButton->setTitleColor(Color::whiteColor());
    m_cancelButton->setHidden(true);
    m_cancelButton->addHandler([this](Control&) { cancelButtonPressed(); }, ControlEventTouchUpInside);
    addSubview(m_cancelButton);
    setNeedsDisplay();
    layoutSubviews();
}

SearchBar::~SearchBar()
{
    m_textField->setDelegate(nullptr);
}

std::string SearchBar::text() const
{
    return m_textField->text();
}

void SearchBar::setText(const std::string& text)
{
    m_textField->setText(text);
}

std::string SearchBar::placeholder() const
{
    return m_textField->placeholder();
}

void SearchBar::setPlaceholder(const std::string& placeholder)
{
    m_textField->setPlaceholder(placeholder);
}

void SearchBar::setShowsCancelButton(bool shows)
{
    m_showsCancelButton = shows;
    m_cancelButton->setHidden(!shows);
    layoutSubviews();
}

void SearchBar::setBarStyle(int style)
{
    m_barStyle = style;
    layoutSubviews();
    setNeedsDisplay();
}

void SearchBar::setTintColor(std::optional<Color> tint)
{
    m_tintColor = tint;
    layoutSubviews();
    setNeedsDisplay();
}

bool SearchBar::becomeFirstResponder()
{
    return m_textField->becomeFirstResponder();
}

bool SearchBar::resignFirstResponder()
{
    return m_textField->resignFirstResponder();
}

std::pair<Color, Color> SearchBar::backgroundColors() const
{
    if (m_tintColor) {
        Color tint = m_tintColor->withAlpha(1);
        return { mix(tint, Color::whiteColor(), 0.35), mix(tint, Color::black(), 0.15) };
    }
    if (m_barStyle == BarStyleBlack)
        return { Color::white(0.33), Color::white(0.06) };
    return { Color::rgba(0.71, 0.76, 0.82), Color::rgba(0.44, 0.53, 0.63) };
}

void SearchBar::layoutSubviews()
{
    Rect b = bounds();
    double fieldHeight = std::min(kFieldHeight, std::max(0.0, b.height() - 2 * 4));
    double right = b.width() - kMargin;
    if (m_showsCancelButton) {
        double buttonHeight = std::min(30.0, fieldHeight);
        m_cancelButton->setFrame(
            { right - kCancelButtonWidth, (b.height() - buttonHeight) * 0.5, kCancelButtonWidth, buttonHeight });
        m_cancelButton->setFillColor(mix(backgroundColors().second, Color::black(), 0.2));
        right -= kCancelButtonWidth + kMargin;
    }
    m_textField->setFrame({ kMargin, (b.height() - fieldHeight) * 0.5, std::max(0.0, right - kMargin), fieldHeight });
}

void SearchBar::drawRect(const Rect&)
{
    auto* c = GraphicsContext::current();
    if (!c)
        return;
    Rect b = bounds();
    auto [top, bottom] = backgroundColors();
    c->drawLinearGradient({ top, bottom }, { 0, 1 }, { 0, b.minY() }, { 0, b.maxY() }, false, false);
    // A lighter line along the top and a darker one along the bottom edge.
    c->setFillColor(mix(top, Color::whiteColor(), 0.3));
    c->fillRect({ b.minX(), b.minY(), b.width(), 1 });
    c->setFillColor(mix(bottom, Color::black(), 0.35));
    c->fillRect({ b.minX(), b.maxY() - 1, b.width(), 1 });
}

void SearchBar::textFieldDidBeginEditing(TextField&)
{
    if (auto delegate = m_delegate.lock())
        delegate->searchBarTextDidBeginEditing(*this);
}

void SearchBar::textFieldDidChange(TextField& field)
{
    if (auto delegate = m_delegate.lock())
        delegate->searchBarTextDidChange(*this, field.text());
}

void SearchBar::textFieldShouldReturn(TextField&)
{
    if (auto delegate = m_delegate.lock())
        delegate->searchBarSearchButtonClicked(*this);
}

void SearchBar::textFieldShouldCancel(TextField&)
{
    if (m_showsCancelButton)
        cancelButtonPressed();
}

void SearchBar::cancelButtonPressed()
{
    if (!isUserInteractionEnabled())
        return;
    auto protectedThis = shared_from_this();
    if (auto delegate = m_delegate.lock())
        delegate->searchBarCancelButtonClicked(*this);
}
