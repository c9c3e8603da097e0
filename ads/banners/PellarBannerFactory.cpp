#include "ads/banners/PellarBannerFactory.h"

#include "ads/banners/PellarOldSchoolSingleAdView.h"
#include "ads/banners/PellarSearchAdView.h"
#include "ads/core/PellarAd.h"
#include "ads/flex/PellarFlexAd.h"
#include "ads/flex/PellarFlexAdContainerView.h"

std::shared_ptr<PellarSingleAdView> PellarBannerFactory::createBannerForAd(
    const std::shared_ptr<PellarAd>& ad, const Rect& frame, std::weak_ptr<PellarController> controller)
{
    // A flexible ad shows the container it built, a search ad the search
    // banner, every other ad the classic banner.
    std::shared_ptr<PellarSingleAdView> banner;
    if (auto container = ad->flexAd() ? ad->flexAd()->takeContainerView() : nullptr) {
        banner = std::move(container);
        banner->setFrame(frame);
    } else if (ad->medium() == PellarAdMedium::Search) {
        banner = View::make<PellarSearchAdView>(frame);
    } else {
        banner = View::make<PellarOldSchoolSingleAdView>(frame);
    }
    banner->setAd(ad);
    banner->setController(std::move(controller));
    return banner;
}

void PellarBannerFactory::loadFlexAd(std::shared_ptr<PellarFlexAd>& holder, const JSONValue& markup,
    std::weak_ptr<PellarFlexAdDelegate> delegate, std::weak_ptr<PellarDelegate> host, const Rect& frame)
{
    holder = PellarFlexAd::create(markup, std::move(delegate), std::move(host), frame);
    auto flexAd = holder; // the build may report at once, and the report may drop the holder's owner's copy
    flexAd->buildFlexAd();
}
