#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <set>
#include <string>

class PellarURLDownload;

// The downloads an ad starts on its request and click path. The set is each
// download's only owner. After a failure the ad gives the set up: what it
// holds is cancelled, and downloads added later are not tracked (nothing
// would own them).
class PellarAdDownloads final {
public:
    PellarAdDownloads() = default;
    ~PellarAdDownloads(); // cancels what is still in flight
    PellarAdDownloads(const PellarAdDownloads&) = delete;
    PellarAdDownloads& operator=(const PellarAdDownloads&) = delete;

    // Tracks `download`, which the caller then starts: a download that cannot
    // start reports on the next pass and must find itself here. False, and
    // nothing tracked, once the set has been given up.
    bool add(const std::shared_ptr<PellarURLDownload>&);
    // Stops tracking `download`; the returned reference keeps it alive
    // through the callback that reports it.
    std::shared_ptr<PellarURLDownload> take(PellarURLDownload&);
    // Cancels every tracked download and tracks nothing from now on.
    void giveUp();

    bool givenUp() const { return !m_downloads; }
    size_t count() const { return m_downloads ? m_downloads->size() : 0; }
    // Tracking, and nothing in flight.
    bool empty() const { return m_downloads && m_downloads->empty(); }

    // "{(<download>, ...)}", or "(null)" once given up.
    std::string description() const;

private:
    std::optional<std::set<std::shared_ptr<PellarURLDownload>>> m_downloads { std::in_place };
};
