#pragma once

#include "base/Error.h"
#include "platform/net/URLConnectionDelegate.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class URLConnection;

// The library's one HTTP client: fetches one URL (GET, or POST with a body)
// into memory and reports the outcome through one of two callbacks the
// caller chose. One object per request: create, set the callbacks, start,
// get exactly one callback, then cancel and drop it.
//
// Callbacks run with the download kept alive until the current run-loop pass
// ends, so a delegate may drop its last reference inside the callback. A
// download that cannot start reports failure on the next pass of the run
// loop, never inside the start call: its caller has not stored it yet.
class PellarURLDownload final : public URLConnectionDelegate, public std::enable_shared_from_this<PellarURLDownload> {
public:
    using Callback = std::function<void(PellarURLDownload&)>;

    static constexpr const char* kErrorDomain = "kPellarURLDownloadErrorDomain";
    static constexpr int kExceptionError = -1; // preparing the request threw
    static constexpr int kConnectionError = -2; // no connection could be made
    static constexpr int kHTTPStatusError = -3; // the server answered with a status of 400 or more
    static constexpr int kTransportError = -4; // the connection failed (time-out, refused, too large, ...)

    static constexpr double kTimeoutInterval = 60.0;
    // Bodies above this fail with kTransportError; the server decides what it sends.
    static constexpr size_t kDefaultMaximumBodySize = 16 * 1024 * 1024;

    // Creation
    static std::shared_ptr<PellarURLDownload> create();
    ~PellarURLDownload() override;
    PellarURLDownload(const PellarURLDownload&) = delete;
    PellarURLDownload& operator=(const PellarURLDownload&) = delete;

    // Properties
    const std::optional<std::string>& identifier() const { return m_identifier; }
    void setIdentifier(std::optional<std::string> identifier) { m_identifier = std::move(identifier); }

    // The delegate and its two operations. The delegate is never owned: a
    // shared_ptr delegate is held weakly, and a plain reference must outlive
    // the download (the process-wide objects do).
    template <typename T>
    void setDelegate(const std::shared_ptr<T>& delegate, void (T::*success)(PellarURLDownload&),
        void (T::*failure)(PellarURLDownload&))
    {
        std::weak_ptr<T> weakDelegate = delegate;
        setCallbacks(
            [weakDelegate, success](PellarURLDownload& download) {
                if (auto target = weakDelegate.lock())
                    ((*target).*success)(download);
            },
            [weakDelegate, failure](PellarURLDownload& download) {
                if (auto target = weakDelegate.lock())
                    ((*target).*failure)(download);
            });
    }
    template <typename T>
    void setDelegate(T& delegate, void (T::*success)(PellarURLDownload&), void (T::*failure)(PellarURLDownload&))
    {
        T* target = &delegate;
        setCallbacks([target, success](PellarURLDownload& download) { (target->*success)(download); },
            [target, failure](PellarURLDownload& download) { (target->*failure)(download); });
    }
    void setCallbacks(Callback success, Callback failure);
    bool hasDelegate() const { return m_successCallback || m_failureCallback; }

    // Background traffic (pixels) goes through connections of its own, so
    // that slow answers there cannot hold up ads, images and clicks.
    bool isBackground() const { return m_background; }
    void setBackground(bool background) { m_background = background; }

    // The body received so far; nullopt before the start and after cancel().
    const std::optional<std::string>& data() const { return m_data; }
    const std::optional<Error>& error() const { return m_error; }
    // The URL actually requested (trimmed).
    const std::string& targetURL() const { return m_targetURL; }
    void setTargetURL(std::string url) { m_targetURL = std::move(url); }

    // A smaller body cap for this download alone (the process-wide one still holds).
    void setBodySizeLimit(size_t bytes) { m_bodySizeLimit = bytes; }

    // Operations
    void loadContentsOfURLAtString(const std::string& url);
    // With a body (an empty one included) the request is a POST; without, a GET.
    void loadContentsOfURLAtString(const std::string& url, const std::optional<std::string>& postBody);
    // Stops the connection, drops the body and the delegate; no callback follows.
    void cancel();

    // "<PellarURLDownload 0x... identifier:... url:...>"
    std::string description() const;

    // The user agent every download sends, made once on first use.
    static const std::string& userAgent();

    // Process-wide settings; tests shorten the time-out.
    static void setTimeoutInterval(double seconds);
    static double timeoutInterval();
    static void setMaximumBodySize(size_t bytes);
    static size_t maximumBodySize();

private:
    PellarURLDownload() = default;

    void reportSuccess();
    void reportFailure(int code);
    void report(const Callback&);

    // URLConnectionDelegate
    void connectionDidReceiveResponse(URLConnection&, const URLResponse&) override;
    void connectionDidReceiveData(URLConnection&, std::string_view) override;
    void connectionDidFail(URLConnection&, const NetworkError&) override;
    void connectionDidFinishLoading(URLConnection&) override;

    std::optional<std::string> m_identifier;
    Callback m_successCallback;
    Callback m_failureCallback;
    std::optional<std::string> m_data;
    std::shared_ptr<URLConnection> m_activeConnection;
    std::optional<Error> m_error;
    std::string m_targetURL;
    bool m_background { false };
    std::optional<size_t> m_bodySizeLimit;
    uint64_t m_attempt { 0 }; // a failure posted for an earlier start is dropped
};
