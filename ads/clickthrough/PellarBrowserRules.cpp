#include "ads/clickthrough/PellarBrowserRules.h"

#include "ads/core/PellarEndpoints.h"
#include "ads/core/PellarStoreURLCleaner.h"
#include "platform/foundation/PercentEscaping.h"
#include "platform/foundation/SystemURLPolicy.h"
#include "platform/foundation/URL.h"
#include "platform/ui/controls/URLError.h"

#include <algorithm>

bool PellarBrowserRules::isMapServiceURL(const URL& url)
{
    const std::string host = url.host().value_or("");
    for (const std::string& prefix : PellarEndpoints::mapServicePrefixes()) {
        if (prefix.empty())
            continue;
        if (prefix.find("://") != std::string::npos) {
            if (url.absoluteString().starts_with(prefix))
                return true;
        } else if (host.starts_with(prefix)) {
            return true;
        }
    }
    return false;
}

bool PellarBrowserRules::isVideoURL(const URL& url)
{
    if (!url.host())
        return false;
    auto hosts = PellarEndpoints::videoHosts();
    if (std::find(hosts.begin(), hosts.end(), *url.host()) == hosts.end())
        return false;
    return url.path().starts_with("/watch") || url.path().starts_with("/v/");
}

PellarBrowserRules::Decision PellarBrowserRules::decisionForURL(const URL& url)
{
    const std::string scheme = url.scheme().value_or("");
    if (scheme == "file")
        return { .allowLoad = false };
    if (scheme == "about")
        return {};
    if (scheme != "http" && scheme != "https") {
        // Only what the desktop may safely act on leaves the browser; the
        // page cannot load the rest either ("javascript:", "data:", custom
        // schemes of installed applications).
        if (!SystemURLPolicy::checkOpenWithSystem(url.absoluteString()))
            return { .allowLoad = false };
        // Handed to the system and not loaded as well: the engine cannot show
        // "tel:" or "mailto:" and would report a failure right after the
        // hand-off worked.
        return { .allowLoad = false, .openWithSystem = true };
    }
    // What goes to the system is not loaded here as well: the browser stays
    // in front on a desktop, so the page would show twice, and a store host
    // that only the store application answers would end in an error alert
    // after the hand-off worked.
    if (isMapServiceURL(url) || isVideoURL(url))
        return { .allowLoad = false, .openWithSystem = true };
    if (PellarStoreURLCleaner::isStoreURL(url))
        return { .allowLoad = false, .cleanStoreLink = true };
    return {};
}

std::optional<std::string> PellarBrowserRules::pageErrorMessageForCode(int code)
{
    switch (code) {
    case URLErrorCancelled:
        return std::nullopt;
    case URLErrorBadURL:
    case URLErrorUnsupportedURL:
        return "That page is not supported.";
    case URLErrorTimedOut:
    case URLErrorCannotConnectToHost:
    case URLErrorNetworkConnectionLost:
    case URLErrorResourceUnavailable:
    case URLErrorNotConnectedToInternet:
    case URLErrorCannotLoadFromNetwork:
        return "Couldn't connect to that page.";
    case URLErrorFileDoesNotExist:
    case URLErrorFileIsDirectory:
        return "That file can't be displayed.";
    case URLErrorDataLengthExceedsMaximum:
        return "That page is too large to load.";
    default:
        break;
    }
    if (code <= URLErrorCannotCreateFile && code >= URLErrorCannotMoveFile)
        return "That file can't be displayed.";
    if (code <= URLErrorSecureConnectionFailed && code >= URLErrorServerCertificateNotYetValid)
        return "That page is not secure.";
    return "That page could not be loaded.";
}

// Escapes one query value. The URL-escaping of free text leaves the reserved
// characters alone, so a title such as "Fish & Chips" or an address with its
// own query ("?a=1&b=2") would split into extra fields of the mail link and
// lose its tail; those characters are escaped too.
static std::string escapeQueryValue(const std::string& text)
{
    std::string escaped = PercentEscaping::addingPercentEscapesUTF8(text);
    std::string result;
    result.reserve(escaped.size());
    for (char c : escaped) {
        switch (c) {
        case '&':
            result += "%26";
            break;
        case '=':
            result += "%3D";
            break;
        case '+':
            result += "%2B";
            break;
        default:
            result += c;
        }
    }
    return result;
}

std::string PellarBrowserRules::mailURL(const std::string& pageTitle, const std::string& pageAddress)
{
    return "mailto:?subject=" + escapeQueryValue(pageTitle) + "&body=" + escapeQueryValue(pageAddress);
}
