#include "ads/core/PellarEndpoints.h"

#include "platform/foundation/StringUtilities.h"

#include <cstdlib>
#include <optional>
#include <sstream>

namespace {

std::optional<std::string> environmentValue(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

std::vector<std::string> splitList(const std::string& text)
{
    std::vector<std::string> items;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) {
        std::string trimmed = StringUtilities::trimmed(item);
        if (!trimmed.empty())
            items.push_back(std::move(trimmed));
    }
    return items;
}

std::string withoutTrailingSlash(std::string url)
{
    while (!url.empty() && url.back() == '/')
        url.pop_back();
    return url;
}

} // namespace

PellarEndpoints::Configuration PellarEndpoints::defaultConfiguration()
{
    // The store and link-service names are placeholders in the reserved
    // ".example" domain: nothing real answers there, so a deployment sets them.
    return Configuration {
        .adServerURL = kDefaultAdServerURL,
        .mediaHostURL = kDefaultMediaHostURL,
        .storeHosts = { "apps.store.example", "web.store.example", "buy.store.example", "search.store.example" },
        .redirectorHost = "go.affiliate.example",
        // Host prefixes ending in a dot, so that every country domain of the
        // map service matches ("maps.example.org", "maps.example.de").
        .mapServicePrefixes = { "maps.example.", "www.maps.example." },
        .videoHosts = { "video.example", "www.video.example" },
    };
}

PellarEndpoints::Configuration PellarEndpoints::configurationFromEnvironment()
{
    Configuration configuration = defaultConfiguration();
    if (auto value = environmentValue("PELLAR_AD_SERVER"))
        configuration.adServerURL = *value;
    if (auto value = environmentValue("PELLAR_MEDIA_HOST"))
        configuration.mediaHostURL = withoutTrailingSlash(*value);
    if (auto value = environmentValue("PELLAR_STORE_HOSTS"); value && !splitList(*value).empty())
        configuration.storeHosts = splitList(*value);
    if (auto value = environmentValue("PELLAR_REDIRECTOR_HOST"))
        configuration.redirectorHost = *value;
    if (auto value = environmentValue("PELLAR_MAP_PREFIXES"))
        configuration.mapServicePrefixes = splitList(*value);
    if (auto value = environmentValue("PELLAR_VIDEO_HOSTS"))
        configuration.videoHosts = splitList(*value);
    return configuration;
}

std::mutex& PellarEndpoints::lock()
{
    static std::mutex mutex;
    return mutex;
}

PellarEndpoints::Configuration& PellarEndpoints::current()
{
    static Configuration configuration = configurationFromEnvironment();
    return configuration;
}

PellarEndpoints::Configuration PellarEndpoints::configuration()
{
    std::lock_guard guard(lock());
    return current();
}

void PellarEndpoints::setConfiguration(Configuration configuration)
{
    configuration.mediaHostURL = withoutTrailingSlash(configuration.mediaHostURL);
    std::lock_guard guard(lock());
    current() = std::move(configuration);
}

void PellarEndpoints::update(const std::function<void(Configuration&)>& change)
{
    std::lock_guard guard(lock());
    change(current());
    current().mediaHostURL = withoutTrailingSlash(current().mediaHostURL);
}

std::string PellarEndpoints::primaryStoreHost()
{
    auto hosts = storeHosts();
    return hosts.empty() ? std::string() : hosts.front();
}

std::string PellarEndpoints::browserIconURL(const std::string& name)
{
    return mediaHostURL() + kBrowserIconPath + name + ".png";
}

std::string PellarEndpoints::actionIconURL(const std::string& name)
{
    return mediaHostURL() + kActionIconPath + name + ".png";
}

std::string PellarEndpoints::stringsTableURL(const std::string& escapedLanguage)
{
    return mediaHostURL() + kStringsTablePath + escapedLanguage + ".strings";
}

std::string PellarEndpoints::canvasPageURL()
{
    return mediaHostURL() + kCanvasPagePath;
}
