#include "platform/gtk/GtkMonitorIdentity.h"

#include <algorithm>
#include <gtk/gtk.h>

MonitorIdentity GtkMonitorIdentity::fromMonitor(GdkMonitor* monitor)
{
    MonitorIdentity identity;
    if (!monitor)
        return identity;
    auto text = [](const char* value) { return std::string(value ? value : ""); };
    identity.manufacturer = text(gdk_monitor_get_manufacturer(monitor));
    identity.model = text(gdk_monitor_get_model(monitor));
    identity.connector = text(gdk_monitor_get_connector(monitor));
    GdkRectangle area {};
    gdk_monitor_get_geometry(monitor, &area);
    int scale = std::max(1, gdk_monitor_get_scale_factor(monitor));
    identity.widthPixels = area.width * scale;
    identity.heightPixels = area.height * scale;
    // Zero means the monitor did not say; projectors and some virtual displays do not.
    int widthMillimetres = gdk_monitor_get_width_mm(monitor);
    int heightMillimetres = gdk_monitor_get_height_mm(monitor);
    if (widthMillimetres > 0 && heightMillimetres > 0) {
        identity.widthMillimetres = widthMillimetres;
        identity.heightMillimetres = heightMillimetres;
    }
    return identity;
}
