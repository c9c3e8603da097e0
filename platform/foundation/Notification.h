#pragma once

#include <any>
#include <map>
#include <string>

// One posted notification: its name, the object that posted it (compared by
// identity, never used) and extra values by key. The keyboard, for one, puts
// its bounds (a Rect) under its bounds key.
struct Notification {
    std::string name;
    const void* object { nullptr };
    std::map<std::string, std::any> userInfo;

    // The value under `key` when it is there and of type T.
    template <typename T> const T* value(const std::string& key) const
    {
        auto it = userInfo.find(key);
        return it == userInfo.end() ? nullptr : std::any_cast<T>(&it->second);
    }
};
