#pragma once

#include "base/Error.h"
#include "platform/foundation/Date.h"
#include "platform/location/Location.h"
#include "platform/ui/graphics/Color.h"

#include <optional>
#include <string>

class PellarView;

// The host application's side of the ad library: its settings, and what it
// is told about the first ad and about full-screen click-through screens.
//
// Only publisherId() must be implemented. Every other operation has a default
// body without side effects that answers std::nullopt, which means "the host
// does not implement this"; the library asks an optional operation only where
// it would check that the host responds to it, and falls back to its own
// default otherwise. Where a nil answer differs from no implementation (the
// colours, the location), the answer type is itself nullable: the outer
// optional says "implemented", the inner one is the host's possibly-nil answer.
//
// The library never owns the host; the host must outlive every ad view it
// asked for. All calls come on the main thread.
class PellarDelegate {
public:
    virtual ~PellarDelegate() = default;

    // Required: the publisher's identifier, sent with every ad request.
    virtual std::string publisherId() = 0;

    // Notifications; a host that does not override them hears nothing.
    // Once, when the first ad of the view has loaded, before its banner shows.
    virtual void didReceiveAd(PellarView&) { }
    // Once, when the first ad of the view fails, with the cause (a download's
    // error, PellarAd's kPellarAdErrorDomain, or a flexible ad's); failed
    // refreshes are not told.
    virtual void didFailToReceiveAd(PellarView&, const Error&) { }
    // Just before a click-through screen takes the whole screen.
    virtual void willPresentFullScreenModal() { }
    // When such a screen begins to give the screen back, before its fade-out.
    virtual void didDismissFullScreenModal() { }

    // Appearance. An inner nullopt is a nil colour: the library's default.
    virtual std::optional<std::optional<Color>> adBackgroundColor() { return std::nullopt; }
    virtual std::optional<std::optional<Color>> primaryTextColor() { return std::nullopt; }
    virtual std::optional<std::optional<Color>> secondaryTextColor() { return std::nullopt; }
    // true selects the grey activity indicator shown while a click is processed.
    virtual std::optional<bool> useGraySpinner() { return std::nullopt; }
    virtual std::optional<std::optional<Color>> embeddedWebViewTintColor() { return std::nullopt; }
    // The platform's bar style (0 default, 1 black) of the browser and search screens.
    virtual std::optional<int> embeddedWebViewBarStyle() { return std::nullopt; }

    // Location: only a true from mayAskForLocation lets a position into the
    // request. When location() is not implemented the library's own location
    // cache is used; an inner nullopt is the host answering nil.
    virtual std::optional<bool> mayAskForLocation() { return std::nullopt; }
    virtual std::optional<std::optional<Location>> location() { return std::nullopt; }

    // Demographic and targeting fields of the ad request; an inner nullopt is nil.
    virtual std::optional<std::optional<std::string>> postalCode() { return std::nullopt; }
    virtual std::optional<std::optional<std::string>> areaCode() { return std::nullopt; }
    virtual std::optional<std::optional<std::string>> gender() { return std::nullopt; }
    virtual std::optional<std::optional<Date>> dateOfBirth() { return std::nullopt; }
    virtual std::optional<std::optional<std::string>> keywords() { return std::nullopt; }
    virtual std::optional<std::optional<std::string>> searchString() { return std::nullopt; }

    // Test ads.
    virtual std::optional<bool> useTestAd() { return std::nullopt; }
    virtual std::optional<std::optional<std::string>> testAdAction() { return std::nullopt; }

    // Not part of the published interface, but asked the same way: when the
    // host answers, the answer replaces the ad server's request URL.
    virtual std::optional<std::optional<std::string>> adserverEndpoint() { return std::nullopt; }
};
