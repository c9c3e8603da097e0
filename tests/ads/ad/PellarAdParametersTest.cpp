#include "tests/ads/ad/AdTestSupport.h"

#include "ads/core/PellarAdParameters.h"
#include "json/JSONSerializer.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

struct LocationHost final : PellarDelegate {
    std::string publisherId() override { return "p"; }
    std::optional<bool> mayAskForLocation() override { return mayAsk; }
    std::optional<bool> mayAsk;
};

// Answers its identifier, then fails while being asked for its location.
struct FailingLocationHost final : PellarDelegate {
    std::string publisherId() override { return "p"; }
    std::optional<bool> mayAskForLocation() override { throw std::runtime_error("no settings"); }
};

using PellarAdParametersTest = AdFixture;

TEST_F(PellarAdParametersTest, HostGoneOrFailingGivesNoParametersInsteadOfThrowing)
{
    EXPECT_EQ(PellarAdParameters::forRequest(nullptr, PellarAdFormat::Bar), std::nullopt);
    EXPECT_TRUE(PellarAdParameters::userDemographicInfo(nullptr).empty());

    std::weak_ptr<PellarDelegate> gone;
    {
        auto host = std::make_shared<MinimalHost>();
        gone = host;
        EXPECT_TRUE(PellarAdParameters::forRequest(host, PellarAdFormat::Bar).has_value());
    }
    EXPECT_EQ(PellarAdParameters::forRequest(gone.lock(), PellarAdFormat::Bar), std::nullopt);

    // A failure half-way through gives nothing rather than half a request.
    EXPECT_EQ(
        PellarAdParameters::forRequest(std::make_shared<FailingLocationHost>(), PellarAdFormat::Bar), std::nullopt);
}

TEST_F(PellarAdParametersTest, FormatNamesTheAdType)
{
    auto host = std::make_shared<MinimalHost>();
    auto adType = [&](PellarAdFormat format) {
        auto parameters = PellarAdParameters::forRequest(host, format).value();
        for (auto& [key, value] : parameters)
            if (key == "ad_type")
                return value;
        return std::string("(missing)");
    };
    EXPECT_EQ(adType(PellarAdFormat::Bar), "bar");
    EXPECT_EQ(adType(PellarAdFormat::FullScreen), "full_screen");
}

TEST_F(PellarAdParametersTest, OptionalKeysAndPositionFollowTheHostsAnswers)
{
    // useTestAd NO hides the test action; a host location of nil hides the cache's.
    auto fullHost = std::make_shared<FullHost>();
    fullHost->testAd = false;
    fullHost->hostLocation = std::optional<Location>();
    auto& manager = PellarLocationManager::sharedManager();
    manager.setLocationString("48.100000,11.600000");
    manager.setLastUpdated(Date::now().addingTimeInterval(-3600));
    auto parameters = PellarAdParameters::forRequest(fullHost, PellarAdFormat::Bar).value();
    for (auto& [key, value] : parameters)
        EXPECT_TRUE(key != "m" && key != "test_action" && !key.starts_with("d[coord")) << key;

    // Without the host's own location the cache is used, with its time stamp,
    // but only when the host allows it and the service is on.
    auto locationHost = std::make_shared<LocationHost>();
    EXPECT_TRUE(PellarAdParameters::userDemographicInfo(locationHost).empty()); // mayAskForLocation not implemented
    locationHost->mayAsk = false;
    EXPECT_TRUE(PellarAdParameters::userDemographicInfo(locationHost).empty());
    locationHost->mayAsk = true;
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%f", Date::now().addingTimeInterval(-3600).timeIntervalSince1970());
    EXPECT_EQ(PellarAdParameters::userDemographicInfo(locationHost),
        (PellarAdParameters::Entries { { "d[coord]", "48.100000,11.600000" }, { "d[coord_timestamp]", stamp } }));
    EXPECT_EQ(locationSource->startCount(), 0); // an hour old is fresh
    locationSource->setLocationServicesEnabled(false);
    EXPECT_TRUE(PellarAdParameters::userDemographicInfo(locationHost).empty());
}

TEST_F(PellarAdParametersTest, QueryEscapingPassesReservedCharactersAndEncodesTheRest)
{
    EXPECT_EQ(PellarAdParameters::queryString({}), "");
    EXPECT_EQ(PellarAdParameters::queryString({ { "k", "a&b=c d" }, { "p%", "#1" }, { "n", "Café" } }),
        "k=a&b=c%20d&p%25=%231&n=Caf%C3%A9");
    // The JSON form keeps the text as it is.
    auto dictionary = PellarAdParameters::dictionary({ { "k", "a&b" }, { "n", "Café" } });
    EXPECT_EQ(JSONSerializer().serializeDictionary(dictionary), R"({"k":"a&b","n":"Café"})");
}

} // namespace
