#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where the application keeps its files, and the file operations it needs.
// The data directory holds what would be missed if it went (settings, the
// cached position, contacts, the web pages' storage); the cache directory
// what can be fetched again (images, strings tables, the web cache).
class Paths {
public:
    // The web engine's storage (cookies, local storage) under the data
    // directory, and its cache under the cache directory.
    static constexpr const char* kWebDataSubdirectory = "webkit/data";
    static constexpr const char* kWebCacheSubdirectory = "webkit/cache";

    // The first of: the override (from --data-dir), $VANTREL_DATA_DIR,
    // $XDG_DATA_HOME/<folder>, ~/.local/share/<folder>. Not created here.
    static std::filesystem::path dataDirectory();
    // The first of: the override, $VANTREL_DATA_DIR (one folder for
    // everything), $XDG_CACHE_HOME/<folder>, ~/.cache/<folder>. Not created here.
    static std::filesystem::path cacheDirectory();
    static void setDataDirectoryOverride(std::optional<std::filesystem::path>);

    // <folder> above: the application's own name under the per-user data and
    // cache folders. "vantrel" unless a source is set; a library embedded in
    // another application sets one that names that application. The source is
    // asked each time a directory is looked up; an answer that cannot be a
    // single folder name is replaced (see folderName).
    static constexpr const char* kDefaultApplicationFolder = "vantrel";
    using ApplicationFolderSource = std::function<std::string()>;
    static void setApplicationFolderSource(ApplicationFolderSource);
    static std::string applicationFolder();
    // `name` as one folder name: slashes and control characters become "_";
    // an empty name, "." or ".." gives nullopt.
    static std::optional<std::string> folderName(std::string_view name);

    // Everything the application writes is private to the user: files are
    // created 0600 and the folders it creates 0700, whatever the umask.
    static constexpr std::filesystem::perms kFilePermissions
        = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
    static constexpr std::filesystem::perms kDirectoryPermissions = std::filesystem::perms::owner_all;

    // Creates the directory and any missing parents (0700 each; folders that
    // exist already are left as they are); true when it exists afterwards.
    static bool createDirectories(const std::filesystem::path&);

    // Brings what an older build, or another umask, left behind to the
    // permissions above: `directory` itself becomes 0700, and each of the
    // named entries in it, with everything below (folders 0700, regular
    // files 0600). Only the named entries are walked: the data directory may
    // be a folder the user chose, holding files that are not ours. Symbolic
    // links are not followed; what is missing is nothing to do.
    static void tightenPermissions(
        const std::filesystem::path& directory, const std::vector<std::string>& ownedEntries);

    // Moves each named entry (a relative path) of `from` to the same place
    // under `to`, merging folders: what the destination already holds is
    // kept, and so is the source's copy of it, where it was; nothing is
    // deleted that was not moved. Across file systems files are copied, then
    // removed. Folders left empty by the move go. Symbolic links are moved
    // as links, never followed. Created folders are 0700, moved files 0600.
    // True when nothing was left behind.
    static bool moveEntries(
        const std::filesystem::path& from, const std::filesystem::path& to, const std::vector<std::string>& entries);

    // Replaces the file's contents as one step: the bytes go to a temporary
    // file in the same directory, are flushed to disk, and the temporary file
    // is renamed over the target. A reader sees the old contents or the new,
    // never a part; on failure the old file is untouched and nothing is left
    // behind. The directory must exist. The file ends up 0600.
    static bool writeFileAtomically(const std::filesystem::path&, std::string_view bytes);

    // The whole file, or nullopt when it is missing, unreadable or not a regular file.
    static std::optional<std::string> readFile(const std::filesystem::path&);
    // The same, and nullopt for a file larger than `maximumSize` bytes,
    // which is not read at all.
    static std::optional<std::string> readFile(const std::filesystem::path&, std::uintmax_t maximumSize);

    // A stored file that could not be used (cut short, not in its format,
    // far too large) is moved aside to "<name>.bad", replacing an older one,
    // so that the next save writes a good file while the bad one stays for a
    // look. Only regular files move; false when there was none or it could
    // not be moved.
    static bool setAsideBadFile(const std::filesystem::path&);

    Paths() = delete;
};
