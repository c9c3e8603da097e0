#pragma once

#include "base/Error.h"

class PellarFlexAd;

// How a flexible ad reports the outcome of its build to the ad that made it.
// Exactly one of the two is called, once.
class PellarFlexAdDelegate {
public:
    virtual ~PellarFlexAdDelegate() = default;

    // Every element view is in the container; the banner can be shown.
    virtual void flexAdDidLoad(PellarFlexAd&) = 0;
    // The banner cannot be built.
    virtual void flexAdDidFailLoadWithError(PellarFlexAd&, const Error&) = 0;
};
