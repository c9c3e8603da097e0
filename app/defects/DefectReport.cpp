#include "app/defects/DefectReport.h"

#include "app/defects/DefectMap.h"
#include "platform/foundation/Paths.h"
#include "platform/ui/graphics/Image.h"
#include "json/JSONSerializer.h"

#include <cerrno>
#include <filesystem>
#include <glib.h>
#include <unistd.h>

DefectReport::DefectReport(const MonitorRecord& record, Date date)
    : m_record(record)
    , m_date(date)
{
}

std::string DefectReport::json() const
{
    auto number = [](double value) { return JSONValue::number(value); };
    const MonitorIdentity& monitor = m_record.monitor();
    std::vector<std::pair<std::string_view, JSONValue>> monitorMembers {
        { "manufacturer", JSONValue::string(monitor.manufacturer) },
        { "model", JSONValue::string(monitor.model) },
        { "connector", JSONValue::string(monitor.connector) },
        { "width", number(monitor.widthPixels) },
        { "height", number(monitor.heightPixels) },
    };
    if (monitor.widthMillimetres && monitor.heightMillimetres) {
        monitorMembers.push_back({ "widthMillimetres", number(*monitor.widthMillimetres) });
        monitorMembers.push_back({ "heightMillimetres", number(*monitor.heightMillimetres) });
    }
    std::vector<JSONValue> marks;
    int index = 0;
    for (auto& mark : m_record.marks()) {
        bool otherMode = !mark.madeInMode(m_record.width(), m_record.height());
        marks.push_back(JSONValue::dictionary({ { "number", number(++index) }, { "x", number(mark.x) },
            { "y", number(mark.y) }, { "type", JSONValue::string(DefectMark::name(mark.kind)) },
            { "faultType", number(DefectMark::faultType(mark.kind)) }, { "modeWidth", number(mark.modeWidth) },
            { "modeHeight", number(mark.modeHeight) }, { "otherMode", JSONValue::boolean(otherMode) } }));
    }
    PanelVerdict verdict = m_record.verdict();
    std::vector<std::pair<std::string_view, JSONValue>> counts;
    for (int limit = 0; limit < PanelVerdict::kLimitCount; ++limit) {
        auto which = static_cast<PanelVerdict::Limit>(limit);
        counts.push_back({ PanelVerdict::limitName(which), number(verdict.count(which)) });
    }
    JSONValue root = JSONValue::dictionary({
        { "monitor", JSONValue::dictionary(monitorMembers) },
        { "date", JSONValue::string(m_date.formatted("%Y-%m-%dT%H:%M:%SZ", false)) },
        { "pixels", number(static_cast<double>(verdict.pixels())) },
        { "marks", JSONValue::array(marks) },
        { "marksFromOtherModes", number(static_cast<double>(m_record.flaggedCount())) },
        { "counts", JSONValue::dictionary(counts) },
        { "class", JSONValue::string(verdict.className()) },
        { "verdict", JSONValue::string(verdict.summary()) },
        { "rounding", JSONValue::string(PanelVerdict::kRoundingRule) },
    });
    return JSONSerializer().serializeObject(root) + "\n";
}

std::string DefectReport::csv() const
{
    // No header line: one line is one mark. The columns are documented with the report.
    std::string text;
    int index = 0;
    for (auto& mark : m_record.marks()) {
        text += std::to_string(++index) + "," + std::to_string(mark.x) + "," + std::to_string(mark.y) + ","
            + DefectMark::name(mark.kind) + "," + std::to_string(mark.modeWidth) + "," + std::to_string(mark.modeHeight)
            + "\n";
    }
    return text;
}

std::shared_ptr<Image> DefectReport::map() const
{
    return DefectMap(m_record, m_date).draw();
}

ErrorOr<void> DefectReport::write(const std::string& base) const
{
    std::filesystem::path folder = std::filesystem::path(base).parent_path();
    if (folder.empty())
        folder = ".";
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        return Error { kErrorDomain, kCannotWrite,
            "cannot write the report: the folder " + folder.string() + " does not exist" };
    if (access(folder.c_str(), W_OK) != 0) {
        return Error { kErrorDomain, kCannotWrite,
            "cannot write the report in " + folder.string() + ": " + g_strerror(errno) };
    }
    auto png = map()->encodePNG();
    if (!png)
        return Error { kErrorDomain, kCannotWrite, "cannot encode the map" };
    for (auto& [extension, bytes] :
        { std::pair<const char*, std::string> { ".json", json() }, { ".csv", csv() }, { ".png", *png } }) {
        std::string path = base + extension;
        if (!Paths::writeFileAtomically(path, bytes)) {
            int why = errno;
            return Error { kErrorDomain, kCannotWrite, "cannot write " + path + ": " + g_strerror(why) };
        }
    }
    return {};
}
