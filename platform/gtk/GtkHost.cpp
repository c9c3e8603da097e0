#include "platform/gtk/GtkHost.h"

#include "platform/foundation/GUniquePtr.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/gtk/GtkMonitorIdentity.h"
#include "platform/gtk/GtkPointerInput.h"
#include "platform/gtk/GtkTextInput.h"
#include "platform/gtk/GtkWindowManager.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/layers/AnimationEngine.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Screen.h"

#ifdef VANTREL_HAVE_WEBKIT
#include "platform/gtk/GtkWebView.h"
#endif

#include <algorithm>
#include <cmath>

namespace {

// Room for a title bar and a panel the work area may not account for.
constexpr int kDecorationAllowance = 48;
constexpr double kSmallestScale = 0.25;

} // namespace

GtkHost::GtkHost(Options options)
    : m_options(std::move(options))
    , m_scale(m_options.scale && *m_options.scale > 0 ? *m_options.scale : 1.0)
{
}

GtkHost::~GtkHost()
{
    m_textInput.reset();
    Application::shared().setDisplayChangedHook(nullptr);
    Application::shared().setFullScreenHook(nullptr);
    Application::shared().setIdleTimerHook(nullptr);
    Application::shared().setPointerHiddenHook(nullptr);
    Application::shared().setMoveToNextMonitorHook(nullptr);
    AnimationEngine::shared().setFrameInterval(AnimationEngine::kFrameInterval);
    if (m_settingsHandler)
        g_signal_handler_disconnect(gtk_settings_get_default(), m_settingsHandler);
    if (m_inhibitCookie && m_application)
        gtk_application_uninhibit(m_application.get(), m_inhibitCookie);
    if (m_window && !m_closed)
        gtk_window_destroy(GTK_WINDOW(m_window));
}

bool GtkHost::initialize()
{
    return gtk_init_check();
}

GdkMonitor* GtkHost::findMonitor(const std::string& name)
{
    GListModel* monitors = gdk_display_get_monitors(gdk_display_get_default());
    guint count = g_list_model_get_n_items(monitors);
    bool numeric = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
    for (guint i = 0; i < count; ++i) {
        auto* monitor = GDK_MONITOR(g_list_model_get_item(monitors, i));
        // The list keeps the monitor alive; the item's own reference is not needed.
        g_object_unref(monitor);
        const char* connector = gdk_monitor_get_connector(monitor);
        if (numeric ? name.size() < 4 && std::stoul(name) == i : (connector && name == connector))
            return monitor;
    }
    return nullptr;
}

double GtkHost::fittingScale(double wanted, int availableWidth, int availableHeight)
{
    if (availableWidth <= 0 || availableHeight <= 0)
        return wanted;
    double fits = std::min(availableWidth / Screen::kDefaultSize.width, availableHeight / Screen::kDefaultSize.height);
    if (fits >= wanted)
        return wanted;
    // Quarter steps keep points on whole pixels as often as possible.
    return std::max(kSmallestScale, std::floor(fits * 4) / 4);
}

double GtkHost::renderScale() const
{
    int factor = m_screen ? gtk_widget_get_scale_factor(m_screen->widget()) : 1;
    return m_scale * std::max(1, factor);
}

Point GtkHost::toPoints(double x, double y) const
{
    return { x / m_scale, y / m_scale };
}

void GtkHost::snapshotScreen(GtkSnapshot* snapshot)
{
    double scale = renderScale();
    Screen::mainScreen().setScale(scale);
    ++m_drawCount;
    m_screen->renderer().snapshotScreen(snapshot, m_scale, scale);
}

void GtkHost::areaResized(int width, int height)
{
    // A new size may be a new monitor or mode: marks are kept per monitor.
    updateMonitorIdentity();
    // The screen is the window's content in points; views follow it by their masks.
    Screen::mainScreen().setSize({ width / m_scale, height / m_scale });
    Application::shared().setNeedsDisplay();
}

GtkHost::StartResult GtkHost::start()
{
    if (!m_options.applicationId.empty()) {
        auto flags = m_options.nonUnique ? G_APPLICATION_NON_UNIQUE : static_cast<GApplicationFlags>(0);
        m_application = adoptGRef(gtk_application_new(m_options.applicationId.c_str(), flags));
        GError* error = nullptr;
        if (!g_application_register(G_APPLICATION(m_application.get()), nullptr, &error)) {
            // Without a session bus the program still runs, as a lone instance.
            Log::writef("Running without single-instance support: %s", error ? error->message : "unknown error");
            g_clear_error(&error);
        } else if (g_application_get_is_remote(G_APPLICATION(m_application.get()))) {
            // The running instance takes this start's options, then comes to the front.
            std::vector<const char*> words;
            for (auto& argument : m_options.handOverArguments)
                words.push_back(argument.c_str());
            words.push_back(nullptr);
            g_action_group_activate_action(
                G_ACTION_GROUP(m_application.get()), kHandOverAction, g_variant_new_strv(words.data(), -1));
            g_application_activate(G_APPLICATION(m_application.get()));
            if (GDBusConnection* bus = g_application_get_dbus_connection(G_APPLICATION(m_application.get())))
                g_dbus_connection_flush_sync(bus, nullptr, nullptr);
            return StartResult::HandedOver;
        }
        auto handOver = adoptGRef(g_simple_action_new(kHandOverAction, G_VARIANT_TYPE_STRING_ARRAY));
        g_signal_connect(handOver.get(), "activate",
            G_CALLBACK(+[](GSimpleAction*, GVariant* parameter, gpointer data) {
                auto* host = static_cast<GtkHost*>(data);
                std::vector<std::string> arguments;
                GUniquePtr<char*> words(g_variant_dup_strv(parameter, nullptr));
                for (char** word = words.get(); word && *word; ++word)
                    arguments.emplace_back(*word);
                if (host->m_handOverHandler && !host->m_closed)
                    host->m_handOverHandler(arguments);
            }),
            this);
        g_action_map_add_action(G_ACTION_MAP(m_application.get()), G_ACTION(handOver.get()));
        g_signal_connect(m_application.get(), "activate", G_CALLBACK(+[](GApplication*, gpointer data) {
            auto* host = static_cast<GtkHost*>(data);
            if (host->m_window && !host->m_closed)
                gtk_window_present(GTK_WINDOW(host->m_window));
        }),
            this);
    }

    if (m_options.monitor) {
        m_monitor = findMonitor(*m_options.monitor);
        if (!m_monitor)
            return StartResult::NoSuchMonitor;
    } else {
        GListModel* monitors = gdk_display_get_monitors(gdk_display_get_default());
        if (g_list_model_get_n_items(monitors) > 0) {
            m_monitor = GDK_MONITOR(g_list_model_get_item(monitors, 0));
            g_object_unref(m_monitor);
        }
    }
    if (m_monitor && !m_options.fullScreen) {
        GdkRectangle area = GtkWindowManager::workArea(m_monitor);
        m_scale = fittingScale(m_scale, area.width, area.height - kDecorationAllowance);
    }

    m_window = m_application ? gtk_application_window_new(m_application.get()) : gtk_window_new();
    gtk_window_set_title(GTK_WINDOW(m_window), "Vantrel");
    gtk_window_set_icon_name(
        GTK_WINDOW(m_window), m_options.applicationId.empty() ? "vantrel" : m_options.applicationId.c_str());
    m_screen = std::make_unique<GtkScreenWidget>();
    // The device's screen is the smallest the layout is made for.
    int width = static_cast<int>(Screen::kDefaultSize.width * m_scale + 0.5);
    int height = static_cast<int>(Screen::kDefaultSize.height * m_scale + 0.5);
    m_screen->setNaturalSize(width, height);
    m_screen->setDrawHandler([this](GtkSnapshot* snapshot) { snapshotScreen(snapshot); });
    m_screen->setResizeHandler([this](int width, int height) { areaResized(width, height); });
    m_screen->setHitTest([this](double x, double y) { return Application::shared().hitTest(toPoints(x, y)); });
    gtk_window_set_child(GTK_WINDOW(m_window), m_screen->widget());
#ifdef VANTREL_HAVE_WEBKIT
    GtkWebView::registerScreen(*m_screen, [this] { return m_scale; });
#endif
    GtkPointerInput::Handlers pointer;
    pointer.toPoints = [this](double x, double y) { return toPoints(x, y); };
    pointer.unitsPerPoint = [this] { return m_scale; };
    pointer.willPress = [this] { m_screen->takeFocus(); };
    pointer.pressed = [this](double x, double y) { pointerPressed(x, y); };
    pointer.moved = [this](double x, double y) { pointerMoved(x, y); };
    pointer.released = [this](double x, double y) { pointerReleased(x, y); };
    pointer.cancelled = [this] { pointerCancelled(); };
    GtkPointerInput::attach(m_screen->inputWidget(), m_screen->widget(), std::move(pointer));

    GtkEventController* keys = gtk_event_controller_key_new();
    m_textInput = std::make_unique<GtkTextInput>(m_screen->widget());
    g_signal_connect(keys, "key-pressed",
        G_CALLBACK(+[](GtkEventControllerKey* controller, guint keyval, guint, GdkModifierType state,
                        gpointer data) -> gboolean {
            auto* host = static_cast<GtkHost*>(data);
            if (host->m_textInput && host->m_textInput->filterKeyPress(controller, keyval, state))
                return TRUE;
            return host->keyPressed(keyval, state);
        }),
        this);
    g_signal_connect(keys, "key-released",
        G_CALLBACK(+[](GtkEventControllerKey* controller, guint, guint, GdkModifierType, gpointer data) {
            if (auto* host = static_cast<GtkHost*>(data); host->m_textInput)
                host->m_textInput->filterKeyRelease(controller);
        }),
        this);
    gtk_widget_add_controller(m_window, keys);
    // A page with the keyboard keeps every key but Escape and Ctrl+Q: those
    // close its screen and quit, wherever the focus is.
    GtkEventController* pageKeys = gtk_event_controller_key_new();
    gtk_event_controller_set_propagation_phase(pageKeys, GTK_PHASE_CAPTURE);
    g_signal_connect(pageKeys, "key-pressed",
        G_CALLBACK(+[](GtkEventControllerKey*, guint keyval, guint, GdkModifierType state, gpointer data) -> gboolean {
            auto* host = static_cast<GtkHost*>(data);
            if (!host->pageHasFocus())
                return FALSE;
            bool quit = (state & GDK_CONTROL_MASK) && (keyval == GDK_KEY_q || keyval == GDK_KEY_Q);
            if (keyval != GDK_KEY_Escape && !quit)
                return FALSE;
            host->m_screen->takeFocus();
            return host->keyPressed(keyval, state);
        }),
        this);
    gtk_widget_add_controller(m_window, pageKeys);

    g_signal_connect(m_window, "close-request", G_CALLBACK(+[](GtkWindow*, gpointer data) -> gboolean {
        auto* host = static_cast<GtkHost*>(data);
        host->m_closed = true;
        host->updateIdleInhibition();
        RunLoop::main().quit();
        return FALSE;
    }),
        this);
    g_signal_connect(m_window, "notify::fullscreened", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer data) {
        auto* host = static_cast<GtkHost*>(data);
        bool fullScreen = gtk_window_is_fullscreen(GTK_WINDOW(host->m_window));
        if (fullScreen && host->m_returnToWindowOnMonitor) {
            // Only passing through full screen to change monitors.
            host->m_returnToWindowOnMonitor = false;
            gtk_window_unfullscreen(GTK_WINDOW(host->m_window));
            return;
        }
        Application::shared().fullScreenDidChange(fullScreen);
    }),
        this);
    // A hidden or minimised window does not keep the desktop awake.
    auto visibilityChanged
        = G_CALLBACK(+[](GtkWidget*, gpointer data) { static_cast<GtkHost*>(data)->updateIdleInhibition(); });
    g_signal_connect_after(m_window, "map", visibilityChanged, this);
    g_signal_connect_after(m_window, "unmap", visibilityChanged, this);
    g_signal_connect_after(m_window, "realize", G_CALLBACK(+[](GtkWidget* window, gpointer data) {
        g_signal_connect(gtk_native_get_surface(GTK_NATIVE(window)), "notify::state",
            G_CALLBACK(
                +[](GObject*, GParamSpec*, gpointer data) { static_cast<GtkHost*>(data)->updateIdleInhibition(); }),
            data);
    }),
        this);

    // A change anywhere on screen asks GTK for one frame; nothing else does.
    Application::shared().setDisplayChangedHook([this] {
        if (m_screen && !m_closed)
            gtk_widget_queue_draw(m_screen->widget());
    });
    Application::shared().setFullScreenHook([this](bool fullScreen) { setFullScreen(fullScreen); });
    Application::shared().setIdleTimerHook([this](bool) { updateIdleInhibition(); });
    Application::shared().setPointerHiddenHook([this](bool hidden) {
        if (m_screen && !m_closed)
            gtk_widget_set_cursor_from_name(m_screen->widget(), hidden ? "none" : nullptr);
    });
    Application::shared().setMoveToNextMonitorHook([this] { return moveToNextMonitor(); });
    readAnimationSetting();
    m_settingsHandler = g_signal_connect_swapped(gtk_settings_get_default(), "notify::gtk-enable-animations",
        G_CALLBACK(+[](gpointer data) { static_cast<GtkHost*>(data)->readAnimationSetting(); }), this);
    // Animations step on a timer, kAnimationFrameRate times a second, and
    // each step asks GTK for one drawing on its frame clock. A tick callback
    // would keep the frame clock running at the display's rate instead, half
    // or more of its frames doing nothing but their round trips to the server.
    AnimationEngine::shared().setFrameInterval(1.0 / kAnimationFrameRate);
    Screen::mainScreen().setScale(renderScale());
    Screen::mainScreen().setSize(Screen::kDefaultSize);
    updateMonitorIdentity();
    if (m_options.fullScreen)
        setFullScreen(true);
    gtk_window_present(GTK_WINDOW(m_window));
    return StartResult::Started;
}

void GtkHost::setFullScreen(bool fullScreen)
{
    if (!m_window || m_closed)
        return;
    if (!GtkWindowManager::supportsFullScreen(gtk_widget_get_display(m_window))) {
        // No window manager: the window itself takes the monitor's size (a bare
        // X server puts every window at the top left of the first monitor).
        GdkRectangle area { 0, 0, 0, 0 };
        if (m_monitor)
            gdk_monitor_get_geometry(m_monitor, &area);
        if (fullScreen && area.width > 0) {
            gtk_window_set_default_size(GTK_WINDOW(m_window), area.width, area.height);
        } else {
            gtk_window_set_default_size(GTK_WINDOW(m_window),
                static_cast<int>(Screen::kDefaultSize.width * m_scale + 0.5),
                static_cast<int>(Screen::kDefaultSize.height * m_scale + 0.5));
        }
        m_emulatedFullScreen = fullScreen && area.width > 0;
        Application::shared().fullScreenDidChange(m_emulatedFullScreen);
        return;
    }
    if (!fullScreen) {
        gtk_window_unfullscreen(GTK_WINDOW(m_window));
        return;
    }
    if (m_options.monitor && m_monitor)
        gtk_window_fullscreen_on_monitor(GTK_WINDOW(m_window), m_monitor);
    else
        gtk_window_fullscreen(GTK_WINDOW(m_window));
}

bool GtkHost::moveToNextMonitor()
{
    GListModel* monitors = gdk_display_get_monitors(gdk_display_get_default());
    guint count = g_list_model_get_n_items(monitors);
    if (count < 2 || !m_window || m_closed)
        return false;
    guint current = 0;
    for (guint i = 0; i < count; ++i) {
        auto* monitor = GDK_MONITOR(g_list_model_get_item(monitors, i));
        g_object_unref(monitor);
        if (monitor == m_monitor)
            current = i;
    }
    auto* next = GDK_MONITOR(g_list_model_get_item(monitors, (current + 1) % count));
    g_object_unref(next);
    m_monitor = next;
    if (const char* connector = gdk_monitor_get_connector(next))
        m_options.monitor = connector;
    else
        m_options.monitor = std::to_string((current + 1) % count);
    if (Application::shared().isFullScreen()) {
        setFullScreen(true);
        return true;
    }
    // GTK places windows, not applications: a window goes to another monitor
    // by going full screen there; it then comes back to its size on that monitor.
    m_returnToWindowOnMonitor = true;
    setFullScreen(true);
    return true;
}

bool GtkHost::showFullScreen(bool fullScreen, const std::optional<std::string>& monitor)
{
    if (monitor) {
        GdkMonitor* found = findMonitor(*monitor);
        if (!found)
            return false;
        m_monitor = found;
        m_options.monitor = monitor;
    }
    setFullScreen(fullScreen);
    return true;
}

void GtkHost::present()
{
    if (m_window && !m_closed)
        gtk_window_present(GTK_WINDOW(m_window));
}

void GtkHost::updateMonitorIdentity()
{
    // The monitor the window is on, else the one it was started for.
    GdkMonitor* monitor = m_monitor;
    if (m_window) {
        if (GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(m_window)))
            monitor = gdk_display_get_monitor_at_surface(gdk_surface_get_display(surface), surface);
    }
    if (monitor)
        Screen::mainScreen().setMonitorIdentity(GtkMonitorIdentity::fromMonitor(monitor));
}

void GtkHost::readAnimationSetting()
{
    gboolean enabled = TRUE;
    g_object_get(gtk_settings_get_default(), "gtk-enable-animations", &enabled, nullptr);
    Application::shared().setReduceMotionEnabled(!enabled);
}

void GtkHost::updateIdleInhibition()
{
    bool visible = m_window && !m_closed && gtk_widget_get_mapped(m_window);
    if (visible) {
        if (GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(m_window)); surface && GDK_IS_TOPLEVEL(surface))
            visible = !(gdk_toplevel_get_state(GDK_TOPLEVEL(surface)) & GDK_TOPLEVEL_STATE_MINIMIZED);
    }
    bool wanted = visible && Application::shared().isIdleTimerDisabled();
    if (wanted && !m_inhibitCookie && m_application) {
        m_inhibitCookie = gtk_application_inhibit(
            m_application.get(), GTK_WINDOW(m_window), GTK_APPLICATION_INHIBIT_IDLE, "Testing the screen's pixels");
    } else if (!wanted && m_inhibitCookie) {
        gtk_application_uninhibit(m_application.get(), m_inhibitCookie);
        m_inhibitCookie = 0;
    }
}

void GtkHost::close()
{
    if (m_window && !m_closed) {
        m_closed = true;
        updateIdleInhibition();
#ifdef VANTREL_HAVE_WEBKIT
        GtkWebView::unregister();
#endif
        m_textInput.reset();
        gtk_window_destroy(GTK_WINDOW(m_window));
    }
}

std::optional<Key> GtkHost::keyFromEvent(guint keyval, GdkModifierType state)
{
    unsigned modifiers = Key::None;
    if (state & GDK_SHIFT_MASK)
        modifiers |= Key::Shift;
    if (state & GDK_CONTROL_MASK)
        modifiers |= Key::Control;
    if (state & GDK_ALT_MASK)
        modifiers |= Key::Alt;
    switch (keyval) {
    case GDK_KEY_space:
    case GDK_KEY_KP_Space:
        return Key(Key::Code::Space, modifiers);
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
        return Key(Key::Code::Return, modifiers);
    case GDK_KEY_Escape:
        return Key(Key::Code::Escape, modifiers);
    case GDK_KEY_BackSpace:
        return Key(Key::Code::BackSpace, modifiers);
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete:
        return Key(Key::Code::Delete, modifiers);
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
        return Key(Key::Code::Tab, modifiers);
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
        return Key(Key::Code::Left, modifiers);
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
        return Key(Key::Code::Right, modifiers);
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
        return Key(Key::Code::Up, modifiers);
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
        return Key(Key::Code::Down, modifiers);
    case GDK_KEY_Home:
        return Key(Key::Code::Home, modifiers);
    case GDK_KEY_End:
        return Key(Key::Code::End, modifiers);
    case GDK_KEY_Page_Up:
        return Key(Key::Code::PageUp, modifiers);
    case GDK_KEY_Page_Down:
        return Key(Key::Code::PageDown, modifiers);
    default:
        break;
    }
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24)
        return Key::function(static_cast<int>(keyval - GDK_KEY_F1) + 1, modifiers);
    gunichar character = gdk_keyval_to_unicode(keyval);
    if (character < 0x20 || character == 0x7F)
        return std::nullopt;
    char utf8[8] = {};
    g_unichar_to_utf8(character, utf8);
    return Key::character(utf8, modifiers);
}

bool GtkHost::pageHasFocus() const
{
    GtkWidget* focus = m_window ? gtk_root_get_focus(GTK_ROOT(m_window)) : nullptr;
    GtkWidget* screen = m_screen ? m_screen->widget() : nullptr;
    return focus && screen && focus != screen && gtk_widget_is_ancestor(focus, screen);
}

bool GtkHost::keyPressed(guint keyval, GdkModifierType state)
{
    auto key = keyFromEvent(keyval, state);
    if (!key)
        return false;
    // Ctrl+Q quits whatever the application does with keys.
    if (key->hasModifier(Key::Control) && (key->text() == "q" || key->text() == "Q")) {
        gtk_window_close(GTK_WINDOW(m_window));
        return true;
    }
    return Application::shared().sendKey(*key);
}

void GtkHost::pointerPressed(double x, double y)
{
    Application::shared().sendTouch(TouchPhase::Began, toPoints(x, y));
}

void GtkHost::pointerMoved(double x, double y)
{
    Application::shared().sendTouch(TouchPhase::Moved, toPoints(x, y));
}

void GtkHost::pointerReleased(double x, double y)
{
    Application::shared().sendTouch(TouchPhase::Ended, toPoints(x, y));
}

void GtkHost::pointerCancelled()
{
    Application::shared().cancelTouch();
}

void GtkHost::injectTouch(TouchPhase phase, Point point)
{
    Application::shared().sendTouch(phase, point);
}

void GtkHost::injectKey(const Key& key)
{
    Application::shared().sendKey(key);
}

void GtkHost::injectText(const std::string& text)
{
    Application::shared().insertText(text);
}

void GtkHost::resizeScreen(Size size)
{
    if (!m_window || m_closed)
        return;
    gtk_window_set_default_size(GTK_WINDOW(m_window), static_cast<int>(std::lround(size.width * m_scale)),
        static_cast<int>(std::lround(size.height * m_scale)));
}

void GtkHost::wait(double seconds, std::function<void()> then)
{
    RunLoop::main().performAfterDelay(seconds, std::move(then));
}

ErrorOr<void> GtkHost::screenshot(const std::string& path)
{
    // What is on screen, pages included: the screen widget's render nodes,
    // drawn by the window's own renderer at the screen's pixel density.
    GtkNative* native = m_screen ? gtk_widget_get_native(m_screen->widget()) : nullptr;
    GskRenderer* renderer = native ? gtk_native_get_renderer(native) : nullptr;
    int width = m_screen ? gtk_widget_get_width(m_screen->widget()) : 0;
    int height = m_screen ? gtk_widget_get_height(m_screen->widget()) : 0;
    if (!renderer || width <= 0 || height <= 0)
        return Error { kScreenshotErrorDomain, kCannotWriteScreenshot, "the window is not on screen" };
    double factor = renderScale() / m_scale;
    GtkSnapshot* snapshot = gtk_snapshot_new();
    gtk_snapshot_scale(snapshot, static_cast<float>(factor), static_cast<float>(factor));
    snapshotScreen(snapshot);
    GRefPtr<GskRenderNode> node = adoptGRef(gtk_snapshot_free_to_node(snapshot));
    if (!node)
        return Error { kScreenshotErrorDomain, kCannotWriteScreenshot, "nothing on screen" };
    graphene_rect_t viewport = GRAPHENE_RECT_INIT(
        0, 0, static_cast<float>(std::ceil(width * factor)), static_cast<float>(std::ceil(height * factor)));
    GRefPtr<GdkTexture> texture = adoptGRef(gsk_renderer_render_texture(renderer, node.get(), &viewport));
    int pixelWidth = gdk_texture_get_width(texture.get());
    int pixelHeight = gdk_texture_get_height(texture.get());
    auto surface = adoptGRef(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixelWidth, pixelHeight));
    cairo_surface_flush(surface.get());
    gdk_texture_download(texture.get(), cairo_image_surface_get_data(surface.get()),
        static_cast<gsize>(cairo_image_surface_get_stride(surface.get())));
    cairo_surface_mark_dirty(surface.get());
    auto image = Image::fromSurface(surface.get(), renderScale());
    if (!image || !image->writePNG(path))
        return Error { kScreenshotErrorDomain, kCannotWriteScreenshot, "cannot write " + path };
    return {};
}
