#pragma once

#include "platform/foundation/ManualClock.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempDir.h"

#include <memory>
#include <optional>

class ScriptedLocationSource;

// The process-wide state a test may change, put in a known state when a
// fixture's member is made and put back when it goes: the main run loop and
// its clock, the data directory, the application, the animation engine and the
// screen scale, the web-view engine, the localizer, the location manager, the
// service endpoints, the download time-out and body cap, connection failure
// injection, the user defaults, registered ad classes and the log capture. Every
// reset lives here, so a fixture that forgets one cannot leak into the next test.
//
//     class MyTest : public ::testing::Test {
//     protected:
//         TestEnvironment environment { { .ui = true, .network = true } };
//     };
class TestEnvironment {
public:
    struct Traits {
        // The main loop on a ManualClock; otherwise on the system clock (real
        // web pages, real time-outs).
        bool manualClock { true };
        // A fresh temporary data directory for caches, settings and contacts.
        bool dataDirectory { true };
        // No animations from an earlier test, and screen scale 1. (The
        // application itself, its windows and hooks, is always reset.)
        bool ui { false };
        // A loopback server playing the ad service ("/ad_request") and the
        // media host (its root).
        bool network { false };
    };

    explicit TestEnvironment(Traits);
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment&) = delete;
    TestEnvironment& operator=(const TestEnvironment&) = delete;

    // Null on the system clock.
    const std::shared_ptr<ManualClock>& clock() const { return m_clock; }
    // Only with the data-directory trait.
    const TempDir& dataDirectory() const { return *m_dataDirectory; }
    // Only with the network trait.
    LoopbackServer& server() { return *m_server; }
    // The location manager's source, which the test drives.
    const std::shared_ptr<ScriptedLocationSource>& locationSource() const { return m_locationSource; }

    // Runs the work the test left queued, while the fixture's objects still
    // exist, then forgets timers and tasks (a fixture's TearDown calls it).
    void finishTest();

    // Puts the ad service and media host at these addresses (the test's
    // server by default); put back to the defaults at the end.
    void setEndpoints(const std::string& adServerURL, const std::string& mediaHostURL);

private:
    void resetProcessState();

    Traits m_traits;
    std::shared_ptr<ManualClock> m_clock;
    std::optional<TempDir> m_dataDirectory;
    std::unique_ptr<LoopbackServer> m_server;
    std::shared_ptr<ScriptedLocationSource> m_locationSource;
};
