#include "platform/location/GeoClueLocationSource.h"
#include "platform/location/LocationSourceDelegate.h"
#include "platform/location/ScriptedLocationSource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

struct Recorder : LocationSourceDelegate {
    std::vector<Location> fixes;
    std::vector<std::optional<Location>> previous;
    std::vector<LocationError> errors;
    void locationSourceDidUpdateToLocation(
        LocationSource&, const Location& location, const std::optional<Location>& old) override
    {
        fixes.push_back(location);
        previous.push_back(old);
    }
    void locationSourceDidFail(LocationSource&, LocationError error) override { errors.push_back(error); }
};

TEST(ScriptedLocationSourceTest, ReportsOnlyWhileUpdatingAndPassesThePreviousFix)
{
    ScriptedLocationSource source;
    Recorder recorder;
    source.setDelegate(&recorder);
    Location first { 48.1, 11.5, 50, Date(1000) };
    EXPECT_FALSE(source.deliverLocation(first));

    source.startUpdatingLocation();
    EXPECT_TRUE(source.deliverLocation(first));
    Location second { 48.2, 11.6, 20, Date(1010) };
    EXPECT_TRUE(source.deliverLocation(second));
    ASSERT_EQ(recorder.fixes.size(), 2u);
    EXPECT_FALSE(recorder.previous[0]);
    EXPECT_EQ(recorder.previous[1], first);

    source.stopUpdatingLocation();
    EXPECT_FALSE(source.failWithError(LocationError::Denied));
    EXPECT_TRUE(recorder.errors.empty());
    EXPECT_EQ(source.startCount(), 1);
    EXPECT_EQ(source.stopCount(), 1);
}

TEST(ScriptedLocationSourceTest, DisabledServicesNeverStartUpdating)
{
    ScriptedLocationSource source;
    source.setLocationServicesEnabled(false);
    source.startUpdatingLocation();
    EXPECT_FALSE(source.isUpdating());
    EXPECT_FALSE(source.deliverLocation({ 1, 2, 3, Date(0) }));
}

TEST(GeoClueLocationSourceTest, WithoutTheServiceLocationIsDisabledAndStartDoesNothing)
{
    // A bus address where nothing listens stands for a machine without the service.
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vantrel-test-bus", 1);
    auto source = GeoClueLocationSource::create(GeoClueLocationSource::Bus::Session);
    Recorder recorder;
    source->setDelegate(&recorder);
    EXPECT_FALSE(source->locationServicesEnabled());
    source->startUpdatingLocation();
    EXPECT_FALSE(source->isUpdating());
    source->stopUpdatingLocation();
    EXPECT_TRUE(recorder.fixes.empty());
    EXPECT_TRUE(recorder.errors.empty());
}

} // namespace
