#include "ads/flex/PellarGradientView.h"

#include "ads/flex/PellarFlexLimits.h"
#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/graphics/ShineGradient.h"

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
        ShineGradient::draw(*context, { 0, 0, bounds().size.width, bounds().size.height }, m_baseGradientColor,
            m_initialAlpha, m_endPointY);
}
