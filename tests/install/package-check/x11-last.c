/* X11's header after Pellar's. */
#include <pellar/pellar.h>

#include <gdk/x11/gdkx.h>

#include EXAMPLE_SOURCE
