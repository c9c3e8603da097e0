#include "platform/ui/graphics/ImageContext.h"

#include "platform/ui/graphics/Image.h"

#include <cmath>

ImageContext::ImageContext(Size size, double scale)
    : m_scale(scale > 0 ? scale : 1.0)
{
    int width = std::max(0, static_cast<int>(std::ceil(size.width * m_scale)));
    int height = std::max(0, static_cast<int>(std::ceil(size.height * m_scale)));
    m_surface = adoptGRef(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    auto cr = adoptGRef(cairo_create(m_surface.get()));
    cairo_scale(cr.get(), m_scale, m_scale);
    m_context = std::make_unique<GraphicsContext>(cr.get());
    GraphicsContext::push(m_context.get());
}

ImageContext::~ImageContext()
{
    if (GraphicsContext::current() == m_context.get())
        GraphicsContext::pop();
}

std::shared_ptr<Image> ImageContext::image() const
{
    cairo_surface_flush(m_surface.get());
    auto copy = adoptGRef(cairo_image_surface_create(CAIRO_FORMAT_ARGB32,
        cairo_image_surface_get_width(m_surface.get()), cairo_image_surface_get_height(m_surface.get())));
    {
        auto cr = adoptGRef(cairo_create(copy.get()));
        cairo_set_source_surface(cr.get(), m_surface.get(), 0, 0);
        cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr.get());
    }
    return Image::fromSurface(copy.get(), m_scale);
}
