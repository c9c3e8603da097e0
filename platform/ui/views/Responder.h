#pragma once

#include "platform/ui/graphics/Point.h"
#include "platform/ui/views/Key.h"
#include "platform/ui/views/Touch.h"

#include <memory>
#include <string>

// An object that takes part in event handling. Touches it does not handle go
// along the responder chain: view → superview (or its view controller) → window.
// Actions are named, as the platform's target/action pairs are: a control
// sends performAction(name, sender) to its target.
class Responder : public std::enable_shared_from_this<Responder> {
public:
    virtual ~Responder() = default;

    virtual Responder* nextResponder() const { return nullptr; }

    virtual void touchesBegan(const TouchSet&, const Event&);
    virtual void touchesMoved(const TouchSet&, const Event&);
    virtual void touchesEnded(const TouchSet&, const Event&);
    virtual void touchesCancelled(const TouchSet&, const Event&);

    // Answers whether the action is known here.
    virtual bool performAction(const std::string& action, Responder* sender);

    // Keys from the desktop host go to the first responder. A container may
    // pass becoming and resigning on to the part that edits.
    virtual bool canBecomeFirstResponder() const { return false; }
    virtual bool becomeFirstResponder();
    virtual bool resignFirstResponder();
    bool isFirstResponder() const;
    static Responder* firstResponder();
    // A key press; answers whether it was used. Unused keys go along the
    // responder chain; what nothing on it uses reaches the application's delegate.
    virtual bool keyPressed(const Key&);
    // A secondary click (the right button) at a point in screen points, as
    // for a context menu; answers whether it was used. Unused clicks go along
    // the responder chain.
    virtual bool secondaryClick(Point screenLocation);

    // Text entry: a responder that takes typed text (a text field) makes the
    // keyboard show while it is first responder, and gets the text the host's
    // input method composed (accents, dead keys, pasted text) through insertText.
    virtual bool acceptsTextInput() const { return false; }
    virtual void insertText(const std::string&) { }
};
