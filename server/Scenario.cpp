#include "server/Scenario.h"

#include "json/JSONDeserializer.h"
#include "json/JSONSerializer.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

std::optional<std::string> readWholeFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::stringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

Error unreadable(const std::filesystem::path& path)
{
    return Error { Scenario::kErrorDomain, Scenario::kUnreadableFile, "cannot read " + path.string() };
}

Error malformed(std::string message)
{
    return Error { Scenario::kErrorDomain, Scenario::kMalformedScenario, std::move(message) };
}

} // namespace

ErrorOr<Scenario> Scenario::load(const std::filesystem::path& directory)
{
    auto text = readWholeFile(directory / "scenario.json");
    if (!text)
        return unreadable(directory / "scenario.json");
    return fromJSON(*text, directory);
}

ErrorOr<Scenario> Scenario::fromJSON(std::string_view text, const std::filesystem::path& directory)
{
    JSONError jsonError;
    auto root = JSONDeserializer().deserializeAsDictionary(text, &jsonError);
    if (!root)
        return malformed("scenario.json: " + jsonError.message);
    Scenario scenario;
    scenario.m_directory = directory;
    auto routes = root->find("routes");
    if (!routes || !routes->isDictionary())
        return malformed("scenario.json: no \"routes\" object");
    for (size_t i = 0; i < routes->size(); ++i) {
        std::string path(routes->keyAt(i));
        JSONValue description = routes->valueAt(i);
        Route route;
        auto rotation = description.find("rotate");
        if (rotation && rotation->isArray()) {
            for (size_t k = 0; k < rotation->size(); ++k) {
                auto answer = parseAnswer((*rotation)[k], directory);
                if (!answer)
                    return answer.error();
                route.answers.push_back(*answer);
            }
        } else {
            auto answer = parseAnswer(description, directory);
            if (!answer)
                return answer.error();
            route.answers.push_back(*answer);
        }
        if (route.answers.empty())
            return malformed("route " + path + ": empty rotation");
        if (path.ends_with("*"))
            scenario.m_prefixes[path.substr(0, path.size() - 1)] = std::move(route);
        else
            scenario.m_exact[path] = std::move(route);
    }
    return scenario;
}

ErrorOr<Scenario::Answer> Scenario::parseAnswer(const JSONValue& description, const std::filesystem::path& directory)
{
    if (!description.isDictionary())
        return malformed("an answer must be an object");
    Answer answer;
    if (auto redirect = description.find("redirect"); redirect && redirect->isString()) {
        answer.redirect = std::string(redirect->stringValue());
        answer.status = 302;
    }
    if (auto status = description.find("status"); status && status->isNumber())
        answer.status = static_cast<int>(status->numberValue());
    if (auto type = description.find("content_type"); type && type->isString())
        answer.contentType = std::string(type->stringValue());
    if (auto body = description.find("body"); body && body->isString())
        answer.body = std::string(body->stringValue());
    if (auto json = description.find("json")) {
        answer.body = JSONSerializer().serializeObject(*json);
        answer.contentType = "application/json";
    }
    if (auto file = description.find("file"); file && file->isString()) {
        auto contents = readWholeFile(directory / std::string(file->stringValue()));
        if (!contents)
            return unreadable(directory / std::string(file->stringValue()));
        answer.body = *contents;
    }
    if (auto delay = description.find("delay"); delay && delay->isNumber())
        answer.delay = delay->numberValue();
    if (auto headers = description.find("headers"); headers && headers->isDictionary()) {
        for (size_t i = 0; i < headers->size(); ++i) {
            if (headers->valueAt(i).isString())
                answer.headers[std::string(headers->keyAt(i))] = std::string(headers->valueAt(i).stringValue());
        }
    }
    if (auto methods = description.find("methods"); methods && methods->isArray()) {
        for (size_t i = 0; i < methods->size(); ++i)
            answer.methods.emplace_back((*methods)[i].stringValue());
    }
    return answer;
}

std::optional<Scenario::Answer> Scenario::take(Route& route, const std::string& method)
{
    const Answer& answer = route.answers[route.next];
    if (!answer.methods.empty()
        && std::find(answer.methods.begin(), answer.methods.end(), method) == answer.methods.end())
        return std::nullopt;
    route.next = (route.next + 1) % route.answers.size();
    return answer;
}

std::optional<Scenario::Answer> Scenario::answerFor(const std::string& method, const std::string& path)
{
    if (auto exact = m_exact.find(path); exact != m_exact.end())
        return take(exact->second, method);
    Route* best = nullptr;
    size_t bestLength = 0;
    for (auto& [prefix, route] : m_prefixes) {
        if (path.starts_with(prefix) && (!best || prefix.size() > bestLength)) {
            best = &route;
            bestLength = prefix.size();
        }
    }
    if (best)
        return take(*best, method);
    return std::nullopt;
}
