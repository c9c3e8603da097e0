#include <pellar/pellar.h>

#include "ads/core/PellarAd.h"
#include "ads/core/PellarURLDownload.h"
#include "ads/core/PellarView.h"
#include "ads/flex/PellarFlexAd.h"
#include "embed/PellarBannerHost.h"
#include "embed/PellarEmbedding.h"
#include "platform/foundation/GRefPtr.h"
#include "platform/gtk/GtkHost.h"
#include "platform/gtk/GtkPointerInput.h"
#include "platform/ui/views/Application.h"

#include <memory>
#include <new>
#include <optional>
#include <string>

VANTREL_GREF_TRAITS(GDateTime, g_date_time_ref, g_date_time_unref);

namespace {

struct BannerState {
    GThread* thread { g_thread_self() };
    // Set once construction is over: a construct property left unset is not misuse.
    bool constructed { false };
    std::shared_ptr<PellarBannerHost> host;
    int refreshInterval { PellarBannerHost::kDefaultRefreshInterval };
    // What the getters hand out (transfer none).
    GdkRGBA backgroundColor {};
    GdkRGBA primaryTextColor {};
    GdkRGBA secondaryTextColor {};
    GRefPtr<GDateTime> dateOfBirth;
    // The toplevel's surface, watched for being minimised while mapped.
    GRefPtr<GdkSurface> surface;
    gulong surfaceStateHandler { 0 };
};

enum {
    PROP_0,
    PROP_PUBLISHER_ID,
    PROP_AD_SERVER_URL,
    PROP_MEDIA_HOST,
    PROP_KEYWORDS,
    PROP_SEARCH_STRING,
    PROP_TEST_MODE,
    PROP_REFRESH_INTERVAL,
    PROP_POSTAL_CODE,
    PROP_AREA_CODE,
    PROP_GENDER,
    PROP_DATE_OF_BIRTH,
    PROP_LOCATION_ALLOWED,
    PROP_BACKGROUND_COLOR,
    PROP_PRIMARY_TEXT_COLOR,
    PROP_SECONDARY_TEXT_COLOR,
    PROP_GRAY_SPINNER,
    N_PROPERTIES,
};

enum {
    SIGNAL_AD_RECEIVED,
    SIGNAL_AD_FAILED,
    SIGNAL_WILL_PRESENT_SCREEN,
    SIGNAL_DID_DISMISS_SCREEN,
    N_SIGNALS,
};

GParamSpec* properties[N_PROPERTIES];
guint signals[N_SIGNALS];

// The domain's code for a failure of the library.
PellarError errorCode(const Error& error)
{
    if (error.domain == PellarURLDownload::kErrorDomain) {
        if (error.code == PellarURLDownload::kConnectionError || error.code == PellarURLDownload::kTransportError)
            return PELLAR_ERROR_NETWORK;
        return PELLAR_ERROR_FAILED;
    }
    if (error.domain == PellarAd::kErrorDomain)
        return error.code == PellarAd::kNoAdError ? PELLAR_ERROR_NO_AD : PELLAR_ERROR_INVALID_ANSWER;
    if (error.domain == PellarFlexAd::kErrorDomain)
        return PELLAR_ERROR_INVALID_ANSWER;
    return PELLAR_ERROR_FAILED;
}

const char* defaultMessage(PellarError code)
{
    switch (code) {
    case PELLAR_ERROR_NETWORK:
        return "The ad service could not be reached";
    case PELLAR_ERROR_INVALID_ANSWER:
        return "The ad service's answer is not an ad";
    case PELLAR_ERROR_NO_AD:
        return "The ad service has no ad";
    case PELLAR_ERROR_FAILED:
        break;
    }
    return "No ad could be shown";
}

std::optional<std::string> optionalString(const char* text)
{
    return text ? std::optional<std::string>(text) : std::nullopt;
}

const char* stringOrNull(const std::optional<std::string>& text)
{
    return text ? text->c_str() : nullptr;
}

Color toColor(const GdkRGBA& rgba)
{
    return Color::rgba(rgba.red, rgba.green, rgba.blue, rgba.alpha);
}

} // namespace

/**
 * PellarBanner:
 *
 * An ad banner for a GTK window: 320 × 48 points of the ad service's text,
 * image or flexible ads, with their animations, taking pointer, touch,
 * scroll and key input.
 *
 * The banner asks for its first ad when it is first mapped and then
 * refreshes by itself (see [property@Pellar.Banner:refresh-interval]),
 * pausing while it is unmapped or its toplevel is hidden or minimised.
 * [signal@Pellar.Banner::ad-received] and [signal@Pellar.Banner::ad-failed]
 * tell how the first ad went.
 *
 * A click on an ad may open a screen: the browser, a canvas page, the
 * search screen, or an alert. It opens in a modal window over the banner's
 * toplevel, between [signal@Pellar.Banner::will-present-screen] and
 * [signal@Pellar.Banner::did-dismiss-screen]; closing that window is the
 * screen's own way out (Done, Cancel).
 *
 * Everything the application tells the ad library is a property: where ads
 * come from, targeting (keywords, search string, postal and area code,
 * gender, date of birth), whether the user's position may be sent, and the
 * text banners' colours and spinner.
 */
struct _PellarBanner {
    GtkWidget parent_instance;
    BannerState state;
};

G_DEFINE_FINAL_TYPE(PellarBanner, pellar_banner, GTK_TYPE_WIDGET)

#define PELLAR_BANNER_ON_ITS_THREAD(self) ((self)->state.thread == g_thread_self())

static PellarBannerHost::Settings& settingsOf(PellarBanner* self)
{
    return self->state.host->settings();
}

// Sets a string setting, notifying only on a real change.
static void setString(PellarBanner* self, std::optional<std::string>& setting, const char* value, int property)
{
    auto wanted = optionalString(value);
    if (setting == wanted)
        return;
    setting = std::move(wanted);
    g_object_notify_by_pspec(G_OBJECT(self), properties[property]);
}

static void setColor(
    PellarBanner* self, std::optional<Color>& setting, GdkRGBA& shown, const GdkRGBA* value, int property)
{
    std::optional<Color> wanted = value ? std::optional<Color>(toColor(*value)) : std::nullopt;
    if (setting == wanted)
        return;
    setting = wanted;
    if (value)
        shown = *value;
    g_object_notify_by_pspec(G_OBJECT(self), properties[property]);
}

static void setBoolean(PellarBanner* self, bool& setting, gboolean value, int property)
{
    if (setting == static_cast<bool>(value))
        return;
    setting = value;
    g_object_notify_by_pspec(G_OBJECT(self), properties[property]);
}

// MARK: Signals from the library

static void emitSimple(PellarBanner* self, guint signal)
{
    // A handler may drop the last reference.
    GRefPtr<PellarBanner> protect(self);
    g_signal_emit(self, signals[signal], 0);
}

static void emitAdFailed(PellarBanner* self, const Error& failure)
{
    GRefPtr<PellarBanner> protect(self);
    PellarError code = errorCode(failure);
    const char* message = failure.message.empty() ? defaultMessage(code) : failure.message.c_str();
    GError* error = g_error_new_literal(PELLAR_ERROR, code, message);
    g_signal_emit(self, signals[SIGNAL_AD_FAILED], 0, error);
    g_error_free(error);
}

// MARK: Showing

static void updateShowing(PellarBanner* self)
{
    auto& state = self->state;
    if (!state.host)
        return;
    bool showing = gtk_widget_get_mapped(GTK_WIDGET(self));
    if (showing && state.surface && GDK_IS_TOPLEVEL(state.surface.get()))
        showing = !(gdk_toplevel_get_state(GDK_TOPLEVEL(state.surface.get())) & GDK_TOPLEVEL_STATE_MINIMIZED);
    state.host->setShowing(showing);
}

static void watchSurface(PellarBanner* self, GdkSurface* surface)
{
    auto& state = self->state;
    if (state.surface.get() == surface)
        return;
    if (state.surfaceStateHandler)
        g_signal_handler_disconnect(state.surface.get(), state.surfaceStateHandler);
    state.surfaceStateHandler = 0;
    state.surface = GRefPtr<GdkSurface>(surface);
    if (surface)
        state.surfaceStateHandler = g_signal_connect_swapped(surface, "notify::state", G_CALLBACK(updateShowing), self);
}

// MARK: GtkWidget

static void pellar_banner_measure(
    GtkWidget*, GtkOrientation orientation, int, int* minimum, int* natural, int* minimumBaseline, int* naturalBaseline)
{
    // The banner's own size, in points.
    *minimum = *natural = orientation == GTK_ORIENTATION_HORIZONTAL ? 320 : 48;
    *minimumBaseline = *naturalBaseline = -1;
}

static void pellar_banner_size_allocate(GtkWidget* widget, int width, int height, int)
{
    if (auto& host = PELLAR_BANNER(widget)->state.host)
        host->allocate(width, height);
}

static void pellar_banner_snapshot(GtkWidget* widget, GtkSnapshot* snapshot)
{
    if (auto& host = PELLAR_BANNER(widget)->state.host) {
        host->snapshot(snapshot);
        Application::shared().screenWasDrawn();
    }
}

static void pellar_banner_map(GtkWidget* widget)
{
    GTK_WIDGET_CLASS(pellar_banner_parent_class)->map(widget);
    auto* self = PELLAR_BANNER(widget);
    auto& state = self->state;
    if (!state.host)
        return;
    GtkNative* native = gtk_widget_get_native(widget);
    watchSurface(self, native ? gtk_native_get_surface(native) : nullptr);
    // The first ad is asked for when the banner first shows.
    if (!state.host->hasRequested()) {
        if (state.host->settings().publisherId.empty())
            g_warning("A banner without a publisher id asks for no ad");
        else
            state.host->requestAd();
    }
    updateShowing(self);
}

static void pellar_banner_unmap(GtkWidget* widget)
{
    auto* self = PELLAR_BANNER(widget);
    watchSurface(self, nullptr);
    GTK_WIDGET_CLASS(pellar_banner_parent_class)->unmap(widget);
    updateShowing(self);
}

// MARK: GObject

static void pellar_banner_init(PellarBanner* self)
{
    new (&self->state) BannerState();
    GtkWidget* widget = GTK_WIDGET(self);
    PellarBannerHost::Events events;
    events.received = [self] { emitSimple(self, SIGNAL_AD_RECEIVED); };
    events.failed = [self](const Error& error) { emitAdFailed(self, error); };
    events.willPresentScreen = [self] { emitSimple(self, SIGNAL_WILL_PRESENT_SCREEN); };
    events.didDismissScreen = [self] { emitSimple(self, SIGNAL_DID_DISMISS_SCREEN); };
    self->state.host = std::make_shared<PellarBannerHost>(widget, std::move(events));

    gtk_widget_set_focusable(widget, TRUE);
    gtk_widget_set_overflow(widget, GTK_OVERFLOW_HIDDEN);
    gtk_accessible_update_property(
        GTK_ACCESSIBLE(widget), GTK_ACCESSIBLE_PROPERTY_LABEL, PellarView::kAccessibilityLabel, -1);
    GtkPointerInput::Handlers pointer;
    pointer.toPoints = [self](double x, double y) {
        auto& host = self->state.host;
        return host ? host->toScreen(x, y) : Point { x, y };
    };
    pointer.unitsPerPoint = [] { return 1.0; };
    pointer.willPress = [self] {
        if (self->state.host)
            self->state.host->willTouch();
        gtk_widget_grab_focus(GTK_WIDGET(self));
    };
    GtkPointerInput::attach(widget, widget, std::move(pointer));

    GtkEventController* keys = gtk_event_controller_key_new();
    g_signal_connect(keys, "key-pressed",
        G_CALLBACK(+[](GtkEventControllerKey*, guint keyval, guint, GdkModifierType state, gpointer) -> gboolean {
            auto key = GtkHost::keyFromEvent(keyval, state);
            return key && Application::shared().sendKey(*key);
        }),
        nullptr);
    gtk_widget_add_controller(widget, keys);
}

static void pellar_banner_constructed(GObject* object)
{
    G_OBJECT_CLASS(pellar_banner_parent_class)->constructed(object);
    PELLAR_BANNER(object)->state.constructed = true;
}

static void pellar_banner_dispose(GObject* object)
{
    auto* self = PELLAR_BANNER(object);
    auto& state = self->state;
    watchSurface(self, nullptr);
    // No more calls from the library; a screen this banner opened closes.
    if (state.host) {
        state.host->detach();
        state.host.reset();
    }
    G_OBJECT_CLASS(pellar_banner_parent_class)->dispose(object);
}

static void pellar_banner_finalize(GObject* object)
{
    PELLAR_BANNER(object)->state.~BannerState();
    G_OBJECT_CLASS(pellar_banner_parent_class)->finalize(object);
}

static void pellar_banner_get_property(GObject* object, guint id, GValue* value, GParamSpec* pspec)
{
    auto* self = PELLAR_BANNER(object);
    switch (id) {
    case PROP_PUBLISHER_ID:
        g_value_set_string(value, pellar_banner_get_publisher_id(self));
        break;
    case PROP_AD_SERVER_URL:
        g_value_set_string(value, pellar_banner_get_ad_server_url(self));
        break;
    case PROP_MEDIA_HOST:
        g_value_set_string(value, pellar_banner_get_media_host(self));
        break;
    case PROP_KEYWORDS:
        g_value_set_string(value, pellar_banner_get_keywords(self));
        break;
    case PROP_SEARCH_STRING:
        g_value_set_string(value, pellar_banner_get_search_string(self));
        break;
    case PROP_TEST_MODE:
        g_value_set_boolean(value, pellar_banner_get_test_mode(self));
        break;
    case PROP_REFRESH_INTERVAL:
        g_value_set_int(value, pellar_banner_get_refresh_interval(self));
        break;
    case PROP_POSTAL_CODE:
        g_value_set_string(value, pellar_banner_get_postal_code(self));
        break;
    case PROP_AREA_CODE:
        g_value_set_string(value, pellar_banner_get_area_code(self));
        break;
    case PROP_GENDER:
        g_value_set_string(value, pellar_banner_get_gender(self));
        break;
    case PROP_DATE_OF_BIRTH:
        g_value_set_boxed(value, pellar_banner_get_date_of_birth(self));
        break;
    case PROP_LOCATION_ALLOWED:
        g_value_set_boolean(value, pellar_banner_get_location_allowed(self));
        break;
    case PROP_BACKGROUND_COLOR:
        g_value_set_boxed(value, pellar_banner_get_background_color(self));
        break;
    case PROP_PRIMARY_TEXT_COLOR:
        g_value_set_boxed(value, pellar_banner_get_primary_text_color(self));
        break;
    case PROP_SECONDARY_TEXT_COLOR:
        g_value_set_boxed(value, pellar_banner_get_secondary_text_color(self));
        break;
    case PROP_GRAY_SPINNER:
        g_value_set_boolean(value, pellar_banner_get_gray_spinner(self));
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
    }
}

static void pellar_banner_set_property(GObject* object, guint id, const GValue* value, GParamSpec* pspec)
{
    auto* self = PELLAR_BANNER(object);
    switch (id) {
    case PROP_PUBLISHER_ID:
        // Bindings construct without it and set it later: only a value given is checked.
        if (!self->state.constructed && !g_value_get_string(value))
            break;
        pellar_banner_set_publisher_id(self, g_value_get_string(value));
        break;
    case PROP_AD_SERVER_URL:
        pellar_banner_set_ad_server_url(self, g_value_get_string(value));
        break;
    case PROP_MEDIA_HOST:
        pellar_banner_set_media_host(self, g_value_get_string(value));
        break;
    case PROP_KEYWORDS:
        pellar_banner_set_keywords(self, g_value_get_string(value));
        break;
    case PROP_SEARCH_STRING:
        pellar_banner_set_search_string(self, g_value_get_string(value));
        break;
    case PROP_TEST_MODE:
        pellar_banner_set_test_mode(self, g_value_get_boolean(value));
        break;
    case PROP_REFRESH_INTERVAL:
        pellar_banner_set_refresh_interval(self, g_value_get_int(value));
        break;
    case PROP_POSTAL_CODE:
        pellar_banner_set_postal_code(self, g_value_get_string(value));
        break;
    case PROP_AREA_CODE:
        pellar_banner_set_area_code(self, g_value_get_string(value));
        break;
    case PROP_GENDER:
        pellar_banner_set_gender(self, g_value_get_string(value));
        break;
    case PROP_DATE_OF_BIRTH:
        pellar_banner_set_date_of_birth(self, static_cast<GDateTime*>(g_value_get_boxed(value)));
        break;
    case PROP_LOCATION_ALLOWED:
        pellar_banner_set_location_allowed(self, g_value_get_boolean(value));
        break;
    case PROP_BACKGROUND_COLOR:
        pellar_banner_set_background_color(self, static_cast<const GdkRGBA*>(g_value_get_boxed(value)));
        break;
    case PROP_PRIMARY_TEXT_COLOR:
        pellar_banner_set_primary_text_color(self, static_cast<const GdkRGBA*>(g_value_get_boxed(value)));
        break;
    case PROP_SECONDARY_TEXT_COLOR:
        pellar_banner_set_secondary_text_color(self, static_cast<const GdkRGBA*>(g_value_get_boxed(value)));
        break;
    case PROP_GRAY_SPINNER:
        pellar_banner_set_gray_spinner(self, g_value_get_boolean(value));
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
    }
}

static void pellar_banner_class_init(PellarBannerClass* bannerClass)
{
    auto* objectClass = G_OBJECT_CLASS(bannerClass);
    objectClass->constructed = pellar_banner_constructed;
    objectClass->dispose = pellar_banner_dispose;
    objectClass->finalize = pellar_banner_finalize;
    objectClass->get_property = pellar_banner_get_property;
    objectClass->set_property = pellar_banner_set_property;

    auto* widgetClass = GTK_WIDGET_CLASS(bannerClass);
    widgetClass->measure = pellar_banner_measure;
    widgetClass->size_allocate = pellar_banner_size_allocate;
    widgetClass->snapshot = pellar_banner_snapshot;
    widgetClass->map = pellar_banner_map;
    widgetClass->unmap = pellar_banner_unmap;
    gtk_widget_class_set_css_name(widgetClass, "pellar-banner");
    gtk_widget_class_set_accessible_role(widgetClass, GTK_ACCESSIBLE_ROLE_IMG);

    constexpr auto flags
        = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_EXPLICIT_NOTIFY | G_PARAM_STATIC_STRINGS);

    /**
     * PellarBanner:publisher-id:
     *
     * The publisher id the ad service knows the application by; sent with
     * every ad request. It must not be empty.
     */
    properties[PROP_PUBLISHER_ID] = g_param_spec_string(
        "publisher-id", nullptr, nullptr, nullptr, static_cast<GParamFlags>(flags | G_PARAM_CONSTRUCT));

    /**
     * PellarBanner:ad-server-url:
     *
     * The ad service's full request URL (scheme, host, port and path), or
     * %NULL for the process's (`PELLAR_AD_SERVER`, else the built-in one).
     */
    properties[PROP_AD_SERVER_URL] = g_param_spec_string("ad-server-url", nullptr, nullptr, nullptr, flags);

    /**
     * PellarBanner:media-host:
     *
     * The base URL pictures and icons come from, or %NULL for the process's
     * (`PELLAR_MEDIA_HOST`). It is shared by the process: the banner that
     * asks for an ad last sets it for all.
     */
    properties[PROP_MEDIA_HOST] = g_param_spec_string("media-host", nullptr, nullptr, nullptr, flags);

    /**
     * PellarBanner:keywords:
     *
     * Words describing the application's content, sent with each ad request.
     */
    properties[PROP_KEYWORDS] = g_param_spec_string("keywords", nullptr, nullptr, nullptr, flags);

    /**
     * PellarBanner:search-string:
     *
     * What the user searched for, sent with each ad request.
     */
    properties[PROP_SEARCH_STRING] = g_param_spec_string("search-string", nullptr, nullptr, nullptr, flags);

    /**
     * PellarBanner:test-mode:
     *
     * Whether the ad service should answer with test ads, which are not counted.
     */
    properties[PROP_TEST_MODE] = g_param_spec_boolean("test-mode", nullptr, nullptr, FALSE, flags);

    /**
     * PellarBanner:refresh-interval:
     *
     * Seconds between two ads while the banner shows: -1 (the default) for
     * the library's own interval, 0 for no refresh. Time during which the
     * banner is unmapped or its toplevel is hidden or minimised does not
     * count. The library's minimum interval applies to shorter ones.
     */
    properties[PROP_REFRESH_INTERVAL] = g_param_spec_int("refresh-interval", nullptr, nullptr, -1, G_MAXINT, -1, flags);

    /**
     * PellarBanner:postal-code:
     *
     * The user's postal code, sent with each ad request when set.
     */
    properties[PROP_POSTAL_CODE] = g_param_spec_string("postal-code", nullptr, nullptr, nullptr, flags);

    /**
     * PellarBanner:area-code:
     *
     * The user's telephone area code, sent with each ad request when set.
     */
    properties[PROP_AREA_CODE] = g_param_spec_string("area-code", nullptr, nullptr, nullptr, flags);

    /**
     * PellarBanner:gender:
     *
     * The user's gender ("m" or "f"), sent with each ad request when set.
     */
    properties[PROP_GENDER] = g_param_spec_string("gender", nullptr, nullptr, nullptr, flags);

    /**
     * PellarBanner:date-of-birth:
     *
     * The user's date of birth, sent with each ad request when set.
     */
    properties[PROP_DATE_OF_BIRTH] = g_param_spec_boxed("date-of-birth", nullptr, nullptr, G_TYPE_DATE_TIME, flags);

    /**
     * PellarBanner:location-allowed:
     *
     * Whether the user agreed that their position goes with the ad
     * requests. Off by default: no position leaves the process.
     */
    properties[PROP_LOCATION_ALLOWED] = g_param_spec_boolean("location-allowed", nullptr, nullptr, FALSE, flags);

    /**
     * PellarBanner:background-color:
     *
     * The text banners' background, or %NULL for the library's.
     */
    properties[PROP_BACKGROUND_COLOR] = g_param_spec_boxed("background-color", nullptr, nullptr, GDK_TYPE_RGBA, flags);

    /**
     * PellarBanner:primary-text-color:
     *
     * The text banners' main text colour, or %NULL for the library's.
     */
    properties[PROP_PRIMARY_TEXT_COLOR]
        = g_param_spec_boxed("primary-text-color", nullptr, nullptr, GDK_TYPE_RGBA, flags);

    /**
     * PellarBanner:secondary-text-color:
     *
     * The text banners' secondary text colour, or %NULL for the library's.
     */
    properties[PROP_SECONDARY_TEXT_COLOR]
        = g_param_spec_boxed("secondary-text-color", nullptr, nullptr, GDK_TYPE_RGBA, flags);

    /**
     * PellarBanner:gray-spinner:
     *
     * Whether the activity indicator shown while a click is processed is
     * grey (for light backgrounds) rather than white.
     */
    properties[PROP_GRAY_SPINNER] = g_param_spec_boolean("gray-spinner", nullptr, nullptr, FALSE, flags);

    g_object_class_install_properties(objectClass, N_PROPERTIES, properties);

    /**
     * PellarBanner::ad-received:
     * @self: the banner
     *
     * The banner's first ad has arrived and is about to show.
     */
    signals[SIGNAL_AD_RECEIVED] = g_signal_new(
        "ad-received", G_TYPE_FROM_CLASS(bannerClass), G_SIGNAL_RUN_LAST, 0, nullptr, nullptr, nullptr, G_TYPE_NONE, 0);

    /**
     * PellarBanner::ad-failed:
     * @self: the banner
     * @error: why, in the [error@Pellar.Error] domain
     *
     * The banner's first ad could not be had. Refreshes that fail are not
     * told: the ad on show stays.
     */
    signals[SIGNAL_AD_FAILED] = g_signal_new("ad-failed", G_TYPE_FROM_CLASS(bannerClass), G_SIGNAL_RUN_LAST, 0, nullptr,
        nullptr, nullptr, G_TYPE_NONE, 1, G_TYPE_ERROR);

    /**
     * PellarBanner::will-present-screen:
     * @self: the banner
     *
     * A click on the ad is about to open a screen (a browser, a canvas, the
     * search screen) in a modal window over the banner's toplevel.
     */
    signals[SIGNAL_WILL_PRESENT_SCREEN] = g_signal_new("will-present-screen", G_TYPE_FROM_CLASS(bannerClass),
        G_SIGNAL_RUN_LAST, 0, nullptr, nullptr, nullptr, G_TYPE_NONE, 0);

    /**
     * PellarBanner::did-dismiss-screen:
     * @self: the banner
     *
     * The screen a click opened is going away; the banner's toplevel takes
     * input again.
     */
    signals[SIGNAL_DID_DISMISS_SCREEN] = g_signal_new("did-dismiss-screen", G_TYPE_FROM_CLASS(bannerClass),
        G_SIGNAL_RUN_LAST, 0, nullptr, nullptr, nullptr, G_TYPE_NONE, 0);
}

// MARK: Public functions

/**
 * pellar_banner_new:
 * @publisher_id: the publisher id the ad service knows the application by
 *
 * Creates a banner. It asks for its first ad when it is first mapped.
 *
 * Returns: (transfer floating): a new banner, or %NULL when @publisher_id is
 *   %NULL or empty
 */
GtkWidget* pellar_banner_new(const char* publisher_id)
{
    g_return_val_if_fail(publisher_id && *publisher_id, nullptr);
    return GTK_WIDGET(g_object_new(PELLAR_TYPE_BANNER, "publisher-id", publisher_id, nullptr));
}

/**
 * pellar_banner_request_ad:
 * @self: a realized banner
 *
 * Asks for a fresh ad now. The library declines when the last came less
 * than its minimum refresh interval ago.
 */
void pellar_banner_request_ad(PellarBanner* self)
{
    g_return_if_fail(PELLAR_IS_BANNER(self));
    g_return_if_fail(PELLAR_BANNER_ON_ITS_THREAD(self));
    g_return_if_fail(gtk_widget_get_realized(GTK_WIDGET(self)));
    g_return_if_fail(self->state.host && !settingsOf(self).publisherId.empty());
    self->state.host->requestAd();
}

/**
 * pellar_banner_get_publisher_id:
 * @self: a banner
 *
 * Returns: (transfer none) (nullable): the publisher id
 */
const char* pellar_banner_get_publisher_id(PellarBanner* self)
{
    g_return_val_if_fail(PELLAR_IS_BANNER(self), nullptr);
    if (!self->state.host || settingsOf(self).publisherId.empty())
        return nullptr;
    return settingsOf(self).publisherId.c_str();
}

/**
 * pellar_banner_set_publisher_id:
 * @self: a banner
 * @publisher_id: the publisher id; not %NULL or empty
 */
void pellar_banner_set_publisher_id(PellarBanner* self, const char* publisher_id)
{
    g_return_if_fail(PELLAR_IS_BANNER(self));
    g_return_if_fail(PELLAR_BANNER_ON_ITS_THREAD(self));
    g_return_if_fail(publisher_id && *publisher_id);
    if (!self->state.host || settingsOf(self).publisherId == publisher_id)
        return;
    settingsOf(self).publisherId = publisher_id;
    g_object_notify_by_pspec(G_OBJECT(self), properties[PROP_PUBLISHER_ID]);
}

// The getters and setters below share one shape.
#define PELLAR_STRING_PROPERTY(name, field, property)                                                                  \
    const char* pellar_banner_get_##name(PellarBanner* self)                                                           \
    {                                                                                                                  \
        g_return_val_if_fail(PELLAR_IS_BANNER(self), nullptr);                                                         \
        return self->state.host ? stringOrNull(settingsOf(self).field) : nullptr;                                      \
    }                                                                                                                  \
    void pellar_banner_set_##name(PellarBanner* self, const char* value)                                               \
    {                                                                                                                  \
        g_return_if_fail(PELLAR_IS_BANNER(self));                                                                      \
        g_return_if_fail(PELLAR_BANNER_ON_ITS_THREAD(self));                                                           \
        if (self->state.host)                                                                                          \
            setString(self, settingsOf(self).field, value, property);                                                  \
    }

/**
 * pellar_banner_get_ad_server_url:
 * @self: a banner
 *
 * Returns: (transfer none) (nullable): the ad service's request URL, or %NULL for the process's
 */
/**
 * pellar_banner_set_ad_server_url:
 * @self: a banner
 * @url: (nullable): the ad service's full request URL, or %NULL for the process's
 */
PELLAR_STRING_PROPERTY(ad_server_url, adServerURL, PROP_AD_SERVER_URL)

/**
 * pellar_banner_get_media_host:
 * @self: a banner
 *
 * Returns: (transfer none) (nullable): the media host's base URL, or %NULL for the process's
 */
/**
 * pellar_banner_set_media_host:
 * @self: a banner
 * @url: (nullable): the base URL of pictures and icons, or %NULL for the process's
 */
PELLAR_STRING_PROPERTY(media_host, mediaHost, PROP_MEDIA_HOST)

/**
 * pellar_banner_get_keywords:
 * @self: a banner
 *
 * Returns: (transfer none) (nullable): the keywords sent with each request
 */
/**
 * pellar_banner_set_keywords:
 * @self: a banner
 * @keywords: (nullable): sent with each ad request
 */
PELLAR_STRING_PROPERTY(keywords, keywords, PROP_KEYWORDS)

/**
 * pellar_banner_get_search_string:
 * @self: a banner
 *
 * Returns: (transfer none) (nullable): the search string sent with each request
 */
/**
 * pellar_banner_set_search_string:
 * @self: a banner
 * @search_string: (nullable): sent with each ad request
 */
PELLAR_STRING_PROPERTY(search_string, searchString, PROP_SEARCH_STRING)

/**
 * pellar_banner_get_postal_code:
 * @self: a banner
 *
 * Returns: (transfer none) (nullable): the postal code sent with each request
 */
/**
 * pellar_banner_set_postal_code:
 * @self: a banner
 * @postal_code: (nullable): sent with each ad request
 */
PELLAR_STRING_PROPERTY(postal_code, postalCode, PROP_POSTAL_CODE)

/**
 * pellar_banner_get_area_code:
 * @self: a banner
 *
 * Returns: (transfer none) (nullable): the area code sent with each request
 */
/**
 * pellar_banner_set_area_code:
 * @self: a banner
 * @area_code: (nullable): sent with each ad request
 */
PELLAR_STRING_PROPERTY(area_code, areaCode, PROP_AREA_CODE)

/**
 * pellar_banner_get_gender:
 * @self: a banner
 *
 * Returns: (transfer none) (nullable): the gender sent with each request
 */
/**
 * pellar_banner_set_gender:
 * @self: a banner
 * @gender: (nullable): sent with each ad request
 */
PELLAR_STRING_PROPERTY(gender, gender, PROP_GENDER)

/**
 * pellar_banner_get_test_mode:
 * @self: a banner
 *
 * Returns: whether test ads are asked for
 */
gboolean pellar_banner_get_test_mode(PellarBanner* self)
{
    g_return_val_if_fail(PELLAR_IS_BANNER(self), FALSE);
    return self->state.host && settingsOf(self).testMode;
}

/**
 * pellar_banner_set_test_mode:
 * @self: a banner
 * @test_mode: whether to ask for test ads
 */
void pellar_banner_set_test_mode(PellarBanner* self, gboolean test_mode)
{
    g_return_if_fail(PELLAR_IS_BANNER(self));
    g_return_if_fail(PELLAR_BANNER_ON_ITS_THREAD(self));
    if (self->state.host)
        setBoolean(self, settingsOf(self).testMode, test_mode, PROP_TEST_MODE);
}

/**
 * pellar_banner_get_refresh_interval:
 * @self: a banner
 *
 * Returns: seconds between ads; -1 for the library's interval, 0 for none
 */
int pellar_banner_get_refresh_interval(PellarBanner* self)
{
    g_return_val_if_fail(PELLAR_IS_BANNER(self), PellarBannerHost::kDefaultRefreshInterval);
    return self->state.refreshInterval;
}

/**
 * pellar_banner_set_refresh_interval:
 * @self: a banner
 * @seconds: seconds between ads while the banner shows; -1 for the library's
 *   interval, 0 for no refresh
 */
void pellar_banner_set_refresh_interval(PellarBanner* self, int seconds)
{
    g_return_if_fail(PELLAR_IS_BANNER(self));
    g_return_if_fail(PELLAR_BANNER_ON_ITS_THREAD(self));
    g_return_if_fail(seconds >= -1);
    if (self->state.refreshInterval == seconds)
        return;
    self->state.refreshInterval = seconds;
    if (self->state.host)
        self->state.host->setRefreshInterval(seconds);
    g_object_notify_by_pspec(G_OBJECT(self), properties[PROP_REFRESH_INTERVAL]);
}

/**
 * pellar_banner_get_date_of_birth:
 * @self: a banner
 *
 * Returns: (transfer none) (nullable): the date of birth sent with each request
 */
GDateTime* pellar_banner_get_date_of_birth(PellarBanner* self)
{
    g_return_val_if_fail(PELLAR_IS_BANNER(self), nullptr);
    return self->state.dateOfBirth.get();
}

/**
 * pellar_banner_set_date_of_birth:
 * @self: a banner
 * @date_of_birth: (nullable): sent with each ad request
 */
void pellar_banner_set_date_of_birth(PellarBanner* self, GDateTime* date_of_birth)
{
    g_return_if_fail(PELLAR_IS_BANNER(self));
    g_return_if_fail(PELLAR_BANNER_ON_ITS_THREAD(self));
    auto& state = self->state;
    GDateTime* current = state.dateOfBirth.get();
    if (current == date_of_birth || (current && date_of_birth && g_date_time_equal(current, date_of_birth)))
        return;
    state.dateOfBirth = GRefPtr<GDateTime>(date_of_birth);
    if (state.host) {
        settingsOf(self).dateOfBirth = date_of_birth
            ? std::optional<Date>(Date(static_cast<double>(g_date_time_to_unix(date_of_birth))))
            : std::nullopt;
    }
    g_object_notify_by_pspec(G_OBJECT(self), properties[PROP_DATE_OF_BIRTH]);
}

/**
 * pellar_banner_get_location_allowed:
 * @self: a banner
 *
 * Returns: whether the user's position may go with the ad requests
 */
gboolean pellar_banner_get_location_allowed(PellarBanner* self)
{
    g_return_val_if_fail(PELLAR_IS_BANNER(self), FALSE);
    return self->state.host && settingsOf(self).locationAllowed;
}

/**
 * pellar_banner_set_location_allowed:
 * @self: a banner
 * @allowed: whether the user agreed that their position goes with the ad requests
 */
void pellar_banner_set_location_allowed(PellarBanner* self, gboolean allowed)
{
    g_return_if_fail(PELLAR_IS_BANNER(self));
    g_return_if_fail(PELLAR_BANNER_ON_ITS_THREAD(self));
    if (self->state.host)
        setBoolean(self, settingsOf(self).locationAllowed, allowed, PROP_LOCATION_ALLOWED);
}

// The colours share one shape too.
#define PELLAR_COLOR_PROPERTY(name, field, property)                                                                   \
    const GdkRGBA* pellar_banner_get_##name(PellarBanner* self)                                                        \
    {                                                                                                                  \
        g_return_val_if_fail(PELLAR_IS_BANNER(self), nullptr);                                                         \
        return self->state.host && settingsOf(self).field ? &self->state.field : nullptr;                              \
    }                                                                                                                  \
    void pellar_banner_set_##name(PellarBanner* self, const GdkRGBA* color)                                            \
    {                                                                                                                  \
        g_return_if_fail(PELLAR_IS_BANNER(self));                                                                      \
        g_return_if_fail(PELLAR_BANNER_ON_ITS_THREAD(self));                                                           \
        if (self->state.host)                                                                                          \
            setColor(self, settingsOf(self).field, self->state.field, color, property);                                \
    }

/**
 * pellar_banner_get_background_color:
 * @self: a banner
 *
 * Returns: (transfer none) (nullable): the text banners' background, or %NULL for the library's
 */
/**
 * pellar_banner_set_background_color:
 * @self: a banner
 * @color: (nullable): the text banners' background, or %NULL for the library's
 */
PELLAR_COLOR_PROPERTY(background_color, backgroundColor, PROP_BACKGROUND_COLOR)

/**
 * pellar_banner_get_primary_text_color:
 * @self: a banner
 *
 * Returns: (transfer none) (nullable): the main text colour, or %NULL for the library's
 */
/**
 * pellar_banner_set_primary_text_color:
 * @self: a banner
 * @color: (nullable): the main text colour, or %NULL for the library's
 */
PELLAR_COLOR_PROPERTY(primary_text_color, primaryTextColor, PROP_PRIMARY_TEXT_COLOR)

/**
 * pellar_banner_get_secondary_text_color:
 * @self: a banner
 *
 * Returns: (transfer none) (nullable): the secondary text colour, or %NULL for the library's
 */
/**
 * pellar_banner_set_secondary_text_color:
 * @self: a banner
 * @color: (nullable): the secondary text colour, or %NULL for the library's
 */
PELLAR_COLOR_PROPERTY(secondary_text_color, secondaryTextColor, PROP_SECONDARY_TEXT_COLOR)

/**
 * pellar_banner_get_gray_spinner:
 * @self: a banner
 *
 * Returns: whether the click's activity indicator is grey
 */
gboolean pellar_banner_get_gray_spinner(PellarBanner* self)
{
    g_return_val_if_fail(PELLAR_IS_BANNER(self), FALSE);
    return self->state.host && settingsOf(self).graySpinner;
}

/**
 * pellar_banner_set_gray_spinner:
 * @self: a banner
 * @gray_spinner: whether the click's activity indicator is grey rather than white
 */
void pellar_banner_set_gray_spinner(PellarBanner* self, gboolean gray_spinner)
{
    g_return_if_fail(PELLAR_IS_BANNER(self));
    g_return_if_fail(PELLAR_BANNER_ON_ITS_THREAD(self));
    if (self->state.host)
        setBoolean(self, settingsOf(self).graySpinner, gray_spinner, PROP_GRAY_SPINNER);
}
