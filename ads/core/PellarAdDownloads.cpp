#include "ads/core/PellarAdDownloads.h"

#include "ads/core/PellarURLDownload.h"

PellarAdDownloads::~PellarAdDownloads()
{
    giveUp();
}

bool PellarAdDownloads::add(const std::shared_ptr<PellarURLDownload>& download)
{
    if (!m_downloads)
        return false;
    m_downloads->insert(download);
    return true;
}

std::shared_ptr<PellarURLDownload> PellarAdDownloads::take(PellarURLDownload& download)
{
    auto strong = download.weak_from_this().lock();
    if (m_downloads && strong)
        m_downloads->erase(strong);
    return strong;
}

void PellarAdDownloads::giveUp()
{
    // Emptied before the cancelling, so that nothing a cancel sets off finds
    // the set still tracking.
    auto downloads = std::move(m_downloads);
    m_downloads.reset();
    if (downloads) {
        for (auto& download : *downloads)
            download->cancel();
    }
}

std::string PellarAdDownloads::description() const
{
    if (!m_downloads)
        return "(null)";
    std::string text = "{(";
    for (auto& download : *m_downloads) {
        text += text.size() > 2 ? ", " : "";
        text += download->description();
    }
    return text + ")}";
}
