#pragma once

#include <mutex>
#include <set>
#include <string>

// The names of the partner classes the host application declares present.
// A phone application could look a class up by name at run time; here the
// host says which of the partner components it links (a banner rotator, a
// reward service) and the ad request tells the server so. Empty by default.
// Safe to use from any thread.
class PellarClassRegistry {
public:
    static void declareClass(const std::string& name);
    static void removeClass(const std::string& name);
    // Whether a class of this name is present in the running process.
    static bool classExists(const std::string& name);
    // Forgets every declaration (tests).
    static void removeAllClasses();

    PellarClassRegistry() = delete;

private:
    static std::mutex& lock();
    static std::set<std::string>& names();
};
