#pragma once

#include "platform/ui/views/View.h"

// An invisible view that hands every touch it receives to a chosen responder
// (not owned), such as the container beneath a paged group's scroll view.
class PellarTouchForwardingView final : public View {
public:
    PellarTouchForwardingView(const Rect& frame, std::weak_ptr<Responder> delegate);

    std::shared_ptr<Responder> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<Responder> delegate) { m_delegate = std::move(delegate); }

    void touchesBegan(const TouchSet&, const Event&) override;
    void touchesMoved(const TouchSet&, const Event&) override;
    void touchesEnded(const TouchSet&, const Event&) override;
    void touchesCancelled(const TouchSet&, const Event&) override;

private:
    std::weak_ptr<Responder> m_delegate;
};
