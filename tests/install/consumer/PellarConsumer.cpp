// An outside program built against the installed Pellar library: it serves one
// text ad from an in-process HTTP server, asks a PellarView for it through a
// delegate, and exits 0 once the delegate is told the ad arrived.
#include "ads/core/PellarDelegate.h"
#include "ads/core/PellarView.h"
#include "platform/foundation/RunLoop.h"

#include <libsoup/soup.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

// A 1 × 1 transparent PNG, every icon.
const unsigned char kIcon[] = { 0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48,
    0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1f, 0x15, 0xc4, 0x89,
    0x00, 0x00, 0x00, 0x0a, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0x00, 0x01, 0x00, 0x00, 0x05, 0x00, 0x01, 0x0d,
    0x0a, 0x2d, 0xb4, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82 };

struct Served {
    std::string base;
    int adRequests { 0 };
};

void serve(SoupServer*, SoupServerMessage* message, const char* path, GHashTable*, gpointer data)
{
    auto* served = static_cast<Served*>(data);
    std::string route = path;
    if (route == "/ad_request") {
        ++served->adRequests;
        std::string body = R"({"text": "Hello from an outside program", "6": "url", "204": "/icon.png", "jsonp_url": ")"
            + served->base + R"(/click"})";
        soup_server_message_set_status(message, 200, nullptr);
        soup_server_message_set_response(message, "application/json", SOUP_MEMORY_COPY, body.data(), body.size());
    } else if (route.starts_with("/m/") && route.ends_with(".png")) {
        // The browser's icons, fetched before the first ad, and the ad's own.
        soup_server_message_set_status(message, 200, nullptr);
        soup_server_message_set_response(
            message, "image/png", SOUP_MEMORY_STATIC, reinterpret_cast<const char*>(kIcon), sizeof kIcon);
    } else {
        soup_server_message_set_status(message, 404, nullptr);
    }
}

struct Host final : PellarDelegate {
    std::string publisherId() override { return "outside-program"; }
    void didReceiveAd(PellarView&) override { received = true; }
    void didFailToReceiveAd(PellarView&, const Error&) override { failed = true; }
    bool received { false };
    bool failed { false };
};

} // namespace

int main()
{
    Served served;
    SoupServer* server = soup_server_new(nullptr, nullptr);
    soup_server_add_handler(server, nullptr, serve, &served, nullptr);
    GError* error = nullptr;
    if (!soup_server_listen_local(server, 0, SOUP_SERVER_LISTEN_IPV4_ONLY, &error)) {
        std::fprintf(stderr, "cannot listen: %s\n", error->message);
        return 1;
    }
    GSList* uris = soup_server_get_uris(server);
    served.base = "http://127.0.0.1:" + std::to_string(g_uri_get_port(static_cast<GUri*>(uris->data)));
    g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));

    // The library reads its endpoints from the environment on first use.
    setenv("PELLAR_AD_SERVER", (served.base + "/ad_request").c_str(), 1);
    setenv("PELLAR_MEDIA_HOST", (served.base + "/m").c_str(), 1);

    auto host = std::make_shared<Host>();
    auto view = PellarView::requestAdWithDelegate(host);
    bool answered = RunLoop::main().runUntil([&] { return host->received || host->failed; }, 20);
    std::printf("Pellar %s: %s after %d ad request(s), view %gx%g\n", PellarView::version().c_str(),
        host->received     ? "ad received"
            : host->failed ? "ad failed"
                           : "no answer",
        served.adRequests, view->frame().size.width, view->frame().size.height);
    view = nullptr;
    g_object_unref(server);
    return answered && host->received ? 0 : 1;
}
