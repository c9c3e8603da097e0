#pragma once

#include "ads/banners/PellarSingleAdView.h"
#include "platform/ui/graphics/Rect.h"

#include <memory>

class JSONValue;
class PellarAd;
class PellarController;
class PellarDelegate;
class PellarFlexAd;
class PellarFlexAdDelegate;

// The one place the library's core reaches concrete banners: it picks the
// view that shows a loaded ad, and makes the flexible ad that a "markup"
// answer describes. A new kind of banner is its own files plus one line here.
class PellarBannerFactory final {
public:
    // The banner for a loaded ad, filling `frame`, clicking through `controller`.
    static std::shared_ptr<PellarSingleAdView> createBannerForAd(
        const std::shared_ptr<PellarAd>&, const Rect& frame, std::weak_ptr<PellarController>);

    // Makes the flexible ad into `holder` and starts its build. The holder
    // is set first, so a build that answers at once finds the ad held.
    static void loadFlexAd(std::shared_ptr<PellarFlexAd>& holder, const JSONValue& markup,
        std::weak_ptr<PellarFlexAdDelegate>, std::weak_ptr<PellarDelegate> host, const Rect& frame);

    PellarBannerFactory() = delete;
};
