#include "tests/support/GoldenImage.h"
#include "platform/ui/graphics/Image.h"
#include "tests/app/AppTestSupport.h"

#include <cstdlib>
#include <filesystem>

namespace {

::testing::AssertionResult matchesGolden(const Image& actual, const std::string& name)
{
    return matchesGolden(actual, "tests/app/golden", name);
}

} // namespace

class GoldenImageTest : public AppTest {
protected:
    std::shared_ptr<Image> screenImage()
    {
        settle();
        return Image::fromSurface(Application::shared().compositeScreen(1), 1);
    }
};

TEST_F(GoldenImageTest, StartScreenWithTheWarning)
{
    launch();
    EXPECT_TRUE(matchesGolden(*screenImage(), "start-warning"));
}

TEST_F(GoldenImageTest, RunningScreenMidPulse)
{
    launch();
    dismissWarning();
    screen->startStop();
    advance(1.5); // red since 1.01 s, half way through growing to 1.5
    EXPECT_TRUE(matchesGolden(*screenImage(), "running-mid-pulse"));
}

TEST_F(GoldenImageTest, CustomizePanelShown)
{
    launch();
    dismissWarning();
    screen->customize();
    advance(0.6);
    EXPECT_TRUE(matchesGolden(*screenImage(), "panel-shown"));
}

TEST_F(GoldenImageTest, InformationPageShown)
{
    launch();
    dismissWarning();
    screen->showInfopage();
    advance(0.6);
    EXPECT_TRUE(matchesGolden(*screenImage(), "info-page"));
}
