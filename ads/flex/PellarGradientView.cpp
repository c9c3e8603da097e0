#include "ads/flex/PellarGradientView.h"

#include "ads/flex/PellarFlexLimits.h"
#include "platform/ui/graphics/GraphicsContext.h"

PellarGradientView::PellarGradientView(const Rect& frame, const Color& baseColor, float initialAlpha, float endPointY)
    : View(PellarFlexLimits::clampedFrame(frame))
    , m_baseGradientColor(baseColor)
    , m_initialAlpha(initialAlpha)
    , m_endPointY(endPointY)
{
    setOpaque(true);
}

void PellarGradientView::drawRect(const Rect&)
{
    if (auto* context = GraphicsContext::current())
        drawRamp(*context, bounds().size, m_baseGradientColor, m_initialAlpha, m_endPointY);
}

void PellarGradientView::drawRamp(
    GraphicsContext& context, Size size, const Color& baseColor, double initialAlpha, double endPointY)
{
    context.setFillColor(Color::whiteColor());
    context.fillRect({ 0, 0, size.width, size.height });
    double midX = size.width * 0.5;
    context.drawLinearGradient({ baseColor.withAlpha(initialAlpha), baseColor }, { 0, 1 }, { midX, 0 },
        { midX, size.height * endPointY }, false, true);
}
