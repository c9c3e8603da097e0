#include "ads/core/PellarLocalizer.h"

#include "ads/core/PellarEndpoints.h"
#include "ads/core/PellarURLDownload.h"
#include "ads/core/PropertyListReader.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PercentEscaping.h"
#include "platform/foundation/ServerText.h"
#include "platform/foundation/UserDefaults.h"

#include <atomic>
#include <system_error>

namespace {

std::optional<std::string> readPreferredLanguage()
{
    auto languages = UserDefaults::standardUserDefaults().stringArrayForKey(UserDefaults::kLanguagesKey);
    if (!languages)
        return std::nullopt;
    if (languages->empty())
        return std::string("en");
    return languages->front();
}

} // namespace

PellarLocalizer::PellarLocalizer()
    : m_preferredLanguage(readPreferredLanguage())
{
    localizationCacheDirectory();
}

void PellarLocalizer::resetForTesting()
{
    for (auto& download : m_downloads)
        download->cancel();
    m_downloads.clear();
    m_strings.reset();
    m_preferredLanguage = readPreferredLanguage();
}

std::filesystem::path PellarLocalizer::localizationCacheDirectory()
{
    auto directory = Paths::cacheDirectory() / kCacheSubdirectory;
    Paths::createDirectories(directory); // a failure shows later as a missing table
    return directory;
}

std::optional<std::string> PellarLocalizer::currentLocale() const
{
    return UserDefaults::standardUserDefaults().stringForKey(UserDefaults::kLocaleKey);
}

std::filesystem::path PellarLocalizer::stringsPathForLanguage(const std::string& language) const
{
    return localizationCacheDirectory() / (language + ".strings");
}

void PellarLocalizer::downloadResourcesIfNecessary()
{
    // Without a language there is no table to ask for.
    if (!m_preferredLanguage)
        return;
    std::error_code error;
    if (std::filesystem::exists(stringsPathForLanguage(*m_preferredLanguage), error))
        return;

    auto escaped = PercentEscaping::addingPercentEscapesASCII(*m_preferredLanguage);
    std::string language = escaped ? *escaped : PercentEscaping::addingPercentEscapesUTF8(*m_preferredLanguage);
    auto download = PellarURLDownload::create();
    download->setDelegate(*this, &PellarLocalizer::downloadDidSucceed, &PellarLocalizer::downloadDidFail);
    download->setIdentifier(m_preferredLanguage);
    m_downloads.insert(download);
    download->loadContentsOfURLAtString(PellarEndpoints::stringsTableURL(language));
}

void PellarLocalizer::downloadDidSucceed(PellarURLDownload& download)
{
    if (download.identifier() && download.data())
        storeTable(*download.identifier(), *download.data());
    finish(download);
}

void PellarLocalizer::storeTable(const std::string& language, std::string_view contents)
{
    if (Paths::writeFileAtomically(stringsPathForLanguage(language), contents))
        return;
    // Nothing is left behind, so the next ad asks again; one line says so.
    static std::atomic<bool> logged { false };
    if (!logged.exchange(true))
        Log::write("Pellar: Could not store the strings table; it will be downloaded again");
}

void PellarLocalizer::downloadDidFail(PellarURLDownload& download)
{
    // The server has no table for the language: an empty file stops further
    // requests for it. Any other failure leaves nothing, so the next ad asks again.
    if (download.identifier() && download.error() && download.error()->code == PellarURLDownload::kHTTPStatusError)
        storeTable(*download.identifier(), "");
    finish(download);
}

void PellarLocalizer::finish(PellarURLDownload& download)
{
    download.cancel();
    // The download stays alive until the current pass ends, so it may be let go here.
    if (auto self = download.weak_from_this().lock())
        m_downloads.erase(self);
}

void PellarLocalizer::loadStrings()
{
    if (m_strings)
        return;
    std::optional<PropertyListReader::StringTable> table;
    if (m_preferredLanguage) {
        auto path = stringsPathForLanguage(*m_preferredLanguage);
        std::error_code missing;
        bool stored = std::filesystem::exists(path, missing);
        auto contents = stored ? Paths::readFile(path, kMaximumStringsTableSize) : std::nullopt;
        // An empty file is the mark of a language the service has no table for.
        if (contents && !contents->empty())
            table = PropertyListReader::stringTableFromData(*contents);
        if (stored && (!contents || (!contents->empty() && !table))) {
            // Cut short, too large or not a table: the keys stand in for
            // their texts, and without the file the next ad asks for the
            // table again.
            if (Paths::setAsideBadFile(path))
                Log::write("Pellar: The stored strings table could not be read; it was moved aside");
        }
    }
    m_strings = table ? std::move(*table) : PropertyListReader::StringTable {};
}

std::string PellarLocalizer::localizedStringForKey(const std::string& key)
{
    loadStrings();
    auto found = m_strings->find(key);
    // The table is the server's: its values are cut and cleaned like any server text.
    if (found != m_strings->end() && !found->second.empty())
        return ServerText::forDisplay(found->second, ServerText::kStringsValueLength);
    return key;
}
