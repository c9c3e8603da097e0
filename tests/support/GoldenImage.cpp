#include "tests/support/GoldenImage.h"

#include "platform/ui/graphics/Image.h"

#include <algorithm>
#include <cairo.h>
#include <cstdlib>

namespace {
constexpr int kChannelTolerance = 24;
constexpr double kMaxDifferingShare = 0.002;
}

::testing::AssertionResult matchesGolden(const Image& actual, const std::string& dir, const std::string& name)
{
    std::string path = std::string(VANTREL_SOURCE_DIR) + "/" + dir + "/" + name + ".png";
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
            for (int c = 0; c < 4; ++c)
                pixelWorst = std::max(pixelWorst, std::abs(a[y * strideA + x * 4 + c] - e[y * strideE + x * 4 + c]));
            worst = std::max(worst, pixelWorst);
            differing += pixelWorst > kChannelTolerance ? 1 : 0;
        }
    }
    double share = static_cast<double>(differing) / (actual.pixelWidth() * actual.pixelHeight());
    if (share > kMaxDifferingShare)
        return ::testing::AssertionFailure()
            << name << ": " << differing << " pixels differ (worst by " << worst << "); actual in " << actualPath;
    return ::testing::AssertionSuccess();
}
