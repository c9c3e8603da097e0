#include "platform/ui/layers/BasicAnimation.h"

std::optional<AnimationValue> BasicAnimation::valueAt(double localTime, const AnimationValue& underlying) const
{
    AnimationValue from = m_from ? *m_from : underlying;
    AnimationValue to = underlying;
    if (m_to)
        to = *m_to;
    else if (m_by)
        to = from.added(*m_by);
    if (!m_from && !m_to && !m_by)
        return std::nullopt;
    if (!m_from && !m_to && m_by) {
        from = underlying;
        to = underlying.added(*m_by);
    }
    return from.interpolated(to, progress(localTime));
}
