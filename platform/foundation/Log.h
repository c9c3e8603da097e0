#pragma once

#include <functional>
#include <string>

// The platform's standard log: each line carries a time stamp, the process
// name and pid, then the text, and goes to stderr. Tests install a capture
// hook to read the fixed log lines the system promises.
class Log {
public:
    using CaptureHook = std::function<void(const std::string& text)>;

    static void write(const std::string& text);
    // printf-style convenience for the few lines that carry values.
    [[gnu::format(printf, 1, 2)]] static void writef(const char* format, ...);

    // While a hook is set it receives each text (without the prefix) and
    // nothing is printed. Pass nullptr to print again.
    static void setCaptureHook(CaptureHook);
    static void setProcessName(std::string);
};
