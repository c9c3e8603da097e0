#include "platform/foundation/NotificationCenter.h"

#include <algorithm>

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(const void* observer, const std::string& name, Handler handler)
{
    m_registrations.push_back(std::make_shared<Registration>(Registration { observer, name, std::move(handler) }));
}

void NotificationCenter::removeObserver(const void* observer, const std::string& name)
{
    std::erase_if(m_registrations, [&](const std::shared_ptr<Registration>& registration) {
        if (registration->observer != observer || registration->name != name)
            return false;
        registration->removed = true;
        return true;
    });
}

void NotificationCenter::removeObserver(const void* observer)
{
    std::erase_if(m_registrations, [&](const std::shared_ptr<Registration>& registration) {
        if (registration->observer != observer)
            return false;
        registration->removed = true;
        return true;
    });
}

void NotificationCenter::postNotification(const Notification& notification)
{
    // Handlers may add and remove observers (a screen that closes on a
    // notification removes itself): deliver to a copy of the list, skipping
    // whoever has been removed meanwhile.
    auto registrations = m_registrations;
    for (auto& registration : registrations) {
        if (!registration->removed && registration->name == notification.name)
            registration->handler(notification);
    }
}

void NotificationCenter::postNotification(const std::string& name, const void* object)
{
    postNotification(Notification { name, object, {} });
}

size_t NotificationCenter::registrationCount(const void* observer) const
{
    return std::count_if(m_registrations.begin(), m_registrations.end(),
        [&](const std::shared_ptr<Registration>& registration) { return registration->observer == observer; });
}
