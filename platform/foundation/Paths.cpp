#include "platform/foundation/Paths.h"

#include "platform/foundation/GUniquePtr.h"

#include <glib.h>
#include <glib/gstdio.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kApplicationFolder = "vantrel";

std::mutex& overrideLock()
{
    static std::mutex lock;
    return lock;
}

std::optional<std::filesystem::path>& dataDirectoryOverride()
{
    static std::optional<std::filesystem::path> path;
    return path;
}

std::optional<std::string> nonEmptyEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

} // namespace

std::filesystem::path Paths::dataDirectory()
{
    {
        std::lock_guard guard(overrideLock());
        if (dataDirectoryOverride())
            return *dataDirectoryOverride();
    }
    if (auto explicitDirectory = nonEmptyEnvironment("VANTREL_DATA_DIR"))
        return *explicitDirectory;
    // The base directory rules ignore a relative XDG_DATA_HOME.
    if (auto dataHome = nonEmptyEnvironment("XDG_DATA_HOME"); dataHome && dataHome->front() == '/')
        return std::filesystem::path(*dataHome) / kApplicationFolder;
    std::filesystem::path home;
    if (auto homeVariable = nonEmptyEnvironment("HOME"))
        home = *homeVariable;
    else
        home = g_get_home_dir();
    return home / ".local" / "share" / kApplicationFolder;
}

void Paths::setDataDirectoryOverride(std::optional<std::filesystem::path> path)
{
    std::lock_guard guard(overrideLock());
    dataDirectoryOverride() = std::move(path);
}

bool Paths::createDirectories(const std::filesystem::path& path)
{
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return std::filesystem::is_directory(path, error);
}

bool Paths::writeFileAtomically(const std::filesystem::path& path, std::string_view bytes)
{
    if (path.filename().empty())
        return false;
    std::filesystem::path directory = path.parent_path().empty() ? "." : path.parent_path();
    // A hidden name in the same directory, so that the rename stays on one file system.
    std::string temporary = (directory / ("." + path.filename().string() + ".XXXXXX")).string();
    int fd = g_mkstemp_full(temporary.data(), O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;

    bool written = writeAll(fd, bytes) && fsync(fd) == 0;
    written = close(fd) == 0 && written;
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    // Make the rename itself durable; the new contents are already in place,
    // so a failure here does not make the write a failure.
    int directoryFd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directoryFd >= 0) {
        fsync(directoryFd);
        close(directoryFd);
    }
    return true;
}

std::optional<std::string> Paths::readFile(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    GUniqueOutPtr<char> contents;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), contents.outPtr(), &length, nullptr))
        return std::nullopt;
    return std::string(contents.get(), length);
}
