#include "platform/ui/graphics/GraphicsContext.h"

#include "platform/ui/graphics/CairoStateSaver.h"
#include "platform/ui/graphics/Image.h"

#include <cmath>

static std::vector<GraphicsContext*>& contextStack()
{
    static std::vector<GraphicsContext*> stack;
    return stack;
}

GraphicsContext::GraphicsContext(cairo_t* cr)
    : m_owner(cr)
    , m_cr(m_owner.get())
{
    cairo_set_line_width(m_cr, 1.0);
}

GraphicsContext::~GraphicsContext() = default;

GraphicsContext* GraphicsContext::current()
{
    auto& stack = contextStack();
    return stack.empty() ? nullptr : stack.back();
}

void GraphicsContext::push(GraphicsContext* context)
{
    contextStack().push_back(context);
}

void GraphicsContext::pop()
{
    auto& stack = contextStack();
    if (!stack.empty())
        stack.pop_back();
}

void GraphicsContext::saveGState()
{
    cairo_save(m_cr);
    m_saved.push_back(m_state);
}

void GraphicsContext::restoreGState()
{
    // An unbalanced restore is ignored rather than corrupting Cairo's state.
    if (m_saved.empty())
        return;
    cairo_restore(m_cr);
    m_state = m_saved.back();
    m_saved.pop_back();
}

void GraphicsContext::setFillColor(const Color& color)
{
    m_state.fill = color;
}

void GraphicsContext::setStrokeColor(const Color& color)
{
    m_state.stroke = color;
}

void GraphicsContext::setLineWidth(double width)
{
    cairo_set_line_width(m_cr, width);
}

void GraphicsContext::setAlpha(double alpha)
{
    m_state.alpha = std::clamp(alpha, 0.0, 1.0);
}

void GraphicsContext::setSource(const Color& color)
{
    cairo_set_source_rgba(m_cr, color.red, color.green, color.blue, color.alpha * m_state.alpha);
}

void GraphicsContext::translate(double x, double y)
{
    cairo_translate(m_cr, x, y);
}

void GraphicsContext::scale(double sx, double sy)
{
    cairo_scale(m_cr, sx, sy);
}

void GraphicsContext::rotate(double radians)
{
    cairo_rotate(m_cr, radians);
}

void GraphicsContext::concat(const AffineTransform& t)
{
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, t.a, t.b, t.c, t.d, t.tx, t.ty);
    cairo_transform(m_cr, &matrix);
}

void GraphicsContext::beginPath()
{
    cairo_new_path(m_cr);
}

void GraphicsContext::moveTo(double x, double y)
{
    cairo_move_to(m_cr, x, y);
}

void GraphicsContext::addLineTo(double x, double y)
{
    if (!cairo_has_current_point(m_cr))
        cairo_move_to(m_cr, x, y);
    else
        cairo_line_to(m_cr, x, y);
}

void GraphicsContext::addArc(double x, double y, double radius, double startAngle, double endAngle, bool clockwise)
{
    if (clockwise)
        cairo_arc_negative(m_cr, x, y, radius, startAngle, endAngle);
    else
        cairo_arc(m_cr, x, y, radius, startAngle, endAngle);
}

void GraphicsContext::addArcToPoint(double x1, double y1, double x2, double y2, double radius)
{
    if (!cairo_has_current_point(m_cr)) {
        cairo_move_to(m_cr, x1, y1);
        return;
    }
    double x0, y0;
    cairo_get_current_point(m_cr, &x0, &y0);
    // Unit vectors from the corner towards both ends.
    double ax = x0 - x1, ay = y0 - y1, bx = x2 - x1, by = y2 - y1;
    double la = std::hypot(ax, ay), lb = std::hypot(bx, by);
    if (la == 0 || lb == 0 || radius <= 0) {
        cairo_line_to(m_cr, x1, y1);
        return;
    }
    ax /= la;
    ay /= la;
    bx /= lb;
    by /= lb;
    double cosine = ax * bx + ay * by;
    double angle = std::acos(std::clamp(cosine, -1.0, 1.0));
    // Collinear lines: no circle touches both, the platform draws a line to the corner.
    if (angle < 1e-9 || std::abs(angle - M_PI) < 1e-9) {
        cairo_line_to(m_cr, x1, y1);
        return;
    }
    double tangentDistance = radius / std::tan(angle / 2);
    double t1x = x1 + ax * tangentDistance, t1y = y1 + ay * tangentDistance;
    double t2x = x1 + bx * tangentDistance, t2y = y1 + by * tangentDistance;
    double bisectorX = ax + bx, bisectorY = ay + by;
    double bisectorLength = std::hypot(bisectorX, bisectorY);
    double centerDistance = radius / std::sin(angle / 2);
    double cx = x1 + bisectorX / bisectorLength * centerDistance;
    double cy = y1 + bisectorY / bisectorLength * centerDistance;
    double start = std::atan2(t1y - cy, t1x - cx);
    double end = std::atan2(t2y - cy, t2x - cx);
    cairo_line_to(m_cr, t1x, t1y);
    // The turn direction decides which way round the short arc goes.
    double cross = (x1 - x0) * (y2 - y1) - (y1 - y0) * (x2 - x1);
    if (cross > 0)
        cairo_arc(m_cr, cx, cy, radius, start, end);
    else
        cairo_arc_negative(m_cr, cx, cy, radius, start, end);
}

void GraphicsContext::addRect(const Rect& r)
{
    cairo_rectangle(m_cr, r.origin.x, r.origin.y, r.size.width, r.size.height);
}

void GraphicsContext::closePath()
{
    cairo_close_path(m_cr);
}

bool GraphicsContext::isPathEmpty() const
{
    double x0, y0, x1, y1;
    cairo_path_extents(m_cr, &x0, &y0, &x1, &y1);
    return !cairo_has_current_point(m_cr) && x0 == x1 && y0 == y1;
}

void GraphicsContext::fillPath()
{
    setSource(m_state.fill);
    cairo_fill(m_cr);
}

void GraphicsContext::strokePath()
{
    setSource(m_state.stroke);
    cairo_stroke(m_cr);
}

void GraphicsContext::clip()
{
    cairo_clip(m_cr);
}

void GraphicsContext::clipToRect(const Rect& r)
{
    cairo_new_path(m_cr);
    addRect(r);
    cairo_clip(m_cr);
}

void GraphicsContext::fillRect(const Rect& r)
{
    cairo_new_path(m_cr);
    addRect(r);
    fillPath();
}

void GraphicsContext::strokeRect(const Rect& r)
{
    cairo_new_path(m_cr);
    addRect(r);
    strokePath();
}

void GraphicsContext::clearRect(const Rect& r)
{
    CairoStateSaver saver(m_cr);
    cairo_set_operator(m_cr, CAIRO_OPERATOR_CLEAR);
    cairo_new_path(m_cr);
    addRect(r);
    cairo_fill(m_cr);
}

void GraphicsContext::fillEllipseInRect(const Rect& r)
{
    if (r.isEmpty())
        return;
    cairo_new_path(m_cr);
    {
        // The path keeps the ellipse; the scale that drew it goes.
        CairoStateSaver saver(m_cr);
        cairo_translate(m_cr, r.midX(), r.midY());
        cairo_scale(m_cr, r.width() / 2, r.height() / 2);
        cairo_arc(m_cr, 0, 0, 1, 0, 2 * M_PI);
    }
    fillPath();
}

void GraphicsContext::drawImage(const Image& image, Point point)
{
    Size size = image.size();
    drawImage(image, Rect { point, size });
}

void GraphicsContext::drawImage(const Image& image, const Rect& rect)
{
    if (image.pixelWidth() <= 0 || image.pixelHeight() <= 0 || rect.isEmpty())
        return;
    CairoStateSaver saver(m_cr);
    cairo_new_path(m_cr);
    cairo_translate(m_cr, rect.origin.x, rect.origin.y);
    cairo_scale(m_cr, rect.size.width / image.pixelWidth(), rect.size.height / image.pixelHeight());
    cairo_set_source_surface(m_cr, image.surface(), 0, 0);
    // Pad so edges stay sharp when the image is scaled.
    cairo_pattern_set_extend(cairo_get_source(m_cr), CAIRO_EXTEND_PAD);
    cairo_rectangle(m_cr, 0, 0, image.pixelWidth(), image.pixelHeight());
    cairo_clip(m_cr);
    cairo_paint_with_alpha(m_cr, m_state.alpha);
}

void GraphicsContext::drawLinearGradient(const std::vector<Color>& colors, const std::vector<double>& locations,
    Point start, Point end, bool drawsBeforeStart, bool drawsAfterEnd)
{
    if (colors.empty())
        return;
    auto owner = adoptGRef(cairo_pattern_create_linear(start.x, start.y, end.x, end.y));
    cairo_pattern_t* pattern = owner.get();
    for (size_t i = 0; i < colors.size(); ++i) {
        double location = i < locations.size() ? locations[i]
            : colors.size() == 1               ? 0.0
                                               : static_cast<double>(i) / (colors.size() - 1);
        const Color& c = colors[i];
        cairo_pattern_add_color_stop_rgba(pattern, location, c.red, c.green, c.blue, c.alpha * m_state.alpha);
    }
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    CairoStateSaver saver(m_cr);
    cairo_new_path(m_cr);
    // Padding covers both sides; without an extend flag the band beyond that
    // end is clipped away with a half-plane through the end point.
    double dx = end.x - start.x, dy = end.y - start.y;
    double length = std::hypot(dx, dy);
    if (length > 0 && (!drawsBeforeStart || !drawsAfterEnd)) {
        double ux = dx / length, uy = dy / length; // along the gradient
        double px = -uy, py = ux; // across it
        const double far = 1e5;
        double from = drawsBeforeStart ? -far : 0;
        double to = drawsAfterEnd ? length + far : length;
        auto corner = [&](double along, double across) {
            return Point { start.x + ux * along + px * across, start.y + uy * along + py * across };
        };
        Point p0 = corner(from, -far), p1 = corner(to, -far), p2 = corner(to, far), p3 = corner(from, far);
        cairo_move_to(m_cr, p0.x, p0.y);
        cairo_line_to(m_cr, p1.x, p1.y);
        cairo_line_to(m_cr, p2.x, p2.y);
        cairo_line_to(m_cr, p3.x, p3.y);
        cairo_close_path(m_cr);
        cairo_clip(m_cr);
    }
    cairo_set_source(m_cr, pattern);
    cairo_paint(m_cr);
}

Size GraphicsContext::drawText(
    const std::string& text, const Rect& rect, const Font& font, LineBreakMode mode, TextAlignment alignment)
{
    if (text.empty())
        return {};
    Size size = font.sizeWithText(text, rect.size, mode);
    auto layout = font.createLayout(m_cr, text, rect.size.width, mode, alignment);
    CairoStateSaver saver(m_cr);
    cairo_new_path(m_cr);
    // Lines beyond the rectangle's height are not drawn.
    cairo_rectangle(m_cr, rect.origin.x - 2, rect.origin.y, rect.size.width + 4, std::max(size.height, 0.0) + 1);
    cairo_clip(m_cr);
    setSource(m_state.fill);
    cairo_move_to(m_cr, rect.origin.x, rect.origin.y);
    pango_cairo_show_layout(m_cr, layout.get());
    return size;
}

Size GraphicsContext::drawText(const std::string& text, Point point, const Font& font)
{
    if (text.empty())
        return {};
    {
        auto layout = font.createLayout(m_cr, text, 0, LineBreakMode::Clip);
        CairoStateSaver saver(m_cr);
        setSource(m_state.fill);
        cairo_move_to(m_cr, point.x, point.y);
        pango_cairo_show_layout(m_cr, layout.get());
    }
    return font.sizeWithText(text);
}
