#pragma once

#include "ads/banners/PellarSingleAdView.h"
#include "ads/flex/PellarFlexAdViewProtocol.h"

#include <optional>
#include <string>
#include <vector>

// The banner view of a flexible ad, holding its element views. On its first
// draw it starts every element's animation (optionally in one transaction);
// on every draw it has the ad load its accounting pixel. It decides which
// touches count (inside the touchable area, after the initial ignore time),
// highlights while touched, records its own touches, and turns a touch that
// ends inside into a click whose data gathers the interaction history of
// every tagged view.
class PellarFlexAdContainerView final : public PellarSingleAdView, public PellarFlexAdViewProtocol {
public:
    static constexpr const char* kDefaultUiTag = "container";
    // A described touchable area narrower or lower than this is too small to
    // hit; the whole banner takes touches instead.
    static constexpr double kMinimumTouchableSide = 44;

    // Opaque, tagged "container".
    explicit PellarFlexAdContainerView(const Rect& frame);

    // Touches are ignored until this many seconds after the first draw.
    float initialTouchIgnoreDuration() const { return m_initialTouchIgnoreDuration; }
    void setInitialTouchIgnoreDuration(float seconds) { m_initialTouchIgnoreDuration = seconds; }
    // Where touches count, in the container's coordinates.
    const Rect& touchableArea() const { return m_touchableArea; }
    void setTouchableArea(const Rect& area) { m_touchableArea = area; }
    // The area a description's touchable area gives: itself, or the bounds
    // when it is smaller than kMinimumTouchableSide either way.
    Rect touchableAreaFromDescription(const Rect& described) const;
    // The run loop's time of the first draw; none before.
    const std::optional<double>& dateOfFirstRender() const { return m_dateOfFirstRender; }
    void setDateOfFirstRender(std::optional<double> date) { m_dateOfFirstRender = date; }
    // Start the element animations inside one transaction.
    bool useCATransaction() const { return m_useCATransaction; }
    void setUseCATransaction(bool use) { m_useCATransaction = use; }

    // Seconds since the first draw; 0 before it.
    double timeIntervalSinceFirstRender() const;

    // PellarFlexAdViewProtocol
    std::optional<JSONValue> userInteractionHistory() const override;

    void drawRect(const Rect&) override;

    bool touchIsInSelf(const Touch&) const;
    void touchesBegan(const TouchSet&, const Event&) override;
    void touchesMoved(const TouchSet&, const Event&) override;
    void touchesEnded(const TouchSet&, const Event&) override;
    void touchesCancelled(const TouchSet&, const Event&) override;

    // Gathers { "interactions": { tag: history } } from this view and every
    // descendant and hands it to the controller.
    void click();

private:
    View& flexView() override { return *this; }
    static void recursivelySendViewDidAppearToView(View&);
    void recursivelyGatherUserInteractionHistoryFromView(View&, std::vector<std::pair<std::string, JSONValue>>&);

    float m_initialTouchIgnoreDuration { 0 };
    Rect m_touchableArea;
    std::optional<double> m_dateOfFirstRender;
    bool m_useCATransaction { false };
    std::vector<std::string> m_storedTouches;
};
