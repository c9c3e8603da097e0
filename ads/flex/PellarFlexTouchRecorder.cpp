#include "ads/flex/PellarFlexTouchRecorder.h"

#include "ads/banners/PellarSingleAdView.h"
#include "ads/flex/PellarFlexAdContainerView.h"
#include "platform/ui/views/Touch.h"

#include <span>

void PellarFlexTouchRecorder::recordTouch(const TouchSet& touches, bool isTouchEnd, const View& view)
{
    auto touch = touches.anyObject();
    if (!touch)
        return;
    auto container = m_containerView.lock();
    double time = container ? container->timeIntervalSinceFirstRender() : 0;
    m_storedTouches = PellarSingleAdView::recordTouch(*touch, isTouchEnd, &view, time, std::move(m_storedTouches));
}

std::optional<JSONValue> PellarFlexTouchRecorder::historyOf(const std::vector<std::string>& touches)
{
    if (touches.empty())
        return std::nullopt;
    std::vector<JSONValue> records;
    records.reserve(touches.size());
    for (const auto& record : touches)
        records.push_back(JSONValue::string(record));
    return JSONValue::dictionary({ { "touches", JSONValue::array(std::span<const JSONValue>(records)) } });
}
