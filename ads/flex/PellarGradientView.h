#pragma once

#include "ads/flex/PellarFlexAdViewProtocol.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/views/View.h"

// A flexible ad's background: over white, the base colour at the initial
// alpha at the top, deepening to the full colour at endPointY of the height
// and solid below, the same ramp as the classic banner's shine. It takes no
// part in touches or click data.
class PellarGradientView final : public View, public PellarFlexAdViewProtocol {
public:
    // The frame is kept within the element limits. The view is opaque.
    PellarGradientView(const Rect& frame, const Color& baseColor, float initialAlpha, float endPointY);

    const Color& baseGradientColor() const { return m_baseGradientColor; }
    float initialAlpha() const { return m_initialAlpha; }
    float endPointY() const { return m_endPointY; }

    void drawRect(const Rect&) override;

    // PellarFlexAdViewProtocol: gradients never appear in click data.
    std::optional<JSONValue> userInteractionHistory() const override { return std::nullopt; }

private:
    View& flexView() override { return *this; }

    Color m_baseGradientColor;
    float m_initialAlpha;
    float m_endPointY;
};
