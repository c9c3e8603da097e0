#pragma once

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>

// The application's bundle: its information dictionary ("CFBundleDisplayName",
// "CFBundleName", "CFBundleIdentifier", "NSMainNibFile", ...) and the folder
// its resources are read from. The application reads its information file
// at start-up and hands the values in; until then the dictionary is empty and
// there is no resource folder. Safe to use from any thread.
class Bundle {
public:
    using InfoDictionary = std::map<std::string, std::string>;

    static constexpr const char* kDisplayNameKey = "CFBundleDisplayName";
    static constexpr const char* kNameKey = "CFBundleName";
    static constexpr const char* kIdentifierKey = "CFBundleIdentifier";
    static constexpr const char* kMainInterfaceKey = "NSMainNibFile";

    // Creation
    static Bundle& mainBundle();
    Bundle() = default;
    Bundle(const Bundle&) = delete;
    Bundle& operator=(const Bundle&) = delete;

    // Information dictionary
    InfoDictionary infoDictionary() const;
    void setInfoDictionary(InfoDictionary);
    std::optional<std::string> objectForInfoDictionaryKey(const std::string& key) const;
    std::optional<std::string> bundleIdentifier() const { return objectForInfoDictionaryKey(kIdentifierKey); }

    // Resources
    std::filesystem::path resourcePath() const;
    void setResourcePath(std::filesystem::path);
    // The file "name.ext" (or "name" when ext is empty) in the resource folder,
    // when it exists. A name that would leave the folder (absolute, or with a
    // ".." component) finds nothing.
    std::optional<std::filesystem::path> pathForResource(const std::string& name, const std::string& ext) const;

private:
    mutable std::mutex m_mutex;
    InfoDictionary m_infoDictionary;
    std::filesystem::path m_resourcePath;
};
