#pragma once

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

// One JSON line per request the demo service received: method, path, query
// parameters, the headers the ad library sets, the body. Written to a file
// (flushed per line, so a test can read it while the service runs) and kept
// in memory for in-process use.
class RequestLog {
public:
    struct Entry {
        std::string method;
        std::string path;
        std::map<std::string, std::string> query;
        std::map<std::string, std::string> headers; // lower-case names
        std::string body;
    };

    RequestLog() = default;
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    // Appends to the file from now on; false when it cannot be opened.
    bool open(const std::filesystem::path&);
    void record(Entry);

    const std::vector<Entry>& entries() const { return m_entries; }
    static std::string lineFor(const Entry&);

    // The headers worth logging: the library's own and the body's type.
    static bool isLoggedHeader(const std::string& lowerCaseName);

private:
    std::FILE* m_file { nullptr };
    std::vector<Entry> m_entries;
};
