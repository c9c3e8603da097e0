#include "ads/flex/PellarFlexAdContainerView.h"

#include "ads/flex/PellarFlexTouchRecorder.h"

#include "ads/core/PellarAd.h"
#include "ads/core/PellarController.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/layers/Transaction.h"
#include "platform/ui/views/Touch.h"

#include <span>

PellarFlexAdContainerView::PellarFlexAdContainerView(const Rect& frame)
    : PellarSingleAdView(frame)
{
    setOpaque(true);
    setUiTag(std::string(kDefaultUiTag));
}

Rect PellarFlexAdContainerView::touchableAreaFromDescription(const Rect& described) const
{
    if (described.width() < kMinimumTouchableSide || described.height() < kMinimumTouchableSide)
        return bounds();
    return described;
}

double PellarFlexAdContainerView::timeIntervalSinceFirstRender() const
{
    if (!m_dateOfFirstRender)
        return 0;
    return RunLoop::main().now() - *m_dateOfFirstRender;
}

std::optional<JSONValue> PellarFlexAdContainerView::userInteractionHistory() const
{
    return PellarFlexTouchRecorder::historyOf(m_storedTouches);
}

void PellarFlexAdContainerView::drawRect(const Rect&)
{
    if (!m_dateOfFirstRender) {
        m_dateOfFirstRender = RunLoop::main().now();
        if (m_useCATransaction)
            Transaction::begin();
        recursivelySendViewDidAppearToView(*this);
        if (m_useCATransaction)
            Transaction::commit();
    }
    // The ad loads its pixel only once, however often the banner is drawn.
    if (auto& shown = ad())
        shown->loadAccountingPixel();
}

void PellarFlexAdContainerView::recursivelySendViewDidAppearToView(View& view)
{
    if (auto* flexView = dynamic_cast<PellarFlexAdViewProtocol*>(&view))
        flexView->viewDidAppear();
    // A copy: starting an animation must not change the list being walked.
    auto subviews = view.subviews();
    for (auto& subview : subviews)
        recursivelySendViewDidAppearToView(*subview);
}

bool PellarFlexAdContainerView::touchIsInSelf(const Touch& touch) const
{
    return m_touchableArea.contains(touch.locationInView(this))
        && timeIntervalSinceFirstRender() > m_initialTouchIgnoreDuration;
}

void PellarFlexAdContainerView::touchesBegan(const TouchSet& touches, const Event&)
{
    auto touch = touches.anyObject();
    if (!touch || !touchIsInSelf(*touch))
        return;
    setTouched(true);
    m_storedTouches = recordTouch(*touch, false, this, timeIntervalSinceFirstRender(), std::move(m_storedTouches));
}

void PellarFlexAdContainerView::touchesMoved(const TouchSet& touches, const Event&)
{
    if (auto touch = touches.anyObject())
        setTouched(touchIsInSelf(*touch));
}

void PellarFlexAdContainerView::touchesEnded(const TouchSet& touches, const Event&)
{
    setTouched(false);
    auto touch = touches.anyObject();
    if (!touch || !touchIsInSelf(*touch))
        return;
    m_storedTouches = recordTouch(*touch, true, this, timeIntervalSinceFirstRender(), std::move(m_storedTouches));
    click();
}

void PellarFlexAdContainerView::touchesCancelled(const TouchSet&, const Event&)
{
    setTouched(false);
}

void PellarFlexAdContainerView::recursivelyGatherUserInteractionHistoryFromView(
    View& view, std::vector<std::pair<std::string, JSONValue>>& gathered)
{
    if (auto* flexView = dynamic_cast<PellarFlexAdViewProtocol*>(&view)) {
        auto history = flexView->userInteractionHistory();
        if (history && flexView->uiTag()) {
            // A tag seen before keeps its place; the later view's history wins.
            auto known = std::find_if(
                gathered.begin(), gathered.end(), [&](const auto& entry) { return entry.first == *flexView->uiTag(); });
            if (known != gathered.end())
                known->second = *history;
            else
                gathered.emplace_back(*flexView->uiTag(), *history);
        }
    }
    for (auto& subview : view.subviews())
        recursivelyGatherUserInteractionHistoryFromView(*subview, gathered);
}

void PellarFlexAdContainerView::click()
{
    std::vector<std::pair<std::string, JSONValue>> gathered;
    recursivelyGatherUserInteractionHistoryFromView(*this, gathered);
    std::vector<std::pair<std::string_view, JSONValue>> members(gathered.begin(), gathered.end());
    auto data = JSONValue::dictionary({ { "interactions",
        JSONValue::dictionary(std::span<const std::pair<std::string_view, JSONValue>>(members)) } });
    // The controller may replace this banner inside the call.
    auto protectedThis = shared_from_this();
    if (auto owner = controller())
        owner->click(*this, data);
}
