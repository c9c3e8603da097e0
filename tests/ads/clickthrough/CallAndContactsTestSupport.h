#pragma once

#include "tests/ads/clickthrough/ClickthroughTestSupport.h"
#include "tests/support/LoopbackServer.h"

#include "platform/foundation/Log.h"

#include <algorithm>

// The click-through fixture with a loopback ad service, a captured log and a
// way to tap an alert's button by its title, as a user would.
class CallAndContactsFixture : public ClickthroughFixture {
protected:
    void SetUp() override
    {
        ClickthroughFixture::SetUp();
        // Never the developer's own address book.
        setenv("VANTREL_CONTACTS_DIR", (dataDirectory / "contacts").c_str(), 1);
        Log::setCaptureHook([this](const std::string& line) { log.push_back(line); });
        server.respond("/acquisition", { .body = "recorded" });
    }
    void TearDown() override
    {
        // Let requests in flight end while the server still answers.
        loop().runUntil([] { return false; }, 0.05);
        unsetenv("VANTREL_CONTACTS_DIR");
        ClickthroughFixture::TearDown();
    }

    bool tapLabel(const std::string& label)
    {
        for (auto& [text, frame] : Application::shared().accessibleElementsOnScreen()) {
            if (text == label) {
                Application::shared().sendTouch(TouchPhase::Began, frame.center());
                Application::shared().sendTouch(TouchPhase::Ended, frame.center());
                return true;
            }
        }
        return false;
    }

    int logged(const std::string& line) const { return static_cast<int>(std::count(log.begin(), log.end(), line)); }

    LoopbackServer server;
    std::vector<std::string> log;
};
