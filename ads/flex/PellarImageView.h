#pragma once

#include "ads/flex/PellarFlexAdViewProtocol.h"
#include "ads/flex/PellarFlexTouchRecorder.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/views/View.h"

class Image;

// A flexible ad's picture: the downloaded image stretched over the view, or,
// when bevelled, inset by the bevel width inside rounded corners and framed
// by a two-tone line, dark on the top and left, light on the bottom and
// right, the colours meeting part-way round the top-right and bottom-left
// corners. It records touches for click data and passes them on.
class PellarImageView final : public View, public PellarFlexAdViewProtocol {
public:
    // The frame is kept within the element limits; the background is clear
    // and the bevel settings zero or none until set.
    explicit PellarImageView(const Rect& frame);

    const std::shared_ptr<Image>& image() const { return m_image; }
    void setImage(std::shared_ptr<Image>);
    bool isBeveled() const { return m_beveled; }
    void setBeveled(bool);
    float bevelRadius() const { return m_bevelRadius; }
    void setBevelRadius(float);
    float bevelWidth() const { return m_bevelWidth; }
    void setBevelWidth(float);
    // Where the colours meet along the top-right and bottom-left corners, from
    // 0 (at the top or bottom edge) to 1 (at the right or left edge).
    float bevelCornerMeetingPoint() const { return m_bevelCornerMeetingPoint; }
    void setBevelCornerMeetingPoint(float);
    const std::optional<Color>& bevelDarkColor() const { return m_bevelDarkColor; }
    void setBevelDarkColor(std::optional<Color>);
    const std::optional<Color>& bevelLightColor() const { return m_bevelLightColor; }
    void setBevelLightColor(std::optional<Color>);

    void drawRect(const Rect&) override;

    // PellarFlexAdViewProtocol
    std::optional<JSONValue> userInteractionHistory() const override { return m_touches.history(); }
    bool setContainerView(std::weak_ptr<PellarFlexAdContainerView>) override;

    void touchesBegan(const TouchSet&, const Event&) override;
    void touchesEnded(const TouchSet&, const Event&) override;

private:
    View& flexView() override { return *this; }
    void drawBevel(GraphicsContext&, const Rect& bounds) const;

    std::shared_ptr<Image> m_image;
    bool m_beveled { false };
    float m_bevelRadius { 0 };
    float m_bevelWidth { 0 };
    float m_bevelCornerMeetingPoint { 0 };
    std::optional<Color> m_bevelDarkColor;
    std::optional<Color> m_bevelLightColor;
    PellarFlexTouchRecorder m_touches;
};
