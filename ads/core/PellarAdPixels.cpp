#include "ads/core/PellarAdPixels.h"

#include "ads/core/PellarURLDownload.h"

void PellarAdPixels::loadOnce(const std::optional<std::string>& accountingURL,
    const std::optional<std::string>& trackingURL, const std::shared_ptr<const void>& owner)
{
    if (m_loaded)
        return;
    m_loaded = true;
    if (accountingURL)
        start(*accountingURL, kAccountingPixelIdentifier, owner);
    if (trackingURL)
        start(*trackingURL, kTrackingPixelIdentifier, owner);
}

void PellarAdPixels::start(const std::string& url, const char* identifier, const std::shared_ptr<const void>& owner)
{
    auto download = PellarURLDownload::create();
    // The owner holds this object, so holding the owner keeps `this` valid
    // until the callback has run.
    auto finish = [this, owner](PellarURLDownload& finished) { didFinish(finished); };
    download->setCallbacks(finish, finish);
    download->setIdentifier(std::string(identifier));
    download->setBackground(true);
    m_downloads.insert(download);
    download->loadContentsOfURLAtString(url);
}

void PellarAdPixels::didFinish(PellarURLDownload& download)
{
    download.cancel();
    if (auto strong = download.weak_from_this().lock())
        m_downloads.erase(strong);
}
