#include "ads/flex/PellarPlainView.h"

#include "ads/flex/PellarFlexLimits.h"

PellarPlainView::PellarPlainView(const Rect& frame)
    : View(PellarFlexLimits::clampedFrame(frame))
{
    setUserInteractionEnabled(true);
}

bool PellarPlainView::setContainerView(std::weak_ptr<PellarFlexAdContainerView> container)
{
    m_touches.setContainerView(std::move(container));
    return true;
}

void PellarPlainView::touchesBegan(const TouchSet& touches, const Event& event)
{
    m_touches.recordTouch(touches, false, *this);
    View::touchesBegan(touches, event);
}

void PellarPlainView::touchesEnded(const TouchSet& touches, const Event& event)
{
    m_touches.recordTouch(touches, true, *this);
    View::touchesEnded(touches, event);
}
