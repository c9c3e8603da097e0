#pragma once

#include <gdk/gdk.h>

// What the desktop's window manager provides: the part of a monitor a window
// may use (on X11 the work area the panels leave free, elsewhere the whole
// monitor) and whether it can put a window in full screen at all (a bare X
// server, as in tests and kiosks, has no window manager to ask). Kept apart
// because the X11 headers' Window and Screen collide with the platform's.
class GtkWindowManager {
public:
    static GdkRectangle workArea(GdkMonitor*);
    static bool supportsFullScreen(GdkDisplay*);
};
