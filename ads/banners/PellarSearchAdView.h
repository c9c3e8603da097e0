#pragma once

#include "ads/banners/PellarOldSchoolSingleAdView.h"

#include <memory>

class ImageView;

// The search banner: a picture of a search field. The ad's icon sits as a
// bevelled tile at the left on the bar's own background, then a search bar
// tinted in the ad's colour with the ad's text as placeholder, then the
// attribution at the right. The picture is composed once, when the ad is
// set, and drawn from then on. A tap opens the search screen through the
// ad's owner rather than reporting a click: the search itself is the click.
// There is no action icon, so a tap shows neither pulse nor spinner.
class PellarSearchAdView final : public PellarOldSchoolSingleAdView {
public:
    static constexpr double kAttributionFontSize = 9.5;
    static constexpr double kAttributionWrapWidth = 40;
    static constexpr double kRightMargin = 4;
    static constexpr double kBarAttributionGap = 4;
    // The attribution is drawn in a box this many times its wrapped height.
    static constexpr double kAttributionHeightFactor = 2.2;

    explicit PellarSearchAdView(const Rect& frame);

    // Keeps the ad and composes the picture.
    void setAd(std::shared_ptr<PellarAd>) override;
    void drawRect(const Rect&) override;
    // Opens the search screen; the recorded touches are neither sent nor cleared.
    void clickDidHappen() override;

    const std::shared_ptr<ImageView>& searchAdImage() const { return m_searchAdImage; }
    // Where the picture's search bar and attribution are, for the ad set last.
    const Rect& searchBarRect() const { return m_searchBarRect; }
    const Rect& attributionRect() const { return m_attributionRect; }

private:
    void composePicture();

    std::shared_ptr<ImageView> m_searchAdImage;
    Rect m_searchBarRect;
    Rect m_attributionRect;
};
