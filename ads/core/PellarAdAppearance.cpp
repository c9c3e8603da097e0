#include "ads/core/PellarAdAppearance.h"

#include "ads/core/PellarDelegate.h"

Color PellarAdAppearance::backgroundColor(const std::shared_ptr<PellarDelegate>& host)
{
    // A nil answer counts as none.
    if (auto color = host ? host->adBackgroundColor() : std::nullopt; color && *color)
        return **color;
    return defaultBackgroundColor();
}

Color PellarAdAppearance::textColor(const std::shared_ptr<PellarDelegate>& host)
{
    if (auto color = host ? host->primaryTextColor() : std::nullopt; color && *color)
        return **color;
    return Color::whiteColor();
}

ActivityIndicatorViewStyle PellarAdAppearance::spinnerStyle(const std::shared_ptr<PellarDelegate>& host)
{
    if (host && host->useGraySpinner().value_or(false))
        return ActivityIndicatorViewStyle::Gray;
    return ActivityIndicatorViewStyle::White;
}
