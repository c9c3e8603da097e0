#pragma once

#include "platform/ui/graphics/Image.h"
#include "platform/ui/graphics/ImageContext.h"
#include "platform/ui/views/View.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

// Compares `actual` with the golden PNG `<dir>/<name>.png` (dir relative to the
// source tree). Anti-aliased text may differ by a few levels between Cairo
// builds, so a pixel counts as different only beyond a per-channel tolerance,
// and a small share of such pixels is allowed. The actual image is always
// written beside the build for a look; VANTREL_UPDATE_GOLDEN=1 rewrites the
// golden file instead of comparing.
::testing::AssertionResult matchesGolden(const Image& actual, const std::string& dir, const std::string& name);

// Draws `view` and its subviews, with presentation values, into an image.
inline std::shared_ptr<Image> renderView(View& view, double scale = 2.0)
{
    ImageContext image(view.bounds().size, scale);
    view.layer().renderInContext(image.context());
    return image.image();
}
