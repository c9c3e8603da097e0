#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Where the ad service lives and which hosts the library treats specially.
// All of it is configuration: the environment supplies it when the process
// starts (PELLAR_AD_SERVER, PELLAR_MEDIA_HOST, PELLAR_STORE_HOSTS,
// PELLAR_REDIRECTOR_HOST, PELLAR_MAP_PREFIXES, PELLAR_VIDEO_HOSTS; lists are
// comma-separated), and the built-in defaults point at the demo service on
// loopback. An embedding application may change any of it through the
// library's settings API, which overrides the environment. Tests install
// their own configuration.
class PellarEndpoints {
public:
    struct Configuration {
        // The ad server's full request URL, scheme http, path "/ad_request".
        std::string adServerURL;
        // The static media host's base URL, without a trailing "/".
        std::string mediaHostURL;
        // The store's web hosts; the first is the primary web host.
        std::vector<std::string> storeHosts;
        // The affiliate link service whose links redirect to the store.
        std::string redirectorHost;
        // Host prefixes of the map service (each ends in a dot and is matched
        // against the host's start; one holding "://" is matched against the
        // whole address instead), and the hosts of the video service.
        std::vector<std::string> mapServicePrefixes;
        std::vector<std::string> videoHosts;
    };

    static constexpr const char* kDefaultAdServerURL = "http://127.0.0.1:8457/ad_request";
    static constexpr const char* kDefaultMediaHostURL = "http://127.0.0.1:8457";
    static constexpr const char* kAdRequestPath = "/ad_request";
    static constexpr const char* kBrowserIconPath = "/static/mobile/browser/";
    static constexpr const char* kActionIconPath = "/static/mobile/img/";
    static constexpr const char* kStringsTablePath = "/static/mobile/i18n/20091130/";
    static constexpr const char* kCanvasPagePath = "/static/mobile/canvas.html";

    static Configuration configuration();
    static void setConfiguration(Configuration);
    // Changes the configuration in one step, under the lock.
    static void update(const std::function<void(Configuration&)>& change);
    // The defaults with the environment's values laid over them.
    static Configuration configurationFromEnvironment();
    static Configuration defaultConfiguration();

    static std::string adServerURL() { return configuration().adServerURL; }
    static std::string mediaHostURL() { return configuration().mediaHostURL; }
    static std::vector<std::string> storeHosts() { return configuration().storeHosts; }
    static std::string primaryStoreHost();
    static std::string redirectorHost() { return configuration().redirectorHost; }
    static std::vector<std::string> mapServicePrefixes() { return configuration().mapServicePrefixes; }
    static std::vector<std::string> videoHosts() { return configuration().videoHosts; }

    // URLs on the static media host. Names are joined as given: callers
    // escape them first.
    static std::string browserIconURL(const std::string& name);
    static std::string actionIconURL(const std::string& name);
    static std::string stringsTableURL(const std::string& escapedLanguage);
    static std::string canvasPageURL();

    PellarEndpoints() = delete;

private:
    static std::mutex& lock();
    static Configuration& current();
};
