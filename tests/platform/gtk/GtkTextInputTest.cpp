#include "platform/gtk/GtkTextInput.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Window.h"

#include <gtest/gtest.h>

class GtkTextInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!gtk_init_check())
            GTEST_SKIP() << "no display";
        RunLoop::main().reset();
        RunLoop::main().setClock(nullptr);
        Application::shared().reset();
        window = View::make<Window>(Rect { 0, 0, 320, 480 });
        window->makeKeyAndVisible();
        field = View::make<TextField>(Rect { 10, 10, 200, 31 });
        window->addSubview(field);
        widget = GTK_WIDGET(g_object_ref_sink(gtk_label_new("")));
    }
    void TearDown() override
    {
        Application::shared().reset();
        if (widget)
            g_object_unref(widget);
    }

    std::shared_ptr<Window> window;
    std::shared_ptr<TextField> field;
    GtkWidget* widget { nullptr };
};

TEST_F(GtkTextInputTest, CommittedAndPastedTextReachesTheFieldBeingEdited)
{
    GtkTextInput input(widget);
    // Nobody edits: what the input method commits goes nowhere.
    g_signal_emit_by_name(input.context(), "commit", "x");
    EXPECT_EQ(field->text(), "");

    field->becomeFirstResponder();
    // A composed character (a dead key then a letter) arrives as its text.
    g_signal_emit_by_name(input.context(), "commit", "\u00e9");
    EXPECT_EQ(field->text(), "\u00e9");

    gdk_clipboard_set_text(gtk_widget_get_clipboard(widget), "pasted\ntext");
    input.paste();
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return field->text().size() > 2; }, 5.0));
    EXPECT_EQ(field->text(), "\u00e9pastedtext"); // one line
}
