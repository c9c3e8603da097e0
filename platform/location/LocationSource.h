#pragma once

#include <memory>

class LocationSourceDelegate;

// Something that can tell where the device is: started and stopped by its
// user, it reports fixes and failures to its delegate (not owned) until
// stopped. A source whose service is missing says so through
// locationServicesEnabled() and never reports anything.
class LocationSource {
public:
    virtual ~LocationSource() = default;

    // The system's own source: GeoClue 2 when its service can be reached,
    // otherwise a source with location services disabled.
    static std::shared_ptr<LocationSource> createSystemSource();

    LocationSourceDelegate* delegate() const { return m_delegate; }
    void setDelegate(LocationSourceDelegate* delegate) { m_delegate = delegate; }

    virtual bool locationServicesEnabled() = 0;
    virtual void startUpdatingLocation() = 0;
    virtual void stopUpdatingLocation() = 0;
    virtual bool isUpdating() const = 0;

private:
    LocationSourceDelegate* m_delegate { nullptr };
};
