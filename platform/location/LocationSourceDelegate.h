#pragma once

#include "platform/location/Location.h"
#include "platform/location/LocationError.h"

#include <optional>

class LocationSource;

// What a location source reports, on the main thread, while it is updating.
class LocationSourceDelegate {
public:
    virtual ~LocationSourceDelegate() = default;

    virtual void locationSourceDidUpdateToLocation(
        LocationSource&, const Location& newLocation, const std::optional<Location>& oldLocation)
        = 0;
    virtual void locationSourceDidFail(LocationSource&, LocationError) = 0;
};
