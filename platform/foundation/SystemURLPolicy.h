#pragma once

#include <optional>
#include <string>
#include <string_view>

// The one list of what may be handed to the desktop's URL handlers. Links
// come from ad servers and web pages, so anything the desktop would act on
// (a local file, a script, inline data, an installed application's custom
// scheme) is refused; only web pages, mail, calls and messages leave the
// application. Every path that opens a URL with the system asks here.
class SystemURLPolicy {
public:
    // True for http and https with a host, for mailto, tel and sms, and for
    // schemes added with allowScheme().
    // Schemes compare case-insensitively; a URL without a scheme (a bare
    // path) is refused.
    static bool mayOpenWithSystem(std::string_view url);

    // Asks mayOpenWithSystem and, on a refusal, writes a log line that names
    // the scheme only: the rest of the URL is the server's and stays out of
    // the log.
    static bool checkOpenWithSystem(std::string_view url);

    // Adds a scheme that a library recognises as safe to hand over (an
    // application store's own links). Thread-safe; adding twice is harmless.
    static void allowScheme(std::string_view scheme);

    // The scheme in lower case, or nullopt when the text does not start with
    // one ("/etc/passwd", "").
    static std::optional<std::string> schemeOf(std::string_view url);

    SystemURLPolicy() = delete;
};
