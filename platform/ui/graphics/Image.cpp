#include "platform/ui/graphics/Image.h"

#include "platform/foundation/StringUtilities.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

Image::Image(GRefPtr<cairo_surface_t> surface, double scale)
    : m_surface(std::move(surface))
    , m_pixelWidth(cairo_image_surface_get_width(m_surface.get()))
    , m_pixelHeight(cairo_image_surface_get_height(m_surface.get()))
    , m_scale(scale > 0 ? scale : 1.0)
{
}

Image::~Image() = default;

std::shared_ptr<Image> Image::fromSurface(cairo_surface_t* surface, double scale)
{
    if (!surface || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    return std::shared_ptr<Image>(new Image(GRefPtr<cairo_surface_t>(surface), scale));
}

namespace {

enum class RasterFormat { PNG, JPEG, GIF };

std::optional<RasterFormat> rasterFormatOf(std::string_view bytes)
{
    if (bytes.starts_with(std::string_view("\x89PNG\r\n\x1a\n", 8)))
        return RasterFormat::PNG;
    if (bytes.starts_with("\xff\xd8\xff"))
        return RasterFormat::JPEG;
    if (bytes.starts_with("GIF87a") || bytes.starts_with("GIF89a"))
        return RasterFormat::GIF;
    return std::nullopt;
}

const char* loaderType(RasterFormat format)
{
    switch (format) {
    case RasterFormat::PNG:
        return "png";
    case RasterFormat::JPEG:
        return "jpeg";
    case RasterFormat::GIF:
        return "gif";
    }
    return "png";
}

uint32_t bigEndian32(std::string_view bytes, size_t at)
{
    auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])); };
    return (byte(0) << 24) | (byte(1) << 16) | (byte(2) << 8) | byte(3);
}

// The loaders show whatever rows arrived when a file stops early, so the
// file's own structure says whether all of it is there: a PNG's chunks run
// whole up to IEND, a JPEG carries its end-of-image marker, a GIF ends with
// its trailer byte.
bool isStructurallyComplete(RasterFormat format, std::string_view bytes)
{
    switch (format) {
    case RasterFormat::PNG: {
        size_t at = 8;
        while (at + 12 <= bytes.size()) {
            uint64_t length = bigEndian32(bytes, at);
            std::string_view type = bytes.substr(at + 4, 4);
            if (length > bytes.size() - at - 12)
                return false;
            if (type == "IEND")
                return true;
            at += 12 + length;
        }
        return false;
    }
    case RasterFormat::JPEG:
        // Writers may pad after the marker; the marker itself must be there,
        // after the last scan's data.
        return bytes.size() >= 4 && bytes.rfind("\xff\xd9") != std::string_view::npos
            && bytes.rfind("\xff\xd9") > bytes.rfind("\xff\xda");
    case RasterFormat::GIF: {
        size_t end = bytes.find_last_not_of('\0');
        return end != std::string_view::npos && bytes[end] == '\x3b';
    }
    }
    return false;
}

struct DecodeGuard {
    long long maxPixels;
    int maxDimension;
    bool tooLarge { false };
    int height { 0 };
    int lowestRowSeen { 0 }; // rows below this one have been decoded at least once
};

void sizePrepared(GdkPixbufLoader* loader, gint width, gint height, gpointer data)
{
    auto* guard = static_cast<DecodeGuard*>(data);
    bool tooWide = guard->maxDimension > 0 && (width > guard->maxDimension || height > guard->maxDimension);
    if (width <= 0 || height <= 0 || tooWide || static_cast<long long>(width) * height > guard->maxPixels) {
        guard->tooLarge = true;
        // A zero size makes the loaders stop before they allocate anything;
        // asking for a scaled-down result would not: they decode the full
        // image first and scale it afterwards.
        gdk_pixbuf_loader_set_size(loader, 0, 0);
        return;
    }
    guard->height = height;
}

void areaUpdated(GdkPixbufLoader*, gint, gint y, gint, gint height, gpointer data)
{
    auto* guard = static_cast<DecodeGuard*>(data);
    guard->lowestRowSeen = std::max(guard->lowestRowSeen, y + height);
}

// gdk-pixbuf gives non-premultiplied RGBA; Cairo wants premultiplied native-endian ARGB.
GRefPtr<cairo_surface_t> surfaceFromPixbuf(GdkPixbuf* pixbuf)
{
    int width = gdk_pixbuf_get_width(pixbuf);
    int height = gdk_pixbuf_get_height(pixbuf);
    int channels = gdk_pixbuf_get_n_channels(pixbuf);
    int stride = gdk_pixbuf_get_rowstride(pixbuf);
    bool hasAlpha = gdk_pixbuf_get_has_alpha(pixbuf);
    const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
    auto owner = adoptGRef(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    cairo_surface_t* surface = owner.get();
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
        return owner;
    cairo_surface_flush(surface);
    unsigned char* out = cairo_image_surface_get_data(surface);
    int outStride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        const guchar* in = pixels + static_cast<size_t>(y) * stride;
        auto* row = reinterpret_cast<uint32_t*>(out + static_cast<size_t>(y) * outStride);
        for (int x = 0; x < width; ++x, in += channels) {
            uint32_t a = hasAlpha ? in[3] : 255;
            uint32_t r = (in[0] * a + 127) / 255, g = (in[1] * a + 127) / 255, b = (in[2] * a + 127) / 255;
            row[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    cairo_surface_mark_dirty(surface);
    return owner;
}

} // namespace

bool Image::hasRasterSignature(std::string_view bytes)
{
    return rasterFormatOf(bytes).has_value();
}

std::shared_ptr<Image> Image::decode(std::string_view bytes, double scale, long long maxPixels, int maxDimension)
{
    auto format = rasterFormatOf(bytes);
    if (!format || !isStructurallyComplete(*format, bytes))
        return nullptr;
    // The reasons are not wanted: any failure means "no image".
    GUniqueOutPtr<GError> error;
    // The loader for the format the signature names, never one picked by sniffing.
    auto loader = adoptGRef(gdk_pixbuf_loader_new_with_type(loaderType(*format), error.outPtr()));
    if (!loader)
        return nullptr;
    DecodeGuard guard { maxPixels, maxDimension };
    g_signal_connect(loader.get(), "size-prepared", G_CALLBACK(sizePrepared), &guard);
    g_signal_connect(loader.get(), "area-updated", G_CALLBACK(areaUpdated), &guard);
    bool ok = gdk_pixbuf_loader_write(
                  loader.get(), reinterpret_cast<const guchar*>(bytes.data()), bytes.size(), error.outPtr())
        && !guard.tooLarge;
    // Closing always, even after a failure, so the loader releases its state.
    bool closed = gdk_pixbuf_loader_close(loader.get(), error.outPtr());
    bool complete = guard.height > 0 && guard.lowestRowSeen >= guard.height;
    if (!ok || !closed || !complete || guard.tooLarge)
        return nullptr;
    GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.get());
    if (!pixbuf)
        return nullptr;
    auto surface = surfaceFromPixbuf(pixbuf);
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    return std::shared_ptr<Image>(new Image(std::move(surface), scale));
}

std::shared_ptr<Image> Image::fromFile(const std::string& path, double scale)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return nullptr;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return decode(bytes, scale);
}

std::optional<std::string> Image::encodePNG() const
{
    std::string out;
    auto status = cairo_surface_write_to_png_stream(
        m_surface.get(),
        [](void* closure, const unsigned char* data, unsigned int length) {
            static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
            return CAIRO_STATUS_SUCCESS;
        },
        &out);
    if (status != CAIRO_STATUS_SUCCESS)
        return std::nullopt;
    return out;
}

bool Image::writePNG(const std::string& path) const
{
    return cairo_surface_write_to_png(m_surface.get(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

std::string Image::description() const
{
    char size[64];
    std::snprintf(size, sizeof size, "{%g, %g}", this->size().width, this->size().height);
    return "<Image " + StringUtilities::addressText(this) + " size:" + size + ">";
}
