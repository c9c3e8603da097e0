#include <pellar/pellar-settings.h>

#include "ads/core/PellarController.h"
#include "ads/core/PellarEndpoints.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Paths.h"

#include <gio/gio.h>

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* kLogDomain = "Pellar";
// The folder name when the process names itself nothing usable.
constexpr const char* kFallbackApplicationId = "pellar";

std::mutex& settingsLock()
{
    static std::mutex lock;
    return lock;
}

// Interned, so that a returned id stays valid for the life of the process.
const char*& explicitApplicationId()
{
    static const char* id = nullptr;
    return id;
}

const char* resolvedApplicationId()
{
    {
        std::lock_guard guard(settingsLock());
        if (explicitApplicationId())
            return explicitApplicationId();
    }
    if (GApplication* application = g_application_get_default()) {
        if (const char* id = g_application_get_application_id(application); id && *id)
            return g_intern_string(id);
    }
    if (const char* name = g_get_prgname()) {
        if (auto folder = Paths::folderName(name))
            return g_intern_string(folder->c_str());
    }
    return kFallbackApplicationId;
}

// An id names one folder: it may not climb out of the data folder or hide in
// a subfolder of it.
bool isUsableApplicationId(const char* id)
{
    auto folder = Paths::folderName(id);
    return folder && *folder == id;
}

std::optional<std::vector<std::string>> listOf(const char* const* items)
{
    if (!items)
        return std::nullopt;
    std::vector<std::string> list;
    for (auto item = items; *item; ++item)
        list.emplace_back(*item);
    return list;
}

bool hasEmptyItem(const char* const* items)
{
    for (auto item = items; item && *item; ++item) {
        if (!**item)
            return true;
    }
    return false;
}

// Loaded into another application: the library's log lines go to GLib's log
// under its own domain, and its folders are named after that application.
struct LibraryIdentity {
    LibraryIdentity()
    {
        Log::setStructuredLogDomain(std::string(kLogDomain));
        Paths::setApplicationFolderSource([] { return std::string(resolvedApplicationId()); });
    }
};
const LibraryIdentity libraryIdentity;

} // namespace

// The doc comments of these functions are in pellar-settings.h.

void pellar_set_application_id(const char* application_id)
{
    g_return_if_fail(application_id == nullptr || isUsableApplicationId(application_id));
    std::lock_guard guard(settingsLock());
    explicitApplicationId() = application_id ? g_intern_string(application_id) : nullptr;
}

const char* pellar_get_application_id(void)
{
    return resolvedApplicationId();
}

void pellar_set_store_hosts(const char* const* hosts)
{
    g_return_if_fail(hosts == nullptr || *hosts != nullptr);
    g_return_if_fail(!hasEmptyItem(hosts));
    auto list = listOf(hosts);
    PellarEndpoints::update([&](PellarEndpoints::Configuration& configuration) {
        configuration.storeHosts = list ? *list : PellarEndpoints::configurationFromEnvironment().storeHosts;
    });
}

void pellar_set_redirector_host(const char* host)
{
    g_return_if_fail(host == nullptr || *host != '\0');
    PellarEndpoints::update([&](PellarEndpoints::Configuration& configuration) {
        configuration.redirectorHost
            = host ? std::string(host) : PellarEndpoints::configurationFromEnvironment().redirectorHost;
    });
}

void pellar_set_map_prefixes(const char* const* prefixes)
{
    g_return_if_fail(!hasEmptyItem(prefixes));
    auto list = listOf(prefixes);
    PellarEndpoints::update([&](PellarEndpoints::Configuration& configuration) {
        configuration.mapServicePrefixes
            = list ? *list : PellarEndpoints::configurationFromEnvironment().mapServicePrefixes;
    });
}

void pellar_set_video_hosts(const char* const* hosts)
{
    g_return_if_fail(!hasEmptyItem(hosts));
    auto list = listOf(hosts);
    PellarEndpoints::update([&](PellarEndpoints::Configuration& configuration) {
        configuration.videoHosts = list ? *list : PellarEndpoints::configurationFromEnvironment().videoHosts;
    });
}

void pellar_set_minimum_refresh_interval(int seconds)
{
    g_return_if_fail(seconds >= 1);
    PellarController::setMinimumRefreshInterval(static_cast<double>(seconds));
}
