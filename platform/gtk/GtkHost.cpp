#include "platform/gtk/GtkHost.h"

#include "platform/foundation/RunLoop.h"
#include "platform/ui/graphics/CairoStateSaver.h"
#include "platform/ui/layers/AnimationEngine.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/views/Responder.h"
#include "platform/ui/views/Screen.h"

#ifdef VANTREL_HAVE_WEBKIT
#include "platform/gtk/GtkWebView.h"
#endif

GtkHost::GtkHost(Options options)
    : m_scale(options.scale && *options.scale > 0 ? *options.scale : 1.0)
{
}

GtkHost::~GtkHost()
{
    Application::shared().setDisplayChangedHook(nullptr);
    AnimationEngine::shared().setFrameDriver(nullptr);
    if (m_window && !m_closed)
        gtk_window_destroy(GTK_WINDOW(m_window));
}

bool GtkHost::initialize()
{
    return gtk_init_check();
}

double GtkHost::renderScale() const
{
    int factor = m_area ? gtk_widget_get_scale_factor(m_area) : 1;
    return m_scale * std::max(1, factor);
}

Point GtkHost::toPoints(double x, double y) const
{
    return { x / m_scale, y / m_scale };
}

void GtkHost::draw(GtkDrawingArea*, cairo_t* cr, int, int, gpointer data)
{
    auto* host = static_cast<GtkHost*>(data);
    double scale = host->renderScale();
    Screen::mainScreen().setScale(scale);
    // The application keeps the composited screen: recompositing only when
    // something changed keeps redraws of an unchanged screen cheap.
    bool dirty = Application::shared().needsDisplay();
    cairo_surface_t* surface = Application::shared().compositeScreen(scale);
    if (dirty)
        ++host->m_compositeCount;
    ++host->m_drawCount;
    CairoStateSaver saver(cr);
    cairo_scale(cr, host->m_scale / scale, host->m_scale / scale);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_FAST);
    cairo_paint(cr);
}

void GtkHost::start()
{
    m_window = gtk_window_new();
    gtk_window_set_title(GTK_WINDOW(m_window), "Vantrel");
    gtk_window_set_resizable(GTK_WINDOW(m_window), FALSE);
    m_area = gtk_drawing_area_new();
    int width = static_cast<int>(320 * m_scale + 0.5), height = static_cast<int>(480 * m_scale + 0.5);
    gtk_drawing_area_set_content_width(GTK_DRAWING_AREA(m_area), width);
    gtk_drawing_area_set_content_height(GTK_DRAWING_AREA(m_area), height);
    gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(m_area), draw, this, nullptr);
    // Web pages are real widgets laid over the composited screen.
    GtkWidget* overlay = gtk_overlay_new();
    gtk_overlay_set_child(GTK_OVERLAY(overlay), m_area);
    gtk_window_set_child(GTK_WINDOW(m_window), overlay);
#ifdef VANTREL_HAVE_WEBKIT
    GtkWebView::registerOverlay(GTK_OVERLAY(overlay), [this] { return m_scale; });
#endif

    GtkGesture* drag = gtk_gesture_drag_new();
    gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(drag), GDK_BUTTON_PRIMARY);
    g_signal_connect(drag, "drag-begin", G_CALLBACK(+[](GtkGestureDrag*, double x, double y, gpointer data) {
        static_cast<GtkHost*>(data)->pointerPressed(x, y);
    }),
        this);
    g_signal_connect(drag, "drag-update", G_CALLBACK(+[](GtkGestureDrag*, double dx, double dy, gpointer data) {
        auto* host = static_cast<GtkHost*>(data);
        host->pointerMoved(host->m_dragStartX + dx, host->m_dragStartY + dy);
    }),
        this);
    g_signal_connect(drag, "drag-end", G_CALLBACK(+[](GtkGestureDrag*, double dx, double dy, gpointer data) {
        auto* host = static_cast<GtkHost*>(data);
        host->pointerReleased(host->m_dragStartX + dx, host->m_dragStartY + dy);
    }),
        this);
    g_signal_connect(drag, "cancel", G_CALLBACK(+[](GtkGesture*, GdkEventSequence*, gpointer data) {
        static_cast<GtkHost*>(data)->pointerCancelled();
    }),
        this);
    gtk_widget_add_controller(m_area, GTK_EVENT_CONTROLLER(drag));

    // Keys go to the first responder: typed text as UTF-8, other keys by name.
    GtkEventController* keys = gtk_event_controller_key_new();
    g_signal_connect(keys, "key-pressed",
        G_CALLBACK(+[](GtkEventControllerKey*, guint keyval, guint, GdkModifierType, gpointer) -> gboolean {
            Responder* responder = Responder::firstResponder();
            if (!responder)
                return FALSE;
            gunichar character = gdk_keyval_to_unicode(keyval);
            std::string key;
            if (character >= 0x20 && character != 0x7F) {
                char utf8[8] = {};
                g_unichar_to_utf8(character, utf8);
                key = utf8;
            } else if (const char* name = gdk_keyval_name(keyval)) {
                key = name;
            }
            return !key.empty() && responder->keyPressed(key);
        }),
        this);
    gtk_widget_add_controller(m_window, keys);

    g_signal_connect(m_window, "close-request", G_CALLBACK(+[](GtkWindow*, gpointer data) -> gboolean {
        auto* host = static_cast<GtkHost*>(data);
        host->m_closed = true;
        AnimationEngine::shared().setFrameDriver(nullptr);
        RunLoop::main().quit();
        return FALSE;
    }),
        this);

    // A change anywhere on screen asks GTK for one frame; nothing else does.
    Application::shared().setDisplayChangedHook([this] {
        if (m_area && !m_closed)
            gtk_widget_queue_draw(m_area);
    });
    // Animations step on the display's frame clock: a tick callback runs only
    // while something animates and removes itself when the last one ends.
    AnimationEngine::shared().setFrameDriver([this] {
        gtk_widget_add_tick_callback(
            m_area,
            [](GtkWidget*, GdkFrameClock*, gpointer) -> gboolean {
                return AnimationEngine::shared().frame() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
            },
            nullptr, nullptr);
    });
    Screen::mainScreen().setScale(renderScale());
    gtk_window_present(GTK_WINDOW(m_window));
}

void GtkHost::close()
{
    if (m_window && !m_closed) {
        m_closed = true;
        AnimationEngine::shared().setFrameDriver(nullptr);
#ifdef VANTREL_HAVE_WEBKIT
        GtkWebView::unregister();
#endif
        gtk_window_destroy(GTK_WINDOW(m_window));
    }
}

void GtkHost::pointerPressed(double x, double y)
{
    m_dragStartX = x;
    m_dragStartY = y;
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

void GtkHost::wait(double seconds, std::function<void()> then)
{
    RunLoop::main().performAfterDelay(seconds, std::move(then));
}

std::string GtkHost::screenshot(const std::string& path)
{
    double scale = renderScale();
    cairo_surface_t* surface = Application::shared().compositeScreen(scale);
    auto image = Image::fromSurface(surface, scale);
    if (!image || !image->writePNG(path))
        return "cannot write " + path;
    return {};
}
