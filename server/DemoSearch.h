#pragma once

#include "server/Scenario.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

// The demo service's search: suggestions for what is typed, drawn from a
// small list of phrases; the search's click answer, which sends the browser
// to a results page for the query; the results page and a help page. These
// answers depend on the request, so they are made here rather than staged in
// a scenario.
//   GET  /search/suggest?query=TEXT  → {"data": [up to 8 phrases]}
//   POST /search/click (JSON with "query") → {"redirect_url": BASE/search/results?q=QUERY}
//   GET  /search/results?q=QUERY     → an HTML page of made-up results
//   GET  /search/help                → an HTML page
class DemoSearch {
public:
    static constexpr size_t kMaximumSuggestions = 8;

    // The answer for a request to one of the paths above; nullopt for other paths.
    static std::optional<Scenario::Answer> answerFor(const std::string& path,
        const std::map<std::string, std::string>& query, const std::string& body, const std::string& baseURL);

    // Phrases that start with the text, or with a word that does (case
    // ignored), in the list's order.
    static std::vector<std::string> suggestionsFor(const std::string& text);

    DemoSearch() = delete;
};
