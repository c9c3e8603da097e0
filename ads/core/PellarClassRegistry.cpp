#include "ads/core/PellarClassRegistry.h"

std::mutex& PellarClassRegistry::lock()
{
    static std::mutex mutex;
    return mutex;
}

std::set<std::string>& PellarClassRegistry::names()
{
    static std::set<std::string> declared;
    return declared;
}

void PellarClassRegistry::declareClass(const std::string& name)
{
    std::lock_guard guard(lock());
    names().insert(name);
}

void PellarClassRegistry::removeClass(const std::string& name)
{
    std::lock_guard guard(lock());
    names().erase(name);
}

bool PellarClassRegistry::classExists(const std::string& name)
{
    std::lock_guard guard(lock());
    return names().contains(name);
}

void PellarClassRegistry::removeAllClasses()
{
    std::lock_guard guard(lock());
    names().clear();
}
