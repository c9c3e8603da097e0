#include "ads/clickthrough/PellarAlertText.h"

#include "ads/core/PellarLocalizer.h"

std::string PellarAlertText::localized(const std::string& english)
{
    return PellarLocalizer::sharedLocalizer().localizedStringForKey(english);
}

std::string PellarAlertText::localizedFormat(const std::string& english, const std::string& value)
{
    std::string text = localized(english);
    if (auto at = text.find("%@"); at != std::string::npos)
        text.replace(at, 2, value);
    return text;
}
