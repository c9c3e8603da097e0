#include "ads/core/PellarAdParameters.h"

#include "ads/core/PellarAppData.h"
#include "ads/core/PellarClassRegistry.h"
#include "ads/core/PellarDelegate.h"
#include "ads/core/PellarEndpoints.h"
#include "ads/core/PellarLocalizer.h"
#include "ads/core/PellarLocationManager.h"
#include "platform/foundation/PercentEscaping.h"

#include <cstdio>
#include <exception>

namespace {

// Enters a parameter, replacing the value of a key entered before.
void setParameter(PellarAdParameters::Entries& parameters, std::string key, std::string value)
{
    for (auto& entry : parameters) {
        if (entry.first == key) {
            entry.second = std::move(value);
            return;
        }
    }
    parameters.emplace_back(std::move(key), std::move(value));
}

// Text that has an ASCII form is escaped in it, so "&" and "=" pass and a
// space becomes %20. Text outside ASCII (an accented application name) has
// no ASCII form; it goes out as escaped UTF-8 bytes rather than as a
// placeholder that would lose the value.
std::string escapedForQuery(const std::string& text)
{
    if (auto ascii = PercentEscaping::addingPercentEscapesASCII(text))
        return *ascii;
    return PercentEscaping::addingPercentEscapesUTF8(text);
}

PellarAdParameters::Entries buildEntries(const std::shared_ptr<PellarDelegate>& hostPointer, PellarAdFormat format)
{
    PellarDelegate& host = *hostPointer;
    PellarAdParameters::Entries parameters;
    parameters.reserve(23);
    setParameter(parameters, "s", host.publisherId());
    setParameter(parameters, "f", "jsonp");
    setParameter(parameters, "v", PellarAdParameters::kSDKVersionParameter);
    setParameter(parameters, "ex", "1");
    setParameter(parameters, "client_sdk", "1");
    setParameter(parameters, "ad_type", format == PellarAdFormat::Bar ? "bar" : "full_screen");
    if (PellarClassRegistry::classExists(PellarAdParameters::kBannerRotatorClassName))
        setParameter(parameters, "pub_data[rv]", "1");
    if (PellarClassRegistry::classExists(PellarAdParameters::kRewardConnectClassName))
        setParameter(parameters, "pub_data[rc]", "1");
    if (auto identifier = PellarAppData::deviceUniqueIdentifier())
        setParameter(parameters, "isu", *identifier);

    auto& appData = PellarAppData::sharedAppData();
    if (appData.bundleDisplayName())
        setParameter(parameters, "pub_data[display_name]", *appData.bundleDisplayName());
    if (appData.bundleName())
        setParameter(parameters, "pub_data[name]", *appData.bundleName());
    if (appData.bundleIdentifier())
        setParameter(parameters, "pub_data[identifier]", *appData.bundleIdentifier());

    if (host.useTestAd().value_or(false)) {
        setParameter(parameters, "m", "test");
        if (auto action = host.testAdAction(); action && *action)
            setParameter(parameters, "test_action", **action);
    }

    for (auto& [key, value] : PellarAdParameters::userDemographicInfo(hostPointer))
        setParameter(parameters, key, value);

    if (auto& language = PellarLocalizer::sharedLocalizer().preferredLanguage())
        setParameter(parameters, "l", *language);
    if (auto search = host.searchString(); search && *search)
        setParameter(parameters, "search", **search);
    if (auto keywords = host.keywords(); keywords && *keywords)
        setParameter(parameters, "k", **keywords);
    return parameters;
}

} // namespace

std::optional<PellarAdParameters::Entries> PellarAdParameters::forRequest(
    const std::shared_ptr<PellarDelegate>& host, PellarAdFormat format)
{
    if (!host)
        return std::nullopt;
    try {
        return buildEntries(host, format);
    } catch (const std::exception&) {
        // The host's own code failed while answering. The request still goes
        // out, without parameters, rather than the failure escaping into the
        // run loop; the server decides what such a request is worth.
        return std::nullopt;
    }
}

PellarAdParameters::Entries PellarAdParameters::userDemographicInfo(const std::shared_ptr<PellarDelegate>& host)
{
    Entries info;
    if (!host)
        return info;

    if (host->mayAskForLocation().value_or(false)) {
        if (auto hostLocation = host->location()) {
            // The host's own answer rules: nil means no position at all, and
            // the library's cache is not asked.
            if (*hostLocation)
                setParameter(info, "d[coord]", PellarLocationManager::stringForLocation(**hostLocation));
        } else {
            auto& manager = PellarLocationManager::sharedManager();
            if (manager.locationServicesEnabled()) {
                manager.updateIfAppropriate();
                auto location = manager.locationString();
                auto updated = manager.lastUpdated();
                if (location && updated) {
                    char stamp[64];
                    std::snprintf(stamp, sizeof stamp, "%f", updated->timeIntervalSince1970());
                    setParameter(info, "d[coord]", *location);
                    setParameter(info, "d[coord_timestamp]", stamp);
                }
            }
        }
    }

    if (auto value = host->postalCode(); value && *value)
        setParameter(info, "d[pc]", **value);
    if (auto value = host->areaCode(); value && *value)
        setParameter(info, "d[ac]", **value);
    if (auto value = host->gender(); value && *value)
        setParameter(info, "d[gender]", **value);
    if (auto value = host->dateOfBirth(); value && *value)
        setParameter(info, "d[dob]", (*value)->formatted("%Y%m%d", true));
    return info;
}

std::string PellarAdParameters::requestURL(const std::shared_ptr<PellarDelegate>& host, PellarAdFormat format)
{
    // Without parameters the server decides what the request is worth.
    auto parameters = forRequest(host, format);
    std::string query = parameters ? queryString(*parameters) : std::string();

    std::string base = PellarEndpoints::adServerURL();
    if (host) {
        if (auto endpoint = host->adserverEndpoint()) {
            // Used as the host gives it. A nil answer leaves no URL to ask,
            // and the request fails like any unusable URL.
            base = endpoint->value_or("(null)");
        }
    }
    return base + "?" + query;
}

std::string PellarAdParameters::queryString(const Entries& parameters)
{
    std::string query;
    for (size_t index = 0; index < parameters.size(); ++index) {
        if (index)
            query += '&';
        query += escapedForQuery(parameters[index].first);
        query += '=';
        query += escapedForQuery(parameters[index].second);
    }
    return query;
}

JSONValue PellarAdParameters::dictionary(const Entries& parameters)
{
    std::vector<std::pair<std::string_view, JSONValue>> members;
    members.reserve(parameters.size());
    for (auto& [key, value] : parameters)
        members.emplace_back(key, JSONValue::string(value));
    return JSONValue::dictionary(members);
}
