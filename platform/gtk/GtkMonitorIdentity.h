#pragma once

#include "platform/ui/views/MonitorIdentity.h"

typedef struct _GdkMonitor GdkMonitor;

// The identity of a GDK monitor as the screen reports it: maker, model and
// connector as GDK names them, the mode in device pixels (the logical size
// times the scale factor) and the physical size when the monitor states one.
class GtkMonitorIdentity {
public:
    static MonitorIdentity fromMonitor(GdkMonitor*);

    GtkMonitorIdentity() = delete;
};
