#include "platform/ui/Image.h"
#include "tests/app/AppTestSupport.h"

#include <cstdlib>
#include <filesystem>

namespace {

// Compares premultiplied pixels channel by channel: anti-aliased text may
// differ by a few levels between Cairo builds, nothing more.
constexpr int kChannelTolerance = 24;
constexpr double kMaxDifferingShare = 0.002;

::testing::AssertionResult matchesGolden(const Image& actual, const std::string& name)
{
    std::string path = std::string(VANTREL_SOURCE_DIR) + "/tests/app/golden/" + name + ".png";
    std::string actualPath = std::string(VANTREL_BINARY_DIR) + "/" + name + ".actual.png";
    actual.writePNG(actualPath);
    if (std::getenv("VANTREL_UPDATE_GOLDEN")) {
        actual.writePNG(path);
        return ::testing::AssertionSuccess() << "updated " << path;
    }
    auto expected = Image::fromFile(path);
    if (!expected)
        return ::testing::AssertionFailure() << "no golden image " << path << " (actual in " << actualPath << ")";
    if (expected->pixelWidth() != actual.pixelWidth() || expected->pixelHeight() != actual.pixelHeight())
        return ::testing::AssertionFailure() << name << ": size differs";
    cairo_surface_flush(actual.surface());
    const unsigned char* a = cairo_image_surface_get_data(actual.surface());
    const unsigned char* e = cairo_image_surface_get_data(expected->surface());
    int strideA = cairo_image_surface_get_stride(actual.surface());
    int strideE = cairo_image_surface_get_stride(expected->surface());
    long differing = 0;
    int worst = 0;
    for (int y = 0; y < actual.pixelHeight(); ++y) {
        for (int x = 0; x < actual.pixelWidth(); ++x) {
            int pixelWorst = 0;
            // The screen has no alpha: compare the colour channels only.
            for (int c = 0; c < 3; ++c)
                pixelWorst = std::max(pixelWorst, std::abs(a[y * strideA + x * 4 + c] - e[y * strideE + x * 4 + c]));
            worst = std::max(worst, pixelWorst);
            if (pixelWorst > kChannelTolerance)
                ++differing;
        }
    }
    double share = static_cast<double>(differing) / (actual.pixelWidth() * actual.pixelHeight());
    if (share > kMaxDifferingShare)
        return ::testing::AssertionFailure() << name << ": " << differing << " pixels differ (worst by " << worst
                                             << "); actual in " << actualPath;
    return ::testing::AssertionSuccess();
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
