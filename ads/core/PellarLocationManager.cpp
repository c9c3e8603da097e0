#include "ads/core/PellarLocationManager.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/Paths.h"
#include "platform/location/LocationSource.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <fcntl.h>

PellarLocationManager::PellarLocationManager()
{
    locationCachePath();
}

std::filesystem::path PellarLocationManager::locationCachePath()
{
    auto directory = Paths::dataDirectory() / kCacheSubdirectory;
    Paths::createDirectories(directory); // a failure shows later as no cached position
    return directory / kCacheFileName;
}

std::string PellarLocationManager::stringForLocation(const Location& location)
{
    char text[128];
    std::snprintf(text, sizeof text, "%f,%f", location.latitude, location.longitude);
    return text;
}

LocationSource& PellarLocationManager::systemLocationManager()
{
    if (!m_systemLocationManager)
        m_systemLocationManager = LocationSource::createSystemSource();
    return *m_systemLocationManager;
}

void PellarLocationManager::resetForTesting(std::shared_ptr<LocationSource> source)
{
    if (m_systemLocationManager && m_systemLocationManager->delegate() == this)
        m_systemLocationManager->setDelegate(nullptr);
    m_systemLocationManager = std::move(source);
    m_lastUpdated.reset();
    m_locationString.reset();
    m_canceledByUser = false;
}

std::optional<std::string> PellarLocationManager::locationString()
{
    if (!m_locationString) {
        auto path = locationCachePath();
        std::error_code missing;
        bool stored = std::filesystem::exists(path, missing);
        // A position is a few dozen characters of ASCII.
        auto contents = stored ? Paths::readFile(path, kMaximumCacheFileSize) : std::nullopt;
        bool ascii = contents && std::all_of(contents->begin(), contents->end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x80;
        });
        if (ascii) {
            m_locationString = std::move(contents);
        } else if (stored && Paths::setAsideBadFile(path)) {
            // No position is sent, and the next one found is stored afresh.
            Log::write("Pellar: The stored location could not be read; it was moved aside");
        }
    }
    return m_locationString;
}

std::optional<Date> PellarLocationManager::lastUpdated()
{
    if (!m_lastUpdated) {
        struct stat status;
        if (stat(locationCachePath().c_str(), &status) == 0 && S_ISREG(status.st_mode))
            m_lastUpdated
                = Date(static_cast<double>(status.st_mtim.tv_sec) + static_cast<double>(status.st_mtim.tv_nsec) / 1e9);
    }
    return m_lastUpdated;
}

bool PellarLocationManager::locationServicesEnabled()
{
    return systemLocationManager().locationServicesEnabled() && !m_canceledByUser;
}

void PellarLocationManager::updateIfAppropriate()
{
    auto updated = lastUpdated();
    bool stale = !updated || Date::now().timeIntervalSinceDate(*updated) > kMaximumAge;
    if (locationServicesEnabled() && stale) {
        systemLocationManager().setDelegate(this);
        systemLocationManager().startUpdatingLocation();
    }
}

void PellarLocationManager::writeLocationStringToCache()
{
    Date now = Date::now();
    if (m_locationString) {
        auto path = locationCachePath();
        // The file's time is the position's time stamp; it comes from the run
        // loop's clock like every other date here. A failed write keeps the
        // older file and is logged once.
        bool written = Paths::writeFileAtomically(path, *m_locationString);
        static std::atomic<bool> logged { false };
        if (!written && !logged.exchange(true))
            Log::write("Pellar: Could not store the location; the previous one is kept");
        if (written) {
            double seconds = now.timeIntervalSince1970();
            struct timespec times[2];
            times[0].tv_sec = static_cast<time_t>(std::floor(seconds));
            times[0].tv_nsec = static_cast<long>((seconds - std::floor(seconds)) * 1e9);
            times[1] = times[0];
            utimensat(AT_FDCWD, path.c_str(), times, 0);
        }
    }
    m_lastUpdated = now;
}

void PellarLocationManager::locationSourceDidUpdateToLocation(
    LocationSource& source, const Location& location, const std::optional<Location>&)
{
    if (!(std::fabs(location.latitude) > kNullIslandTolerance || std::fabs(location.longitude) > kNullIslandTolerance))
        return;
    if (Date::now().timeIntervalSinceDate(location.timestamp) > kMaximumAge)
        return;
    m_locationString = stringForLocation(location);
    writeLocationStringToCache();
    // The accuracy does not decide whether a fix is stored, only whether
    // updating may stop; a later, better fix overwrites this one.
    if (location.horizontalAccuracy <= kSufficientAccuracy)
        source.stopUpdatingLocation();
}

void PellarLocationManager::locationSourceDidFail(LocationSource& source, LocationError error)
{
    // Only a refusal matters; other failures leave the source running.
    if (error == LocationError::Denied) {
        m_canceledByUser = true;
        source.stopUpdatingLocation();
    }
}
