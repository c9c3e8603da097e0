#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <set>
#include <string>

class PellarURLDownload;

// The accounting and tracking pixels of one ad: fired once in the ad's life,
// their answers ignored and their failures not reported. Nobody waits for a
// pixel, so its downloads run in the background and never take the
// connections that requests and clicks need.
class PellarAdPixels final {
public:
    static constexpr const char* kAccountingPixelIdentifier = "accountingPixel";
    static constexpr const char* kTrackingPixelIdentifier = "trackingPixel";

    bool loaded() const { return m_loaded; }
    size_t downloadsInFlight() const { return m_downloads.size(); }

    // Fires the pixels whose URLs are given; only the first call does
    // anything. Each download holds `owner` until it has answered, so the
    // owner (and these pixels with it) lives that long.
    void loadOnce(const std::optional<std::string>& accountingURL, const std::optional<std::string>& trackingURL,
        const std::shared_ptr<const void>& owner);

private:
    void start(const std::string& url, const char* identifier, const std::shared_ptr<const void>& owner);
    void didFinish(PellarURLDownload&);

    bool m_loaded { false };
    std::set<std::shared_ptr<PellarURLDownload>> m_downloads;
};
