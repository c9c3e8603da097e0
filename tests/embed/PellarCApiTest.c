/* The shared library as a C program sees it: only its public header (next
 * to the X11 headers, whose names it must not clash with) and its exports. */
#include <gdk/x11/gdkx.h>
#include <pellar/pellar.h>

static void test_error_domain(void)
{
    g_assert_cmpstr(g_quark_to_string(PELLAR_ERROR), ==, "pellar-error-quark");
    GEnumClass* codes = g_type_class_ref(PELLAR_TYPE_ERROR);
    g_assert_cmpstr(g_enum_get_value(codes, PELLAR_ERROR_NETWORK)->value_nick, ==, "network");
    g_assert_cmpstr(g_enum_get_value(codes, PELLAR_ERROR_NO_AD)->value_nick, ==, "no-ad");
    g_type_class_unref(codes);
}

static void test_banner_by_properties(void)
{
    /* As bindings make it: g_object_new, the publisher id a property. */
    PellarBanner* banner = g_object_ref_sink(g_object_new(PELLAR_TYPE_BANNER, "publisher-id", "a1b2c3", NULL));
    g_assert_cmpstr(pellar_banner_get_publisher_id(banner), ==, "a1b2c3");
    g_assert_cmpint(pellar_banner_get_refresh_interval(banner), ==, -1);
    int width = 0;
    gtk_widget_measure(GTK_WIDGET(banner), GTK_ORIENTATION_HORIZONTAL, -1, NULL, &width, NULL, NULL);
    g_assert_cmpint(width, ==, 320);
    g_assert_finalize_object(banner);
}

int main(int argc, char** argv)
{
    g_setenv("GTK_A11Y", "none", TRUE);
    gtk_test_init(&argc, &argv, NULL);
    g_test_add_func("/pellar/error-domain", test_error_domain);
    g_test_add_func("/pellar/banner-by-properties", test_banner_by_properties);
    return g_test_run();
}
