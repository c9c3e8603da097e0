#pragma once

#include <optional>
#include <string>

class URL;

// The browser's decisions that need no web view: where a navigation goes,
// which message a failed load shows, and the e-mail link for a page. The
// browser controller asks these and carries out the answers.
class PellarBrowserRules {
public:
    // What to do with a navigation the web view is about to start.
    struct Decision {
        // The web view may load the URL.
        bool allowLoad { true };
        // The URL goes to the system's URL handler as well.
        bool openWithSystem { false };
        // The URL is a store link: a cleaner follows it and hands the clean
        // link to the system.
        bool cleanStoreLink { false };

        bool operator==(const Decision&) const = default;
    };

    // The rules, first match wins: "file" is refused; "about" stays; any
    // other scheme but http and https goes to the system when the system
    // policy allows it and is refused otherwise; the map service and video
    // links ("/watch", "/v/" on the video hosts) go to the system; store
    // links go to a cleaner; everything else stays in the browser. What goes
    // to the system or the cleaner is not loaded in the browser.
    // Comparisons are exact and case-sensitive.
    static Decision decisionForURL(const URL&);

    // The English text (the localizer's key) of the alert for a failed load
    // with this URL-loading error code; nullopt for a cancelled load, which
    // shows nothing.
    static std::optional<std::string> pageErrorMessageForCode(int code);

    // "mailto:?subject=<title>&body=<page address>", each value escaped as
    // UTF-8 so that it stays one query value.
    static std::string mailURL(const std::string& pageTitle, const std::string& pageAddress);

    // Whether the host matches a map-service prefix. A prefix with "://" is
    // compared with the start of the whole address, any other with the start
    // of the host.
    static bool isMapServiceURL(const URL&);
    // A video-host URL whose path starts with "/watch" or "/v/".
    static bool isVideoURL(const URL&);

    PellarBrowserRules() = delete;
};
