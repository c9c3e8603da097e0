#include "platform/gtk/GtkScreenWidget.h"

#include "platform/ui/layers/Layer.h"
#include "platform/ui/views/View.h"

#include <algorithm>

namespace {

struct ScreenInstance {
    GtkWidget parent;
    GtkScreenWidget* owner;
};

struct ScreenClass {
    GtkWidgetClass parent;
};

GtkScreenWidget* ownerOf(GtkWidget* widget)
{
    return reinterpret_cast<ScreenInstance*>(widget)->owner;
}

void screenDispose(GObject* object)
{
    GtkWidget* widget = GTK_WIDGET(object);
    while (GtkWidget* child = gtk_widget_get_first_child(widget))
        gtk_widget_unparent(child);
    G_OBJECT_CLASS(g_type_class_peek_parent(G_OBJECT_GET_CLASS(object)))->dispose(object);
}

GType screenType()
{
    static GType type = g_type_register_static_simple(
        GTK_TYPE_WIDGET, "VantrelScreen", sizeof(ScreenClass),
        [](gpointer typeClass, gpointer) {
            G_OBJECT_CLASS(typeClass)->dispose = screenDispose;
            auto* widgetClass = GTK_WIDGET_CLASS(typeClass);
            widgetClass->snapshot = [](GtkWidget* widget, GtkSnapshot* snapshot) {
                if (auto* owner = ownerOf(widget))
                    owner->snapshot(snapshot);
            };
            widgetClass->measure = [](GtkWidget* widget, GtkOrientation orientation, int, int* minimum, int* natural,
                                       int* minimumBaseline, int* naturalBaseline) {
                *minimum = *natural = 1;
                *minimumBaseline = *naturalBaseline = -1;
                if (auto* owner = ownerOf(widget))
                    owner->measure(orientation, minimum, natural);
            };
            widgetClass->size_allocate = [](GtkWidget* widget, int width, int height, int) {
                if (auto* owner = ownerOf(widget))
                    owner->allocate(width, height);
            };
        },
        sizeof(ScreenInstance), nullptr, static_cast<GTypeFlags>(0));
    return type;
}

// The transparent child above the pages that takes the owner's input.
GType inputType()
{
    static GType type = g_type_register_static_simple(
        GTK_TYPE_WIDGET, "VantrelScreenInput", sizeof(GtkWidgetClass),
        [](gpointer typeClass, gpointer) {
            GTK_WIDGET_CLASS(typeClass)->contains = [](GtkWidget* widget, double x, double y) -> gboolean {
                GtkWidget* parent = gtk_widget_get_parent(widget);
                auto* owner = parent ? ownerOf(parent) : nullptr;
                return owner && x >= 0 && y >= 0 && x < gtk_widget_get_width(widget)
                    && y < gtk_widget_get_height(widget) && !owner->pageTakesInputAt(x, y);
            };
        },
        sizeof(GtkWidget), nullptr, static_cast<GTypeFlags>(0));
    return type;
}

} // namespace

GtkScreenWidget::GtkScreenWidget()
    : m_widget(GTK_WIDGET(g_object_ref_sink(g_object_new(screenType(), nullptr))))
    , m_input(GTK_WIDGET(g_object_new(inputType(), nullptr)))
    , m_renderer(m_widget)
{
    reinterpret_cast<ScreenInstance*>(m_widget)->owner = this;
    gtk_widget_set_focusable(m_widget, TRUE);
    gtk_widget_set_hexpand(m_widget, TRUE);
    gtk_widget_set_vexpand(m_widget, TRUE);
    gtk_widget_set_overflow(m_widget, GTK_OVERFLOW_HIDDEN);
    gtk_widget_set_parent(m_input, m_widget);
}

GtkScreenWidget::~GtkScreenWidget()
{
    reinterpret_cast<ScreenInstance*>(m_widget)->owner = nullptr;
    for (auto& embedded : m_embedded) {
        if (gtk_widget_get_parent(embedded.child) == m_widget)
            gtk_widget_unparent(embedded.child);
    }
    if (gtk_widget_get_parent(m_input) == m_widget)
        gtk_widget_unparent(m_input);
    g_object_unref(m_widget);
}

GtkScreenWidget* GtkScreenWidget::fromWidget(GtkWidget* widget)
{
    return widget && G_TYPE_CHECK_INSTANCE_TYPE(widget, screenType()) ? ownerOf(widget) : nullptr;
}

void GtkScreenWidget::setNaturalSize(int width, int height)
{
    m_naturalWidth = std::max(1, width);
    m_naturalHeight = std::max(1, height);
    gtk_widget_queue_resize(m_widget);
}

void GtkScreenWidget::snapshot(GtkSnapshot* snapshot)
{
    if (m_draw)
        m_draw(snapshot);
}

void GtkScreenWidget::measure(GtkOrientation orientation, int* minimum, int* natural) const
{
    // Any size will do: the screen follows the window.
    *minimum = 1;
    *natural = orientation == GTK_ORIENTATION_HORIZONTAL ? m_naturalWidth : m_naturalHeight;
}

void GtkScreenWidget::allocate(int width, int height)
{
    if (width != m_width || height != m_height) {
        m_width = width;
        m_height = height;
        if (m_resized)
            m_resized(width, height);
    }
    for (auto& embedded : m_embedded) {
        if (!embedded.visible)
            continue;
        // GTK wants every child measured before it is placed.
        int minimum = 0, natural = 0;
        gtk_widget_measure(embedded.child, GTK_ORIENTATION_HORIZONTAL, -1, &minimum, &natural, nullptr, nullptr);
        gtk_widget_measure(embedded.child, GTK_ORIENTATION_VERTICAL, -1, &minimum, &natural, nullptr, nullptr);
        gtk_widget_size_allocate(embedded.child, &embedded.area, -1);
    }
    int minimum = 0, natural = 0;
    gtk_widget_measure(m_input, GTK_ORIENTATION_HORIZONTAL, -1, &minimum, &natural, nullptr, nullptr);
    GtkAllocation all { 0, 0, width, height };
    gtk_widget_size_allocate(m_input, &all, -1);
}

GtkScreenWidget::Embedded* GtkScreenWidget::findEmbedded(GtkWidget* child)
{
    auto found = std::find_if(m_embedded.begin(), m_embedded.end(), [&](auto& e) { return e.child == child; });
    return found == m_embedded.end() ? nullptr : &*found;
}

const GtkScreenWidget::Embedded* GtkScreenWidget::findEmbedded(const Layer& layer) const
{
    auto found = std::find_if(m_embedded.begin(), m_embedded.end(), [&](auto& e) { return e.layer == &layer; });
    return found == m_embedded.end() ? nullptr : &*found;
}

void GtkScreenWidget::addEmbeddedWidget(GtkWidget* child, const Layer& layer)
{
    if (findEmbedded(child))
        return;
    m_embedded.push_back({ child, &layer });
    // Below the input child: pages are picked only where it steps aside.
    gtk_widget_insert_before(child, m_widget, m_input);
    gtk_widget_set_child_visible(child, FALSE);
    if (m_embedded.size() == 1) {
        m_renderer.setEmbeddedWidgets([this](const Layer& layer) -> GtkWidget* {
            const Embedded* embedded = findEmbedded(layer);
            return embedded && embedded->visible ? embedded->child : nullptr;
        });
    }
}

void GtkScreenWidget::removeEmbeddedWidget(GtkWidget* child)
{
    if (!findEmbedded(child))
        return;
    giveFocusBackFrom(child);
    std::erase_if(m_embedded, [&](auto& e) { return e.child == child; });
    if (gtk_widget_get_parent(child) == m_widget)
        gtk_widget_unparent(child);
    gtk_widget_queue_draw(m_widget);
}

void GtkScreenWidget::placeEmbeddedWidget(GtkWidget* child, const GdkRectangle& area, bool visible)
{
    Embedded* embedded = findEmbedded(child);
    if (!embedded)
        return;
    GdkRectangle sized { area.x, area.y, std::max(1, area.width), std::max(1, area.height) };
    bool moved = sized.x != embedded->area.x || sized.y != embedded->area.y || sized.width != embedded->area.width
        || sized.height != embedded->area.height;
    if (!moved && visible == embedded->visible)
        return;
    embedded->area = sized;
    if (visible != embedded->visible) {
        embedded->visible = visible;
        if (!visible)
            giveFocusBackFrom(child);
        gtk_widget_set_child_visible(child, visible);
    }
    gtk_widget_queue_allocate(m_widget);
    gtk_widget_queue_draw(m_widget);
}

bool GtkScreenWidget::pageTakesInputAt(double x, double y) const
{
    if (!m_hitTest || m_embedded.empty())
        return false;
    for (const View* view = m_hitTest(x, y); view; view = view->superview()) {
        if (const Embedded* embedded = findEmbedded(view->layer()))
            return embedded->visible;
    }
    return false;
}

void GtkScreenWidget::takeFocus()
{
    GtkRoot* root = gtk_widget_get_root(m_widget);
    GtkWidget* focus = root ? gtk_root_get_focus(root) : nullptr;
    if (focus != m_widget)
        gtk_widget_grab_focus(m_widget);
}

void GtkScreenWidget::giveFocusBackFrom(GtkWidget* child)
{
    GtkRoot* root = gtk_widget_get_root(m_widget);
    GtkWidget* focus = root ? gtk_root_get_focus(root) : nullptr;
    if (focus && (focus == child || gtk_widget_is_ancestor(focus, child)))
        gtk_widget_grab_focus(m_widget);
}
