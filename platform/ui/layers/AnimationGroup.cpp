#include "platform/ui/layers/AnimationGroup.h"

#include <algorithm>
#include <cmath>

void AnimationGroup::apply(double elapsed, LayerProperties& properties, const LayerProperties& model) const
{
    auto t = localTime(elapsed);
    if (!t)
        return;
    // Within a cycle (autoreverse mirrored); the group's own timing function,
    // if any, warps its children's time line.
    double duration = effectiveDuration();
    // A group without end (an infinite duration) runs its children on its own
    // local time; progress, a fraction of infinity, would say nothing.
    double cycleTime = std::isfinite(duration) ? progress(*t) * duration : *t;
    for (auto& child : m_animations) {
        if (!child)
            continue;
        child->apply(std::min(cycleTime, duration) - child->beginTime(), properties, model);
    }
}
