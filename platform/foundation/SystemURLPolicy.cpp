#include "platform/foundation/SystemURLPolicy.h"

#include "platform/foundation/GRefPtr.h"
#include "platform/foundation/Log.h"

#include <glib.h>

#include <array>
#include <mutex>
#include <set>

namespace {

// Schemes whose handlers only show something to the user (a page, a draft
// mail, a dial or message screen) and run nothing from the link itself.
constexpr std::array<std::string_view, 5> kSystemSchemes { "http", "https", "mailto", "tel", "sms" };

std::mutex& extraSchemesLock()
{
    static std::mutex lock;
    return lock;
}

std::set<std::string, std::less<>>& extraSchemes()
{
    static std::set<std::string, std::less<>> schemes;
    return schemes;
}

bool isWebScheme(std::string_view scheme)
{
    return scheme == "http" || scheme == "https";
}

} // namespace

std::optional<std::string> SystemURLPolicy::schemeOf(std::string_view url)
{
    // scheme = ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ) ":"
    if (url.empty() || !g_ascii_isalpha(url.front()))
        return std::nullopt;
    size_t length = 1;
    while (length < url.size()
        && (g_ascii_isalnum(url[length]) || url[length] == '+' || url[length] == '-' || url[length] == '.'))
        ++length;
    if (length >= url.size() || url[length] != ':')
        return std::nullopt;
    std::string scheme(url.substr(0, length));
    for (char& c : scheme)
        c = g_ascii_tolower(c);
    return scheme;
}

bool SystemURLPolicy::mayOpenWithSystem(std::string_view url)
{
    auto scheme = schemeOf(url);
    if (!scheme)
        return false;
    bool listed = false;
    for (auto allowed : kSystemSchemes)
        listed = listed || *scheme == allowed;
    if (!listed) {
        std::lock_guard guard(extraSchemesLock());
        listed = extraSchemes().contains(*scheme);
    }
    if (!listed)
        return false;
    if (!isWebScheme(*scheme))
        return true;
    // A web link must name a host; "http:/etc/passwd" names a file.
    std::string text(url);
    auto uri = adoptGRef(g_uri_parse(text.c_str(), G_URI_FLAGS_ENCODED, nullptr));
    if (!uri)
        return false;
    const char* host = g_uri_get_host(uri.get());
    bool hasHost = host && *host;
    return hasHost;
}

void SystemURLPolicy::allowScheme(std::string_view scheme)
{
    std::string lower(scheme);
    for (char& c : lower)
        c = g_ascii_tolower(c);
    std::lock_guard guard(extraSchemesLock());
    extraSchemes().insert(std::move(lower));
}

bool SystemURLPolicy::checkOpenWithSystem(std::string_view url)
{
    if (mayOpenWithSystem(url))
        return true;
    if (auto scheme = schemeOf(url))
        Log::write("Refused to open a link with the scheme \"" + Log::excerpt(*scheme, 40) + "\" with the system");
    else
        Log::write("Refused to open a link without a scheme with the system");
    return false;
}
