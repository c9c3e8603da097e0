#include "app/defects/DefectStore.h"

#include "platform/foundation/Paths.h"
#include "json/JSONDeserializer.h"
#include "json/JSONSerializer.h"

#include <cmath>
#include <system_error>

namespace {

std::optional<int> wholeNumber(const JSONValue& dictionary, const char* key, int low, int high)
{
    auto value = dictionary.find(key);
    if (!value || !value->isNumber() || value->isBoolean())
        return std::nullopt;
    double number = value->numberValue();
    if (!std::isfinite(number) || number != std::floor(number) || number < low || number > high)
        return std::nullopt;
    return static_cast<int>(number);
}

std::optional<std::string> text(const JSONValue& dictionary, const char* key)
{
    auto value = dictionary.find(key);
    if (!value || !value->isString())
        return std::nullopt;
    return std::string(value->stringValue());
}

// Far beyond any monitor's pixels or millimetres.
constexpr int kLargest = 1 << 20;

// One monitor's entry, or nullopt when any part of it is not what we write.
std::optional<MonitorRecord> readRecord(const JSONValue& entry)
{
    if (!entry.isDictionary())
        return std::nullopt;
    MonitorIdentity monitor;
    auto manufacturer = text(entry, "manufacturer");
    auto model = text(entry, "model");
    auto connector = text(entry, "connector");
    auto width = wholeNumber(entry, "width", 1, kLargest);
    auto height = wholeNumber(entry, "height", 1, kLargest);
    auto marks = entry.find("marks");
    if (!manufacturer || !model || !connector || !width || !height || !marks || !marks->isArray()
        || marks->size() > MonitorRecord::kMaximumMarks)
        return std::nullopt;
    monitor.manufacturer = *manufacturer;
    monitor.model = *model;
    monitor.connector = *connector;
    monitor.widthPixels = *width;
    monitor.heightPixels = *height;
    if (entry.find("widthMillimetres")) {
        monitor.widthMillimetres = wholeNumber(entry, "widthMillimetres", 1, kLargest);
        monitor.heightMillimetres = wholeNumber(entry, "heightMillimetres", 1, kLargest);
        if (!monitor.widthMillimetres || !monitor.heightMillimetres)
            return std::nullopt;
    }
    std::vector<DefectMark> read;
    for (size_t i = 0; i < marks->size(); ++i) {
        JSONValue item = (*marks)[i];
        if (!item.isDictionary())
            return std::nullopt;
        auto modeWidth = wholeNumber(item, "modeWidth", 1, kLargest);
        auto modeHeight = wholeNumber(item, "modeHeight", 1, kLargest);
        if (!modeWidth || !modeHeight)
            return std::nullopt;
        auto x = wholeNumber(item, "x", 0, *modeWidth - 1);
        auto y = wholeNumber(item, "y", 0, *modeHeight - 1);
        auto type = text(item, "type");
        auto kind = type ? DefectMark::kindNamed(*type) : std::nullopt;
        if (!x || !y || !kind)
            return std::nullopt;
        read.push_back({ *x, *y, *kind, *modeWidth, *modeHeight });
    }
    MonitorRecord record(monitor);
    record.setMarks(std::move(read));
    return record;
}

JSONValue number(int value)
{
    return JSONValue::number(value);
}

} // namespace

std::filesystem::path DefectStore::defaultPath()
{
    return Paths::dataDirectory() / kFileName;
}

DefectStore DefectStore::load(const std::filesystem::path& path)
{
    DefectStore store;
    store.m_path = path;
    std::error_code error;
    auto status = std::filesystem::symlink_status(path, error);
    if (error || status.type() == std::filesystem::file_type::not_found)
        return store;

    std::string why;
    if (status.type() != std::filesystem::file_type::regular) {
        why = "it is not a regular file";
    } else if (auto size = std::filesystem::file_size(path, error); error || size > kMaximumFileSize) {
        why = error ? "it cannot be read" : "it is far too big to be a marks file";
    } else if (auto contents = Paths::readFile(path); !contents) {
        why = "it cannot be read";
    } else {
        JSONError jsonError;
        auto root = JSONDeserializer().deserializeAsDictionary(*contents, &jsonError);
        auto format = root ? text(*root, "format") : std::nullopt;
        auto monitors = root ? root->find("monitors") : std::nullopt;
        if (!root) {
            why = "it is damaged";
        } else if (format != std::string(kFormat) || !monitors || !monitors->isArray()) {
            why = "it is not a marks file";
        } else if (wholeNumber(*root, "version", 1, kVersion) != kVersion) {
            why = "it was written by a newer version";
        } else {
            for (size_t i = 0; i < monitors->size(); ++i) {
                auto record = readRecord((*monitors)[i]);
                if (!record) {
                    why = "it is damaged";
                    store.m_records.clear();
                    break;
                }
                store.m_records.push_back(std::move(*record));
            }
            if (why.empty())
                return store;
        }
    }

    // Keep what was there for the user and start afresh; if it cannot be
    // kept, do not write over it either.
    // An earlier copy set aside is the user's too: a later one takes the next free name.
    std::filesystem::path aside = path;
    aside += ".bad";
    for (int n = 1;
         std::filesystem::symlink_status(aside, error).type() != std::filesystem::file_type::not_found && n < 100;
         ++n) {
        aside = path;
        aside += ".bad." + std::to_string(n);
    }
    if (status.type() == std::filesystem::file_type::regular
        && std::filesystem::symlink_status(aside, error).type() == std::filesystem::file_type::not_found) {
        std::filesystem::rename(path, aside, error);
        if (!error) {
            std::filesystem::permissions(aside, Paths::kFilePermissions, error);
            store.m_problem = "The marks file " + path.string() + " could not be used (" + why + "). It was kept as "
                + aside.string() + " and marking starts with no marks.";
            return store;
        }
    }
    store.m_writable = false;
    store.m_problem = "The marks file " + path.string() + " could not be used (" + why
        + ") and could not be moved aside. Marks made now are not saved.";
    return store;
}

MonitorRecord& DefectStore::recordFor(const MonitorIdentity& monitor)
{
    for (auto& record : m_records) {
        if (record.monitor().isSameMonitor(monitor)) {
            record.setMonitor(monitor);
            return record;
        }
    }
    return m_records.emplace_back(monitor);
}

const MonitorRecord* DefectStore::findRecord(const std::string& connector) const
{
    if (connector.empty())
        return m_records.size() == 1 ? &m_records.front() : nullptr;
    for (auto& record : m_records) {
        if (record.monitor().connector == connector)
            return &record;
    }
    return nullptr;
}

std::string DefectStore::serialized() const
{
    std::vector<JSONValue> monitors;
    for (auto& record : m_records) {
        if (record.marks().empty())
            continue;
        std::vector<JSONValue> marks;
        for (auto& mark : record.marks()) {
            marks.push_back(JSONValue::dictionary({ { "x", number(mark.x) }, { "y", number(mark.y) },
                { "type", JSONValue::string(DefectMark::name(mark.kind)) }, { "modeWidth", number(mark.modeWidth) },
                { "modeHeight", number(mark.modeHeight) } }));
        }
        const MonitorIdentity& monitor = record.monitor();
        std::vector<std::pair<std::string_view, JSONValue>> members {
            { "manufacturer", JSONValue::string(monitor.manufacturer) },
            { "model", JSONValue::string(monitor.model) },
            { "connector", JSONValue::string(monitor.connector) },
            { "width", number(monitor.widthPixels) },
            { "height", number(monitor.heightPixels) },
        };
        if (monitor.widthMillimetres && monitor.heightMillimetres) {
            members.push_back({ "widthMillimetres", number(*monitor.widthMillimetres) });
            members.push_back({ "heightMillimetres", number(*monitor.heightMillimetres) });
        }
        members.push_back({ "marks", JSONValue::array(marks) });
        monitors.push_back(JSONValue::dictionary(members));
    }
    JSONValue root = JSONValue::dictionary({ { "format", JSONValue::string(kFormat) }, { "version", number(kVersion) },
        { "monitors", JSONValue::array(monitors) } });
    return JSONSerializer().serializeObject(root) + "\n";
}

bool DefectStore::save() const
{
    if (!m_writable)
        return false;
    return Paths::createDirectories(m_path.parent_path()) && Paths::writeFileAtomically(m_path, serialized());
}
