#include "ads/core/PellarImageCache.h"

#include "platform/foundation/Date.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Paths.h"

#include <sys/stat.h>

#include <atomic>
#include <climits>
#include <cmath>
#include <fcntl.h>

namespace {

// Ages are measured on the run loop's clock, so the file's time is set from
// it too: a store made under a test's manual clock is "now" for that clock.
void setModificationTime(const std::filesystem::path& path, const Date& date)
{
    double seconds = date.timeIntervalSince1970();
    struct timespec times[2];
    times[0].tv_sec = static_cast<time_t>(std::floor(seconds));
    times[0].tv_nsec = static_cast<long>((seconds - std::floor(seconds)) * 1e9);
    times[1] = times[0];
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

} // namespace

PellarImageCache::PellarImageCache()
{
    imageCacheDirectory();
}

std::filesystem::path PellarImageCache::imageCacheDirectory()
{
    auto directory = Paths::cacheDirectory() / kCacheSubdirectory;
    Paths::createDirectories(directory); // a failure shows later as a miss
    return directory;
}

bool PellarImageCache::isUsableImageName(std::string_view name)
{
    if (name.empty() || name.size() > NAME_MAX || name == "." || name == "..")
        return false;
    return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

bool PellarImageCache::hasPNGSignature(std::string_view bytes)
{
    return bytes.starts_with(std::string_view("\x89PNG\r\n\x1a\n", 8));
}

std::optional<std::filesystem::path> PellarImageCache::pathForName(const std::string& name)
{
    if (!isUsableImageName(name))
        return std::nullopt;
    return imageCacheDirectory() / name;
}

void PellarImageCache::storeImage(std::string_view pngBytes, const std::string& name)
{
    auto path = pathForName(name);
    if (!path || !hasPNGSignature(pngBytes))
        return;
    if (Paths::writeFileAtomically(*path, pngBytes)) {
        setModificationTime(*path, Date::now());
        return;
    }
    // A full disk, say: the older copy (if any) stays as it was, and the
    // image is fetched again next time. Every image would say the same.
    static std::atomic<bool> logged { false };
    if (!logged.exchange(true))
        Log::write("Pellar: Could not store an image in the cache; images will be downloaded again");
}

bool PellarImageCache::imageIsInCache(const std::string& name) const
{
    auto path = pathForName(name);
    if (!path)
        return false;
    struct stat status;
    if (stat(path->c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    double modified = static_cast<double>(status.st_mtim.tv_sec) + static_cast<double>(status.st_mtim.tv_nsec) / 1e9;
    double age = Date::now().timeIntervalSince1970() - modified;
    if (std::isnan(age))
        return false;
    return age <= kFreshnessLimit;
}

std::optional<std::string> PellarImageCache::fetchImageNamed(const std::string& name) const
{
    auto path = pathForName(name);
    if (!path)
        return std::nullopt;
    auto bytes = Paths::readFile(*path);
    if (!bytes || !hasPNGSignature(*bytes))
        return std::nullopt;
    return bytes;
}
