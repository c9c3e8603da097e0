# Every dependency comes from Debian packages (scripts/debian-packages.txt).
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
pkg_check_modules(GLIB REQUIRED IMPORTED_TARGET glib-2.0 gobject-2.0 gio-2.0 gio-unix-2.0)
pkg_check_modules(SOUP REQUIRED IMPORTED_TARGET libsoup-3.0)
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)
pkg_check_modules(PANGO REQUIRED IMPORTED_TARGET pango pangocairo pangoft2 fontconfig)
pkg_check_modules(PLIST REQUIRED IMPORTED_TARGET libplist-2.0)
pkg_check_modules(PIXBUF REQUIRED IMPORTED_TARGET gdk-pixbuf-2.0)
pkg_check_modules(GTK4 IMPORTED_TARGET gtk4)
pkg_check_modules(WEBKIT IMPORTED_TARGET webkitgtk-6.0)
if(VANTREL_TESTS)
    find_package(GTest REQUIRED)
endif()
if(VANTREL_BENCH)
    find_package(benchmark REQUIRED)
endif()

# Several of these packages' flags (gmodule's, through GTK, WebKit, libsoup and
# libebook) link executables with -Wl,--export-dynamic, for modules that look
# up the program's own functions, which nothing here does. It would export
# thousands of our symbols, libstdc++'s template instantiations among them,
# and WebKit's libraries would then bind to our copies of those (on a
# sanitized build, instrumented ones that report WebKit's objects as invalid).
# Our programs keep their symbols to themselves.
function(vantrel_keep_symbols_private)
    foreach(target ${ARGN})
        if(TARGET ${target})
            get_target_property(options ${target} INTERFACE_LINK_OPTIONS)
            if(options)
                list(REMOVE_ITEM options "-Wl,--export-dynamic")
                set_target_properties(${target} PROPERTIES INTERFACE_LINK_OPTIONS "${options}")
            endif()
        endif()
    endforeach()
endfunction()
vantrel_keep_symbols_private(PkgConfig::GLIB PkgConfig::SOUP PkgConfig::CAIRO PkgConfig::PANGO PkgConfig::PLIST
    PkgConfig::PIXBUF PkgConfig::GTK4 PkgConfig::WEBKIT)
