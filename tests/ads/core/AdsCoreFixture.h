#pragma once

#include "ads/core/PellarEndpoints.h"
#include "ads/core/PellarURLDownload.h"
#include "platform/foundation/Paths.h"
#include "platform/net/URLConnection.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/RunLoopFixture.h"
#include "tests/support/TempDir.h"

// A manual clock, a fresh data directory and a loopback server that plays
// both the ad server and the static media host.
class AdsCoreFixture : public RunLoopFixture {
protected:
    void SetUp() override
    {
        RunLoopFixture::SetUp();
        Paths::setDataDirectoryOverride(dataDirectory.path());
        auto configuration = PellarEndpoints::defaultConfiguration();
        configuration.adServerURL = server.url("/ad_request");
        configuration.mediaHostURL = server.baseURL();
        PellarEndpoints::setConfiguration(configuration);
        PellarURLDownload::setTimeoutInterval(PellarURLDownload::kTimeoutInterval);
        PellarURLDownload::setMaximumBodySize(PellarURLDownload::kDefaultMaximumBodySize);
    }
    void TearDown() override
    {
        URLConnection::setFailureInjectionForTesting(nullptr);
        RunLoopFixture::TearDown();
        PellarEndpoints::setConfiguration(PellarEndpoints::defaultConfiguration());
        Paths::setDataDirectoryOverride(std::nullopt);
    }
    // Real time for a delayed loopback answer to go out before the server goes away.
    void drain(double seconds)
    {
        loop().runUntil([] { return false; }, seconds);
    }

    TempDir dataDirectory;
    LoopbackServer server;
};
