#include "platform/gtk/GtkWindowManager.h"

#ifdef GDK_WINDOWING_X11
#include <gdk/x11/gdkx.h>
#endif

GdkRectangle GtkWindowManager::workArea(GdkMonitor* monitor)
{
    GdkRectangle area {};
    gdk_monitor_get_geometry(monitor, &area);
#ifdef GDK_WINDOWING_X11
    if (GDK_IS_X11_MONITOR(monitor))
        gdk_x11_monitor_get_workarea(monitor, &area);
#endif
    return area;
}

bool GtkWindowManager::supportsFullScreen(GdkDisplay* display)
{
#ifdef GDK_WINDOWING_X11
    if (GDK_IS_X11_DISPLAY(display))
        return gdk_x11_screen_supports_net_wm_hint(gdk_x11_display_get_screen(display), "_NET_WM_STATE_FULLSCREEN");
#endif
    (void)display;
    return true;
}
