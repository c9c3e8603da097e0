#pragma once

#include "platform/ui/graphics/Size.h"

#include "platform/ui/graphics/CairoRefPtr.h"

#include <cairo.h>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// An immutable bitmap: a Cairo ARGB32 surface plus the number of pixels per
// point. Decoding goes through gdk-pixbuf, and only for the raster formats
// images come in here: the bytes must start with a PNG, JPEG or GIF
// signature before any loader sees them (other loaders parse vector and
// container formats whose cost has no bound). The size is checked against
// the caller's limits before any pixel is decoded, so a small file
// announcing a huge image cannot exhaust memory, and an image must decode
// completely: a truncated file is not an image, rather than half of one.
class Image {
public:
    // Largest image we decode: 4096 × 4096 pixels, far more than any screen here.
    static constexpr long long kMaxPixels = 4096LL * 4096LL;

    // PNG, JPEG or GIF bytes; nullptr when they are not such an image, do
    // not decode completely, have more than maxPixels pixels, or (when
    // maxDimension is above 0) are wider or taller than maxDimension.
    // Safe on any thread.
    static std::shared_ptr<Image> decode(
        std::string_view bytes, double scale = 1.0, long long maxPixels = kMaxPixels, int maxDimension = 0);
    // Whether the bytes start with a signature decode() accepts.
    static bool hasRasterSignature(std::string_view bytes);
    static std::shared_ptr<Image> fromFile(const std::string& path, double scale = 1.0);
    // Takes a reference to `surface` (ARGB32 or RGB24).
    static std::shared_ptr<Image> fromSurface(cairo_surface_t* surface, double scale = 1.0);

    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // Size in points.
    Size size() const { return { m_pixelWidth / m_scale, m_pixelHeight / m_scale }; }
    double scale() const { return m_scale; }
    int pixelWidth() const { return m_pixelWidth; }
    int pixelHeight() const { return m_pixelHeight; }
    cairo_surface_t* surface() const { return m_surface.get(); }

    std::optional<std::string> encodePNG() const;
    bool writePNG(const std::string& path) const;

    // "<Image 0x... size:{w, h}>" for descriptions and logs.
    std::string description() const;

private:
    Image(GRefPtr<cairo_surface_t>, double scale);

    GRefPtr<cairo_surface_t> m_surface;
    int m_pixelWidth;
    int m_pixelHeight;
    double m_scale;
};
