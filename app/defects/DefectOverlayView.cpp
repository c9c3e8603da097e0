#include "app/defects/DefectOverlayView.h"

#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/views/Screen.h"

#include <numbers>

DefectOverlayView::DefectOverlayView(const Rect& frame)
    : View(frame)
{
    setUserInteractionEnabled(false);
    setBackgroundColor(std::nullopt);
    setOpaque(false);
}

void DefectOverlayView::setRingsVisible(bool visible)
{
    m_ringsVisible = visible;
    setNeedsDisplay();
}

void DefectOverlayView::setCursor(std::optional<Point> pixel)
{
    m_cursor = pixel;
    setNeedsDisplay();
}

void DefectOverlayView::drawRect(const Rect&)
{
    auto* context = GraphicsContext::current();
    if (!context)
        return;
    // Everything here is sized in device pixels, whatever the scale.
    double pixel = 1.0 / Screen::mainScreen().scale();
    if (m_ringsVisible && m_record) {
        for (auto& mark : m_record->marks()) {
            if (!mark.madeInMode(m_record->width(), m_record->height()))
                continue;
            Point center { (mark.x + 0.5) * pixel, (mark.y + 0.5) * pixel };
            // A dark ring under the coloured one keeps it visible on any fill.
            for (auto [width, color] :
                { std::pair { 3.0, Color::black().withAlpha(0.7) }, std::pair { 1.5, DefectMark::color(mark.kind) } }) {
                context->setStrokeColor(color);
                context->setLineWidth(width * pixel);
                context->beginPath();
                context->addArc(center.x, center.y, (kRingInnerRadius + 1.5) * pixel, 0, 2 * std::numbers::pi, false);
                context->strokePath();
            }
        }
    }
    if (m_cursor) {
        // A frame one pixel clear of the cursor's pixel, and ticks out from it.
        double x = m_cursor->x * pixel, y = m_cursor->y * pixel;
        for (auto [width, color] : { std::pair { 3.0, Color::black() }, std::pair { 1.0, Color::whiteColor() } }) {
            context->setStrokeColor(color);
            context->setLineWidth(width * pixel);
            context->strokeRect({ x - 1.5 * pixel, y - 1.5 * pixel, 4 * pixel, 4 * pixel });
            context->beginPath();
            context->moveTo(x + 0.5 * pixel, y - 3.5 * pixel);
            context->addLineTo(x + 0.5 * pixel, y - 10 * pixel);
            context->moveTo(x + 0.5 * pixel, y + 4.5 * pixel);
            context->addLineTo(x + 0.5 * pixel, y + 11 * pixel);
            context->moveTo(x - 3.5 * pixel, y + 0.5 * pixel);
            context->addLineTo(x - 10 * pixel, y + 0.5 * pixel);
            context->moveTo(x + 4.5 * pixel, y + 0.5 * pixel);
            context->addLineTo(x + 11 * pixel, y + 0.5 * pixel);
            context->strokePath();
        }
    }
}
