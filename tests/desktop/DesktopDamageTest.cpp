#include "tests/desktop/DesktopFixture.h"

#include "tests/support/Pixels.h"

#include <climits>

namespace {

// The smallest rectangle around the pure red pixels, empty when there are none.
Rect redPixelBounds(const Image& image)
{
    int minX = INT_MAX, minY = INT_MAX, maxX = -1, maxY = -1;
    for (int y = 0; y < image.pixelHeight(); ++y) {
        for (int x = 0; x < image.pixelWidth(); ++x) {
            if (rgbAt(image, x, y) != 0xFF0000u)
                continue;
            minX = std::min(minX, x);
            minY = std::min(minY, y);
            maxX = std::max(maxX, x);
            maxY = std::max(maxY, y);
        }
    }
    if (maxX < 0)
        return {};
    return Rect(minX, minY, maxX - minX + 1, maxY - minY + 1);
}

} // namespace

// With VANTREL_SHOW_DAMAGE=1 the window outlines what each frame redrew: a
// square moved by a pixel is outlined where it was and is, nothing else.
TEST_F(DesktopTest, TheDamageOutlineSurroundsTheMovedSquareOnly)
{
    ASSERT_TRUE(start({ "/click/url" }, {}, { "VANTREL_SHOW_DAMAGE=1" }));
    dismissWarning();
    ASSERT_TRUE(session->waitForLog("Did receive ad", 20)) << session->log();
    session->pause(1.0);
    session->key("Right");
    session->pause(1.0);
    auto picture = session->xScreenshot("damage-x.png");
    ASSERT_TRUE(picture);
    Rect outlined = redPixelBounds(*picture);
    ASSERT_FALSE(outlined.isEmpty()) << "no outline";
    // The square (50 points and its frame) moved one pixel to the right.
    EXPECT_LE(outlined.width(), 80);
    EXPECT_LE(outlined.height(), 80);
    EXPECT_GE(outlined.width(), 50);
    EXPECT_EQ(session->quit(), 0);
}
