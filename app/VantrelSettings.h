#pragma once

#include "platform/ui/graphics/Point.h"

#include <cstdint>
#include <filesystem>
#include <optional>

// What the test screen brings back on the next start: where the square was,
// as the top-left device pixel of its inside, and its size in points. Kept
// as a small JSON file in the data directory; a missing, unreadable or
// nonsensical value is simply absent, never an error. A file that cannot be
// read at all is moved aside (".bad") and the defaults are used.
struct VantrelSettings {
    static constexpr const char* kFileName = "settings.json";
    // Beyond any monitor; anything further is not a place the square was.
    static constexpr double kMaximumPixelCoordinate = 1 << 20;
    // Three numbers take well under a hundred bytes.
    static constexpr std::uintmax_t kMaximumFileSize = 64 * 1024;

    std::optional<Point> squarePixelPosition;
    std::optional<double> squareSize;

    static std::filesystem::path defaultPath();
    static VantrelSettings load(const std::filesystem::path& = defaultPath());
    // Written atomically, 0600, in a 0700 folder made when missing.
    bool save(const std::filesystem::path& = defaultPath()) const;

    bool operator==(const VantrelSettings&) const = default;
};
