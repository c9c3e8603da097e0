#include "platform/ui/controls/Control.h"

bool sendAction(const std::string& action, Responder* target, Responder* sender)
{
    if (target)
        return target->performAction(action, sender);
    for (Responder* responder = sender; responder; responder = responder->nextResponder()) {
        if (responder->performAction(action, sender))
            return true;
    }
    return false;
}

void Control::setEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    setNeedsDisplay();
}

void Control::setHighlighted(bool highlighted)
{
    if (m_highlighted == highlighted)
        return;
    m_highlighted = highlighted;
    setNeedsDisplay();
}

void Control::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    setNeedsDisplay();
}

void Control::addTarget(std::weak_ptr<Responder> target, const std::string& action, unsigned events)
{
    Target entry;
    entry.hasTarget = !target.expired();
    entry.target = std::move(target);
    entry.action = action;
    entry.events = events;
    m_targets.push_back(std::move(entry));
}

void Control::addTarget(Responder* target, const std::string& action, unsigned events)
{
    if (target && !target->weak_from_this().expired()) {
        addTarget(target->weak_from_this(), action, events);
        return;
    }
    Target entry;
    entry.rawTarget = target;
    entry.action = action;
    entry.events = events;
    m_targets.push_back(std::move(entry));
}

void Control::addHandler(std::function<void(Control&)> handler, unsigned events)
{
    Target entry;
    entry.handler = std::move(handler);
    entry.events = events;
    m_targets.push_back(std::move(entry));
}

void Control::removeAllTargets()
{
    m_targets.clear();
}

void Control::sendActionsForControlEvents(unsigned events)
{
    // An action may drop the last reference to us or change our targets.
    auto protectedThis = shared_from_this();
    auto targets = m_targets;
    for (auto& entry : targets) {
        if (!(entry.events & events))
            continue;
        if (entry.handler) {
            entry.handler(*this);
            continue;
        }
        if (entry.hasTarget) {
            // A target that has gone away takes its actions with it.
            if (auto target = entry.target.lock())
                sendAction(entry.action, target.get(), this);
            continue;
        }
        sendAction(entry.action, entry.rawTarget, this);
    }
}

View* Control::hitTest(Point point)
{
    // A disabled control swallows touches without acting on them.
    View* hit = View::hitTest(point);
    return hit;
}
