#include "platform/gtk/GtkWebView.h"

#include "platform/foundation/GUniquePtr.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Timer.h"
#include "platform/gtk/GtkScreenWidget.h"
#include "platform/gtk/WebKitErrorMapping.h"
#include "platform/ui/graphics/CairoRefPtr.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Window.h"

#include <cmath>
#include <cstdio>
#include <webkit/webkit.h>

namespace {

enum class Placement { OnScreen, Offscreen };

struct Engine {
    Placement placement { Placement::Offscreen };
    GRefPtr<GtkWidget> screen;
    std::function<double()> scale;
};

Engine& engine()
{
    static Engine e;
    return e;
}

// One network session for every page: cookies and local storage live under
// the data directory, the web cache under the cache directory, never
// elsewhere in the user's home.
WebKitNetworkSession* networkSession()
{
    static WebKitNetworkSession* session = [] {
        auto data = Paths::dataDirectory() / Paths::kWebDataSubdirectory;
        auto cache = Paths::cacheDirectory() / Paths::kWebCacheSubdirectory;
        Paths::createDirectories(data);
        Paths::createDirectories(cache);
        return webkit_network_session_new(data.c_str(), cache.c_str());
    }();
    return session;
}

WebViewDelegate::NavigationType navigationTypeFor(WebKitNavigationType type)
{
    switch (type) {
    case WEBKIT_NAVIGATION_TYPE_LINK_CLICKED:
        return WebViewDelegate::NavigationType::LinkClicked;
    case WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED:
        return WebViewDelegate::NavigationType::FormSubmitted;
    case WEBKIT_NAVIGATION_TYPE_BACK_FORWARD:
        return WebViewDelegate::NavigationType::BackForward;
    case WEBKIT_NAVIGATION_TYPE_RELOAD:
        return WebViewDelegate::NavigationType::Reload;
    case WEBKIT_NAVIGATION_TYPE_FORM_RESUBMITTED:
        return WebViewDelegate::NavigationType::FormResubmitted;
    default:
        return WebViewDelegate::NavigationType::Other;
    }
}

// Carries a weak reference to the view through a GIO callback.
using WeakView = std::weak_ptr<View>;

std::shared_ptr<GtkWebView> lockView(const WeakView& weak)
{
    return std::static_pointer_cast<GtkWebView>(weak.lock());
}

} // namespace

void GtkWebView::registerScreen(GtkScreenWidget& screen, std::function<double()> scale)
{
    engine() = Engine { Placement::OnScreen, GRefPtr<GtkWidget>(screen.widget()), std::move(scale) };
    WebView::setFactory([](const Rect& frame) { return std::make_shared<GtkWebView>(frame); });
}

bool GtkWebView::registerOffscreen()
{
    if (!gtk_init_check())
        return false;
    engine() = Engine { Placement::Offscreen, nullptr, nullptr };
    WebView::setFactory([](const Rect& frame) { return std::make_shared<GtkWebView>(frame); });
    return true;
}

void GtkWebView::unregister()
{
    engine() = Engine {};
    WebView::setFactory(nullptr);
}

GtkWebView::GtkWebView(const Rect& frame)
    : WebView(frame)
{
    // The view is ours alone: sink the floating reference a new widget has.
    m_webView = adoptGRef(WEBKIT_WEB_VIEW(
        g_object_ref_sink(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", networkSession(), nullptr))));
    WebKitSettings* settings = webkit_web_view_get_settings(m_webView.get());
    // Software drawing: snapshots and screenshots come out the same every run.
    webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    webkit_settings_set_enable_write_console_messages_to_stdout(settings, FALSE);
    g_signal_connect(m_webView.get(), "decide-policy", G_CALLBACK(decidePolicy), this);
    g_signal_connect(m_webView.get(), "load-changed", G_CALLBACK(loadChanged), this);
    g_signal_connect(m_webView.get(), "load-failed", G_CALLBACK(loadFailed), this);

    GtkWidget* widget = GTK_WIDGET(m_webView.get());
    int width = std::max(1, static_cast<int>(std::lround(frame.width())));
    int height = std::max(1, static_cast<int>(std::lround(frame.height())));
    if (auto* screen
        = engine().placement == Placement::OnScreen ? GtkScreenWidget::fromWidget(engine().screen.get()) : nullptr) {
        m_screen = engine().screen;
        screen->addEmbeddedWidget(widget, layer());
        m_tickID = gtk_widget_add_tick_callback(m_screen.get(), tick, this, nullptr);
    } else {
        m_showsSnapshot = true;
        // GTK keeps its own reference to a window until it is destroyed;
        // this one is ours, for the destructor.
        m_offscreenWindow = GRefPtr<GtkWidget>(gtk_window_new());
        gtk_window_set_decorated(GTK_WINDOW(m_offscreenWindow.get()), FALSE);
        gtk_window_set_title(GTK_WINDOW(m_offscreenWindow.get()), "Vantrel page");
        gtk_widget_set_size_request(widget, width, height);
        gtk_window_set_child(GTK_WINDOW(m_offscreenWindow.get()), widget);
        gtk_window_present(GTK_WINDOW(m_offscreenWindow.get()));
        m_tickID = gtk_widget_add_tick_callback(m_offscreenWindow.get(), tick, this, nullptr);
    }
}

GtkWebView::~GtkWebView()
{
    if (m_tapSettleID)
        g_source_remove(m_tapSettleID);
    if (m_snapshotRetryID)
        g_source_remove(m_snapshotRetryID);
    if (m_timeout)
        m_timeout->invalidate();
    g_signal_handlers_disconnect_by_data(m_webView.get(), this);
    webkit_web_view_stop_loading(m_webView.get());
    if (m_screen) {
        if (m_tickID)
            gtk_widget_remove_tick_callback(m_screen.get(), m_tickID);
        // The screen's owner may have gone first (the host closed).
        if (auto* screen = GtkScreenWidget::fromWidget(m_screen.get()))
            screen->removeEmbeddedWidget(GTK_WIDGET(m_webView.get()));
        else if (gtk_widget_get_parent(GTK_WIDGET(m_webView.get())) == m_screen.get())
            gtk_widget_unparent(GTK_WIDGET(m_webView.get()));
    }
    if (m_offscreenWindow) {
        if (m_tickID)
            gtk_widget_remove_tick_callback(m_offscreenWindow.get(), m_tickID);
        gtk_window_destroy(GTK_WINDOW(m_offscreenWindow.get()));
    }
    // The references go with the members: screen, window, then the view.
}

std::shared_ptr<GtkWebView> GtkWebView::protectedSelf()
{
    return std::static_pointer_cast<GtkWebView>(sharedView());
}

// MARK: Loading

void GtkWebView::loadRequest(const Request& request)
{
    m_requestedURL = request.url;
    m_timeoutInterval = request.timeoutInterval > 0 ? request.timeoutInterval : kDefaultTimeoutInterval;
    auto owner = adoptGRef(webkit_uri_request_new(request.url.c_str()));
    WebKitURIRequest* uriRequest = owner.get();
    // The engine keeps one cache policy per session; a request that must not
    // come from a cache says so to the server and to every cache on the way.
    if (request.cachePolicy == CachePolicy::ReloadIgnoringCacheData) {
        if (SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(uriRequest)) {
            soup_message_headers_replace(headers, "Cache-Control", "no-cache");
            soup_message_headers_replace(headers, "Pragma", "no-cache");
        }
    }
    webkit_web_view_load_request(m_webView.get(), uriRequest);
}

void GtkWebView::stopLoading()
{
    webkit_web_view_stop_loading(m_webView.get());
}

void GtkWebView::reload()
{
    webkit_web_view_reload(m_webView.get());
}

bool GtkWebView::canGoBack() const
{
    return webkit_web_view_can_go_back(m_webView.get());
}

bool GtkWebView::canGoForward() const
{
    return webkit_web_view_can_go_forward(m_webView.get());
}

void GtkWebView::goBack()
{
    webkit_web_view_go_back(m_webView.get());
}

void GtkWebView::goForward()
{
    webkit_web_view_go_forward(m_webView.get());
}

std::string GtkWebView::currentURL() const
{
    const char* uri = webkit_web_view_get_uri(m_webView.get());
    return uri ? uri : m_requestedURL;
}

std::string GtkWebView::title() const
{
    const char* title = webkit_web_view_get_title(m_webView.get());
    if (title && *title)
        return title;
    // WebKit may announce the title only after the load has finished; the
    // document already knows it.
    if (webkit_web_view_is_loading(m_webView.get()) || !webkit_web_view_get_uri(m_webView.get()))
        return "";
    return const_cast<GtkWebView*>(this)->stringByEvaluatingJavaScriptFromString("document.title");
}

// MARK: Scripts

namespace {

struct ScriptResult {
    bool done { false };
    std::string text;
};

} // namespace

namespace {

// The page's answer as text: empty for undefined, null and failures (whose
// reasons are not wanted).
void finishScript(const GRefPtr<JSCValue>& value, ScriptResult& result)
{
    if (value && !jsc_value_is_undefined(value.get()) && !jsc_value_is_null(value.get())) {
        GUniquePtr<char> text(jsc_value_to_string(value.get()));
        result.text = text ? text.get() : "";
    }
    result.done = true;
}

// The call's parameters are named by this prefix and their position (the
// engine takes named values, not lists).
constexpr std::string_view kArgumentPrefix = "vantrelArgument";

} // namespace

std::string GtkWebView::stringByEvaluatingJavaScriptFromString(const std::string& script)
{
    auto result = std::make_shared<ScriptResult>();
    auto* holder = new std::shared_ptr<ScriptResult>(result);
    webkit_web_view_evaluate_javascript(
        m_webView.get(), script.c_str(), static_cast<gssize>(script.size()), nullptr, nullptr, nullptr,
        [](GObject* source, GAsyncResult* asyncResult, gpointer data) {
            std::unique_ptr<std::shared_ptr<ScriptResult>> holder(static_cast<std::shared_ptr<ScriptResult>*>(data));
            GUniqueOutPtr<GError> error;
            finishScript(adoptGRef(webkit_web_view_evaluate_javascript_finish(
                             WEBKIT_WEB_VIEW(source), asyncResult, error.outPtr())),
                **holder);
        },
        holder);
    awaitScript(result->done);
    return result->text;
}

std::string GtkWebView::callFunction(const std::string& name, const std::vector<std::string>& arguments)
{
    std::string_view first = std::string_view(name).substr(0, name.find('.'));
    if (!isFunctionName(name) || first.starts_with(kArgumentPrefix)) {
        Log::writef("Web view: \"%s\" is not a function name; nothing called", name.c_str());
        return {};
    }
    // The values travel as GVariant strings, which must be UTF-8: bytes that
    // are not become replacement characters rather than being dropped.
    GVariantBuilder dictionary;
    g_variant_builder_init(&dictionary, G_VARIANT_TYPE_VARDICT);
    std::string body = "return " + name + "(";
    for (size_t index = 0; index < arguments.size(); ++index) {
        std::string parameter = std::string(kArgumentPrefix) + std::to_string(index);
        char* valid = g_utf8_make_valid(arguments[index].data(), static_cast<gssize>(arguments[index].size()));
        g_variant_builder_add(&dictionary, "{sv}", parameter.c_str(), g_variant_new_take_string(valid));
        body += (index ? ", " : "") + parameter;
    }
    body += ");";
    auto parameters = adoptGRef(g_variant_ref_sink(g_variant_builder_end(&dictionary)));

    auto result = std::make_shared<ScriptResult>();
    auto* holder = new std::shared_ptr<ScriptResult>(result);
    webkit_web_view_call_async_javascript_function(
        m_webView.get(), body.c_str(), static_cast<gssize>(body.size()), parameters.get(), nullptr, nullptr, nullptr,
        [](GObject* source, GAsyncResult* asyncResult, gpointer data) {
            std::unique_ptr<std::shared_ptr<ScriptResult>> holder(static_cast<std::shared_ptr<ScriptResult>*>(data));
            GUniqueOutPtr<GError> error;
            finishScript(adoptGRef(webkit_web_view_call_async_javascript_function_finish(
                             WEBKIT_WEB_VIEW(source), asyncResult, error.outPtr())),
                **holder);
        },
        holder);
    awaitScript(result->done);
    return result->text;
}

void GtkWebView::awaitScript(const bool& done)
{
    // The answer comes from the page's process: wait for it on the main
    // context, but never for long. Page events that arrive meanwhile are held
    // back until the caller has its answer.
    ++m_scriptWaits;
    auto protectedThis = protectedSelf();
    guint wake = g_timeout_add(
        20, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(kScriptWaitSeconds * G_USEC_PER_SEC);
    while (!done && g_get_monotonic_time() < deadline)
        g_main_context_iteration(nullptr, TRUE);
    g_source_remove(wake);
    --m_scriptWaits;
    // A script may have changed the page: a picture of it must follow.
    if (m_showsSnapshot)
        requestSnapshot();
    if (m_scriptWaits == 0 && !m_deferred.empty()) {
        std::weak_ptr<View> weak = sharedView();
        RunLoop::main().post([weak] {
            if (auto view = lockView(weak))
                view->flushDeferred();
        });
    }
}

void GtkWebView::deliver(std::function<void()> event)
{
    if (m_scriptWaits > 0 || !m_deferred.empty()) {
        m_deferred.push_back(std::move(event));
        return;
    }
    event();
}

void GtkWebView::flushDeferred()
{
    auto protectedThis = protectedSelf();
    while (!m_deferred.empty() && m_scriptWaits == 0) {
        auto event = std::move(m_deferred.front());
        m_deferred.pop_front();
        event();
    }
}

// MARK: Touches

void GtkWebView::touchesBegan(const TouchSet& touches, const Event& event)
{
    if (!m_offscreenWindow)
        WebView::touchesBegan(touches, event);
}

void GtkWebView::touchesEnded(const TouchSet& touches, const Event& event)
{
    auto touch = touches.anyObject();
    if (!m_offscreenWindow || !touch) {
        WebView::touchesEnded(touches, event);
        return;
    }
    Point at = touch->locationInView(this);
    if (!bounds().contains(at))
        return;
    // The page is laid out in points, as the view is. Only our own numbers
    // are written into the script.
    char script[200];
    std::snprintf(script, sizeof script,
        "(function () { var e = document.elementFromPoint(%.1f, %.1f); if (e) { if (e.focus) e.focus(); e.click(); } "
        "})()",
        at.x, at.y);
    stringByEvaluatingJavaScriptFromString(script);
    // Held on the real clock, so a headless run's virtual time waits for the page.
    if (m_tapSettleID)
        g_source_remove(m_tapSettleID);
    m_tapSettling = true;
    m_tapSettleID = g_timeout_add(
        kTapSettleMilliseconds,
        [](gpointer data) -> gboolean {
            auto* self = static_cast<GtkWebView*>(data);
            self->m_tapSettleID = 0;
            self->m_tapSettling = false;
            self->requestSnapshot();
            return G_SOURCE_REMOVE;
        },
        this);
}

// MARK: Engine events

gboolean GtkWebView::decidePolicy(WebKitWebView*, GObject* decision, int type, gpointer data)
{
    auto* self = static_cast<GtkWebView*>(data);
    if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION && type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION)
        return FALSE; // responses: the engine's own choice
    WebKitNavigationAction* action
        = webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    int navigationType = webkit_navigation_action_get_navigation_type(action);
    std::string url = uri ? uri : "";
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION && !self->m_preapprovedURL.empty()
        && url == self->m_preapprovedURL) {
        self->m_preapprovedURL.clear();
        webkit_policy_decision_use(WEBKIT_POLICY_DECISION(decision));
        return TRUE;
    }
    // A link that asks for a new window opens in this view instead.
    if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION)
        navigationType = -1 - navigationType;
    std::weak_ptr<View> weak = self->sharedView();
    self->deliver([weak, decision = GRefPtr<GObject>(decision), url, navigationType] {
        if (auto view = lockView(weak))
            view->decide(decision.get(), url, navigationType);
        else
            webkit_policy_decision_ignore(WEBKIT_POLICY_DECISION(decision.get()));
    });
    return TRUE;
}

void GtkWebView::decide(GObject* decision, const std::string& url, int navigationType)
{
    bool newWindow = navigationType < 0;
    if (newWindow)
        navigationType = -1 - navigationType;
    if (isCommandURL(url)) {
        // The engine does not say which frame navigates, but only the top
        // frame's navigations come back as loads of the view: let the
        // engine try the command's URL, which it cannot show, and take the
        // command from the top frame's failed load (loadFailed). A frame
        // inside the page fails on its own, unheard. A command that asks
        // for a new window names no frame of ours and goes nowhere.
        if (newWindow)
            webkit_policy_decision_ignore(WEBKIT_POLICY_DECISION(decision));
        else
            webkit_policy_decision_use(WEBKIT_POLICY_DECISION(decision));
        return;
    }
    bool allowed = shouldStartLoad(url, navigationTypeFor(static_cast<WebKitNavigationType>(navigationType)));
    if (!newWindow) {
        if (allowed)
            webkit_policy_decision_use(WEBKIT_POLICY_DECISION(decision));
        else
            webkit_policy_decision_ignore(WEBKIT_POLICY_DECISION(decision));
        return;
    }
    webkit_policy_decision_ignore(WEBKIT_POLICY_DECISION(decision));
    if (allowed) {
        // Already asked: this load is let through without asking again.
        m_preapprovedURL = url;
        webkit_web_view_load_uri(m_webView.get(), url.c_str());
    }
}

void GtkWebView::loadChanged(WebKitWebView*, int event, gpointer data)
{
    auto* self = static_cast<GtkWebView*>(data);
    std::weak_ptr<View> weak = self->sharedView();
    switch (event) {
    case WEBKIT_LOAD_STARTED:
        self->m_loading = true;
        self->m_snapshotFailures = 0;
        self->m_failedThisLoad = false;
        self->m_suppressUntilNextStart = false;
        self->startTimeout();
        self->deliver([weak] {
            if (auto view = lockView(weak))
                view->didStartLoad();
        });
        break;
    case WEBKIT_LOAD_FINISHED: {
        // A failed load ends here too, after its failure was reported.
        bool report = !self->m_failedThisLoad && !self->m_suppressUntilNextStart && self->m_loading;
        self->m_loading = false;
        if (self->m_timeout)
            self->m_timeout->invalidate();
        self->m_timeout = nullptr;
        self->requestSnapshot();
        if (report) {
            self->deliver([weak] {
                if (auto view = lockView(weak))
                    view->didFinishLoad();
            });
        }
        break;
    }
    default:
        break;
    }
}

gboolean GtkWebView::loadFailed(WebKitWebView*, int, const char* uri, GError* error, gpointer data)
{
    auto* self = static_cast<GtkWebView*>(data);
    if (uri && self->isCommandURL(uri)) {
        // The top frame's command (see decide), not a failure: the page
        // stays as it was, and the load ends as finished.
        std::weak_ptr<View> weak = self->sharedView();
        self->deliver([weak, command = std::string(uri)] {
            if (auto view = lockView(weak))
                view->didReceiveCommand(command);
        });
        return TRUE;
    }
    if (self->m_suppressUntilNextStart)
        return TRUE;
    self->m_failedThisLoad = true;
    self->m_loading = false;
    if (self->m_timeout)
        self->m_timeout->invalidate();
    self->m_timeout = nullptr;
    self->requestSnapshot();
    URLError failure = WebKitErrorMapping::errorForLoadFailure(error, uri ? uri : "");
    std::weak_ptr<View> weak = self->sharedView();
    self->deliver([weak, failure] {
        if (auto view = lockView(weak))
            view->didFailLoad(failure);
    });
    // The page stays as it was: no engine error page.
    return TRUE;
}

void GtkWebView::startTimeout()
{
    if (m_timeout)
        m_timeout->invalidate();
    std::weak_ptr<View> weak = sharedView();
    m_timeout = RunLoop::main().performAfterDelay(m_timeoutInterval, [weak] {
        if (auto view = lockView(weak))
            view->timeoutFired();
    });
}

void GtkWebView::timeoutFired()
{
    m_timeout = nullptr;
    if (!m_loading)
        return;
    m_loading = false;
    m_suppressUntilNextStart = true;
    std::string url = currentURL();
    webkit_web_view_stop_loading(m_webView.get());
    auto protectedThis = protectedSelf();
    deliver([this, protectedThis, url] { didFailLoad(URLError { URLErrorTimedOut, "The load timed out", url }); });
}

// MARK: Showing the page

gboolean GtkWebView::tick(GtkWidget*, GdkFrameClock*, gpointer data)
{
    static_cast<GtkWebView*>(data)->followView();
    return G_SOURCE_CONTINUE;
}

void GtkWebView::followView()
{
    GtkWidget* widget = GTK_WIDGET(m_webView.get());
    Window* window = this->window();
    bool visible = window && window->isVisible();
    double opacity = 1;
    for (const View* view = this; visible && view; view = view->superview()) {
        if (view->isHidden())
            visible = false;
        opacity *= view->layer().presentation().opacity;
    }
    // A page faded out entirely takes no clicks.
    visible = visible && opacity > 0.01;
    Rect onScreen;
    if (window) {
        onScreen = convertRectToView(bounds(), nullptr);
        onScreen = onScreen.offsetBy(window->frame().minX(), window->frame().minY());
    }
    int width = std::max(1, static_cast<int>(std::lround(onScreen.width())));
    int height = std::max(1, static_cast<int>(std::lround(onScreen.height())));

    if (m_offscreenWindow.get()) {
        // Off screen only the size matters; the page is drawn from snapshots.
        if (width != m_lastWidth || height != m_lastHeight) {
            m_lastWidth = width;
            m_lastHeight = height;
            gtk_widget_set_size_request(widget, width, height);
            requestSnapshot();
        }
        return;
    }

    // On screen the page is a child of the screen widget, drawn in its
    // layer's place; only its area and whether it shows are ours to tell.
    auto* screen = GtkScreenWidget::fromWidget(m_screen.get());
    if (!screen)
        return;
    double scale = engine().scale ? engine().scale() : 1.0;
    GdkRectangle area { static_cast<int>(std::lround(onScreen.minX() * scale)),
        static_cast<int>(std::lround(onScreen.minY() * scale)), static_cast<int>(std::lround(onScreen.width() * scale)),
        static_cast<int>(std::lround(onScreen.height() * scale)) };
    screen->placeEmbeddedWidget(widget, area, visible);
}

void GtkWebView::requestSnapshot()
{
    if (m_snapshotPending) {
        m_snapshotAgain = true;
        return;
    }
    // A widget that has never been given a size has nothing to draw yet.
    if (!gtk_widget_get_mapped(GTK_WIDGET(m_webView.get())))
        return;
    m_snapshotPending = true;
    m_snapshotAgain = false;
    auto* weak = new WeakView(sharedView());
    webkit_web_view_get_snapshot(
        m_webView.get(), WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<WeakView> weak(static_cast<WeakView*>(data));
            GUniqueOutPtr<GError> error;
            auto texture
                = adoptGRef(webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), result, error.outPtr()));
            if (auto view = lockView(*weak))
                view->snapshotArrived(
                    texture ? G_OBJECT(texture.get()) : nullptr, error ? error->message : "no picture");
        },
        weak);
}

void GtkWebView::snapshotArrived(GObject* object, const std::string& failure)
{
    m_snapshotPending = false;
    if (!object) {
        if (++m_snapshotFailures <= kSnapshotRetries) {
            if (!m_snapshotRetryID) {
                m_snapshotRetryID = g_timeout_add(
                    kSnapshotRetryMilliseconds,
                    [](gpointer data) -> gboolean {
                        auto* self = static_cast<GtkWebView*>(data);
                        self->m_snapshotRetryID = 0;
                        self->requestSnapshot();
                        return G_SOURCE_REMOVE;
                    },
                    this);
            }
            return;
        }
        // Once a load: the page keeps the last picture it had.
        if (m_snapshotFailures == kSnapshotRetries + 1)
            Log::writef("Web view: no snapshot of the page: %s", failure.c_str());
    } else {
        m_snapshotFailures = 0;
        GdkTexture* texture = GDK_TEXTURE(object);
        int width = gdk_texture_get_width(texture);
        int height = gdk_texture_get_height(texture);
        auto owner = adoptGRef(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
        cairo_surface_t* surface = owner.get();
        cairo_surface_flush(surface);
        // The default download format is premultiplied BGRA, Cairo's ARGB32 here.
        gdk_texture_download(texture, cairo_image_surface_get_data(surface),
            static_cast<gsize>(cairo_image_surface_get_stride(surface)));
        cairo_surface_mark_dirty(surface);
        double scale = bounds().width() > 0 ? width / bounds().width() : 1.0;
        layer().setContents(Image::fromSurface(surface, scale));
    }
    if (m_snapshotAgain)
        requestSnapshot();
}
