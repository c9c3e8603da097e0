/* A window with a header bar, content and a Pellar banner at the bottom; the
 * banner asks the ad service PELLAR_AD_SERVER names, else the built-in one. */
#include <pellar/pellar.h>

static void ad_received(PellarBanner* banner, gpointer user_data)
{
    g_message("ad-received");
}

static void ad_failed(PellarBanner* banner, GError* error, gpointer user_data)
{
    g_printerr("ad-failed: %s\n", error->message);
}

static void activate(GtkApplication* app, gpointer user_data)
{
    GtkWidget* window = gtk_application_window_new(app);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    GtkWidget* content = gtk_label_new("Content");
    GtkWidget* banner = pellar_banner_new("a1b2c3");

    g_signal_connect(banner, "ad-received", G_CALLBACK(ad_received), NULL);
    g_signal_connect(banner, "ad-failed", G_CALLBACK(ad_failed), NULL);
    gtk_widget_set_vexpand(content, TRUE);
    gtk_box_append(GTK_BOX(box), content);
    gtk_box_append(GTK_BOX(box), banner);
    gtk_window_set_titlebar(GTK_WINDOW(window), gtk_header_bar_new());
    gtk_window_set_title(GTK_WINDOW(window), "Banner example");
    gtk_window_set_default_size(GTK_WINDOW(window), 360, 480);
    gtk_window_set_child(GTK_WINDOW(window), box);
    gtk_window_present(GTK_WINDOW(window));
}

int main(int argc, char** argv)
{
    g_autoptr(GtkApplication) app = gtk_application_new("org.example.Banner", G_APPLICATION_DEFAULT_FLAGS);
    g_signal_connect(app, "activate", G_CALLBACK(activate), NULL);
    return g_application_run(G_APPLICATION(app), argc, argv);
}
