#include "platform/ui/views/Window.h"

#include "platform/foundation/RunLoop.h"
#include "platform/ui/views/Application.h"

#include <cmath>

Window::Window(const Rect& frame)
    : View(frame)
{
    // Windows start hidden, as the platform's do; makeKeyAndVisible shows them.
    View::setHidden(true);
    layer().setCompositeObserver([this] { setNeedsComposite(); });
}

Window::~Window()
{
    layer().setCompositeObserver(nullptr);
}

void Window::setWindowLevel(double level)
{
    m_level = level;
    Application::shared().windowOrderChanged();
}

void Window::makeKeyAndVisible()
{
    setHidden(false);
    Application::shared().addWindow(std::static_pointer_cast<Window>(shared_from_this()));
    makeKeyWindow();
}

void Window::makeKeyWindow()
{
    Application::shared().setKeyWindow(std::static_pointer_cast<Window>(shared_from_this()));
}

bool Window::isKeyWindow() const
{
    return Application::shared().keyWindow().get() == this;
}

bool Window::isVisible() const
{
    return !isHidden() && Application::shared().hasWindow(this);
}

Point Window::convertPointFromScreen(Point p) const
{
    Rect f = frame();
    return { p.x - f.minX(), p.y - f.minY() };
}

Point Window::convertPointToScreen(Point p) const
{
    return { p.x + frame().minX(), p.y + frame().minY() };
}

void Window::setNeedsComposite()
{
    m_needsComposite = true;
    Application::shared().setNeedsDisplay();
}

cairo_surface_t* Window::composite(double scale)
{
    Rect f = frame();
    int width = std::max(1, static_cast<int>(std::ceil(f.width() * scale)));
    int height = std::max(1, static_cast<int>(std::ceil(f.height() * scale)));
    if (!m_surface || m_surfaceScale != scale || cairo_image_surface_get_width(m_surface.get()) != width
        || cairo_image_surface_get_height(m_surface.get()) != height) {
        m_surface = adoptGRef(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
        m_surfaceScale = scale;
        m_needsComposite = true;
    }
    if (!m_needsComposite)
        return m_surface.get();
    m_needsComposite = false;
    layoutIfNeeded();
    auto owner = adoptGRef(cairo_create(m_surface.get()));
    cairo_t* cr = owner.get();
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_scale(cr, scale, scale);
    // The window's own position is the host's business: draw it at the origin.
    cairo_translate(cr, -f.minX(), -f.minY());
    bool hidden = layer().isHidden();
    if (hidden)
        layer().setHidden(false);
    layer().render(cr, scale, RunLoop::main().now());
    if (hidden)
        layer().setHidden(true);
    owner.clear();
    cairo_surface_flush(m_surface.get());
    // Setting hidden back and forth must not count as a change.
    m_needsComposite = false;
    return m_surface.get();
}

Responder* Window::nextResponder() const
{
    return nullptr;
}
