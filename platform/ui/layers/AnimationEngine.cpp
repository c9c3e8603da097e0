#include "platform/ui/layers/AnimationEngine.h"

#include "platform/foundation/SharedInstance.h"
#include "platform/foundation/Timer.h"
#include "platform/ui/layers/Layer.h"

#include <algorithm>

AnimationEngine& AnimationEngine::shared()
{
    return SharedInstance<AnimationEngine>::get();
}

void AnimationEngine::layerDidAddAnimation(const std::shared_ptr<Layer>& layer)
{
    bool known = std::any_of(m_layers.begin(), m_layers.end(), [&](auto& weak) { return weak.lock() == layer; });
    if (!known)
        m_layers.push_back(layer);
    layer->setNeedsComposite();
    start();
}

void AnimationEngine::start()
{
    // A timer left over from a run loop reset has been dropped by the loop.
    if (!m_timer || !m_timer->isValid())
        m_timer = Timer::scheduledTimer(m_frameInterval, true, [this](Timer&) { tick(); });
}

void AnimationEngine::setFrameInterval(double seconds)
{
    m_frameInterval = seconds > 0 ? seconds : kFrameInterval;
    if (!m_timer)
        return;
    m_timer->invalidate();
    m_timer = nullptr;
    start();
}

void AnimationEngine::reset()
{
    m_layers.clear();
    if (m_timer)
        m_timer->invalidate();
    m_timer = nullptr;
}

void AnimationEngine::tick()
{
    std::vector<std::shared_ptr<Layer>> live;
    for (auto& weak : m_layers) {
        if (auto layer = weak.lock())
            live.push_back(std::move(layer));
    }
    m_layers.clear();
    for (auto& layer : live) {
        layer->setNeedsComposite();
        if (layer->isAnimating())
            m_layers.push_back(layer);
    }
    if (m_layers.empty() && m_timer) {
        m_timer->invalidate();
        m_timer = nullptr;
    }
}
