#pragma once

#include "ads/flex/PellarFlexAdViewProtocol.h"
#include "ads/flex/PellarFlexTouchRecorder.h"
#include "platform/ui/controls/Label.h"

// A flexible ad's text element: the platform label, taking touches, which it
// records for click data and passes on to the container.
class PellarLabelView final : public Label, public PellarFlexAdViewProtocol {
public:
    // The frame is kept within the element limits.
    explicit PellarLabelView(const Rect& frame);

    // The font size is kept within the element limits.
    void setFont(const Font&);
    // The smallest size shrinking to fit may reach, within the same limits.
    void setMinimumFontSize(double);

    // PellarFlexAdViewProtocol
    std::optional<JSONValue> userInteractionHistory() const override { return m_touches.history(); }
    bool setContainerView(std::weak_ptr<PellarFlexAdContainerView>) override;

    void touchesBegan(const TouchSet&, const Event&) override;
    void touchesEnded(const TouchSet&, const Event&) override;

private:
    View& flexView() override { return *this; }

    PellarFlexTouchRecorder m_touches;
};
