#include "platform/ui/graphics/ImageContext.h"

#include "platform/ui/graphics/Image.h"

#include <cmath>

ImageContext::ImageContext(Size size, double scale)
    : m_scale(scale > 0 ? scale : 1.0)
{
    int width = std::max(0, static_cast<int>(std::ceil(size.width * m_scale)));
    int height = std::max(0, static_cast<int>(std::ceil(size.height * m_scale)));
    m_surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(m_surface);
    cairo_scale(cr, m_scale, m_scale);
    m_context = std::make_unique<GraphicsContext>(cr);
    cairo_destroy(cr);
    GraphicsContext::push(m_context.get());
}

ImageContext::~ImageContext()
{
    if (GraphicsContext::current() == m_context.get())
        GraphicsContext::pop();
    m_context.reset();
    cairo_surface_destroy(m_surface);
}

std::shared_ptr<Image> ImageContext::image() const
{
    cairo_surface_flush(m_surface);
    cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32,
        cairo_image_surface_get_width(m_surface), cairo_image_surface_get_height(m_surface));
    cairo_t* cr = cairo_create(copy);
    cairo_set_source_surface(cr, m_surface, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    auto image = Image::fromSurface(copy, m_scale);
    cairo_surface_destroy(copy);
    return image;
}
