#include "ads/flex/PellarFlexAdViewProtocol.h"

#include "platform/ui/layers/Animation.h"
#include "platform/ui/layers/Layer.h"
#include "platform/ui/views/View.h"

void PellarFlexAdViewProtocol::setAnimation(std::shared_ptr<Animation> animation)
{
    m_animation = std::move(animation);
    // A begin time on a layer's own animation is a moment on the device's
    // media clock, which a server cannot know; the only use a description can
    // make of it is a delay from the moment the banner appears.
    m_animationDelay = m_animation ? m_animation->beginTime() : 0;
}

void PellarFlexAdViewProtocol::viewDidAppear()
{
    if (!m_animation)
        return;
    m_animation->setBeginTime(m_animationDelay > 0 ? Layer::currentMediaTime() + m_animationDelay : 0);
    flexView().layer().addAnimation(m_animation, "");
}
