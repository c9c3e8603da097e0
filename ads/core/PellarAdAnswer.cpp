#include "ads/core/PellarAdAnswer.h"

#include "platform/foundation/ServerText.h"

namespace {

// The answer's values are strings; anything else counts as missing.
std::optional<std::string> stringValue(const JSONValue& answer, const char* key)
{
    auto value = answer.find(key);
    if (!value || !value->isString())
        return std::nullopt;
    return std::string(value->stringValue());
}

std::optional<std::string> nonEmptyStringValue(const JSONValue& answer, const char* key)
{
    auto value = stringValue(answer, key);
    if (value && value->empty())
        return std::nullopt;
    return value;
}

std::optional<std::string> displayValue(const JSONValue& answer, const char* key, size_t maxCharacters)
{
    auto value = answer.find(key);
    if (!value || !value->isString())
        return std::nullopt;
    return ServerText::forDisplay(value->stringValue(), maxCharacters);
}

bool hasKey(const JSONValue& answer, const char* key)
{
    return answer.find(key).has_value();
}

} // namespace

std::optional<std::string> PellarAdAnswer::imageURL(const std::string& mediaHostURL) const
{
    if (bannerURL)
        return bannerURL;
    if (textImagePath)
        return mediaHostURL + *textImagePath;
    return std::nullopt;
}

PellarAdAnswer PellarAdAnswer::fromJSON(const JSONValue& answer)
{
    // find() answers nothing on a value that is not an object, so such an
    // answer reads as one with every key missing.
    PellarAdAnswer result;
    // Texts the banner draws are cut and cleaned before anything measures them.
    result.text = displayValue(answer, kTextKey, ServerText::kAdTextLength);
    result.action = stringValue(answer, kActionKey);
    result.clickAction = clickActionFromName(result.action);
    result.actionImageName = stringValue(answer, kActionImageNameKey);
    if (!result.actionImageName)
        result.actionImageName = result.action;
    result.userString = stringValue(answer, kUserStringKey);
    result.jsonpUrl = stringValue(answer, kJsonpURLKey);
    result.suggestionUrl = stringValue(answer, kSuggestionURLKey);
    result.searchPlaceholder = displayValue(answer, kSearchPlaceholderKey, ServerText::kPlaceholderLength);
    result.searchHelpURL = stringValue(answer, kSearchHelpURLKey);

    if (hasKey(answer, kBannerKey)) {
        result.medium = PellarAdMedium::Banner;
        result.bannerURL = stringValue(answer, kBannerKey);
    } else if (hasKey(answer, kTextImagePathKey)) {
        result.medium = PellarAdMedium::Text;
        result.textImagePath = stringValue(answer, kTextImagePathKey);
    }
    if (hasKey(answer, kSearchKey))
        result.medium = PellarAdMedium::Search;

    result.accountingPixelUrl = nonEmptyStringValue(answer, kAccountingPixelURLKey);
    result.trackingPixelUrl = nonEmptyStringValue(answer, kTrackingPixelURLKey);
    if (auto markup = answer.find(kMarkupKey); markup && markup->isDictionary())
        result.markup = *markup;
    return result;
}

PellarAdAnswer::Click PellarAdAnswer::clickFromJSON(const std::optional<JSONValue>& answer)
{
    Click click;
    if (!answer)
        return click;
    if (auto redirect = answer->find(kRedirectURLKey)) {
        if (redirect->isString())
            click.redirectURL = std::string(redirect->stringValue());
        else
            click.redirectIsMalformed = true;
    }
    click.acquisitionURL = stringValue(*answer, kAcquisitionURLKey);
    click.contact = answer->find(kContactKey);
    return click;
}
