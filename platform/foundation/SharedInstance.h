#pragma once

#include <mutex>

// The pattern of the process-wide objects: created on first use under a lock
// of their own, never destroyed, so every caller sees the same object for the
// life of the process. A class opts in with
//     static Foo& shared() { return SharedInstance<Foo>::get(); }
// and befriends SharedInstance<Foo> when its constructor is private.
template <typename T> class SharedInstance {
public:
    static T& get()
    {
        std::lock_guard guard(lock());
        if (!instance())
            instance() = new T;
        return *instance();
    }

    // True once the instance exists.
    static bool exists()
    {
        std::lock_guard guard(lock());
        return instance() != nullptr;
    }

private:
    static std::mutex& lock()
    {
        static std::mutex classLock;
        return classLock;
    }
    static T*& instance()
    {
        static T* shared = nullptr;
        return shared;
    }
};
