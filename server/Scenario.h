#pragma once

#include "base/ErrorOr.h"
#include "json/JSONValue.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

// What the demo service answers, read from a scenario directory's
// "scenario.json":
//
//   { "routes": {
//       "/exact/path":   { answer },
//       "/prefix/*":     { answer },           // any path starting with "/prefix/"
//       "/rotating":     { "rotate": [ { answer }, { answer } ] } } }
//
// An answer has any of: "status" (default 200, or 302 with "redirect"),
// "headers" (object of strings), "content_type", "body" (text), "json" (any
// JSON value, written as the body), "file" (path relative to the scenario
// directory), "delay" (seconds before answering), "redirect" (a Location,
// relative or absolute), "methods" (array: the answer applies only to
// these). A rotating route gives its answers in turn, starting over after
// the last. Exact paths win over prefixes; among prefixes the longest wins.
// The service writes its own base URL ("http://127.0.0.1:PORT") wherever a
// body or a redirect says "{{base}}".
class Scenario {
public:
    struct Answer {
        int status { 200 };
        std::map<std::string, std::string> headers;
        std::string contentType { "text/plain; charset=utf-8" };
        std::string body;
        double delay { 0 };
        std::optional<std::string> redirect;
        std::vector<std::string> methods;
    };
    struct Route {
        std::vector<Answer> answers; // one, or the rotation
        size_t next { 0 };
    };

    static constexpr const char* kErrorDomain = "ScenarioErrorDomain";
    enum ErrorCode : int { kUnreadableFile = 1, kMalformedScenario = 2 };

    // Fails with a message when the directory has no readable scenario.
    static ErrorOr<Scenario> load(const std::filesystem::path& directory);
    static ErrorOr<Scenario> fromJSON(std::string_view text, const std::filesystem::path& directory);

    // The next answer for the request, advancing its rotation; nullopt when no route matches.
    std::optional<Answer> answerFor(const std::string& method, const std::string& path);

    const std::filesystem::path& directory() const { return m_directory; }
    size_t routeCount() const { return m_exact.size() + m_prefixes.size(); }

private:
    static ErrorOr<Answer> parseAnswer(const JSONValue&, const std::filesystem::path& directory);
    static std::optional<Answer> take(Route&, const std::string& method);

    std::filesystem::path m_directory;
    std::map<std::string, Route> m_exact;
    std::map<std::string, Route> m_prefixes; // keyed without the "*"
};
