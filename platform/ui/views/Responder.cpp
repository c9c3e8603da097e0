#include "platform/ui/views/Responder.h"

#include "platform/ui/views/Keyboard.h"

static std::weak_ptr<Responder>& firstResponderSlot()
{
    static std::weak_ptr<Responder> slot;
    return slot;
}

void Responder::touchesBegan(const TouchSet& touches, const Event& event)
{
    if (auto* next = nextResponder())
        next->touchesBegan(touches, event);
}

void Responder::touchesMoved(const TouchSet& touches, const Event& event)
{
    if (auto* next = nextResponder())
        next->touchesMoved(touches, event);
}

void Responder::touchesEnded(const TouchSet& touches, const Event& event)
{
    if (auto* next = nextResponder())
        next->touchesEnded(touches, event);
}

void Responder::touchesCancelled(const TouchSet& touches, const Event& event)
{
    if (auto* next = nextResponder())
        next->touchesCancelled(touches, event);
}

bool Responder::performAction(const std::string&, Responder*)
{
    return false;
}

bool Responder::becomeFirstResponder()
{
    if (!canBecomeFirstResponder())
        return false;
    if (auto current = firstResponderSlot().lock(); current && current.get() != this)
        current->resignFirstResponder();
    firstResponderSlot() = weak_from_this();
    if (acceptsTextInput())
        Keyboard::shared().show();
    return true;
}

bool Responder::resignFirstResponder()
{
    if (isFirstResponder()) {
        firstResponderSlot().reset();
        if (acceptsTextInput())
            Keyboard::shared().hide();
    }
    return true;
}

bool Responder::isFirstResponder() const
{
    return firstResponderSlot().lock().get() == this;
}

Responder* Responder::firstResponder()
{
    return firstResponderSlot().lock().get();
}

bool Responder::keyPressed(const Key& key)
{
    if (auto* next = nextResponder())
        return next->keyPressed(key);
    return false;
}

bool Responder::secondaryClick(Point screenLocation)
{
    if (auto* next = nextResponder())
        return next->secondaryClick(screenLocation);
    return false;
}
