#include "platform/gtk/GtkPointerInput.h"

#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Touch.h"

#include <utility>

GtkPointerInput::GtkPointerInput(Handlers handlers)
    : m_handlers(std::move(handlers))
{
    if (!m_handlers.pressed)
        m_handlers.pressed = [this](double x, double y) {
            Application::shared().sendTouch(TouchPhase::Began, m_handlers.toPoints(x, y));
        };
    if (!m_handlers.moved)
        m_handlers.moved = [this](double x, double y) {
            Application::shared().sendTouch(TouchPhase::Moved, m_handlers.toPoints(x, y));
        };
    if (!m_handlers.released)
        m_handlers.released = [this](double x, double y) {
            Application::shared().sendTouch(TouchPhase::Ended, m_handlers.toPoints(x, y));
        };
    if (!m_handlers.cancelled)
        m_handlers.cancelled = [] { Application::shared().cancelTouch(); };
}

GtkPointerInput& GtkPointerInput::attach(GtkWidget* input, GtkWidget* motionWidget, Handlers handlers)
{
    auto* self = new GtkPointerInput(std::move(handlers));
    g_object_set_data_full(G_OBJECT(input), "vantrel-pointer-input", self,
        [](gpointer data) { delete static_cast<GtkPointerInput*>(data); });

    GtkGesture* drag = gtk_gesture_drag_new();
    gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(drag), GDK_BUTTON_PRIMARY);
    g_signal_connect(drag, "drag-begin", G_CALLBACK(+[](GtkGestureDrag*, double x, double y, gpointer data) {
        static_cast<GtkPointerInput*>(data)->press(x, y);
    }),
        self);
    g_signal_connect(drag, "drag-update", G_CALLBACK(+[](GtkGestureDrag*, double dx, double dy, gpointer data) {
        static_cast<GtkPointerInput*>(data)->move(dx, dy);
    }),
        self);
    g_signal_connect(drag, "drag-end", G_CALLBACK(+[](GtkGestureDrag*, double dx, double dy, gpointer data) {
        static_cast<GtkPointerInput*>(data)->release(dx, dy);
    }),
        self);
    g_signal_connect(drag, "cancel", G_CALLBACK(+[](GtkGesture*, GdkEventSequence*, gpointer data) {
        static_cast<GtkPointerInput*>(data)->cancel();
    }),
        self);
    gtk_widget_add_controller(input, GTK_EVENT_CONTROLLER(drag));

    GtkEventController* wheel = gtk_event_controller_scroll_new(GTK_EVENT_CONTROLLER_SCROLL_BOTH_AXES);
    g_signal_connect(wheel, "scroll",
        G_CALLBACK(+[](GtkEventControllerScroll* controller, double dx, double dy, gpointer data) -> gboolean {
            return static_cast<GtkPointerInput*>(data)->scroll(controller, dx, dy);
        }),
        self);
    gtk_widget_add_controller(input, wheel);

    // A right click: the context menu of what is under the pointer.
    GtkGesture* secondary = gtk_gesture_click_new();
    gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(secondary), GDK_BUTTON_SECONDARY);
    g_signal_connect(secondary, "pressed", G_CALLBACK(+[](GtkGestureClick*, int, double x, double y, gpointer data) {
        auto* self = static_cast<GtkPointerInput*>(data);
        if (self->m_handlers.willPress)
            self->m_handlers.willPress();
        Application::shared().sendSecondaryClick(self->m_handlers.toPoints(x, y));
    }),
        self);
    gtk_widget_add_controller(input, GTK_EVENT_CONTROLLER(secondary));

    GtkEventController* motion = gtk_event_controller_motion_new();
    g_signal_connect(motion, "motion", G_CALLBACK(+[](GtkEventControllerMotion*, double x, double y, gpointer data) {
        auto* self = static_cast<GtkPointerInput*>(data);
        Application::shared().pointerDidMove(self->m_handlers.toPoints(x, y));
    }),
        self);
    gtk_widget_add_controller(motionWidget, motion);
    return *self;
}

void GtkPointerInput::press(double x, double y)
{
    m_startX = x;
    m_startY = y;
    // A click on our views takes the keyboard back from a page.
    if (m_handlers.willPress)
        m_handlers.willPress();
    m_handlers.pressed(x, y);
}

void GtkPointerInput::move(double dx, double dy)
{
    m_handlers.moved(m_startX + dx, m_startY + dy);
}

void GtkPointerInput::release(double dx, double dy)
{
    m_handlers.released(m_startX + dx, m_startY + dy);
}

void GtkPointerInput::cancel()
{
    m_handlers.cancelled();
}

bool GtkPointerInput::scroll(GtkEventControllerScroll* controller, double dx, double dy)
{
    GdkEvent* event = gtk_event_controller_get_current_event(GTK_EVENT_CONTROLLER(controller));
    double x = 0;
    double y = 0;
    if (!event || !gdk_event_get_position(event, &x, &y))
        return false;
    // The event's position is on the surface: the widget may sit anywhere in it.
    GtkWidget* widget = gtk_event_controller_get_widget(GTK_EVENT_CONTROLLER(controller));
    if (GtkNative* native = gtk_widget_get_native(widget)) {
        double surfaceX = 0;
        double surfaceY = 0;
        gtk_native_get_surface_transform(native, &surfaceX, &surfaceY);
        graphene_point_t onSurface
            = GRAPHENE_POINT_INIT(static_cast<float>(x - surfaceX), static_cast<float>(y - surfaceY));
        graphene_point_t inWidget;
        if (gtk_widget_compute_point(GTK_WIDGET(native), widget, &onSurface, &inWidget)) {
            x = inWidget.x;
            y = inWidget.y;
        }
    }
    if ((gdk_event_get_modifier_state(event) & GDK_SHIFT_MASK) && dx == 0)
        std::swap(dx, dy);
    bool discrete = gtk_event_controller_scroll_get_unit(controller) == GDK_SCROLL_UNIT_WHEEL;
    if (!discrete) {
        double units = m_handlers.unitsPerPoint ? m_handlers.unitsPerPoint() : 1.0;
        dx /= units;
        dy /= units;
    }
    return ScrollView::scrollWheelAt(m_handlers.toPoints(x, y), { dx, dy }, discrete);
}
