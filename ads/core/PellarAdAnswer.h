#pragma once

#include "ads/core/PellarAdMedium.h"
#include "ads/core/PellarClickAction.h"
#include "json/JSONValue.h"

#include <optional>
#include <string>

// The ad server's answer to an ad request, read once. The answer is read
// tolerantly: a value of the wrong type counts as missing, and whether the
// ad can be shown is for the ad to decide. The wire keys are declared here
// and nowhere else.
struct PellarAdAnswer {
    // Keys of the answer to an ad request.
    static constexpr const char* kTextKey = "text";
    static constexpr const char* kActionKey = "6";
    static constexpr const char* kUserStringKey = "8";
    static constexpr const char* kActionImageNameKey = "18";
    static constexpr const char* kSearchKey = "20";
    static constexpr const char* kSearchPlaceholderKey = "21";
    static constexpr const char* kSearchHelpURLKey = "22";
    static constexpr const char* kTextImagePathKey = "204";
    static constexpr const char* kBannerKey = "banner";
    static constexpr const char* kJsonpURLKey = "jsonp_url";
    static constexpr const char* kSuggestionURLKey = "suggestion_url";
    static constexpr const char* kAccountingPixelURLKey = "cpm_url";
    static constexpr const char* kTrackingPixelURLKey = "tracking_pixel";
    static constexpr const char* kMarkupKey = "markup";
    // Keys of the answer to a recorded click.
    static constexpr const char* kRedirectURLKey = "redirect_url";
    static constexpr const char* kAcquisitionURLKey = "acquisition_url";
    static constexpr const char* kContactKey = "contact";

    // Anything but a JSON object gives an answer with every field missing.
    static PellarAdAnswer fromJSON(const JSONValue&);

    std::optional<std::string> text;
    std::optional<std::string> action;
    PellarClickAction clickAction { PellarClickAction::Other };
    // The action icon's name; the action's name when the answer gives none.
    std::optional<std::string> actionImageName;
    std::optional<std::string> userString;
    std::optional<std::string> jsonpUrl;
    std::optional<std::string> suggestionUrl;
    std::optional<std::string> searchPlaceholder;
    std::optional<std::string> searchHelpURL;
    // An image banner's "banner" key wins over a text ad's "204" key, and
    // the search key over both; without either image key the ad is text.
    PellarAdMedium medium { PellarAdMedium::Text };
    // At most one of these two, from the key that decided the medium; a
    // value that is not a string leaves it missing.
    std::optional<std::string> bannerURL;
    // Joined to the media host as it is, without a separator.
    std::optional<std::string> textImagePath;
    // The image to fetch: the banner's URL, or the text image's path on the
    // media host; nullopt when the answer names neither.
    std::optional<std::string> imageURL(const std::string& mediaHostURL) const;
    // The pixels; an empty URL counts as missing.
    std::optional<std::string> accountingPixelUrl;
    std::optional<std::string> trackingPixelUrl;
    // A flexible ad's description: only a JSON object counts.
    std::optional<JSONValue> markup;

    // The answer to a recorded click.
    struct Click {
        // A redirect that is not text cannot be a link: the click then ends as failed.
        bool redirectIsMalformed { false };
        std::optional<std::string> redirectURL;
        std::optional<std::string> acquisitionURL;
        // The "contact" action's record, as sent.
        std::optional<JSONValue> contact;
    };
    // Anything but a JSON object, and nothing at all, give an empty click answer.
    static Click clickFromJSON(const std::optional<JSONValue>&);
};
