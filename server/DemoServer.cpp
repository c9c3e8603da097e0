#include "server/DemoServer.h"

#include "platform/foundation/GUniquePtr.h"
#include "server/DemoImages.h"
#include "server/DemoSearch.h"

#include <gio/gio.h>
#include <libsoup/soup.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

constexpr const char* kBrowserIconPrefix = "/static/mobile/browser/";
constexpr const char* kActionIconPrefix = "/static/mobile/img/";
constexpr const char* kBannerPrefix = "/static/mobile/banner/";
constexpr const char* kFlexAssetPrefix = "/static/mobile/flex/";
// Scenario bodies and redirects name the service itself with this, since its
// port is only known once it listens.
constexpr std::string_view kBasePlaceholder = "{{base}}";

void replaceBasePlaceholder(std::string& text, const std::string& baseURL)
{
    for (size_t at = text.find(kBasePlaceholder); at != std::string::npos;
         at = text.find(kBasePlaceholder, at + baseURL.size()))
        text.replace(at, kBasePlaceholder.size(), baseURL);
}

bool isIconName(const std::string& name)
{
    return !name.empty() && name.size() <= 64 && std::all_of(name.begin(), name.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '_' || c == '-';
    });
}

// Names between a prefix and ".png", when the path has that shape.
std::optional<std::string> pngName(const std::string& path, const char* prefix)
{
    std::string_view rest(path);
    if (!rest.starts_with(prefix) || !rest.ends_with(".png"))
        return std::nullopt;
    rest.remove_prefix(std::strlen(prefix));
    rest.remove_suffix(4);
    std::string name(rest);
    if (!isIconName(name))
        return std::nullopt;
    return name;
}

// A delayed answer waits paused; a client that gives up first finishes the
// message, which must not be unpaused afterwards.
struct DelayedAnswer {
    GRefPtr<SoupServerMessage> message;
    bool finished { false };
    gulong handler { 0 };
};

} // namespace

ErrorOr<std::unique_ptr<DemoServer>> DemoServer::start(const Options& options)
{
    std::unique_ptr<DemoServer> server(new DemoServer);
    server->m_host = options.host;
    if (!options.scenarioDirectory.empty()) {
        auto scenario = Scenario::load(options.scenarioDirectory);
        if (!scenario)
            return scenario.error();
        server->m_scenario = scenario.release();
    }
    if (options.logPath && !server->m_log.open(*options.logPath))
        return Error { kErrorDomain, kCannotOpenLog, "cannot open log file " + options.logPath->string() };

    server->m_server = adoptGRef(soup_server_new("server-header", "pellar-demo-server", nullptr));
    soup_server_add_handler(server->m_server.get(), nullptr, serve, server.get(), nullptr);

    GUniqueOutPtr<GError> listenError;
    auto address = adoptGRef(g_inet_address_new_from_string(options.host.c_str()));
    if (!address)
        return Error { kErrorDomain, kBadAddress, "not an IP address: " + options.host };
    auto socketAddress = adoptGRef(g_inet_socket_address_new(address.get(), options.port));
    bool listening = soup_server_listen(
        server->m_server.get(), socketAddress.get(), static_cast<SoupServerListenOptions>(0), listenError.outPtr());
    if (!listening)
        return Error { kErrorDomain, kCannotListen, listenError ? listenError->message : "cannot listen" };
    GSList* uris = soup_server_get_uris(server->m_server.get());
    if (uris)
        server->m_port = static_cast<unsigned>(g_uri_get_port(static_cast<GUri*>(uris->data)));
    g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
    return ErrorOr<std::unique_ptr<DemoServer>>(std::move(server));
}

DemoServer::~DemoServer()
{
    if (m_server)
        soup_server_disconnect(m_server.get());
}

std::string DemoServer::baseURL() const
{
    return "http://" + m_host + ":" + std::to_string(m_port);
}

void DemoServer::serve(SoupServer*, SoupServerMessage* message, const char* path, GHashTable* query, void* data)
{
    auto* self = static_cast<DemoServer*>(data);
    RequestLog::Entry entry;
    entry.method = soup_server_message_get_method(message);
    entry.path = path;
    if (query) {
        GHashTableIter iterator;
        gpointer key;
        gpointer value;
        g_hash_table_iter_init(&iterator, query);
        while (g_hash_table_iter_next(&iterator, &key, &value))
            entry.query[static_cast<const char*>(key)] = value ? static_cast<const char*>(value) : "";
    }
    soup_message_headers_foreach(
        soup_server_message_get_request_headers(message),
        [](const char* name, const char* value, gpointer headers) {
            std::string lower(name);
            std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
            if (RequestLog::isLoggedHeader(lower))
                (*static_cast<std::map<std::string, std::string>*>(headers))[lower] = value;
        },
        &entry.headers);
    SoupMessageBody* body = soup_server_message_get_request_body(message);
    if (body && body->length > 0) {
        auto bytes = adoptGRef(soup_message_body_flatten(body));
        gsize size = 0;
        auto* data = static_cast<const char*>(g_bytes_get_data(bytes.get(), &size));
        entry.body.assign(data, size);
    }
    std::string method = entry.method;
    std::string requestPath = entry.path;
    auto searchAnswer = DemoSearch::answerFor(requestPath, entry.query, entry.body, self->baseURL());
    self->m_log.record(std::move(entry));
    if (searchAnswer) {
        self->respond(message, *searchAnswer);
        return;
    }
    self->answer(message, method, requestPath);
}

void DemoServer::answer(SoupServerMessage* message, const std::string& method, const std::string& path)
{
    if (m_scenario) {
        if (auto staged = m_scenario->answerFor(method, path)) {
            replaceBasePlaceholder(staged->body, baseURL());
            if (staged->redirect)
                replaceBasePlaceholder(*staged->redirect, baseURL());
            respond(message, *staged);
            return;
        }
    }
    Scenario::Answer builtIn;
    builtIn.contentType = "image/png";
    if (auto name = pngName(path, kBrowserIconPrefix)) {
        builtIn.body = DemoImages::browserIcon(*name);
        if (!builtIn.body.empty()) {
            respond(message, builtIn);
            return;
        }
    }
    if (auto name = pngName(path, kActionIconPrefix)) {
        builtIn.body = DemoImages::actionIcon(*name);
        respond(message, builtIn);
        return;
    }
    // The flexible banners' pictures; unknown names are not found.
    if (auto name = pngName(path, kFlexAssetPrefix)) {
        builtIn.body = DemoImages::flexAsset(*name);
        if (!builtIn.body.empty()) {
            respond(message, builtIn);
            return;
        }
    }
    // Image banners, captioned with their name ("Screen_Test_Lab" reads "Screen Test Lab").
    if (auto name = pngName(path, kBannerPrefix)) {
        std::string caption = *name;
        std::replace(caption.begin(), caption.end(), '_', ' ');
        builtIn.body = DemoImages::banner(caption);
        respond(message, builtIn);
        return;
    }
    if (path == "/") {
        respond(message, Scenario::Answer { .body = "pellar-demo-server\n" });
        return;
    }
    respond(message, Scenario::Answer { .status = 404, .body = "not found\n" });
}

void DemoServer::respond(SoupServerMessage* message, const Scenario::Answer& answer)
{
    soup_server_message_set_status(message, static_cast<guint>(answer.status), nullptr);
    SoupMessageHeaders* headers = soup_server_message_get_response_headers(message);
    if (answer.redirect)
        soup_message_headers_replace(headers, "Location", answer.redirect->c_str());
    for (auto& [name, value] : answer.headers)
        soup_message_headers_replace(headers, name.c_str(), value.c_str());
    soup_server_message_set_response(
        message, answer.contentType.c_str(), SOUP_MEMORY_COPY, answer.body.data(), answer.body.size());

    if (answer.delay <= 0)
        return;
    auto* delayed = new DelayedAnswer { GRefPtr<SoupServerMessage>(message) };
    delayed->handler = g_signal_connect(message, "finished",
        G_CALLBACK(+[](SoupServerMessage*, gpointer data) { static_cast<DelayedAnswer*>(data)->finished = true; }),
        delayed);
    soup_server_message_pause(message);
    g_timeout_add(
        static_cast<guint>(answer.delay * 1000),
        +[](gpointer data) -> gboolean {
            auto* delayed = static_cast<DelayedAnswer*>(data);
            if (!delayed->finished)
                soup_server_message_unpause(delayed->message.get());
            g_signal_handler_disconnect(delayed->message.get(), delayed->handler);
            delete delayed;
            return G_SOURCE_REMOVE;
        },
        delayed);
}
