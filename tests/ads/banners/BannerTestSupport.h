#pragma once

#include "platform/ui/graphics/Image.h"
#include "platform/ui/graphics/ImageContext.h"
#include "platform/ui/views/View.h"
#include "tests/support/GoldenImage.h"

#include <algorithm>
#include <cairo.h>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

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

// Compares with tests/ads/banners/golden/NAME.png.
inline ::testing::AssertionResult matchesGolden(const Image& actual, const std::string& name)
{
    return matchesGolden(actual, "tests/ads/banners/golden", name);
}
