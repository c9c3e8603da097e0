#include "platform/ui/controls/ActivityIndicatorView.h"

#include "platform/foundation/Timer.h"
#include "platform/ui/graphics/CairoStateSaver.h"
#include "platform/ui/graphics/GraphicsContext.h"

#include <cmath>
#include <numbers>

ActivityIndicatorView::ActivityIndicatorView(ActivityIndicatorViewStyle style)
    : View({ { 0, 0 }, sizeForStyle(style) })
    , m_style(style)
{
    setOpaque(false);
    setUserInteractionEnabled(false);
    setHidden(true);
}

ActivityIndicatorView::~ActivityIndicatorView()
{
    if (m_timer)
        m_timer->invalidate();
}

Size ActivityIndicatorView::sizeForStyle(ActivityIndicatorViewStyle style)
{
    return style == ActivityIndicatorViewStyle::WhiteLarge ? Size { 37, 37 } : Size { 20, 20 };
}

void ActivityIndicatorView::setStyle(ActivityIndicatorViewStyle style)
{
    if (style == m_style)
        return;
    m_style = style;
    Point keptCenter = center();
    setBounds({ { 0, 0 }, sizeForStyle(style) });
    setCenter(keptCenter);
    setNeedsDisplay();
}

void ActivityIndicatorView::setHidesWhenStopped(bool hides)
{
    m_hidesWhenStopped = hides;
    if (!isAnimating())
        setHidden(hides);
}

void ActivityIndicatorView::startAnimating()
{
    setHidden(false);
    if (m_timer)
        return;
    std::weak_ptr<Responder> weakThis = weak_from_this();
    m_timer = Timer::scheduledTimer(kStepInterval, true, [weakThis](Timer& timer) {
        auto self = std::static_pointer_cast<ActivityIndicatorView>(weakThis.lock());
        if (!self) {
            timer.invalidate();
            return;
        }
        self->step();
    });
    setNeedsDisplay();
}

void ActivityIndicatorView::stopAnimating()
{
    if (m_timer) {
        m_timer->invalidate();
        m_timer = nullptr;
    }
    if (m_hidesWhenStopped)
        setHidden(true);
}

void ActivityIndicatorView::step()
{
    m_phase = (m_phase + 1) % kSpokeCount;
    setNeedsDisplay();
}

void ActivityIndicatorView::drawRect(const Rect&)
{
    auto* context = GraphicsContext::current();
    if (!context)
        return;
    Rect b = bounds();
    double radius = std::min(b.size.width, b.size.height) * 0.5;
    Point c { b.origin.x + b.size.width * 0.5, b.origin.y + b.size.height * 0.5 };
    double gray = m_style == ActivityIndicatorViewStyle::Gray ? 0.5 : 1.0;
    cairo_t* cr = context->cairo();
    CairoStateSaver saver(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, radius * 0.2);
    for (int i = 0; i < kSpokeCount; ++i) {
        // The spoke at the phase is brightest; the ones behind it fade out.
        int behind = (m_phase - i + kSpokeCount) % kSpokeCount;
        double alpha = 1.0 - behind * (0.8 / (kSpokeCount - 1));
        double angle = -std::numbers::pi / 2 + i * 2 * std::numbers::pi / kSpokeCount;
        double dx = std::cos(angle), dy = std::sin(angle);
        cairo_set_source_rgba(cr, gray, gray, gray, alpha * context->alpha());
        cairo_move_to(cr, c.x + dx * radius * 0.5, c.y + dy * radius * 0.5);
        cairo_line_to(cr, c.x + dx * radius * 0.9, c.y + dy * radius * 0.9);
        cairo_stroke(cr);
    }
}
