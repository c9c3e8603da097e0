#include "server/DemoSearch.h"

#include "json/JSONDeserializer.h"
#include "json/JSONSerializer.h"
#include "json/JSONValue.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

constexpr std::array<const char*, 40> kPhrases {
    "pixel test",
    "pixel repair",
    "pixel art",
    "pixel density",
    "pixel fixer app",
    "dead pixel test",
    "dead pixel fix",
    "dead pixel warranty",
    "stuck pixel fix",
    "stuck pixel flasher",
    "screen test patterns",
    "screen repair near me",
    "screen protector",
    "screen burn in",
    "screen brightness",
    "display calibration",
    "display backlight bleed",
    "display refresh rate",
    "backlight bleed test",
    "burn in fix",
    "brightness uniformity test",
    "color accuracy test",
    "color calibration tool",
    "contrast ratio",
    "gamma test image",
    "gray uniformity",
    "lcd repair",
    "lcd vs oled",
    "led screen",
    "monitor test",
    "monitor calibration",
    "oled burn in",
    "oled screen care",
    "phone screen replacement",
    "phone repair shop",
    "refresh rate test",
    "resolution test",
    "retina display",
    "touch screen test",
    "uniformity test",
};

std::string lowercase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// Text for HTML: the query is the user's, so it never becomes markup.
std::string htmlEscaped(const std::string& text)
{
    std::string result;
    for (char c : text) {
        switch (c) {
        case '&':
            result += "&amp;";
            break;
        case '<':
            result += "&lt;";
            break;
        case '>':
            result += "&gt;";
            break;
        case '"':
            result += "&quot;";
            break;
        case '\'':
            result += "&#39;";
            break;
        default:
            result += c;
        }
    }
    return result;
}

// Every byte but the unreserved ones escaped: a whole query value.
std::string escapedValue(const std::string& text)
{
    std::string result;
    static const char* hex = "0123456789ABCDEF";
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            result += static_cast<char>(c);
        } else {
            result += '%';
            result += hex[c >> 4];
            result += hex[c & 15];
        }
    }
    return result;
}

std::string page(const std::string& title, const std::string& content)
{
    return "<html><head><meta name='viewport' content='width=device-width'><title>" + htmlEscaped(title)
        + "</title><style>body{font-family:sans-serif;margin:12px;background:#f4f6fa;color:#222}h1{font-size:19px;"
          "color:#234}p{font-size:14px}a{color:#1a55c0}.r{padding:6px 0}.u{color:#2a7a2a;font-size:12px}</style>"
          "</head><body>"
        + content + "</body></html>";
}

Scenario::Answer htmlAnswer(std::string body)
{
    return Scenario::Answer { .contentType = "text/html; charset=utf-8", .body = std::move(body) };
}

} // namespace

std::vector<std::string> DemoSearch::suggestionsFor(const std::string& text)
{
    std::string wanted = lowercase(text);
    std::vector<std::string> found;
    if (wanted.empty())
        return found;
    for (const char* phrase : kPhrases) {
        std::string candidate = phrase;
        bool matches = candidate.rfind(wanted, 0) == 0;
        for (size_t space = candidate.find(' '); !matches && space != std::string::npos;
             space = candidate.find(' ', space + 1))
            matches = candidate.compare(space + 1, wanted.size(), wanted) == 0;
        if (matches)
            found.push_back(candidate);
        if (found.size() == kMaximumSuggestions)
            break;
    }
    return found;
}

std::optional<Scenario::Answer> DemoSearch::answerFor(const std::string& path,
    const std::map<std::string, std::string>& query, const std::string& body, const std::string& baseURL)
{
    if (path == "/search/suggest") {
        auto it = query.find("query");
        std::vector<JSONValue> phrases;
        for (auto& phrase : suggestionsFor(it == query.end() ? std::string() : it->second))
            phrases.push_back(JSONValue::string(phrase));
        auto answer = JSONValue::dictionary({ { "data", JSONValue::array(std::span<const JSONValue>(phrases)) } });
        return Scenario::Answer { .contentType = "application/json",
            .body = JSONSerializer().serializeDictionary(answer) };
    }
    if (path == "/search/click") {
        std::string searched;
        if (auto data = JSONDeserializer().deserializeAsDictionary(body)) {
            if (auto value = data->find("query"); value && value->isString())
                searched = std::string(value->stringValue());
        }
        auto answer = JSONValue::dictionary(
            { { "redirect_url", JSONValue::string(baseURL + "/search/results?q=" + escapedValue(searched)) } });
        return Scenario::Answer { .contentType = "application/json",
            .body = JSONSerializer().serializeDictionary(answer) };
    }
    if (path == "/search/results") {
        auto it = query.find("q");
        std::string searched = it == query.end() ? std::string() : it->second;
        std::string content = "<h1>Results for \u201c" + htmlEscaped(searched) + "\u201d</h1>";
        auto related = suggestionsFor(searched);
        if (related.empty())
            related = { "pixel test", "screen test patterns", "display calibration" };
        for (auto& phrase : related) {
            content += "<div class='r'><a href='" + baseURL + "/search/results?q=" + escapedValue(phrase) + "'>"
                + htmlEscaped(phrase) + " \u2014 a guide</a><div class='u'>pixels.example/" + escapedValue(phrase)
                + "</div></div>";
        }
        return htmlAnswer(page("Results for " + searched, content));
    }
    if (path == "/search/help") {
        return htmlAnswer(page("Search help",
            "<h1>Search the web</h1><p>Type a few letters: suggestions appear as you type. Tap one, or press "
            "Search, to see the results.</p><p>Your searches are sent to the ad service as a click on this ad.</p>"));
    }
    return std::nullopt;
}
