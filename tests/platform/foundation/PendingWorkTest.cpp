#include "platform/foundation/PendingWork.h"
#include "tests/support/RunLoopFixture.h"

#include <atomic>
#include <string>
#include <thread>

class PendingWorkTest : public RunLoopFixture {
protected:
    void TearDown() override
    {
        PendingWork::setIdleGraceForTesting(0);
        RunLoopFixture::TearDown();
    }
};

TEST_F(PendingWorkTest, BackgroundWorkCountsUntilItsReplyHasRunOnTheMainThread)
{
    std::thread::id mainThread = std::this_thread::get_id();
    std::atomic<bool> release { false };
    std::thread::id workedOn, repliedOn;
    std::string answer;
    loop().performInBackground(
        [&] {
            workedOn = std::this_thread::get_id();
            while (!release)
                std::this_thread::yield();
            return std::string("parsed");
        },
        [&](std::string result) {
            repliedOn = std::this_thread::get_id();
            answer = std::move(result);
        });
    EXPECT_TRUE(PendingWork::any());
    EXPECT_TRUE(PendingWork::holdsTime());
    release = true;
    ASSERT_TRUE(loop().runUntil([&] { return !answer.empty(); }, 5));
    EXPECT_EQ(answer, "parsed");
    EXPECT_NE(workedOn, mainThread);
    EXPECT_EQ(repliedOn, mainThread);
    EXPECT_FALSE(PendingWork::any());
}

TEST_F(PendingWorkTest, ASilentConnectionLetsTimeGoAfterTheGraceAndProgressTakesItBack)
{
    PendingWork::setIdleGraceForTesting(0.05);
    auto connection = PendingWork::begin(PendingWork::Kind::Connection);
    EXPECT_TRUE(PendingWork::holdsTime());
    // Waiting returns once the connection has been silent for the grace,
    // although it is still under way.
    EXPECT_TRUE(PendingWork::waitUntilTimeIsFree(5));
    EXPECT_FALSE(PendingWork::holdsTime());
    EXPECT_TRUE(PendingWork::any());

    connection.didMakeProgress();
    EXPECT_TRUE(PendingWork::holdsTime());

    // Background work holds time however long it takes.
    auto background = PendingWork::begin(PendingWork::Kind::Background);
    EXPECT_FALSE(PendingWork::waitUntilTimeIsFree(0.2));

    background.release();
    connection = {};
    EXPECT_FALSE(PendingWork::any());
}
