#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The head of one HTTP answer: which URL answered, its status and headers.
struct URLResponse {
    std::string url;
    int statusCode { 0 };
    std::vector<std::pair<std::string, std::string>> headers;
    // From Content-Length when the server sent one.
    std::optional<int64_t> expectedContentLength;

    std::optional<std::string> valueForHeader(const std::string& name) const;
};
