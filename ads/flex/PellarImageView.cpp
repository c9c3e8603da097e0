#include "ads/flex/PellarImageView.h"

#include "ads/flex/PellarFlexLimits.h"
#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/graphics/Image.h"

#include <algorithm>
#include <numbers>

namespace {

constexpr double kDegree = std::numbers::pi / 180;

// A setting in points kept within an element's size; NaN gives 0.
float clampedLength(float value)
{
    return value >= 0 ? std::min(value, float(PellarFlexLimits::kMaxElementSide)) : 0.0f;
}

// A rounded rectangle path with edges at the given coordinates.
void addRoundedRect(GraphicsContext& context, double left, double top, double right, double bottom, double radius)
{
    context.beginPath();
    context.addArc(left + radius, top + radius, radius, 180 * kDegree, 270 * kDegree, false);
    context.addArc(right - radius, top + radius, radius, 270 * kDegree, 360 * kDegree, false);
    context.addArc(right - radius, bottom - radius, radius, 0, 90 * kDegree, false);
    context.addArc(left + radius, bottom - radius, radius, 90 * kDegree, 180 * kDegree, false);
    context.closePath();
}

}

PellarImageView::PellarImageView(const Rect& frame)
    : View(PellarFlexLimits::clampedFrame(frame))
{
    setBackgroundColor(Color::clear());
    setUserInteractionEnabled(true);
}

void PellarImageView::setImage(std::shared_ptr<Image> image)
{
    m_image = std::move(image);
    setNeedsDisplay();
}

void PellarImageView::setBeveled(bool beveled)
{
    m_beveled = beveled;
    setNeedsDisplay();
}

void PellarImageView::setBevelRadius(float radius)
{
    m_bevelRadius = clampedLength(radius);
    setNeedsDisplay();
}

void PellarImageView::setBevelWidth(float width)
{
    m_bevelWidth = clampedLength(width);
    setNeedsDisplay();
}

void PellarImageView::setBevelCornerMeetingPoint(float point)
{
    // Beyond 0 and 1 the colours would meet past the corner, on an edge.
    m_bevelCornerMeetingPoint = point >= 0 ? std::min(point, 1.0f) : 0.0f;
    setNeedsDisplay();
}

void PellarImageView::setBevelDarkColor(std::optional<Color> color)
{
    m_bevelDarkColor = color;
    setNeedsDisplay();
}

void PellarImageView::setBevelLightColor(std::optional<Color> color)
{
    m_bevelLightColor = color;
    setNeedsDisplay();
}

void PellarImageView::drawRect(const Rect&)
{
    auto* context = GraphicsContext::current();
    if (!context)
        return;
    Rect b = bounds();
    if (!m_beveled) {
        if (m_image)
            context->drawImage(*m_image, b);
        return;
    }
    double bw = m_bevelWidth;
    double X = b.origin.x, Y = b.origin.y, w = b.size.width, h = b.size.height;
    if (m_image) {
        context->saveGState();
        addRoundedRect(*context, X + bw, Y + bw, X + w - bw, Y + h - bw, bw + m_bevelRadius);
        context->clip();
        context->drawImage(*m_image, Rect { X + bw, Y + bw, w - 2 * bw, h - 2 * bw });
        context->restoreGState();
    }
    drawBevel(*context, b);
}

void PellarImageView::drawBevel(GraphicsContext& context, const Rect& b) const
{
    double bw = m_bevelWidth, br = m_bevelRadius, m = m_bevelCornerMeetingPoint;
    // The line's middle lies half its width inside the bounds.
    double left = b.origin.x + bw / 2, right = b.origin.x + b.size.width - bw / 2;
    double top = b.origin.y + bw / 2, bottom = b.origin.y + b.size.height - bw / 2;
    // Angles grow from +x towards +y, clockwise on screen.
    double a1 = (270 + 90 * m) * kDegree;
    double a2 = (90 + 90 * m) * kDegree;

    context.saveGState();
    context.setLineWidth(bw);
    if (m_bevelDarkColor) {
        context.setStrokeColor(*m_bevelDarkColor);
        context.beginPath();
        context.moveTo(left, bottom - br);
        context.addLineTo(left, top + br);
        context.addArc(left + br, top + br, br, 180 * kDegree, 270 * kDegree, false);
        context.addLineTo(right - br, top);
        context.addArc(right - br, top + br, br, 270 * kDegree, a1, false);
        context.strokePath();
    }
    if (m_bevelLightColor) {
        context.setStrokeColor(*m_bevelLightColor);
        context.beginPath();
        context.addArc(right - br, top + br, br, a1, 360 * kDegree, false);
        context.addLineTo(right, bottom - br);
        context.addArc(right - br, bottom - br, br, 0, 90 * kDegree, false);
        context.addLineTo(left + br, bottom);
        context.addArc(left + br, bottom - br, br, 90 * kDegree, a2, false);
        context.strokePath();
    }
    if (m_bevelDarkColor) {
        context.setStrokeColor(*m_bevelDarkColor);
        context.beginPath();
        context.addArc(left + br, bottom - br, br, a2, 180 * kDegree, false);
        context.strokePath();
    }
    context.restoreGState();
}

bool PellarImageView::setContainerView(std::weak_ptr<PellarFlexAdContainerView> container)
{
    m_touches.setContainerView(std::move(container));
    return true;
}

void PellarImageView::touchesBegan(const TouchSet& touches, const Event& event)
{
    m_touches.recordTouch(touches, false, *this);
    View::touchesBegan(touches, event);
}

void PellarImageView::touchesEnded(const TouchSet& touches, const Event& event)
{
    m_touches.recordTouch(touches, true, *this);
    View::touchesEnded(touches, event);
}
