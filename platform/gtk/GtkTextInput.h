#pragma once

#include "platform/foundation/GRefPtr.h"

#include <gtk/gtk.h>
#include <memory>
#include <string>

// Typed text for the desktop host: while the application's first responder
// takes text, key presses go through GTK's input-method context first, so
// composed characters, dead keys and input-method editors work; what the
// input method commits goes to the application as text. Control+V pastes the
// clipboard's text. Keys the input method does not use stay keys.
class GtkTextInput {
public:
    explicit GtkTextInput(GtkWidget* clientWidget);
    ~GtkTextInput();
    GtkTextInput(const GtkTextInput&) = delete;
    GtkTextInput& operator=(const GtkTextInput&) = delete;

    // A key event from the window's key controller; answers whether the
    // input method or a paste used it.
    bool filterKeyPress(GtkEventControllerKey*, guint keyval, GdkModifierType state);
    bool filterKeyRelease(GtkEventControllerKey*);

    // Inserts the clipboard's text, when there is some, once it has been read.
    void paste();

    GtkIMContext* context() const { return m_context.get(); }

private:
    // Focuses the input method while the application takes text; answers whether it does.
    bool updateFocus();
    static void committed(GtkIMContext*, const char* text, gpointer);

    GtkWidget* m_clientWidget;
    GRefPtr<GtkIMContext> m_context;
    bool m_focused { false };
    // Set while we exist, so a clipboard read that answers after we are gone does nothing.
    std::shared_ptr<bool> m_alive;
};
