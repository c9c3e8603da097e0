#pragma once

#include "ads/core/PellarAdFormat.h"
#include "json/JSONValue.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class PellarDelegate;

// The parameters of an ad request, built from the host's answers, the
// bundle, the device, the language and the location, and their query-string
// and JSON forms. Holds no state of its own: every call reads the host and
// the library's shared objects as they are at that moment.
class PellarAdParameters final {
public:
    // In the order they were entered; a key entered again keeps its place
    // and takes the new value.
    using Entries = std::vector<std::pair<std::string, std::string>>;

    static constexpr const char* kSDKVersionParameter = "20091130-SDK-e41b7c09d2a6f385";
    // Partner components the ad server wants to hear about when the host links them.
    static constexpr const char* kBannerRotatorClassName = "BannerRotatorView";
    static constexpr const char* kRewardConnectClassName = "RewardConnect";

    // Every parameter of a request for an ad of this format. nullopt when
    // there is nothing to build from: the host is gone, or it failed while
    // answering (threw).
    static std::optional<Entries> forRequest(const std::shared_ptr<PellarDelegate>& host, PellarAdFormat);
    // The demographic part: position, postal code, area code, gender, date
    // of birth. Empty when the host is gone.
    static Entries userDemographicInfo(const std::shared_ptr<PellarDelegate>& host);

    // The ad request's URL: the host's own endpoint when it gives one, else
    // the configured ad server, then "?" and the query. A host that is gone
    // or cannot answer its settings still gets a request, with an empty query.
    static std::string requestURL(const std::shared_ptr<PellarDelegate>& host, PellarAdFormat);

    // "key=value&..." with keys and values percent-escaped; no leading "?".
    static std::string queryString(const Entries&);
    // The parameters as a JSON object, for sending them as click data.
    static JSONValue dictionary(const Entries&);

    PellarAdParameters() = delete;
};
