#include "platform/ui/controls/TextField.h"

#include "platform/foundation/GUniquePtr.h"
#include "platform/ui/controls/TextFieldDelegate.h"
#include "platform/ui/graphics/GraphicsContext.h"

#include <algorithm>
#include <cmath>
#include <glib.h>

namespace {

constexpr double kHorizontalPadding = 8;
constexpr double kSearchIconWidth = 22;

// Valid UTF-8 on one line: broken bytes become U+FFFD, control characters
// (line breaks and tabs among them) are dropped, since the field has one line.
std::string sanitized(const std::string& text)
{
    GUniquePtr<char> valid(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
    std::string result;
    for (const char* p = valid.get(); *p; p = g_utf8_next_char(p)) {
        gunichar c = g_utf8_get_char(p);
        if (c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0) || c == 0x2028 || c == 0x2029)
            continue;
        result.append(p, g_utf8_next_char(p) - p);
    }
    return result;
}

// The longest prefix of `text` of at most `bytes` bytes that ends on a character boundary.
size_t characterBoundaryAtOrBefore(const std::string& text, size_t bytes)
{
    if (bytes >= text.size())
        return text.size();
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80)
        --bytes;
    return bytes;
}

void roundedRect(GraphicsContext& c, const Rect& r, double radius)
{
    c.beginPath();
    c.moveTo(r.minX() + radius, r.minY());
    c.addArcToPoint(r.maxX(), r.minY(), r.maxX(), r.maxY(), radius);
    c.addArcToPoint(r.maxX(), r.maxY(), r.minX(), r.maxY(), radius);
    c.addArcToPoint(r.minX(), r.maxY(), r.minX(), r.minY(), radius);
    c.addArcToPoint(r.minX(), r.minY(), r.maxX(), r.minY(), radius);
    c.closePath();
}

} // namespace

TextField::TextField(const Rect& frame)
    : Control(frame)
    , m_font(Font::fontWithName("Helvetica", 14))
{
    setOpaque(false);
}

void TextField::setText(const std::string& text)
{
    m_text = sanitized(text);
    m_text.resize(characterBoundaryAtOrBefore(m_text, kMaximumLength));
    m_caret = m_text.size();
    clearSelection();
    m_scrollOffset = 0;
    setNeedsDisplay();
}

void TextField::setPlaceholder(std::string placeholder)
{
    m_placeholder = sanitized(placeholder);
    setNeedsDisplay();
}

void TextField::setFont(const Font& font)
{
    m_font = font;
    setNeedsDisplay();
}

void TextField::setShowsSearchIcon(bool shows)
{
    m_showsSearchIcon = shows;
    setNeedsDisplay();
}

void TextField::setCaret(size_t index)
{
    m_caret = characterBoundaryAtOrBefore(m_text, index);
    clearSelection();
    setNeedsDisplay();
}

void TextField::selectAll()
{
    m_selectionStart = 0;
    m_selectionEnd = m_text.size();
    m_caret = m_text.size();
    setNeedsDisplay();
}

bool TextField::isEditable() const
{
    if (!isEnabled())
        return false;
    for (const View* view = this; view; view = view->superview()) {
        if (!view->isUserInteractionEnabled())
            return false;
    }
    return true;
}

void TextField::replaceSelection(const std::string& replacement)
{
    size_t start = hasSelection() ? m_selectionStart : m_caret;
    size_t end = hasSelection() ? m_selectionEnd : m_caret;
    m_text.replace(start, end - start, replacement);
    m_caret = start + replacement.size();
    clearSelection();
}

void TextField::insertText(const std::string& text)
{
    if (!isEditable())
        return;
    std::string clean = sanitized(text);
    size_t selected = hasSelection() ? m_selectionEnd - m_selectionStart : 0;
    size_t room = kMaximumLength - (m_text.size() - selected);
    clean.resize(characterBoundaryAtOrBefore(clean, room));
    if (clean.empty() && !hasSelection())
        return;
    replaceSelection(clean);
    textDidChange();
}

void TextField::deleteBackward()
{
    if (!isEditable())
        return;
    if (!hasSelection()) {
        if (m_caret == 0)
            return;
        const char* start = m_text.c_str();
        const char* previous = g_utf8_find_prev_char(start, start + m_caret);
        m_selectionStart = previous ? static_cast<size_t>(previous - start) : 0;
        m_selectionEnd = m_caret;
    }
    replaceSelection({});
    textDidChange();
}

void TextField::deleteForward()
{
    if (!isEditable())
        return;
    if (!hasSelection()) {
        if (m_caret >= m_text.size())
            return;
        m_selectionStart = m_caret;
        m_selectionEnd = static_cast<size_t>(g_utf8_next_char(m_text.c_str() + m_caret) - m_text.c_str());
    }
    replaceSelection({});
    textDidChange();
}

void TextField::textDidChange()
{
    setNeedsDisplay();
    if (m_delegate)
        m_delegate->textFieldDidChange(*this);
}

bool TextField::becomeFirstResponder()
{
    bool wasFirst = isFirstResponder();
    if (!Control::becomeFirstResponder())
        return false;
    setNeedsDisplay();
    if (!wasFirst && m_delegate)
        m_delegate->textFieldDidBeginEditing(*this);
    return true;
}

bool TextField::resignFirstResponder()
{
    bool wasFirst = isFirstResponder();
    Control::resignFirstResponder();
    clearSelection();
    setNeedsDisplay();
    if (wasFirst && m_delegate)
        m_delegate->textFieldDidEndEditing(*this);
    return true;
}

bool TextField::keyPressed(const Key& key)
{
    if (!isEditable())
        return Control::keyPressed(key);
    using Code = Key::Code;
    bool control = key.hasModifier(Key::Control);
    switch (key.code()) {
    case Code::Character:
        if (control && (key.text() == "a" || key.text() == "A")) {
            selectAll();
            return true;
        }
        if (control || key.hasModifier(Key::Alt))
            break;
        insertText(key.text());
        return true;
    case Code::Space:
        if (control || key.hasModifier(Key::Alt))
            break;
        insertText(" ");
        return true;
    case Code::BackSpace:
        deleteBackward();
        return true;
    case Code::Delete:
        deleteForward();
        return true;
    case Code::Left:
        if (hasSelection())
            setCaret(m_selectionStart);
        else if (m_caret > 0)
            setCaret(
                static_cast<size_t>(g_utf8_find_prev_char(m_text.c_str(), m_text.c_str() + m_caret) - m_text.c_str()));
        return true;
    case Code::Right:
        if (hasSelection())
            setCaret(m_selectionEnd);
        else if (m_caret < m_text.size())
            setCaret(static_cast<size_t>(g_utf8_next_char(m_text.c_str() + m_caret) - m_text.c_str()));
        return true;
    case Code::Home:
        setCaret(0);
        return true;
    case Code::End:
        setCaret(m_text.size());
        return true;
    case Code::Return:
        if (m_delegate)
            m_delegate->textFieldShouldReturn(*this);
        return true;
    case Code::Escape:
        if (m_delegate)
            m_delegate->textFieldShouldCancel(*this);
        return true;
    default:
        break;
    }
    return Control::keyPressed(key);
}

void TextField::touchesBegan(const TouchSet&, const Event&)
{
}

void TextField::touchesEnded(const TouchSet& touches, const Event&)
{
    auto touch = touches.anyObject();
    if (!touch || !isEditable() || !bounds().contains(touch->locationInView(this)))
        return;
    becomeFirstResponder();
    Point location = touch->locationInView(this);
    setCaret(indexAtOffset(location.x - textRect().minX() + m_scrollOffset));
}

Rect TextField::textRect() const
{
    Rect b = bounds();
    double left = kHorizontalPadding + (m_showsSearchIcon ? kSearchIconWidth : 0);
    return { b.minX() + left, b.minY(), std::max(0.0, b.width() - left - kHorizontalPadding), b.height() };
}

double TextField::offsetOfIndex(size_t index) const
{
    if (index == 0 || m_text.empty())
        return 0;
    auto layout = m_font.createLayout(nullptr, m_text, 0, LineBreakMode::Clip);
    PangoRectangle position;
    pango_layout_index_to_pos(layout.get(), static_cast<int>(std::min(index, m_text.size())), &position);
    return static_cast<double>(position.x) / PANGO_SCALE;
}

size_t TextField::indexAtOffset(double x) const
{
    if (m_text.empty() || x <= 0)
        return 0;
    auto layout = m_font.createLayout(nullptr, m_text, 0, LineBreakMode::Clip);
    int index = 0;
    int trailing = 0;
    pango_layout_xy_to_index(layout.get(), static_cast<int>(x * PANGO_SCALE), 0, &index, &trailing);
    const char* p = m_text.c_str() + std::clamp<size_t>(static_cast<size_t>(index), 0, m_text.size());
    for (; trailing > 0 && *p; --trailing)
        p = g_utf8_next_char(p);
    return static_cast<size_t>(p - m_text.c_str());
}

void TextField::drawRect(const Rect&)
{
    auto* c = GraphicsContext::current();
    if (!c)
        return;
    Rect box = bounds().insetBy(0.5, 0.5);
    double radius = m_showsSearchIcon ? std::min(box.height() * 0.5, 15.0) : 5;
    c->setFillColor(Color::whiteColor());
    roundedRect(*c, box, radius);
    c->fillPath();
    c->setStrokeColor(Color::white(0.45));
    c->setLineWidth(1);
    roundedRect(*c, box, radius);
    c->strokePath();

    if (m_showsSearchIcon) {
        // A magnifying glass: a ring and its handle.
        double cx = box.minX() + kHorizontalPadding + 7;
        double cy = box.midY() - 1.5;
        c->setStrokeColor(Color::white(0.45));
        c->setLineWidth(1.8);
        c->beginPath();
        c->addArc(cx, cy, 4.8, 0, 2 * M_PI, false);
        c->strokePath();
        c->setLineWidth(2.4);
        c->beginPath();
        c->moveTo(cx + 3.4, cy + 3.4);
        c->addLineTo(cx + 7.5, cy + 7.5);
        c->strokePath();
    }

    Rect area = textRect();
    double lineHeight = m_font.lineHeight();
    double top = area.midY() - lineHeight * 0.5;
    c->saveGState();
    c->clipToRect({ area.minX() - 1, box.minY(), area.width() + 3, box.height() });
    if (m_text.empty()) {
        c->setFillColor(Color::white(0.55));
        c->drawText(
            m_placeholder, Rect { area.minX(), top, area.width(), lineHeight }, m_font, LineBreakMode::TailTruncation);
    } else {
        // Keep the caret in view: scroll just enough when it would leave the box.
        double caretX = offsetOfIndex(m_caret);
        auto* self = const_cast<TextField*>(this);
        if (caretX - m_scrollOffset > area.width())
            self->m_scrollOffset = caretX - area.width();
        else if (caretX < m_scrollOffset)
            self->m_scrollOffset = caretX;
        double x = area.minX() - m_scrollOffset;
        if (hasSelection() && isFirstResponder()) {
            double from = offsetOfIndex(m_selectionStart);
            double to = offsetOfIndex(m_selectionEnd);
            c->setFillColor(Color::rgba(0.70, 0.82, 0.98));
            c->fillRect({ x + from, top, to - from, lineHeight });
        }
        c->setFillColor(Color::black());
        c->drawText(m_text, Point { x, top }, m_font);
    }
    if (isFirstResponder() && !hasSelection()) {
        double caretX = area.minX() + offsetOfIndex(m_caret) - m_scrollOffset;
        c->setFillColor(Color::rgba(0.26, 0.42, 0.95));
        c->fillRect({ std::round(caretX), top - 1, 2, lineHeight + 2 });
    }
    c->restoreGState();
}

std::optional<std::string> TextField::accessibilityText() const
{
    if (accessibilityLabel())
        return accessibilityLabel();
    return m_text.empty() ? m_placeholder : m_text;
}
