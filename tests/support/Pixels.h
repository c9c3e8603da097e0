#pragma once

#include "platform/ui/graphics/Image.h"

#include <cairo.h>
#include <cstdint>

// One pixel of an image surface as Cairo stores it: premultiplied ARGB in a
// native-endian 32-bit word, at device pixel (x, y).
inline uint32_t argbAt(cairo_surface_t* surface, int x, int y)
{
    cairo_surface_flush(surface);
    const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    return reinterpret_cast<const uint32_t*>(row)[x];
}

inline uint32_t argbAt(const Image& image, int x, int y)
{
    return argbAt(image.surface(), x, y);
}

// The colour of an opaque pixel as 0xRRGGBB.
inline uint32_t rgbAt(const Image& image, int x, int y)
{
    return argbAt(image, x, y) & 0xFFFFFFu;
}
