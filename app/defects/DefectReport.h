#pragma once

#include "app/defects/MonitorRecord.h"
#include "base/ErrorOr.h"
#include "platform/foundation/Date.h"

#include <memory>
#include <string>

class Image;

// What a user attaches to a warranty claim, from one monitor's record: a JSON
// file (the monitor, the date, every mark, the counts and the verdict), a CSV
// file with one mark a line (number, x, y, type, then the mode it was marked
// in) and a PNG map of the panel with every mark circled and numbered.
class DefectReport {
public:
    static constexpr const char* kErrorDomain = "DefectReportErrorDomain";
    enum ErrorCode : int { kCannotWrite = 1 };

    DefectReport(const MonitorRecord&, Date);

    std::string json() const;
    std::string csv() const;
    std::shared_ptr<Image> map() const;

    // Writes `base`.json, `base`.csv and `base`.png, each atomically and
    // private to the user. The error says which file could not be written
    // and why; files already written stay.
    ErrorOr<void> write(const std::string& base) const;

private:
    const MonitorRecord& m_record;
    Date m_date;
};
