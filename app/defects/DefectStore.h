#pragma once

#include "app/defects/MonitorRecord.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The marks of every monitor the app has marked, kept in one JSON file in
// the data directory (0600, written atomically), so a later run on the same
// monitor takes up its marks again.
//
// A file that cannot be used (damaged, not ours, or far too big to be ours)
// is moved aside to "<name>.bad" (or "<name>.bad.1" and on, when an earlier
// one is there) and the store starts empty; `problem()`
// says so in words for the user. When even that move fails the store never
// writes, so the file stays as it was for the user to rescue.
class DefectStore {
public:
    static constexpr const char* kFileName = "defects.json";
    static constexpr const char* kFormat = "vantrel-defects";
    static constexpr int kVersion = 1;
    // Ten thousand marks on each of a few monitors take well under this.
    static constexpr std::uintmax_t kMaximumFileSize = 8 * 1024 * 1024;

    static std::filesystem::path defaultPath();
    static DefectStore load(const std::filesystem::path& = defaultPath());

    const std::filesystem::path& path() const { return m_path; }
    const std::optional<std::string>& problem() const { return m_problem; }
    bool isWritable() const { return m_writable; }

    const std::vector<MonitorRecord>& records() const { return m_records; }
    // The record of the monitor, made when it has none; the record takes the
    // identity's current mode.
    MonitorRecord& recordFor(const MonitorIdentity&);
    // The record whose connector is `connector`, or the only record when
    // `connector` is empty and there is one.
    const MonitorRecord* findRecord(const std::string& connector) const;

    // Writes every record that holds marks. False when the file cannot be
    // written (or must not be, see above); the records stay as they are.
    bool save() const;

    // The file's text for these records.
    std::string serialized() const;

private:
    std::filesystem::path m_path;
    std::vector<MonitorRecord> m_records;
    std::optional<std::string> m_problem;
    bool m_writable { true };
};
