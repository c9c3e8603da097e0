#include "app/TestPatternView.h"

#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/views/Screen.h"

#include <cairo.h>
#include <cmath>
#include <cstdint>

namespace {

struct PatternInfo {
    TestPatternView::Pattern pattern;
    const char* name;
    double grey; // the level of a flat grey, else 0
};

constexpr PatternInfo kPatterns[] = {
    { TestPatternView::Pattern::GreyRamp, "Grey ramp", 0 },
    { TestPatternView::Pattern::RedRamp, "Red ramp", 0 },
    { TestPatternView::Pattern::GreenRamp, "Green ramp", 0 },
    { TestPatternView::Pattern::BlueRamp, "Blue ramp", 0 },
    { TestPatternView::Pattern::Checkerboard, "One-pixel checkerboard", 0 },
    { TestPatternView::Pattern::Grid, "One-pixel grid", 0 },
    { TestPatternView::Pattern::Grey5, "Grey 5 %", 0.05 },
    { TestPatternView::Pattern::Grey25, "Grey 25 %", 0.25 },
    { TestPatternView::Pattern::Grey50, "Grey 50 %", 0.50 },
    { TestPatternView::Pattern::Grey75, "Grey 75 %", 0.75 },
};

const PatternInfo& info(TestPatternView::Pattern pattern)
{
    return kPatterns[static_cast<int>(pattern)];
}

uint32_t rgb(int red, int green, int blue)
{
    return 0xFF000000u | static_cast<uint32_t>(red) << 16 | static_cast<uint32_t>(green) << 8
        | static_cast<uint32_t>(blue);
}

} // namespace

TestPatternView::TestPatternView(const Rect& frame, Pattern pattern)
    : View(frame)
    , m_pattern(pattern)
{
    setUserInteractionEnabled(false);
    setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
    setPattern(pattern);
}

const char* TestPatternView::name(Pattern pattern)
{
    return info(pattern).name;
}

void TestPatternView::setPattern(Pattern pattern)
{
    m_pattern = pattern;
    m_image = nullptr;
    double grey = info(pattern).grey;
    setBackgroundColor(grey > 0 ? Color::white(grey) : Color::black());
    setAccessibilityLabel(std::string(name(pattern)));
    setNeedsDisplay();
}

std::shared_ptr<Image> TestPatternView::render(int width, int height) const
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            // Ramps run from black at the left edge to full at the right, one
            // level a step, so every step of the panel's range is there to see.
            int level = width > 1 ? static_cast<int>(std::lround(255.0 * x / (width - 1))) : 255;
            switch (m_pattern) {
            case Pattern::GreyRamp:
                row[x] = rgb(level, level, level);
                break;
            case Pattern::RedRamp:
                row[x] = rgb(level, 0, 0);
                break;
            case Pattern::GreenRamp:
                row[x] = rgb(0, level, 0);
                break;
            case Pattern::BlueRamp:
                row[x] = rgb(0, 0, level);
                break;
            case Pattern::Checkerboard:
                row[x] = (x + y) % 2 ? rgb(0, 0, 0) : rgb(255, 255, 255);
                break;
            case Pattern::Grid:
                row[x] = x % kGridSpacing == 0 || y % kGridSpacing == 0 ? rgb(255, 255, 255) : rgb(0, 0, 0);
                break;
            default:
                break;
            }
        }
    }
    cairo_surface_mark_dirty(surface);
    auto image = Image::fromSurface(surface, Screen::mainScreen().scale());
    cairo_surface_destroy(surface);
    return image;
}

void TestPatternView::drawRect(const Rect&)
{
    if (info(m_pattern).grey > 0)
        return; // a flat grey is the background alone
    auto* context = GraphicsContext::current();
    if (!context)
        return;
    double scale = Screen::mainScreen().scale();
    int width = static_cast<int>(std::lround(bounds().width() * scale));
    int height = static_cast<int>(std::lround(bounds().height() * scale));
    if (!m_image || m_image->pixelWidth() != width || m_image->pixelHeight() != height || m_image->scale() != scale)
        m_image = render(width, height);
    if (!m_image)
        return;
    // One image pixel on one device pixel: nothing is filtered.
    cairo_t* cr = context->cairo();
    cairo_save(cr);
    cairo_scale(cr, 1.0 / scale, 1.0 / scale);
    cairo_set_source_surface(cr, m_image->surface(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_fill(cr);
    cairo_restore(cr);
}
