#include "platform/ui/layers/PropertyAnimation.h"

#include "platform/ui/layers/LayerProperties.h"

void PropertyAnimation::apply(double elapsed, LayerProperties& properties, const LayerProperties& model) const
{
    auto t = localTime(elapsed);
    if (!t)
        return;
    (void)model;
    auto underlying = properties.valueForKeyPath(m_keyPath);
    if (!underlying)
        return;
    auto value = valueAt(*t, *underlying);
    if (!value)
        return;
    properties.setValueForKeyPath(m_keyPath, m_additive ? underlying->added(*value) : *value);
}
