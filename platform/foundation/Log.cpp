#include "platform/foundation/Log.h"

#include "platform/foundation/GRefPtr.h"

#include <glib.h>

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <vector>

#include <unistd.h>

namespace {
std::mutex& logLock()
{
    static std::mutex lock;
    return lock;
}
Log::CaptureHook& captureHook()
{
    static Log::CaptureHook hook;
    return hook;
}
std::string& processName()
{
    static std::string name = "vantrel";
    return name;
}
std::optional<std::string>& structuredLogDomain()
{
    static std::optional<std::string> domain;
    return domain;
}

void writeStructured(const std::string& domain, const std::string& text)
{
    // "6" is syslog's informational priority, for writers that keep one.
    const GLogField fields[] = {
        { "GLIB_DOMAIN", domain.c_str(), -1 },
        { "PRIORITY", "6", -1 },
        { "MESSAGE", text.c_str(), -1 },
    };
    g_log_structured_array(G_LOG_LEVEL_INFO, fields, G_N_ELEMENTS(fields));
}
}

void Log::write(const std::string& text)
{
    std::unique_lock guard(logLock());
    if (captureHook()) {
        captureHook()(text);
        return;
    }
    if (structuredLogDomain()) {
        // The application's writer runs without our lock: it may log too.
        auto domain = *structuredLogDomain();
        guard.unlock();
        writeStructured(domain, text);
        return;
    }
    // The wall clock on purpose: log stamps tell a reader when something
    // really happened, even in a run on virtual time.
    timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm parts {};
    localtime_r(&ts.tv_sec, &parts);
    char stamp[64];
    strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &parts);
    fprintf(stderr, "%s.%03ld %s[%d] %s\n", stamp, ts.tv_nsec / 1000000, processName().c_str(),
        static_cast<int>(getpid()), text.c_str());
    fflush(stderr);
}

void Log::writef(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::vector<char> buffer(length > 0 ? static_cast<size_t>(length) + 1 : 1);
    vsnprintf(buffer.data(), buffer.size(), format, args);
    va_end(args);
    write(std::string(buffer.data(), length > 0 ? static_cast<size_t>(length) : 0));
}

void Log::setCaptureHook(CaptureHook hook)
{
    std::lock_guard guard(logLock());
    captureHook() = std::move(hook);
}

void Log::setProcessName(std::string name)
{
    std::lock_guard guard(logLock());
    processName() = std::move(name);
}

void Log::setStructuredLogDomain(std::optional<std::string> domain)
{
    std::lock_guard guard(logLock());
    if (domain && domain->empty())
        domain.reset();
    structuredLogDomain() = std::move(domain);
}

std::string Log::excerpt(std::string_view text, size_t limit)
{
    if (text.size() <= limit)
        return std::string(text);
    size_t cut = limit;
    // Back up over continuation bytes so that no character is split.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(text.substr(0, cut)) + "…[" + std::to_string(text.size() - cut) + " more bytes]";
}

std::string Log::schemeAndHost(std::string_view url)
{
    std::string text(url);
    auto uri = adoptGRef(
        g_uri_parse(text.c_str(), static_cast<GUriFlags>(G_URI_FLAGS_ENCODED | G_URI_FLAGS_NON_DNS), nullptr));
    if (!uri) {
        // Not a URL at all: only what looks like a scheme may be shown.
        const char* scheme = g_uri_peek_scheme(text.c_str()); // interned, not ours to free
        return excerpt(scheme ? std::string(scheme) + ":" : "(not a URL)");
    }
    text = g_uri_get_scheme(uri.get());
    text += ":";
    if (const char* host = g_uri_get_host(uri.get()); host && *host) {
        text += "//";
        text += host;
        if (g_uri_get_port(uri.get()) > 0)
            text += ":" + std::to_string(g_uri_get_port(uri.get()));
    }
    return excerpt(text);
}
