#pragma once

#include "platform/ui/graphics/GraphicsContext.h"

#include <memory>

class Image;

// Draws into a new image of a given size: while it exists its context is the
// current one, so view and layer drawing lands in the image.
class ImageContext {
public:
    explicit ImageContext(Size size, double scale = 1.0);
    ~ImageContext();
    ImageContext(const ImageContext&) = delete;
    ImageContext& operator=(const ImageContext&) = delete;

    GraphicsContext& context() { return *m_context; }
    // A snapshot of what has been drawn so far.
    std::shared_ptr<Image> image() const;

private:
    GRefPtr<cairo_surface_t> m_surface;
    std::unique_ptr<GraphicsContext> m_context;
    double m_scale;
};
