#include "ads/flex/PellarTouchForwardingView.h"

PellarTouchForwardingView::PellarTouchForwardingView(const Rect& frame, std::weak_ptr<Responder> delegate)
    : View(frame)
    , m_delegate(std::move(delegate))
{
    setBackgroundColor(Color::clear());
}

void PellarTouchForwardingView::touchesBegan(const TouchSet& touches, const Event& event)
{
    if (auto delegate = m_delegate.lock())
        delegate->touchesBegan(touches, event);
}

void PellarTouchForwardingView::touchesMoved(const TouchSet& touches, const Event& event)
{
    if (auto delegate = m_delegate.lock())
        delegate->touchesMoved(touches, event);
}

void PellarTouchForwardingView::touchesEnded(const TouchSet& touches, const Event& event)
{
    if (auto delegate = m_delegate.lock())
        delegate->touchesEnded(touches, event);
}

void PellarTouchForwardingView::touchesCancelled(const TouchSet& touches, const Event& event)
{
    if (auto delegate = m_delegate.lock())
        delegate->touchesCancelled(touches, event);
}
