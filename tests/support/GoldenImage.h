#pragma once

#include <gtest/gtest.h>
#include <string>

class Image;

// Compares `actual` with the golden PNG `<dir>/<name>.png` (dir relative to the
// source tree). Anti-aliased text may differ by a few levels between Cairo
// builds, so a pixel counts as different only beyond a per-channel tolerance,
// and a small share of such pixels is allowed. The actual image is always
// written beside the build for a look; VANTREL_UPDATE_GOLDEN=1 rewrites the
// golden file instead of comparing.
::testing::AssertionResult matchesGolden(const Image& actual, const std::string& dir, const std::string& name);
