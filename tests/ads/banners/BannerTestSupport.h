#pragma once

#include "platform/ui/Image.h"
#include "platform/ui/ImageContext.h"
#include "platform/ui/View.h"

#include <algorithm>
#include <cairo.h>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

// Draws `view` and its subviews, with presentation values, into an image.
inline std::shared_ptr<Image> renderView(View& view, double scale = 2.0)
{
    ImageContext image(view.bounds().size, scale);
    view.layer().renderInContext(image.context());
    return image.image();
}

// An icon (square unless a height is given) in two colours split along its diagonal, so that clipping
// and bevels show in a golden image.
inline std::shared_ptr<Image> twoToneIcon(int size, double r, double g, double b, int height = 0)
{
    int width = size;
    height = height > 0 ? height : size;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, r, g, b);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 1 - r, 1 - g, 1 - b);
    cairo_move_to(cr, 0, height);
    cairo_line_to(cr, width, 0);
    cairo_line_to(cr, width, height);
    cairo_fill(cr);
    cairo_destroy(cr);
    auto image = Image::fromSurface(surface);
    cairo_surface_destroy(surface);
    return image;
}

// Compares with tests/ads/banners/golden/NAME.png, allowing anti-aliased text
// to differ by a few levels; VANTREL_UPDATE_GOLDEN=1 rewrites the file.
inline ::testing::AssertionResult matchesGolden(const Image& actual, const std::string& name)
{
    std::string path = std::string(VANTREL_SOURCE_DIR) + "/tests/ads/banners/golden/" + name + ".png";
    std::string actualPath = std::string(VANTREL_BINARY_DIR) + "/" + name + ".actual.png";
    actual.writePNG(actualPath);
    if (std::getenv("VANTREL_UPDATE_GOLDEN")) {
        actual.writePNG(path);
        return ::testing::AssertionSuccess();
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
    for (int y = 0; y < actual.pixelHeight(); ++y) {
        for (int x = 0; x < actual.pixelWidth(); ++x) {
            int worst = 0;
            for (int c = 0; c < 4; ++c)
                worst = std::max(worst, std::abs(a[y * strideA + x * 4 + c] - e[y * strideE + x * 4 + c]));
            differing += worst > 24 ? 1 : 0;
        }
    }
    if (differing > actual.pixelWidth() * actual.pixelHeight() / 500)
        return ::testing::AssertionFailure() << name << ": " << differing << " pixels differ; actual in " << actualPath;
    return ::testing::AssertionSuccess();
}
