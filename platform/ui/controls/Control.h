#pragma once

#include "platform/ui/controls/ControlEvent.h"
#include "platform/ui/views/View.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The base of the controls: enabled/highlighted/selected state and
// target/action pairs. An action is a name sent to a target (not owned); with
// no target it goes up the responder chain to the first responder that knows it.
class Control : public View {
public:
    using View::View;

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool);
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool);
    bool isSelected() const { return m_selected; }
    void setSelected(bool);

    void addTarget(std::weak_ptr<Responder> target, const std::string& action, unsigned events);
    void addTarget(Responder* target, const std::string& action, unsigned events);
    // A handler for code that builds controls by hand.
    void addHandler(std::function<void(Control&)> handler, unsigned events);
    void removeAllTargets();
    void sendActionsForControlEvents(unsigned events);

    View* hitTest(Point) override;

private:
    struct Target {
        std::weak_ptr<Responder> target;
        Responder* rawTarget { nullptr }; // for targets not held by a shared_ptr; must outlive the control
        bool hasTarget { false };
        std::string action;
        std::function<void(Control&)> handler;
        unsigned events { 0 };
    };

    bool m_enabled { true };
    bool m_highlighted { false };
    bool m_selected { false };
    std::vector<Target> m_targets;
};

// Sends `action` to `target`, or up the responder chain from `sender` when
// there is no target. Answers whether someone handled it.
bool sendAction(const std::string& action, Responder* target, Responder* sender);
