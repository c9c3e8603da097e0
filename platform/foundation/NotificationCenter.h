#pragma once

#include "platform/foundation/Notification.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Delivers notifications by name to the observers registered for that name,
// on the main thread, in the order they registered. An observer is known by
// an address it chooses (usually its own) and must remove itself before it
// goes; one removed while a notification is being delivered is not called
// any more, even by that delivery.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    void addObserver(const void* observer, const std::string& name, Handler);
    // Every registration of the observer for that name, or for any name.
    void removeObserver(const void* observer, const std::string& name);
    void removeObserver(const void* observer);

    void postNotification(const Notification&);
    void postNotification(const std::string& name, const void* object = nullptr);

    // How many registrations the observer has (tests).
    size_t registrationCount(const void* observer) const;

private:
    struct Registration {
        const void* observer;
        std::string name;
        Handler handler;
        bool removed { false };
    };
    std::vector<std::shared_ptr<Registration>> m_registrations;
};
