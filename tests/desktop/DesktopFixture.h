#pragma once

#include "tests/desktop/DesktopSession.h"
#include "tests/e2e/EndToEndSupport.h"

#include <memory>
#include <string>
#include <vector>

// One case on the desktop: a demo service whose ads come in the order the
// case names (by their click path, e.g. "/click/flex-carousel"), and the app's
// window on an X server of its own.
class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The default scenario with only these ads, in this order, in rotation.
    std::filesystem::path writeScenario(const std::vector<std::string>& clickPaths);
    // Starts the service and the app; false (and the reason in the failure) if either did not.
    bool start(const std::vector<std::string>& firstAds, std::vector<std::string> arguments = {},
        std::vector<std::string> environment = {});
    // Dismisses the epilepsy warning with a real click.
    void dismissWarning();
    // The service's logged requests to `path`.
    size_t requestCount(const std::string& path) const;
    std::vector<JSONValue> requestsTo(const std::string& path) const;

    std::filesystem::path dir;
    std::unique_ptr<DemoService> service;
    std::unique_ptr<DesktopSession> session;
};
