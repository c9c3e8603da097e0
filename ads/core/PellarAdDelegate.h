#pragma once

#include "base/Error.h"
#include "platform/ui/graphics/Size.h"
#include "json/JSONValue.h"

#include <optional>
#include <string>

class PellarAd;

// How an ad reports to its owner (the ad controller): whether it loaded, and
// how the recording of a click went. The owner also tells a flexible ad how
// big its banner is. All calls come on the main thread; the ad keeps itself
// alive for the duration of each call, so the owner may drop it inside one.
class PellarAdDelegate {
public:
    virtual ~PellarAdDelegate() = default;

    // The banner size a flexible ad lays itself out in.
    virtual Size adSize() = 0;
    // The ad is ready to show.
    virtual void adDidLoad(PellarAd&) = 0;
    // The ad failed, for the reason given (a download's error, the ad's own
    // kPellarAdErrorDomain, or a flexible ad's).
    virtual void adDidFailToLoad(PellarAd&, const Error&) = 0;
    // The server recorded the click. `response` is its answer when that was a
    // JSON object, else nullopt.
    virtual void clickDidSucceed(PellarAd&, const std::optional<JSONValue>& response) = 0;
    // The click could not be recorded.
    virtual void clickDidFail(PellarAd&) = 0;

    // Optional, sent by the search banner rather than the ad: open the search
    // screen. Answers false when the owner does not implement it.
    virtual bool displaySearchWithAd(PellarAd&, const std::optional<std::string>& /*placeholderText*/,
        const std::optional<std::string>& /*webpageURL*/)
    {
        return false;
    }
};
