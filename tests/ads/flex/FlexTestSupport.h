#pragma once

#include "platform/ui/graphics/Image.h"
#include "platform/ui/graphics/ImageContext.h"
#include "platform/ui/views/Touch.h"
#include "platform/ui/views/View.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/Pixels.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <string>

// A picture in two colours split along its diagonal, so that stretching,
// clipping and bevels show in a golden image.
inline std::shared_ptr<Image> diagonalPicture(int width, int height)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.9, 0.45, 0.1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.1, 0.35, 0.8);
    cairo_move_to(cr, 0, height);
    cairo_line_to(cr, width, 0);
    cairo_line_to(cr, width, height);
    cairo_fill(cr);
    cairo_destroy(cr);
    auto image = Image::fromSurface(surface);
    cairo_surface_destroy(surface);
    return image;
}

// The colour (0-255 per channel, alpha un-premultiplied away) of the pixel at
// point (x, y) of `image`.
struct Pixel {
    int red, green, blue, alpha;
};
inline Pixel pixelAt(const Image& image, double x, double y)
{
    uint32_t argb = argbAt(image, int(x * image.scale()), int(y * image.scale()));
    int a = (argb >> 24) & 0xFF;
    auto channel = [&](int shift) { return a ? int(((argb >> shift) & 0xFF) * 255 / a) : 0; };
    return { channel(16), channel(8), channel(0), a };
}

// Compares with tests/ads/flex/golden/NAME-<scale>x.png.
inline ::testing::AssertionResult matchesFlexGolden(const Image& actual, const std::string& name, double scale)
{
    return matchesGolden(actual, "tests/ads/flex/golden", name + "-" + std::to_string(int(scale)) + "x");
}

// One finger, kept across phases; it began in `view`. Locations are in the
// coordinates of the view's window (of the root view when it has none).
struct TestFinger {
    TouchSet at(const std::shared_ptr<View>& view, Point p)
    {
        if (!touch)
            touch = std::make_shared<Touch>(view, window, p, 0);
        else
            touch->update(TouchPhase::Moved, p, 0);
        return TouchSet({ touch });
    }
    std::shared_ptr<Touch> touch;
    std::weak_ptr<Window> window;
};
