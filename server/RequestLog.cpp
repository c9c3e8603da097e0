#include "server/RequestLog.h"

#include "json/JSONSerializer.h"
#include "json/JSONValue.h"

#include <utility>

RequestLog::~RequestLog()
{
    if (m_file)
        std::fclose(m_file);
}

bool RequestLog::open(const std::filesystem::path& path)
{
    if (m_file)
        std::fclose(m_file);
    m_file = std::fopen(path.c_str(), "a");
    return m_file != nullptr;
}

bool RequestLog::isLoggedHeader(const std::string& name)
{
    return name == "user-agent" || name == "x-pellar-isu" || name == "content-type" || name == "content-length";
}

std::string RequestLog::lineFor(const Entry& entry)
{
    auto stringMap = [](const std::map<std::string, std::string>& map) {
        std::vector<std::pair<std::string_view, JSONValue>> members;
        for (auto& [key, value] : map)
            members.emplace_back(key, JSONValue::string(value));
        return JSONValue::dictionary(members);
    };
    JSONValue line = JSONValue::dictionary({
        { "method", JSONValue::string(entry.method) },
        { "path", JSONValue::string(entry.path) },
        { "query", stringMap(entry.query) },
        { "headers", stringMap(entry.headers) },
        { "body", JSONValue::string(entry.body) },
    });
    return JSONSerializer().serializeObject(line);
}

void RequestLog::record(Entry entry)
{
    if (m_file) {
        std::string line = lineFor(entry) + "\n";
        std::fwrite(line.data(), 1, line.size(), m_file);
        std::fflush(m_file);
    }
    m_entries.push_back(std::move(entry));
}
