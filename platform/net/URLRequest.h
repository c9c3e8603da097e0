#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What one connection asks for. A request with a body goes out with the body
// exactly as given (an empty body is still sent, with Content-Length 0); no
// content type is added unless a header names one.
struct URLRequest {
    static constexpr double kDefaultTimeoutInterval = 60.0;
    static constexpr size_t kDefaultMaximumBodySize = 16 * 1024 * 1024;

    std::string url;
    std::string method { "GET" };
    std::optional<std::string> body;
    std::vector<std::pair<std::string, std::string>> headers;
    // Seconds on the run loop's clock from the start of the request to the
    // end of its body, redirects included, before it fails as timed out. An
    // overall deadline, not an idle timer: a peer that trickles a byte now
    // and then must not hold a connection for ever. 0 waits for ever.
    double timeoutInterval { kDefaultTimeoutInterval };
    // Names of headers (in `headers`) sent only to the host (and port) of
    // the original request: a redirect elsewhere does not carry them on.
    std::vector<std::string> originOnlyHeaders;
    // Traffic nobody waits for (counting pixels) goes through a session of
    // its own, so that slow answers there never take the per-host
    // connections that the requests someone waits for need.
    bool background { false };
    // A body larger than this fails the connection instead of growing memory
    // without bound; the peer decides what it sends, so the cap is ours.
    size_t maximumBodySize { kDefaultMaximumBodySize };
    // Redirects are followed here, hop by hop, so the delegate sees each one.
    int maximumRedirects { 20 };
};
