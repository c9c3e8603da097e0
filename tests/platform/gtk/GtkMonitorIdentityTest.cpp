#include "platform/gtk/GtkMonitorIdentity.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

TEST(GtkMonitorIdentityTest, TheMonitorIsNamedAsGDKNamesItAndSizedInDevicePixels)
{
    if (!gtk_init_check())
        GTEST_SKIP() << "no display";
    GListModel* monitors = gdk_display_get_monitors(gdk_display_get_default());
    ASSERT_GT(g_list_model_get_n_items(monitors), 0u);
    auto* monitor = GDK_MONITOR(g_list_model_get_item(monitors, 0));
    MonitorIdentity identity = GtkMonitorIdentity::fromMonitor(monitor);
    GdkRectangle area {};
    gdk_monitor_get_geometry(monitor, &area);
    EXPECT_EQ(identity.widthPixels, area.width * gdk_monitor_get_scale_factor(monitor));
    EXPECT_EQ(identity.connector, gdk_monitor_get_connector(monitor) ? gdk_monitor_get_connector(monitor) : "");
    // A physical size is all or nothing.
    EXPECT_EQ(identity.widthMillimetres.has_value(), identity.heightMillimetres.has_value());
    EXPECT_TRUE(identity.isSameMonitor(GtkMonitorIdentity::fromMonitor(monitor)));
    g_object_unref(monitor);
    EXPECT_EQ(GtkMonitorIdentity::fromMonitor(nullptr), MonitorIdentity {});
}
