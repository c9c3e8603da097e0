#include "ads/clickthrough/PellarClickToCallAlert.h"
#include "platform/foundation/Device.h"
#include "tests/ads/clickthrough/CallAndContactsTestSupport.h"

namespace {

class PellarClickToCallAlertTest : public CallAndContactsFixture {
protected:
    void TearDown() override
    {
        Device::currentDevice().setConfirmsCallsItself(false);
        CallAndContactsFixture::TearDown();
    }
    std::shared_ptr<PellarClickToCallAlert> alertFor(
        const std::string& link, std::optional<std::string> acquisition = std::nullopt)
    {
        return PellarClickToCallAlert::create(URL::withString(link), std::move(acquisition));
    }
};

} // namespace

TEST_F(PellarClickToCallAlertTest, AsksWithTheBareNumberAndDialsTheLinkUnchanged)
{
    std::weak_ptr<PellarClickToCallAlert> weakAlert;
    {
        auto alert = alertFor("tel://+1-555//0100");
        ASSERT_TRUE(alert);
        weakAlert = alert;
        alert->showOrCall();
    }
    {
        auto alerts = AlertView::visibleAlerts();
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_EQ(alerts[0]->title(), "Call +1-5550100?");
        EXPECT_EQ(alerts[0]->buttonTitleAtIndex(alerts[0]->cancelButtonIndex()), "Cancel");
    }
    EXPECT_TRUE(opened.empty());
    ASSERT_TRUE(tapLabel("Call"));
    EXPECT_EQ(opened, std::vector<std::string> { "tel://+1-555//0100" });
    EXPECT_EQ(server.requests().size(), 0u);
    loop().runUntilIdle();
    EXPECT_TRUE(weakAlert.expired()) << "the alert owns itself only until the call has gone out";
}

TEST_F(PellarClickToCallAlertTest, AnswerWithoutANumberIsLoggedAndShowsNothing)
{
    EXPECT_FALSE(PellarClickToCallAlert::create(std::nullopt, server.url("/acquisition")));
    EXPECT_FALSE(alertFor("tel:"));
    EXPECT_FALSE(alertFor("tel://"));
    EXPECT_EQ(logged("No phone number in click response."), 1);
    EXPECT_EQ(logged("Empty phone number in click response."), 2);
    EXPECT_TRUE(AlertView::visibleAlerts().empty());
    loop().runUntil([] { return false; }, 0.05);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(server.requests().size(), 0u);
}

TEST_F(PellarClickToCallAlertTest, CancelNeitherCallsNorReports)
{
    alertFor("tel:+15555550100", server.url("/acquisition"))->showOrCall();
    ASSERT_TRUE(tapLabel("Cancel"));
    loop().runUntil([] { return false; }, 0.1);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(server.requests().size(), 0u);
    EXPECT_TRUE(AlertView::visibleAlerts().empty());
}

// The call waits for the acquisition request to end, and goes out whether it
// was recorded or not.
TEST_F(PellarClickToCallAlertTest, CallGoesOutAfterTheAcquisitionRequestEndsEvenWhenItFails)
{
    server.respond("/acquisition-broken", { .status = 500, .body = "down" });
    struct Case {
        std::string acquisition;
        bool fails;
    };
    const Case cases[] = {
        { server.url("/acquisition"), false },
        { server.url("/acquisition-broken"), true },
        { "http://127.0.0.1:" + std::to_string(LoopbackServer::closedPort()) + "/acquisition", true },
    };
    for (const auto& c : cases) {
        opened.clear();
        log.clear();
        alertFor("tel:+15555550100", c.acquisition)->showOrCall();
        ASSERT_TRUE(tapLabel("Call"));
        EXPECT_TRUE(opened.empty()) << "not before the acquisition request has ended: " << c.acquisition;
        ASSERT_TRUE(loop().runUntil([&] { return !opened.empty(); })) << c.acquisition;
        EXPECT_EQ(opened, std::vector<std::string> { "tel:+15555550100" });
        EXPECT_EQ(logged("Failed to record click-to-call acquisition."), c.fails ? 1 : 0) << c.acquisition;
    }
    EXPECT_EQ(server.requestsTo("/acquisition"), 1);
    EXPECT_EQ(server.requestsTo("/acquisition-broken"), 1);
}

// Where the platform puts up its own confirmation, ours would ask twice.
TEST_F(PellarClickToCallAlertTest, PlatformThatConfirmsCallsGetsNoAlert)
{
    Device::currentDevice().setConfirmsCallsItself(true);
    alertFor("tel:+15555550100")->showOrCall();
    EXPECT_TRUE(AlertView::visibleAlerts().empty());
    EXPECT_EQ(opened, std::vector<std::string> { "tel:+15555550100" });

    opened.clear();
    alertFor("tel:+15555550111", server.url("/acquisition"))->showOrCall();
    EXPECT_TRUE(opened.empty());
    ASSERT_TRUE(loop().runUntil([&] { return !opened.empty(); }));
    EXPECT_EQ(server.requestsTo("/acquisition"), 1);
    EXPECT_EQ(opened, std::vector<std::string> { "tel:+15555550111" });
}
