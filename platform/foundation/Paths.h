#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Where the application keeps its files, and the file operations it needs.
// The data directory plays the role of a phone application's documents
// directory: caches and downloaded tables live under it.
class Paths {
public:
    // The first of: the override (from --data-dir), $VANTREL_DATA_DIR,
    // $XDG_DATA_HOME/vantrel, ~/.local/share/vantrel. Not created here.
    static std::filesystem::path dataDirectory();
    static void setDataDirectoryOverride(std::optional<std::filesystem::path>);

    // Creates the directory and any missing parents; true when it exists afterwards.
    static bool createDirectories(const std::filesystem::path&);

    // Replaces the file's contents as one step: the bytes go to a temporary
    // file in the same directory, are flushed to disk, and the temporary file
    // is renamed over the target. A reader sees the old contents or the new,
    // never a part; on failure the old file is untouched and nothing is left
    // behind. The directory must exist.
    static bool writeFileAtomically(const std::filesystem::path&, std::string_view bytes);

    // The whole file, or nullopt when it is missing, unreadable or not a regular file.
    static std::optional<std::string> readFile(const std::filesystem::path&);

    Paths() = delete;
};
