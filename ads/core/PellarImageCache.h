#pragma once

#include "platform/foundation/SharedInstance.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// A small on-disk store of named images reused across ads and runs: the
// browser icons and the ads' action icons, one PNG file per name. An image
// counts as present while its file is younger than the freshness limit;
// nothing is ever deleted, a stale file waits to be overwritten.
//
// Names come from the ad server, so a name that could leave the cache
// directory ("/", "." or "..", a NUL, the empty name, longer than a file
// name may be) is never turned into a path: it is not in the cache, storing
// it does nothing and fetching it gives nothing.
class PellarImageCache final {
public:
    static constexpr const char* kCacheSubdirectory = "pellar/image_cache";
    // About 36.4 days.
    static constexpr double kFreshnessLimit = 3141592;

    static PellarImageCache& sharedCache() { return SharedInstance<PellarImageCache>::get(); }
    PellarImageCache(const PellarImageCache&) = delete;
    PellarImageCache& operator=(const PellarImageCache&) = delete;

    // The cache directory under the data directory; created on first use.
    static std::filesystem::path imageCacheDirectory();

    // Writes the PNG bytes under the name, replacing any earlier file and
    // restarting its age. Bytes that are not a PNG, and write failures, are
    // ignored.
    void storeImage(std::string_view pngBytes, const std::string& name);
    // True only while the name's file exists and is at most the freshness
    // limit old.
    bool imageIsInCache(const std::string& name) const;
    // The PNG bytes of the name's file, whatever its age; nullopt when there
    // is no readable PNG file.
    std::optional<std::string> fetchImageNamed(const std::string& name) const;

    // Whether the name can be a file in the cache directory.
    static bool isUsableImageName(std::string_view name);
    static bool hasPNGSignature(std::string_view bytes);

private:
    friend class SharedInstance<PellarImageCache>;
    PellarImageCache();

    static std::optional<std::filesystem::path> pathForName(const std::string& name);
};
