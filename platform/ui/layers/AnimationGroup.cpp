#include "platform/ui/layers/AnimationGroup.h"

#include <algorithm>

void AnimationGroup::apply(double elapsed, LayerProperties& properties, const LayerProperties& model) const
{
    auto t = localTime(elapsed);
    if (!t)
        return;
    // Within a cycle (autoreverse mirrored); the group's own timing function,
    // if any, warps its children's time line.
    double duration = effectiveDuration();
    double cycleTime = progress(*t) * duration;
    for (auto& child : m_animations) {
        if (!child)
            continue;
        child->apply(std::min(cycleTime, duration) - child->beginTime(), properties, model);
    }
}
