#pragma once

// Why a location source could not deliver. The numbers are the ones the ad
// library's location rules test for: 1 is the user refusing access.
enum class LocationError : int {
    LocationUnknown = 0,
    Denied = 1,
    Network = 2,
};
