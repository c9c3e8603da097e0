#include "platform/gtk/GtkTextInput.h"

#include "platform/foundation/GUniquePtr.h"
#include "platform/ui/views/Application.h"

GtkTextInput::GtkTextInput(GtkWidget* clientWidget)
    : m_clientWidget(clientWidget)
    , m_context(adoptGRef(gtk_im_multicontext_new()))
    , m_alive(std::make_shared<bool>(true))
{
    gtk_im_context_set_client_widget(m_context.get(), m_clientWidget);
    // The application draws its own field; the input method's pre-edit
    // text is not shown, what it commits is.
    gtk_im_context_set_use_preedit(m_context.get(), FALSE);
    g_signal_connect(m_context.get(), "commit", G_CALLBACK(committed), this);
}

GtkTextInput::~GtkTextInput()
{
    *m_alive = false;
    g_signal_handlers_disconnect_by_data(m_context.get(), this);
    if (m_focused)
        gtk_im_context_focus_out(m_context.get());
    gtk_im_context_set_client_widget(m_context.get(), nullptr);
}

bool GtkTextInput::updateFocus()
{
    bool wanted = Application::shared().isTextInputActive();
    if (wanted && !m_focused)
        gtk_im_context_focus_in(m_context.get());
    else if (!wanted && m_focused)
        gtk_im_context_focus_out(m_context.get());
    m_focused = wanted;
    return wanted;
}

bool GtkTextInput::filterKeyPress(GtkEventControllerKey* controller, guint keyval, GdkModifierType state)
{
    if (!updateFocus())
        return false;
    if ((state & GDK_CONTROL_MASK) && (keyval == GDK_KEY_v || keyval == GDK_KEY_V)) {
        paste();
        return true;
    }
    GdkEvent* event = gtk_event_controller_get_current_event(GTK_EVENT_CONTROLLER(controller));
    return event && gtk_im_context_filter_keypress(m_context.get(), event);
}

bool GtkTextInput::filterKeyRelease(GtkEventControllerKey* controller)
{
    if (!updateFocus())
        return false;
    GdkEvent* event = gtk_event_controller_get_current_event(GTK_EVENT_CONTROLLER(controller));
    return event && gtk_im_context_filter_keypress(m_context.get(), event);
}

void GtkTextInput::committed(GtkIMContext*, const char* text, gpointer)
{
    if (text)
        Application::shared().insertText(text);
}

void GtkTextInput::paste()
{
    GdkClipboard* clipboard = gtk_widget_get_clipboard(m_clientWidget);
    auto* alive = new std::shared_ptr<bool>(m_alive);
    gdk_clipboard_read_text_async(
        clipboard, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<std::shared_ptr<bool>> alive(static_cast<std::shared_ptr<bool>*>(data));
            GUniquePtr<char> text(gdk_clipboard_read_text_finish(GDK_CLIPBOARD(source), result, nullptr));
            if (text && **alive)
                Application::shared().insertText(text.get());
        },
        alive);
}
