#pragma once

#include "ads/core/PellarEndpoints.h"
#include "ads/core/PellarURLDownload.h"
#include "platform/foundation/Paths.h"
#include "platform/net/URLConnection.h"
#include "tests/support/EnvironmentTest.h"

// A manual clock, a fresh data directory and a loopback server that plays
// both the ad server and the static media host.
class AdsCoreFixture : public EnvironmentTest {
protected:
    AdsCoreFixture()
        : EnvironmentTest({ .network = true })
    {
    }

    // Real time for a delayed loopback answer to go out before the server goes away.
    void drain(double seconds)
    {
        loop().runUntil([] { return false; }, seconds);
    }

    const TempDir& dataDirectory { environment.dataDirectory() };
    LoopbackServer& server { environment.server() };
};
