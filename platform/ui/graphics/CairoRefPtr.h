#pragma once

#include "platform/foundation/GRefPtr.h"
#include "platform/foundation/GUniquePtr.h"

#include <cairo.h>

// Cairo's non-GObject kinds for GRefPtr and GUniquePtr.
template <> struct GRefPtrTraits<cairo_t> {
    static cairo_t* ref(cairo_t* cr) { return cairo_reference(cr); }
    static void unref(cairo_t* cr) { cairo_destroy(cr); }
};
template <> struct GRefPtrTraits<cairo_surface_t> {
    static cairo_surface_t* ref(cairo_surface_t* surface) { return cairo_surface_reference(surface); }
    static void unref(cairo_surface_t* surface) { cairo_surface_destroy(surface); }
};
template <> struct GRefPtrTraits<cairo_pattern_t> {
    static cairo_pattern_t* ref(cairo_pattern_t* pattern) { return cairo_pattern_reference(pattern); }
    static void unref(cairo_pattern_t* pattern) { cairo_pattern_destroy(pattern); }
};

VANTREL_GUNIQUE_DELETER(cairo_font_options_t, cairo_font_options_destroy);
