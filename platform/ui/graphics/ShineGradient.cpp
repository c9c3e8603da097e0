#include "platform/ui/graphics/ShineGradient.h"

#include "platform/ui/graphics/GraphicsContext.h"

void ShineGradient::draw(
    GraphicsContext& context, const Rect& rect, const Color& baseColor, double initialAlpha, double endPointY)
{
    context.setFillColor(Color::whiteColor());
    context.fillRect(rect);
    double midX = rect.origin.x + rect.size.width * 0.5;
    double top = rect.origin.y;
    context.drawLinearGradient({ baseColor.withAlpha(initialAlpha), baseColor }, { 0, 1 }, { midX, top },
        { midX, top + rect.size.height * endPointY }, false, true);
}
