#pragma once

#include "platform/foundation/Date.h"
#include "platform/foundation/SharedInstance.h"
#include "platform/location/LocationSourceDelegate.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

class LocationSource;

// The library's own idea of where the device is, for hosts that allow a
// position in the ad request but give none themselves: the last fix from the
// location source, kept in "location.txt" so it survives restarts, refreshed
// at most about once a day, and never asked for again in a run once the user
// has refused.
class PellarLocationManager final : public LocationSourceDelegate {
public:
    static constexpr const char* kCacheSubdirectory = "pellar/location_cache";
    static constexpr const char* kCacheFileName = "location.txt";
    // Far beyond any position: a larger file is not read.
    static constexpr std::uintmax_t kMaximumCacheFileSize = 4096;
    // A cached position older than this (strictly) is stale; a fix older than
    // this is ignored.
    static constexpr double kMaximumAge = 86400;
    // A fix within this many degrees of both zero coordinates is no fix.
    static constexpr double kNullIslandTolerance = 0.001;
    // A fix at least this accurate (metres) ends the updating.
    static constexpr double kSufficientAccuracy = 200;

    static PellarLocationManager& sharedManager() { return SharedInstance<PellarLocationManager>::get(); }
    PellarLocationManager(const PellarLocationManager&) = delete;
    PellarLocationManager& operator=(const PellarLocationManager&) = delete;

    // The cache file under the data directory; its folder is created on first use.
    static std::filesystem::path locationCachePath();
    // "%f,%f" of latitude and longitude.
    static std::string stringForLocation(const Location&);

    // The cached position as text: the field, loaded from the file when unset.
    std::optional<std::string> locationString();
    // When it was obtained: the field, loaded from the file's modification time when unset.
    std::optional<Date> lastUpdated();
    void setLocationString(std::optional<std::string> value) { m_locationString = std::move(value); }
    void setLastUpdated(std::optional<Date> value) { m_lastUpdated = value; }

    // The source has services enabled and the user has not refused in this run.
    bool locationServicesEnabled();
    // Starts the source when the cached position is missing or stale.
    void updateIfAppropriate();
    // Writes the position to the file (replacing it) and stamps it now.
    void writeLocationStringToCache();

    // LocationSourceDelegate
    void locationSourceDidUpdateToLocation(
        LocationSource&, const Location& newLocation, const std::optional<Location>& oldLocation) override;
    void locationSourceDidFail(LocationSource&, LocationError) override;

    // The source positions come from: the system's, made on first use.
    LocationSource& systemLocationManager();
    bool canceledByUser() const { return m_canceledByUser; }

    // Tests: use this source, forget the fields and the refusal.
    void resetForTesting(std::shared_ptr<LocationSource>);

private:
    friend class SharedInstance<PellarLocationManager>;
    PellarLocationManager();

    std::optional<Date> m_lastUpdated;
    std::optional<std::string> m_locationString;
    std::shared_ptr<LocationSource> m_systemLocationManager;
    bool m_canceledByUser { false };
};
