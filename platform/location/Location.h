#pragma once

#include "platform/foundation/Date.h"

// One position fix: degrees on WGS 84, the radius of uncertainty in metres
// (negative when unknown), and when the fix was taken.
struct Location {
    double latitude { 0 };
    double longitude { 0 };
    double horizontalAccuracy { -1 };
    Date timestamp;

    bool operator==(const Location&) const = default;
};
