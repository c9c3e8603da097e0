#!/usr/bin/python3
# A GTK 4 window with a header bar, some content, and a Pellar banner at the
# bottom. The banner asks the ad service named by PELLAR_AD_SERVER (the demo
# service prints it when it starts), else the built-in one.
import sys

import gi

gi.require_version("Gtk", "4.0")
gi.require_version("Pellar", "1")
from gi.repository import Gtk, Pellar


def activate(app):
    banner = Pellar.Banner(publisher_id="a1b2c3")
    banner.connect("ad-received", lambda banner: print("ad-received", flush=True))
    banner.connect("ad-failed", lambda banner, error: print("ad-failed:", error.message, file=sys.stderr))
    box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
    box.append(Gtk.Label(label="Content", vexpand=True))
    box.append(banner)
    window = Gtk.ApplicationWindow(application=app, child=box, title="Banner example",
                                   default_width=360, default_height=480)
    window.set_titlebar(Gtk.HeaderBar())
    window.present()


app = Gtk.Application(application_id="org.example.Banner")
app.connect("activate", activate)
sys.exit(app.run(sys.argv))
