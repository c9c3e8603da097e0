#pragma once

#include "platform/ui/graphics/Color.h"
#include "platform/ui/graphics/Rect.h"

class GraphicsContext;

// The shine behind the classic banner and the flexible ads' gradient
// elements: over white, the base colour at `initialAlpha` at the top,
// deepening to the full colour at `endPointY` of the height and solid below.
class ShineGradient {
public:
    static void draw(GraphicsContext&, const Rect&, const Color& baseColor, double initialAlpha, double endPointY);

    ShineGradient() = delete;
};
