/* X11's header first: its Window, None and friends must not break Pellar's. */
#include <gdk/x11/gdkx.h>

#include <pellar/pellar.h>

#include EXAMPLE_SOURCE
