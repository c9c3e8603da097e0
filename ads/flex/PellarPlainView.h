#pragma once

#include "ads/flex/PellarFlexAdViewProtocol.h"
#include "ads/flex/PellarFlexTouchRecorder.h"
#include "platform/ui/views/View.h"

// A flexible ad's plain box: only its background colour shows. It records
// touches for click data and passes them on to the container.
class PellarPlainView final : public View, public PellarFlexAdViewProtocol {
public:
    // The frame is kept within the element limits.
    explicit PellarPlainView(const Rect& frame);

    // PellarFlexAdViewProtocol
    std::optional<JSONValue> userInteractionHistory() const override { return m_touches.history(); }
    bool setContainerView(std::weak_ptr<PellarFlexAdContainerView>) override;

    void touchesBegan(const TouchSet&, const Event&) override;
    void touchesEnded(const TouchSet&, const Event&) override;

private:
    View& flexView() override { return *this; }

    PellarFlexTouchRecorder m_touches;
};
