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
#include <vector>

namespace {

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

Paths::ApplicationFolderSource& applicationFolderSource()
{
    static Paths::ApplicationFolderSource source;
    return source;
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
        return std::filesystem::path(*dataHome) / applicationFolder();
    std::filesystem::path home;
    if (auto homeVariable = nonEmptyEnvironment("HOME"))
        home = *homeVariable;
    else
        home = g_get_home_dir();
    return home / ".local" / "share" / applicationFolder();
}

std::filesystem::path Paths::cacheDirectory()
{
    {
        std::lock_guard guard(overrideLock());
        if (dataDirectoryOverride())
            return *dataDirectoryOverride();
    }
    if (auto explicitDirectory = nonEmptyEnvironment("VANTREL_DATA_DIR"))
        return *explicitDirectory;
    if (auto cacheHome = nonEmptyEnvironment("XDG_CACHE_HOME"); cacheHome && cacheHome->front() == '/')
        return std::filesystem::path(*cacheHome) / applicationFolder();
    std::filesystem::path home;
    if (auto homeVariable = nonEmptyEnvironment("HOME"))
        home = *homeVariable;
    else
        home = g_get_home_dir();
    return home / ".cache" / applicationFolder();
}

void Paths::setDataDirectoryOverride(std::optional<std::filesystem::path> path)
{
    std::lock_guard guard(overrideLock());
    dataDirectoryOverride() = std::move(path);
}

void Paths::setApplicationFolderSource(ApplicationFolderSource source)
{
    std::lock_guard guard(overrideLock());
    applicationFolderSource() = std::move(source);
}

std::string Paths::applicationFolder()
{
    ApplicationFolderSource source;
    {
        std::lock_guard guard(overrideLock());
        source = applicationFolderSource();
    }
    // Asked outside the lock: the source may look things up that take time.
    if (!source)
        return kDefaultApplicationFolder;
    return folderName(source()).value_or(kDefaultApplicationFolder);
}

std::optional<std::string> Paths::folderName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return std::nullopt;
    std::string folder(name);
    for (auto& c : folder) {
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '_';
    }
    return folder;
}

bool Paths::createDirectories(const std::filesystem::path& path)
{
    std::error_code error;
    if (path.empty())
        return false;
    if (std::filesystem::is_directory(path, error))
        return true;
    // The missing folders, outermost first; each is made 0700 itself, since
    // create_directories would give every one the umask's permissions.
    std::vector<std::filesystem::path> missing;
    for (auto folder = path;
         !folder.empty() && !std::filesystem::exists(std::filesystem::symlink_status(folder, error));
         folder = folder.parent_path()) {
        missing.push_back(folder);
        if (folder == folder.parent_path())
            break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (mkdir(it->c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return std::filesystem::is_directory(path, error);
}

namespace {

// Failures are left alone: what we cannot change is not ours to fix.
void tighten(const std::filesystem::path& path, const std::filesystem::file_status& status)
{
    std::error_code error;
    if (std::filesystem::is_directory(status))
        std::filesystem::permissions(path, Paths::kDirectoryPermissions, error);
    else if (std::filesystem::is_regular_file(status))
        std::filesystem::permissions(path, Paths::kFilePermissions, error);
}

} // namespace

void Paths::tightenPermissions(const std::filesystem::path& directory, const std::vector<std::string>& ownedEntries)
{
    std::error_code error;
    auto status = std::filesystem::symlink_status(directory, error);
    if (!std::filesystem::is_directory(status))
        return;
    tighten(directory, status);
    for (auto& name : ownedEntries) {
        auto entry = directory / name;
        auto entryStatus = std::filesystem::symlink_status(entry, error);
        if (error || !std::filesystem::exists(entryStatus))
            continue;
        tighten(entry, entryStatus);
        if (!std::filesystem::is_directory(entryStatus))
            continue;
        std::filesystem::recursive_directory_iterator it(
            entry, std::filesystem::directory_options::skip_permission_denied, error);
        for (; !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            std::error_code itemError;
            auto itemStatus = it->symlink_status(itemError);
            if (!itemError)
                tighten(it->path(), itemStatus);
        }
    }
}

namespace {

// Copies a regular file to a path that does not exist yet, 0600 from the start.
bool copyFile(const std::filesystem::path& from, const std::filesystem::path& to)
{
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (in < 0)
        return false;
    int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        close(in);
        return false;
    }
    bool copied = true;
    char buffer[65536];
    while (copied) {
        ssize_t got = read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            copied = got == 0;
            break;
        }
        copied = writeAll(out, std::string_view(buffer, static_cast<size_t>(got)));
    }
    copied = fsync(out) == 0 && copied;
    copied = close(out) == 0 && copied;
    close(in);
    if (!copied)
        unlink(to.c_str());
    return copied;
}

// Moves one entry; true when nothing of it is left at `from`.
bool moveEntry(const std::filesystem::path& from, const std::filesystem::path& to)
{
    std::error_code error;
    auto status = std::filesystem::symlink_status(from, error);
    if (error || !std::filesystem::exists(status))
        return true;
    bool destinationExists = std::filesystem::exists(std::filesystem::symlink_status(to, error));
    if (!destinationExists) {
        if (!Paths::createDirectories(to.parent_path()))
            return false;
        if (rename(from.c_str(), to.c_str()) == 0) {
            tighten(to, status);
            if (std::filesystem::is_directory(status))
                Paths::tightenPermissions(to.parent_path(), { to.filename().string() });
            return true;
        }
        if (errno != EXDEV)
            return false;
    }
    if (std::filesystem::is_directory(status)) {
        if (destinationExists && !std::filesystem::is_directory(std::filesystem::symlink_status(to, error)))
            return false; // a file where the folder would go: both stay
        if (!Paths::createDirectories(to))
            return false;
        bool movedAll = true;
        std::vector<std::filesystem::path> children;
        for (std::filesystem::directory_iterator it(from, error), end; !error && it != end; it.increment(error))
            children.push_back(it->path().filename());
        if (error)
            return false;
        for (auto& child : children)
            movedAll = moveEntry(from / child, to / child) && movedAll;
        return movedAll && rmdir(from.c_str()) == 0;
    }
    if (destinationExists)
        return false; // the destination's copy wins; the source's stays where it was
    if (std::filesystem::is_symlink(status)) {
        auto target = std::filesystem::read_symlink(from, error);
        if (error)
            return false;
        std::filesystem::create_symlink(target, to, error);
        return !error && unlink(from.c_str()) == 0;
    }
    if (!std::filesystem::is_regular_file(status))
        return false; // sockets, fifos and devices are not ours
    return copyFile(from, to) && unlink(from.c_str()) == 0;
}

} // namespace

bool Paths::moveEntries(
    const std::filesystem::path& from, const std::filesystem::path& to, const std::vector<std::string>& entries)
{
    std::error_code error;
    if (std::filesystem::equivalent(from, to, error))
        return true;
    bool movedAll = true;
    for (auto& entry : entries) {
        movedAll = moveEntry(from / entry, to / entry) && movedAll;
        // Parents the move emptied go too (rmdir refuses any that is not empty).
        for (auto parent = std::filesystem::path(entry).parent_path(); !parent.empty(); parent = parent.parent_path())
            rmdir((from / parent).c_str());
    }
    return movedAll;
}

bool Paths::writeFileAtomically(const std::filesystem::path& path, std::string_view bytes)
{
    if (path.filename().empty())
        return false;
    std::filesystem::path directory = path.parent_path().empty() ? "." : path.parent_path();
    // A hidden name in the same directory, so that the rename stays on one file system.
    std::string temporary = (directory / ("." + path.filename().string() + ".XXXXXX")).string();
    int fd = g_mkstemp_full(temporary.data(), O_WRONLY | O_CLOEXEC, 0600);
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

std::optional<std::string> Paths::readFile(const std::filesystem::path& path, std::uintmax_t maximumSize)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    auto size = std::filesystem::file_size(path, error);
    if (error || size > maximumSize)
        return std::nullopt;
    auto contents = readFile(path);
    // It may have grown between the two looks.
    if (contents && contents->size() > maximumSize)
        return std::nullopt;
    return contents;
}

bool Paths::setAsideBadFile(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    std::filesystem::path aside = path;
    aside += ".bad";
    return rename(path.c_str(), aside.c_str()) == 0;
}
