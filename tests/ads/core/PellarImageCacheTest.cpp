#include "ads/core/PellarImageCache.h"
#include "platform/foundation/Log.h"
#include "tests/ads/core/AdsCoreFixture.h"
#include "tests/support/FileSizeLimit.h"

#include <filesystem>
#include <fstream>

namespace {

const std::string kPNG = std::string("\x89PNG\r\n\x1a\n", 8) + "rest of a picture";
constexpr double kDay = 86400;

class PellarImageCacheTest : public AdsCoreFixture {
protected:
    PellarImageCache& cache() { return PellarImageCache::sharedCache(); }
};

TEST_F(PellarImageCacheTest, FreshFor36DaysStaleAt37AndReplacementRestartsTheAge)
{
    cache().storeImage(kPNG, "back");
    EXPECT_TRUE(std::filesystem::exists(dataDirectory.path() / "pellar/image_cache/back"));
    advance(36 * kDay);
    EXPECT_TRUE(cache().imageIsInCache("back"));
    advance(1 * kDay);
    EXPECT_FALSE(cache().imageIsInCache("back"));
    EXPECT_EQ(cache().fetchImageNamed("back"), kPNG); // stale files still read

    std::string newer = kPNG + "v2";
    cache().storeImage(newer, "back");
    EXPECT_TRUE(cache().imageIsInCache("back"));
    EXPECT_EQ(cache().fetchImageNamed("back"), newer);
}

TEST_F(PellarImageCacheTest, MissingOrUnreadableFilesAreNotImages)
{
    EXPECT_FALSE(cache().imageIsInCache("forward"));
    EXPECT_FALSE(cache().fetchImageNamed("forward"));
    cache().storeImage("not a png", "forward");
    EXPECT_FALSE(cache().imageIsInCache("forward"));
    std::filesystem::create_directories(PellarImageCache::imageCacheDirectory() / "folder");
    EXPECT_FALSE(cache().imageIsInCache("folder"));
    EXPECT_FALSE(cache().fetchImageNamed("folder"));
}

TEST_F(PellarImageCacheTest, AFullDiskKeepsTheOlderCopyAndSaysSoOnce)
{
    cache().storeImage(kPNG, "back");
    std::vector<std::string> lines;
    Log::setCaptureHook([&](const std::string& line) { lines.push_back(line); });
    {
        FileSizeLimit full(8);
        cache().storeImage(kPNG + "v2", "back");
        cache().storeImage(kPNG, "front");
    }
    Log::setCaptureHook(nullptr);
    EXPECT_EQ(cache().fetchImageNamed("back"), kPNG);
    EXPECT_FALSE(cache().fetchImageNamed("front"));
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                  "Pellar: Could not store an image in the cache; images will be downloaded again"),
        1);
    for (auto& entry : std::filesystem::directory_iterator(PellarImageCache::imageCacheDirectory()))
        EXPECT_NE(entry.path().filename().string().front(), '.') << "no temporary file left";
}

TEST_F(PellarImageCacheTest, NamesThatCouldLeaveTheDirectoryAreNeverPaths)
{
    auto outside = dataDirectory.path() / "pellar" / "escaped";
    for (const std::string& name : { std::string("../escaped"), std::string("a/b"), std::string(".."), std::string("."),
             std::string(""), std::string("nul\0name", 8), std::string(300, 'n') }) {
        cache().storeImage(kPNG, name);
        EXPECT_FALSE(cache().imageIsInCache(name)) << name;
        EXPECT_FALSE(cache().fetchImageNamed(name)) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(outside));
    EXPECT_FALSE(std::filesystem::exists(dataDirectory.path() / "pellar/image_cache/a"));
    std::filesystem::path sneaky = dataDirectory.path() / "secret";
    std::ofstream(sneaky) << kPNG;
    EXPECT_FALSE(cache().fetchImageNamed("../../secret"));
}

} // namespace
