#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where the application keeps its files, and the file operations it needs.
// The data directory plays the role of a phone application's documents
// directory: caches and downloaded tables live under it.
class Paths {
public:
    // The first of: the override (from --data-dir), $VANTREL_DATA_DIR,
    // $XDG_DATA_HOME/vantrel, ~/.local/share/vantrel. Not created here.
    static std::filesystem::path dataDirectory();
    static void setDataDirectoryOverride(std::optional<std::filesystem::path>);

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

    // Replaces the file's contents as one step: the bytes go to a temporary
    // file in the same directory, are flushed to disk, and the temporary file
    // is renamed over the target. A reader sees the old contents or the new,
    // never a part; on failure the old file is untouched and nothing is left
    // behind. The directory must exist. The file ends up 0600.
    static bool writeFileAtomically(const std::filesystem::path&, std::string_view bytes);

    // The whole file, or nullopt when it is missing, unreadable or not a regular file.
    static std::optional<std::string> readFile(const std::filesystem::path&);

    Paths() = delete;
};
