#include "ads/core/PellarLocalizer.h"

#include "ads/core/PellarEndpoints.h"
#include "ads/core/PellarURLDownload.h"
#include "ads/core/PropertyListReader.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PercentEscaping.h"
#include "platform/foundation/ServerText.h"
#include "platform/foundation/UserDefaults.h"

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
        Paths::writeFileAtomically(stringsPathForLanguage(*download.identifier()), *download.data());
    finish(download);
}

void PellarLocalizer::downloadDidFail(PellarURLDownload& download)
{
    // The server has no table for the language: an empty file stops further
    // requests for it. Any other failure leaves nothing, so the next ad asks again.
    if (download.identifier() && download.error() && download.error()->code == PellarURLDownload::kHTTPStatusError)
        Paths::writeFileAtomically(stringsPathForLanguage(*download.identifier()), "");
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
        if (auto contents = Paths::readFile(stringsPathForLanguage(*m_preferredLanguage)))
            table = PropertyListReader::stringTableFromData(*contents);
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
