#pragma once

#include "platform/location/LocationSource.h"
#include "platform/location/LocationSourceDelegate.h"

#include <optional>

// A location source driven by its owner: tests decide whether services are
// enabled, hand in fixes and failures, and read how often the source was
// started and stopped. Like a real service it reports only while updating.
class ScriptedLocationSource final : public LocationSource {
public:
    bool locationServicesEnabled() override { return m_enabled; }
    void setLocationServicesEnabled(bool enabled) { m_enabled = enabled; }

    void startUpdatingLocation() override;
    void stopUpdatingLocation() override;
    bool isUpdating() const override { return m_updating; }

    // Reports a fix to the delegate; false (nothing reported) when not updating.
    bool deliverLocation(const Location&);
    // Reports a failure (a denial, say); false when not updating.
    bool failWithError(LocationError);

    int startCount() const { return m_startCount; }
    int stopCount() const { return m_stopCount; }

private:
    bool m_enabled { true };
    bool m_updating { false };
    int m_startCount { 0 };
    int m_stopCount { 0 };
    std::optional<Location> m_lastLocation;
};
