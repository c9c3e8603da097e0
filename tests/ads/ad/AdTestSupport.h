#pragma once

#include "ads/core/PellarAd.h"
#include "ads/core/PellarAdDelegate.h"
#include "ads/core/PellarClassRegistry.h"
#include "ads/core/PellarDelegate.h"
#include "ads/core/PellarEndpoints.h"
#include "ads/core/PellarImageCache.h"
#include "ads/core/PellarLocalizer.h"
#include "ads/core/PellarLocationManager.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/location/ScriptedLocationSource.h"
#include "platform/ui/graphics/Image.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/RunLoopFixture.h"
#include "tests/support/TempDir.h"

#include <cairo.h>

// The ad's owner, recording every report.
struct RecordingOwner final : PellarAdDelegate {
    Size adSize() override { return { 320, 48 }; }
    void adDidLoad(PellarAd&) override { ++loaded; }
    void adDidFailToLoad(PellarAd&) override { ++failed; }
    void clickDidSucceed(PellarAd& ad, const std::optional<JSONValue>& answer) override
    {
        ++clicksSucceeded;
        response = answer;
        stateDuringReport = ad.state();
    }
    void clickDidFail(PellarAd& ad) override
    {
        ++clicksFailed;
        stateDuringReport = ad.state();
    }

    int loaded { 0 };
    int failed { 0 };
    int clicksSucceeded { 0 };
    int clicksFailed { 0 };
    std::optional<JSONValue> response;
    int stateDuringReport { -1 };
};

// A host that implements only the required operation.
struct MinimalHost : PellarDelegate {
    std::string publisherId() override { return "pub-1"; }
};

// PNG bytes of a w × h image of one colour.
inline std::string pngOfSize(int width, int height)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.2, 0.4, 0.8);
    cairo_paint(cr);
    cairo_destroy(cr);
    auto image = Image::fromSurface(surface);
    cairo_surface_destroy(surface);
    return image->encodePNG().value();
}

// Everything an ad touches, pointed at a loopback server and a fresh data
// directory: the browser icons and the strings table are already cached, so
// the only traffic is the ad's own.
class AdFixture : public RunLoopFixture {
protected:
    void SetUp() override
    {
        RunLoopFixture::SetUp();
        Paths::setDataDirectoryOverride(dataDirectory.path());
        auto configuration = PellarEndpoints::defaultConfiguration();
        configuration.adServerURL = server.url("/ad_request");
        configuration.mediaHostURL = server.url("/m");
        PellarEndpoints::setConfiguration(configuration);

        UserDefaults::standardUserDefaults().setStringArray({ "en" }, UserDefaults::kLanguagesKey);
        PellarLocalizer::sharedLocalizer().resetForTesting();
        Paths::writeFileAtomically(PellarLocalizer::sharedLocalizer().stringsPathForLanguage("en"), "");
        locationSource = std::make_shared<ScriptedLocationSource>();
        PellarLocationManager::sharedManager().resetForTesting(locationSource);
        PellarClassRegistry::removeAllClasses();

        for (const char* name : PellarAd::browserIcons())
            PellarImageCache::sharedCache().storeImage(pngOfSize(4, 4), name);
        server.respond("/icon.png", { .body = pngOfSize(38, 38), .contentType = "image/png" });
        server.respond("/banner.png", { .body = pngOfSize(320, 48), .contentType = "image/png" });
        server.respond("/m/static/mobile/img/url.png", { .body = pngOfSize(38, 38), .contentType = "image/png" });
    }
    void TearDown() override
    {
        ad.reset();
        RunLoopFixture::TearDown();
        Paths::setDataDirectoryOverride(std::nullopt);
    }

    std::shared_ptr<PellarAd> startAd(std::shared_ptr<PellarDelegate> withHost)
    {
        host = std::move(withHost);
        ad = PellarAd::create(PellarAdFormatBar);
        ad->setDelegate(host);
        ad->setAdDelegate(owner);
        ad->request();
        return ad;
    }
    bool waitUntil(const std::function<bool()>& condition) { return loop().runUntil(condition, 10.0); }
    bool waitForOutcome()
    {
        return waitUntil([&] { return owner->loaded + owner->failed > 0; });
    }
    void answerAdRequest(std::string body, int status = 200)
    {
        server.respond("/ad_request", { .status = status, .body = std::move(body), .contentType = "application/json" });
    }

    TempDir dataDirectory;
    LoopbackServer server;
    std::shared_ptr<ScriptedLocationSource> locationSource;
    std::shared_ptr<RecordingOwner> owner { std::make_shared<RecordingOwner>() };
    std::shared_ptr<PellarDelegate> host;
    std::shared_ptr<PellarAd> ad;
};
