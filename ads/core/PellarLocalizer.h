#pragma once

#include "platform/foundation/SharedInstance.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

class PellarURLDownload;

// Translates the library's English texts with a strings table downloaded from
// the ad service's static media host for the user's preferred language and
// cached on disk for good. The table is loaded at the first lookup and kept
// for the run; one that arrives later is used from the next run on.
class PellarLocalizer final {
public:
    static constexpr const char* kCacheSubdirectory = "pellar/localization_cache/20091130";
    // A table of the library's few dozen texts is a few kilobytes; a stored
    // file far beyond that is not one and is not read.
    static constexpr std::uintmax_t kMaximumStringsTableSize = 1024 * 1024;

    static PellarLocalizer& sharedLocalizer() { return SharedInstance<PellarLocalizer>::get(); }
    PellarLocalizer(const PellarLocalizer&) = delete;
    PellarLocalizer& operator=(const PellarLocalizer&) = delete;

    // The cache directory under the data directory; created on first use.
    static std::filesystem::path localizationCacheDirectory();

    // The first of the user's languages; "en" when the list is empty, nullopt
    // when there is no list. Read once, when the localizer is made.
    const std::optional<std::string>& preferredLanguage() const { return m_preferredLanguage; }
    // The user's locale ("de_DE"), read afresh; nullopt when there is none.
    std::optional<std::string> currentLocale() const;
    std::filesystem::path stringsPathForLanguage(const std::string& language) const;

    // Fetches the preferred language's table unless its file exists.
    void downloadResourcesIfNecessary();
    // Loads the table once: a missing or unreadable file, or one that is not a
    // dictionary of strings, is the empty table.
    void loadStrings();
    // The table's text for the key, or the key itself when the table has none
    // or an empty one.
    std::string localizedStringForKey(const std::string& key);

    // Download callbacks.
    void downloadDidSucceed(PellarURLDownload&);
    void downloadDidFail(PellarURLDownload&);

    // Tests: forget the loaded table, the downloads in flight and the
    // language, and read the language afresh from the user defaults.
    void resetForTesting();

private:
    friend class SharedInstance<PellarLocalizer>;
    PellarLocalizer();
    void finish(PellarURLDownload&);
    void storeTable(const std::string& language, std::string_view contents);

    std::optional<std::map<std::string, std::string>> m_strings;
    std::optional<std::string> m_preferredLanguage;
    // Each download lives until its callback; nothing else holds it.
    std::set<std::shared_ptr<PellarURLDownload>> m_downloads;
};
