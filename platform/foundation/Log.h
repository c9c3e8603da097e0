#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The platform's standard log: each line carries a time stamp, the process
// name and pid, then the text, and goes to stderr. A library embedded in
// another application sends its lines to GLib's structured log instead, under
// its own log domain, where the application's log writer decides what is
// shown (G_MESSAGES_DEBUG=<domain> for the default writer). Tests install a
// capture hook to read the fixed log lines the system promises.
class Log {
public:
    using CaptureHook = std::function<void(const std::string& text)>;

    static void write(const std::string& text);
    // printf-style convenience for the few lines that carry values.
    [[gnu::format(printf, 1, 2)]] static void writef(const char* format, ...);

    // Text from outside (a server's URL, text or error) as it may appear in a
    // log line: at most `limit` bytes, cut on a character boundary, with a
    // marker saying how much was left out. A server decides how long its
    // strings are; the log must not grow with them.
    static constexpr size_t kExcerptLength = 200;
    static std::string excerpt(std::string_view text, size_t limit = kExcerptLength);
    // A URL reduced to what a log may show: "scheme://host[:port]" for a URL
    // with a host, "scheme:" for any other. Paths and queries carry tracking
    // parameters and personal values, so they never reach the log.
    static std::string schemeAndHost(std::string_view url);

    // While a hook is set it receives each text (without the prefix) and
    // nothing is printed. Pass nullptr to print again.
    static void setCaptureHook(CaptureHook);
    static void setProcessName(std::string);

    // From now on each line goes to g_log_structured_array at the info level
    // with GLIB_DOMAIN `domain` (not empty); nullopt prints to stderr again.
    static void setStructuredLogDomain(std::optional<std::string> domain);
};
