#include "ads/core/PellarLocationManager.h"
#include "platform/foundation/Log.h"
#include "platform/location/ScriptedLocationSource.h"
#include "tests/ads/core/AdsCoreFixture.h"
#include "tests/support/FileSizeLimit.h"

#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>

namespace {

constexpr double kHour = 3600;

class PellarLocationManagerTest : public AdsCoreFixture {
protected:
    static PellarLocationManager& manager() { return PellarLocationManager::sharedManager(); }

    // A cache file written `age` seconds before the manual clock's now.
    void writeCache(const std::string& text, double age)
    {
        auto path = PellarLocationManager::locationCachePath();
        std::ofstream(path) << text;
        struct timespec times[2];
        times[0].tv_sec = static_cast<time_t>(Date::now().timeIntervalSince1970() - age);
        times[0].tv_nsec = 0;
        times[1] = times[0];
        utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
    Location fix(double latitude, double longitude, double accuracy = 50, double age = 0)
    {
        return { latitude, longitude, accuracy, Date::now().addingTimeInterval(-age) };
    }
    std::optional<std::string> fileText()
    {
        std::ifstream file(PellarLocationManager::locationCachePath());
        if (!file)
            return std::nullopt;
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    std::shared_ptr<ScriptedLocationSource> source { environment.locationSource() };
};

TEST_F(PellarLocationManagerTest, PositionFrom23HoursAgoIsUsedAsItIsAndFrom25HoursAgoStartsAnUpdate)
{
    writeCache("52.520000,13.405000", 23 * kHour);
    manager().updateIfAppropriate();
    EXPECT_EQ(source->startCount(), 0);
    EXPECT_EQ(manager().locationString(), "52.520000,13.405000");

    manager().resetForTesting(source);
    writeCache("52.520000,13.405000", 25 * kHour);
    manager().updateIfAppropriate();
    EXPECT_EQ(source->startCount(), 1);
    EXPECT_TRUE(source->isUpdating());
    EXPECT_EQ(manager().locationString(), "52.520000,13.405000"); // the old one, until a fix arrives
}

TEST_F(PellarLocationManagerTest, FixesNearZeroOrOlderThanADayAreIgnored)
{
    manager().updateIfAppropriate();
    ASSERT_TRUE(source->isUpdating());
    source->deliverLocation(fix(0.0005, 0.0005));
    source->deliverLocation(fix(48.0, 11.0, 50, 86401));
    EXPECT_FALSE(manager().locationString());
    EXPECT_FALSE(fileText());

    source->deliverLocation(fix(0.0005, 12.5, 50, 86400));
    EXPECT_EQ(manager().locationString(), "0.000500,12.500000");
    EXPECT_EQ(fileText(), "0.000500,12.500000");
    EXPECT_EQ(manager().lastUpdated(), Date::now());
}

TEST_F(PellarLocationManagerTest, CoarseFixIsStoredButOnlyAnAccurateOneStopsUpdating)
{
    manager().updateIfAppropriate();
    source->deliverLocation(fix(48.137154, 11.576124, 250));
    EXPECT_EQ(manager().locationString(), "48.137154,11.576124");
    EXPECT_TRUE(source->isUpdating());
    advance(10);
    source->deliverLocation(fix(48.2, 11.6, 150));
    EXPECT_EQ(fileText(), "48.200000,11.600000");
    EXPECT_FALSE(source->isUpdating());

    // The stored time stamp survives into the next run through the file.
    Date stamped = Date::now();
    manager().resetForTesting(source);
    EXPECT_EQ(manager().lastUpdated(), stamped);
}

TEST_F(PellarLocationManagerTest, DenialDisablesLocationForTheRestOfTheRun)
{
    writeCache("52.520000,13.405000", 25 * kHour);
    EXPECT_TRUE(manager().locationServicesEnabled());
    manager().updateIfAppropriate();
    source->failWithError(LocationError::LocationUnknown);
    EXPECT_TRUE(source->isUpdating());
    source->failWithError(LocationError::Denied);
    EXPECT_FALSE(source->isUpdating());
    EXPECT_FALSE(manager().locationServicesEnabled());
    manager().updateIfAppropriate();
    EXPECT_EQ(source->startCount(), 1);

    source->setLocationServicesEnabled(false);
    manager().resetForTesting(source);
    EXPECT_FALSE(manager().locationServicesEnabled());
}

} // namespace

TEST_F(PellarLocationManagerTest, AStoredLocationThatCannotBeReadIsMovedAsideAndAFullDiskKeepsTheOldOne)
{
    auto path = PellarLocationManager::locationCachePath();
    auto aside = path;
    aside += ".bad";
    for (const std::string& bad :
        { std::string("52.5\xC3\xA9"), std::string(PellarLocationManager::kMaximumCacheFileSize + 1, '1') }) {
        manager().resetForTesting(source);
        writeCache(bad, kHour);
        EXPECT_EQ(manager().locationString(), std::nullopt);
        EXPECT_FALSE(std::filesystem::exists(path));
        EXPECT_EQ(std::filesystem::file_size(aside), bad.size());
    }

    manager().resetForTesting(source);
    writeCache("52.520000,13.405000", 25 * kHour);
    std::vector<std::string> lines;
    Log::setCaptureHook([&](const std::string& line) { lines.push_back(line); });
    {
        FileSizeLimit full(4);
        manager().updateIfAppropriate();
        source->deliverLocation(fix(48.1, 11.6, 500));
        source->deliverLocation(fix(48.2, 11.7, 500));
    }
    Log::setCaptureHook(nullptr);
    EXPECT_EQ(fileText(), "52.520000,13.405000");
    EXPECT_EQ(
        std::count(lines.begin(), lines.end(), "Pellar: Could not store the location; the previous one is kept"), 1);
}
