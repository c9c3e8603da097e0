#include "tests/support/LoopbackServer.h"

#include <libsoup/soup.h>

#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

LoopbackServer::LoopbackServer()
    : m_server(soup_server_new(nullptr, nullptr))
{
    soup_server_add_handler(m_server, nullptr, reinterpret_cast<SoupServerCallback>(serve), this, nullptr);
    GError* error = nullptr;
    GInetAddress* loopback = g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4);
    GSocketAddress* address = g_inet_socket_address_new(loopback, 0);
    g_object_unref(loopback);
    if (!soup_server_listen(m_server, address, static_cast<SoupServerListenOptions>(0), &error)) {
        std::string message = error ? error->message : "unknown error";
        g_clear_error(&error);
        g_object_unref(address);
        throw std::runtime_error("LoopbackServer: cannot listen: " + message);
    }
    g_object_unref(address);
    GSList* uris = soup_server_get_uris(m_server);
    m_port = static_cast<unsigned>(g_uri_get_port(static_cast<GUri*>(uris->data)));
    g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
}

LoopbackServer::~LoopbackServer()
{
    soup_server_disconnect(m_server);
    g_object_unref(m_server);
}

std::string LoopbackServer::baseURL() const
{
    return "http://127.0.0.1:" + std::to_string(m_port);
}

void LoopbackServer::handle(const std::string& path, Handler handler)
{
    m_handlers[path] = std::move(handler);
}

void LoopbackServer::respond(const std::string& path, Response response)
{
    handle(path, [response](const Request&) { return response; });
}

void LoopbackServer::redirect(const std::string& path, const std::string& location)
{
    Response response;
    response.status = 302;
    response.headers["Location"] = location;
    respond(path, response);
}

int LoopbackServer::requestsTo(const std::string& path) const
{
    int count = 0;
    for (auto& request : m_requests)
        count += request.path == path ? 1 : 0;
    return count;
}

unsigned LoopbackServer::closedPort()
{
    // Bind an ephemeral port and close it again: nothing listens there afterwards.
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

void LoopbackServer::serve(SoupServer*, SoupServerMessage* message, const char* path, void*, void* self)
{
    auto* server = static_cast<LoopbackServer*>(self);
    Request request;
    request.method = soup_server_message_get_method(message);
    request.path = path;
    GUri* uri = soup_server_message_get_uri(message);
    if (const char* query = g_uri_get_query(uri))
        request.query = query;
    SoupMessageHeadersIter iter;
    soup_message_headers_iter_init(&iter, soup_server_message_get_request_headers(message));
    const char* name;
    const char* value;
    while (soup_message_headers_iter_next(&iter, &name, &value)) {
        gchar* lower = g_ascii_strdown(name, -1);
        request.headers[lower] = value;
        g_free(lower);
    }
    SoupMessageBody* body = soup_server_message_get_request_body(message);
    if (body && body->length)
        request.body.assign(body->data, static_cast<size_t>(body->length));
    server->m_requests.push_back(request);

    auto found = server->m_handlers.find(request.path);
    Response response;
    if (found == server->m_handlers.end()) {
        response.status = 404;
        response.body = "not found";
    } else {
        response = found->second(request);
    }

    auto answer = [message, response] {
        for (auto& [header, headerValue] : response.headers)
            soup_message_headers_replace(
                soup_server_message_get_response_headers(message), header.c_str(), headerValue.c_str());
        soup_server_message_set_status(message, static_cast<guint>(response.status), nullptr);
        soup_server_message_set_response(
            message, response.contentType.c_str(), SOUP_MEMORY_COPY, response.body.data(), response.body.size());
    };
    if (response.trickleInterval > 0) {
        for (auto& [header, headerValue] : response.headers)
            soup_message_headers_replace(
                soup_server_message_get_response_headers(message), header.c_str(), headerValue.c_str());
        soup_message_headers_set_encoding(soup_server_message_get_response_headers(message), SOUP_ENCODING_CHUNKED);
        soup_server_message_set_status(message, static_cast<guint>(response.status), nullptr);
        struct Trickle {
            SoupServerMessage* message;
            std::string body;
            size_t sent { 0 };
            bool finished { false };
        };
        auto* trickle = new Trickle { message, response.body };
        g_object_ref(message);
        // A client that goes away ends the trickle.
        g_signal_connect(message, "finished",
            G_CALLBACK(+[](SoupServerMessage*, gpointer data) { static_cast<Trickle*>(data)->finished = true; }),
            trickle);
        g_timeout_add_full(
            G_PRIORITY_DEFAULT, static_cast<guint>(response.trickleInterval * 1000),
            [](gpointer data) {
                auto* state = static_cast<Trickle*>(data);
                if (state->finished)
                    return G_SOURCE_REMOVE;
                SoupMessageBody* out = soup_server_message_get_response_body(state->message);
                if (state->sent < state->body.size()) {
                    soup_message_body_append(out, SOUP_MEMORY_COPY, state->body.data() + state->sent, 1);
                    ++state->sent;
                } else {
                    soup_message_body_complete(out);
                    state->finished = true;
                }
                soup_server_message_unpause(state->message);
                return state->finished ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
            },
            trickle,
            [](gpointer data) {
                auto* state = static_cast<Trickle*>(data);
                g_signal_handlers_disconnect_by_data(state->message, state);
                g_object_unref(state->message);
                delete state;
            });
        soup_server_message_pause(message);
        return;
    }
    if (response.delay <= 0) {
        answer();
        return;
    }
    // Delayed answers pause the message and finish it from a real-time GLib timeout,
    // independent of the run loop's (possibly manual) clock.
    soup_server_message_pause(message);
    g_object_ref(message);
    auto* pending = new std::function<void()>([message, answer] {
        answer();
        soup_server_message_unpause(message);
        g_object_unref(message);
    });
    g_timeout_add_full(
        G_PRIORITY_DEFAULT, static_cast<guint>(response.delay * 1000),
        [](gpointer data) {
            (*static_cast<std::function<void()>*>(data))();
            return G_SOURCE_REMOVE;
        },
        pending, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}
