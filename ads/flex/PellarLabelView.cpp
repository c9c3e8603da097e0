#include "ads/flex/PellarLabelView.h"

#include "ads/flex/PellarFlexLimits.h"

PellarLabelView::PellarLabelView(const Rect& frame)
    : Label(PellarFlexLimits::clampedFrame(frame))
{
    setUserInteractionEnabled(true);
}

void PellarLabelView::setFont(const Font& font)
{
    Label::setFont(font.withSize(PellarFlexLimits::clampedFontSize(font.pointSize())));
}

void PellarLabelView::setMinimumFontSize(double size)
{
    Label::setMinimumFontSize(PellarFlexLimits::clampedFontSize(size));
}

bool PellarLabelView::setContainerView(std::weak_ptr<PellarFlexAdContainerView> container)
{
    m_touches.setContainerView(std::move(container));
    return true;
}

void PellarLabelView::touchesBegan(const TouchSet& touches, const Event& event)
{
    m_touches.recordTouch(touches, false, *this);
    Label::touchesBegan(touches, event);
}

void PellarLabelView::touchesEnded(const TouchSet& touches, const Event& event)
{
    m_touches.recordTouch(touches, true, *this);
    Label::touchesEnded(touches, event);
}
