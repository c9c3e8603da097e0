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
#include "tests/support/EnvironmentTest.h"

#include <cairo.h>
#include <ctime>

// The ad's owner, recording every report.
struct RecordingOwner final : PellarAdDelegate {
    Size adSize() override { return { 320, 48 }; }
    void adDidLoad(PellarAd&) override { ++loaded; }
    void adDidFailToLoad(PellarAd&, const Error&) override { ++failed; }
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
    std::optional<PellarAdState> stateDuringReport;
};

// A host that implements only the required operation.
struct MinimalHost : PellarDelegate {
    std::string publisherId() override { return "pub-1"; }
};

// A date at noon local time, so that the date of birth does not depend on the zone.
inline Date localNoon(int year, int month, int day)
{
    tm parts {};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = 12;
    parts.tm_isdst = -1;
    return Date(static_cast<double>(mktime(&parts)));
}

// A host that answers every optional operation.
struct FullHost final : PellarDelegate {
    std::string publisherId() override { return "a&b=c d"; }
    std::optional<bool> mayAskForLocation() override { return true; }
    std::optional<std::optional<Location>> location() override { return hostLocation; }
    std::optional<std::optional<std::string>> postalCode() override { return std::optional<std::string>("10115"); }
    std::optional<std::optional<std::string>> areaCode() override { return std::optional<std::string>("030"); }
    std::optional<std::optional<std::string>> gender() override { return std::optional<std::string>("f"); }
    std::optional<std::optional<Date>> dateOfBirth() override { return std::optional<Date>(localNoon(1980, 2, 29)); }
    std::optional<std::optional<std::string>> keywords() override { return std::optional<std::string>("food,drink"); }
    std::optional<std::optional<std::string>> searchString() override
    {
        return std::optional<std::string>("pizza place");
    }
    std::optional<bool> useTestAd() override { return testAd; }
    std::optional<std::optional<std::string>> testAdAction() override { return std::optional<std::string>("canvas"); }
    std::optional<std::optional<std::string>> adserverEndpoint() override { return endpoint; }

    std::optional<std::optional<Location>> hostLocation { std::optional<Location>(Location { 52.5, 13.4 }) };
    bool testAd { true };
    std::optional<std::optional<std::string>> endpoint;
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
class AdFixture : public EnvironmentTest {
protected:
    AdFixture()
        : EnvironmentTest({ .network = true })
    {
    }
    void SetUp() override
    {
        environment.setEndpoints(server.url("/ad_request"), server.url("/m"));
        UserDefaults::standardUserDefaults().setStringArray({ "en" }, UserDefaults::kLanguagesKey);
        PellarLocalizer::sharedLocalizer().resetForTesting();
        Paths::writeFileAtomically(PellarLocalizer::sharedLocalizer().stringsPathForLanguage("en"), "");

        for (const char* name : PellarAd::browserIcons())
            PellarImageCache::sharedCache().storeImage(pngOfSize(4, 4), name);
        server.respond("/icon.png", { .body = pngOfSize(38, 38), .contentType = "image/png" });
        server.respond("/banner.png", { .body = pngOfSize(320, 48), .contentType = "image/png" });
        server.respond("/m/static/mobile/img/url.png", { .body = pngOfSize(38, 38), .contentType = "image/png" });
    }
    void TearDown() override
    {
        ad.reset();
        EnvironmentTest::TearDown();
    }

    std::shared_ptr<PellarAd> startAd(std::shared_ptr<PellarDelegate> withHost)
    {
        host = std::move(withHost);
        ad = PellarAd::create(PellarAdFormat::Bar);
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

    const TempDir& dataDirectory { environment.dataDirectory() };
    LoopbackServer& server { environment.server() };
    std::shared_ptr<ScriptedLocationSource> locationSource { environment.locationSource() };
    std::shared_ptr<RecordingOwner> owner { std::make_shared<RecordingOwner>() };
    std::shared_ptr<PellarDelegate> host;
    std::shared_ptr<PellarAd> ad;
};
