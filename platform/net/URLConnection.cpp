#include "platform/net/URLConnection.h"

#include "platform/foundation/GUniquePtr.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Timer.h"
#include "platform/net/URLConnectionDelegate.h"
#include "platform/net/URLResponse.h"

#include <gio/gio.h>
#include <libsoup/soup.h>

#include <algorithm>
#include <mutex>

namespace {

URLConnection::FailureInjection& failureInjection()
{
    static URLConnection::FailureInjection injection;
    return injection;
}

constexpr size_t kChunkSize = 64 * 1024;

bool isRedirectStatus(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool isLoadableScheme(const char* scheme)
{
    return scheme && (g_ascii_strcasecmp(scheme, "http") == 0 || g_ascii_strcasecmp(scheme, "https") == 0);
}

// The transport's errors in URL-loading terms. Resolver failures mean the
// host has no address; refused or unreachable means nothing answered there.
NetworkError networkErrorFrom(const GError* error)
{
    std::string message = error ? error->message : "unknown error";
    if (!error)
        return { URLErrorUnknown, message };
    if (error->domain == G_RESOLVER_ERROR)
        return { URLErrorCannotFindHost, message };
    if (error->domain == G_IO_ERROR) {
        switch (error->code) {
        case G_IO_ERROR_CANCELLED:
            return { URLErrorCancelled, message };
        case G_IO_ERROR_TIMED_OUT:
            return { URLErrorTimedOut, message };
        case G_IO_ERROR_CONNECTION_REFUSED:
        case G_IO_ERROR_HOST_UNREACHABLE:
        case G_IO_ERROR_NETWORK_UNREACHABLE:
            return { URLErrorCannotConnectToHost, message };
        case G_IO_ERROR_CONNECTION_CLOSED:
        case G_IO_ERROR_PARTIAL_INPUT:
            return { URLErrorNetworkConnectionLost, message };
        default:
            break;
        }
    }
    return { URLErrorUnknown, message };
}

URLResponse responseFrom(SoupMessage* message, const std::string& url)
{
    URLResponse response;
    response.url = url;
    response.statusCode = static_cast<int>(soup_message_get_status(message));
    SoupMessageHeaders* headers = soup_message_get_response_headers(message);
    soup_message_headers_foreach(
        headers,
        [](const char* name, const char* value, gpointer data) {
            static_cast<URLResponse*>(data)->headers.emplace_back(name, value);
        },
        &response);
    if (soup_message_headers_get_encoding(headers) == SOUP_ENCODING_CONTENT_LENGTH)
        response.expectedContentLength = soup_message_headers_get_content_length(headers);
    return response;
}

} // namespace

struct URLConnection::Token {
    std::shared_ptr<URLConnection> connection;
    uint64_t hop;
};

void URLConnection::setFailureInjectionForTesting(FailureInjection injection)
{
    failureInjection() = std::move(injection);
}

SoupSession* URLConnection::session()
{
    // Time-outs are ours, on the run loop's clock, so that a test's manual
    // clock governs them; libsoup's own would run on real time.
    static SoupSession* shared = soup_session_new_with_options("timeout", 0u, "idle-timeout", 60u, nullptr);
    return shared;
}

SoupSession* URLConnection::backgroundSession()
{
    static SoupSession* shared = soup_session_new_with_options("timeout", 0u, "idle-timeout", 60u, nullptr);
    return shared;
}

bool URLConnection::isOnOriginalHost(GUri* uri) const
{
    auto original = adoptGRef(g_uri_parse(m_request.url.c_str(), G_URI_FLAGS_ENCODED, nullptr));
    if (!original)
        return false;
    const char* originalHost = g_uri_get_host(original.get());
    const char* host = g_uri_get_host(uri);
    // Ports compare as used: "http://h" and "http://h:80" are one place.
    auto portOf = [](GUri* of) {
        int port = g_uri_get_port(of);
        if (port > 0)
            return port;
        return g_ascii_strcasecmp(g_uri_get_scheme(of), "https") == 0 ? 443 : 80;
    };
    return originalHost && host && g_ascii_strcasecmp(originalHost, host) == 0 && portOf(original.get()) == portOf(uri);
}

URLConnection::URLConnection(URLRequest request, URLConnectionDelegate* delegate)
    : m_request(std::move(request))
    , m_delegate(delegate)
    , m_currentURL(m_request.url)
    , m_currentMethod(m_request.method)
    , m_sendsBody(m_request.body.has_value())
    , m_pending(PendingWork::begin(PendingWork::Kind::Connection))
{
}

URLConnection::~URLConnection()
{
    stop();
}

std::shared_ptr<URLConnection> URLConnection::start(URLRequest request, URLConnectionDelegate* delegate)
{
    if (!adoptGRef(g_uri_parse(request.url.c_str(), G_URI_FLAGS_ENCODED, nullptr)))
        return nullptr;

    std::shared_ptr<URLConnection> connection(new URLConnection(std::move(request), delegate));
    if (failureInjection()) {
        if (auto injected = failureInjection()(connection->m_request)) {
            connection->failLater(*injected);
            return connection;
        }
    }
    connection->sendCurrentHop();
    return connection;
}

void URLConnection::failLater(NetworkError error)
{
    // Failures are never reported inside start(): the caller has not even
    // stored the connection yet.
    RunLoop::main().post([self = shared_from_this(), error = std::move(error)] {
        if (!self->m_finished)
            self->fail(error);
    });
}

void URLConnection::sendCurrentHop()
{
    ++m_hop;
    m_pending.didMakeProgress();
    auto uri = adoptGRef(g_uri_parse(m_currentURL.c_str(), G_URI_FLAGS_ENCODED, nullptr));
    if (!uri) {
        failLater({ URLErrorBadURL, "malformed URL: " + m_currentURL });
        return;
    }
    if (!isLoadableScheme(g_uri_get_scheme(uri.get())) || !g_uri_get_host(uri.get()) || !*g_uri_get_host(uri.get())) {
        failLater({ URLErrorUnsupportedURL, "unsupported URL: " + m_currentURL });
        return;
    }
    auto message = adoptGRef(soup_message_new_from_uri(m_currentMethod.c_str(), uri.get()));
    if (!message) {
        failLater({ URLErrorBadURL, "malformed URL: " + m_currentURL });
        return;
    }
    soup_message_add_flags(message.get(), SOUP_MESSAGE_NO_REDIRECT);
    SoupMessageHeaders* headers = soup_message_get_request_headers(message.get());
    bool onOriginalHost = m_redirects == 0 || isOnOriginalHost(soup_message_get_uri(message.get()));
    for (auto& [name, value] : m_request.headers) {
        // A named copy: clang 14 cannot capture a structured binding in a lambda.
        const std::string& headerName = name;
        bool originOnly = std::any_of(m_request.originOnlyHeaders.begin(), m_request.originOnlyHeaders.end(),
            [&](auto& other) { return g_ascii_strcasecmp(other.c_str(), headerName.c_str()) == 0; });
        if (originOnly && !onOriginalHost)
            continue;
        soup_message_headers_replace(headers, name.c_str(), value.c_str());
    }
    if (m_sendsBody) {
        auto bytes = adoptGRef(g_bytes_new(m_request.body->data(), m_request.body->size()));
        // No content type: the body goes out as the caller gave it.
        soup_message_set_request_body_from_bytes(message.get(), nullptr, bytes.get());
    }

    m_message = std::move(message);
    if (!m_cancellable)
        m_cancellable = adoptGRef(g_cancellable_new());
    if (!m_timeoutTimer)
        startDeadline();
    soup_session_send_async(m_request.background ? backgroundSession() : session(), m_message.get(), G_PRIORITY_DEFAULT,
        m_cancellable.get(), didSend, new Token { shared_from_this(), m_hop });
}

void URLConnection::didSend(GObject* source, GAsyncResult* result, void* data)
{
    std::unique_ptr<Token> token(static_cast<Token*>(data));
    auto& self = token->connection;
    GUniqueOutPtr<GError> error;
    auto stream = adoptGRef(soup_session_send_finish(SOUP_SESSION(source), result, error.outPtr()));
    if (self->m_finished || token->hop != self->m_hop)
        return;
    if (!stream) {
        self->fail(networkErrorFrom(error.get()));
        return;
    }
    self->handleHead(self->m_message.get(), std::move(stream));
}

void URLConnection::handleHead(SoupMessage* message, GRefPtr<GInputStream> stream)
{
    auto protectedThis = shared_from_this();
    m_pending.didMakeProgress();
    URLResponse response = responseFrom(message, m_currentURL);

    if (isRedirectStatus(response.statusCode)) {
        auto location = response.valueForHeader("Location");
        if (location) {
            stream.clear(); // a redirect's own body is never wanted
            if (++m_redirects > m_request.maximumRedirects) {
                fail({ URLErrorHTTPTooManyRedirects, "too many redirects" });
                return;
            }
            auto base = adoptGRef(g_uri_parse(m_currentURL.c_str(), G_URI_FLAGS_ENCODED, nullptr));
            auto next = base
                ? adoptGRef(g_uri_parse_relative(base.get(), location->c_str(), G_URI_FLAGS_ENCODED, nullptr))
                : GRefPtr<GUri>();
            if (!next) {
                fail({ URLErrorBadURL, "malformed redirect: " + *location });
                return;
            }
            std::string nextURL = GUniquePtr<char>(g_uri_to_string(next.get())).get();

            // As browsers do: 303 always, and 301/302 after a POST, continue as a GET.
            if (response.statusCode == 303
                || ((response.statusCode == 301 || response.statusCode == 302) && m_currentMethod == "POST")) {
                if (m_currentMethod != "HEAD")
                    m_currentMethod = "GET";
                m_sendsBody = false;
            }
            if (m_delegate)
                m_delegate->connectionWillSendRequest(*this, nextURL, response);
            if (m_finished)
                return;
            m_currentURL = nextURL;
            sendCurrentHop();
            return;
        }
    }

    m_stream = std::move(stream);
    if (m_delegate)
        m_delegate->connectionDidReceiveResponse(*this, response);
    if (m_finished)
        return;
    if (response.expectedContentLength && *response.expectedContentLength > 0
        && static_cast<uint64_t>(*response.expectedContentLength) > m_request.maximumBodySize) {
        fail({ URLErrorDataLengthExceedsMaximum, "response body exceeds the size limit" });
        return;
    }
    readNextChunk();
}

void URLConnection::readNextChunk()
{
    g_input_stream_read_bytes_async(m_stream.get(), kChunkSize, G_PRIORITY_DEFAULT, m_cancellable.get(), didRead,
        new Token { shared_from_this(), m_hop });
}

void URLConnection::didRead(GObject* source, GAsyncResult* result, void* data)
{
    std::unique_ptr<Token> token(static_cast<Token*>(data));
    auto& self = token->connection;
    GUniqueOutPtr<GError> error;
    auto bytes = adoptGRef(g_input_stream_read_bytes_finish(G_INPUT_STREAM(source), result, error.outPtr()));
    if (self->m_finished || token->hop != self->m_hop)
        return;
    if (!bytes) {
        self->fail(networkErrorFrom(error.get()));
        return;
    }
    gsize size = 0;
    auto* chunk = static_cast<const char*>(g_bytes_get_data(bytes.get(), &size));
    if (size == 0) {
        self->finish();
        return;
    }
    if (self->m_received + size > self->m_request.maximumBodySize) {
        self->fail({ URLErrorDataLengthExceedsMaximum, "response body exceeds the size limit" });
        return;
    }
    self->m_received += size;
    self->m_pending.didMakeProgress();
    if (self->m_delegate)
        self->m_delegate->connectionDidReceiveData(*self, std::string_view(chunk, size));
    if (!self->m_finished)
        self->readNextChunk();
}

void URLConnection::startDeadline()
{
    if (m_request.timeoutInterval <= 0)
        return;
    std::weak_ptr<URLConnection> weakThis = weak_from_this();
    m_timeoutTimer = Timer::scheduledTimer(m_request.timeoutInterval, false, [weakThis](Timer&) {
        if (auto self = weakThis.lock(); self && !self->m_finished)
            self->fail({ URLErrorTimedOut, "the request timed out" });
    });
}

void URLConnection::fail(NetworkError error)
{
    auto protectedThis = shared_from_this();
    // Released after the delegate's call: work it starts there is counted
    // before this ends, so the count never drops to nothing in between.
    auto pending = std::move(m_pending);
    URLConnectionDelegate* delegate = m_delegate;
    stop();
    if (delegate)
        delegate->connectionDidFail(*this, error);
}

void URLConnection::finish()
{
    auto protectedThis = shared_from_this();
    auto pending = std::move(m_pending); // released after the delegate's call, as in fail()
    URLConnectionDelegate* delegate = m_delegate;
    if (m_stream)
        g_input_stream_close(m_stream.get(), nullptr, nullptr);
    stop();
    if (delegate)
        delegate->connectionDidFinishLoading(*this);
}

void URLConnection::cancel()
{
    stop();
}

void URLConnection::stop()
{
    m_finished = true;
    m_pending.release();
    m_delegate = nullptr;
    ++m_hop;
    if (m_timeoutTimer) {
        m_timeoutTimer->invalidate();
        m_timeoutTimer = nullptr;
    }
    if (m_cancellable) {
        g_cancellable_cancel(m_cancellable.get());
        m_cancellable.clear();
    }
    m_stream.clear();
    m_message.clear();
}
