#pragma once

#include "platform/foundation/GRefPtr.h"
#include "platform/foundation/PendingWork.h"
#include "platform/net/NetworkError.h"
#include "platform/net/URLRequest.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class Timer;
class URLConnectionDelegate;
struct URLResponse;

typedef struct _GUri GUri;
typedef struct _GAsyncResult GAsyncResult;
typedef struct _GCancellable GCancellable;
typedef struct _GInputStream GInputStream;
typedef struct _SoupMessage SoupMessage;
typedef struct _SoupSession SoupSession;

// One HTTP exchange on libsoup 3, driven by the main run loop: it sends the
// request, follows redirects itself (so the delegate sees every hop and a hop
// to a scheme we cannot load fails instead of vanishing), hands the body over
// in chunks, and fails on a transport error, a time-out or an oversized body.
//
// The delegate is not owned; whoever owns the connection cancels it before
// the delegate goes away. The connection keeps itself alive while work is
// outstanding, so dropping the last reference without cancelling lets it run
// to its end. Until then it counts as pending work (PendingWork), making
// progress whenever a hop starts, a head arrives or a chunk is read.
class URLConnection : public std::enable_shared_from_this<URLConnection> {
public:
    // Starts at once. nullptr when the text is not an absolute URL: there is
    // nothing to connect to. Any other failure, an unsupported scheme
    // included, arrives through the delegate on a later pass.
    static std::shared_ptr<URLConnection> start(URLRequest, URLConnectionDelegate*);
    ~URLConnection();

    URLConnection(const URLConnection&) = delete;
    URLConnection& operator=(const URLConnection&) = delete;

    // Stops the exchange; the delegate hears nothing more. Safe at any time,
    // inside a delegate call included, and more than once.
    void cancel();

    const URLRequest& request() const { return m_request; }
    // The URL of the hop in flight (the original URL until a redirect).
    const std::string& currentURL() const { return m_currentURL; }
    size_t receivedBytes() const { return m_received; }
    bool isFinished() const { return m_finished; }

    // For tests: asked before every connection starts. An error answered
    // here fails the connection with it on a later pass, without any
    // traffic; this is how "unknown host" is staged without resolving names.
    using FailureInjection = std::function<std::optional<NetworkError>(const URLRequest&)>;
    static void setFailureInjectionForTesting(FailureInjection);

    // The process's session for requests someone waits for, and the one for
    // background traffic; each is created on first use on the main context.
    static SoupSession* session();
    static SoupSession* backgroundSession();

private:
    struct Token; // what an asynchronous call holds: the connection and its hop
    URLConnection(URLRequest, URLConnectionDelegate*);

    void sendCurrentHop();
    void failLater(NetworkError);
    static void didSend(GObject*, GAsyncResult*, void* token);
    void handleHead(SoupMessage*, GRefPtr<GInputStream>);
    void readNextChunk();
    static void didRead(GObject*, GAsyncResult*, void* token);

    void fail(NetworkError);
    void finish();
    void stop();
    void startDeadline();
    bool isOnOriginalHost(GUri*) const;

    URLRequest m_request;
    URLConnectionDelegate* m_delegate;
    std::string m_currentURL;
    std::string m_currentMethod;
    bool m_sendsBody { false };
    int m_redirects { 0 };
    uint64_t m_hop { 0 }; // answers of an abandoned hop are ignored

    GRefPtr<SoupMessage> m_message;
    GRefPtr<GCancellable> m_cancellable;
    GRefPtr<GInputStream> m_stream;
    std::shared_ptr<Timer> m_timeoutTimer;
    size_t m_received { 0 };
    bool m_finished { false };
    // Counts the exchange as pending work until its delegate has heard the end.
    PendingWork::Token m_pending;
};
