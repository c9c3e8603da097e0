#include "app/defects/DefectMagnifierView.h"

#include "platform/ui/graphics/Image.h"
#include "platform/ui/graphics/ImageContext.h"
#include "platform/ui/layers/Layer.h"
#include "platform/ui/views/Screen.h"

#include <cairo.h>
#include <cmath>

DefectMagnifierView::DefectMagnifierView(Point origin)
    : View(Rect { origin.x, origin.y, side(Screen::mainScreen().scale()), side(Screen::mainScreen().scale()) })
    , m_pixels(kSpan * kSpan, Color::darkGrayColor())
{
    setUserInteractionEnabled(false);
    setBackgroundColor(Color::black());
}

void DefectMagnifierView::capture(View& screen, Point center, const std::vector<View*>& leaveOut)
{
    double scale = Screen::mainScreen().scale();
    setBounds({ 0, 0, side(scale), side(scale) });
    std::vector<bool> wasHidden;
    for (auto* view : leaveOut) {
        wasHidden.push_back(view->isHidden());
        view->setHidden(true);
    }
    // Only the few pixels around the cursor are drawn: the context is that small.
    int half = kSpan / 2;
    int left = static_cast<int>(center.x) - half, top = static_cast<int>(center.y) - half;
    ImageContext image({ kSpan / scale, kSpan / scale }, scale);
    image.context().translate(-left / scale, -top / scale);
    screen.layer().renderInContext(image.context());
    for (size_t i = 0; i < leaveOut.size(); ++i)
        leaveOut[i]->setHidden(wasHidden[i]);

    auto snapshot = image.image();
    cairo_surface_t* surface = snapshot->surface();
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    int screenWidth = static_cast<int>(std::lround(screen.bounds().width() * scale));
    int screenHeight = static_cast<int>(std::lround(screen.bounds().height() * scale));
    for (int row = 0; row < kSpan; ++row) {
        for (int column = 0; column < kSpan; ++column) {
            int x = left + column, y = top + row;
            Color& pixel = m_pixels[row * kSpan + column];
            if (x < 0 || y < 0 || x >= screenWidth || y >= screenHeight || column >= snapshot->pixelWidth()
                || row >= snapshot->pixelHeight()) {
                pixel = Color::darkGrayColor();
                continue;
            }
            uint32_t argb = reinterpret_cast<const uint32_t*>(data + row * stride)[column];
            pixel = Color::rgba(((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0);
        }
    }
    setNeedsDisplay();
}

void DefectMagnifierView::drawRect(const Rect&)
{
    auto* context = GraphicsContext::current();
    if (!context)
        return;
    double pixel = 1.0 / Screen::mainScreen().scale();
    double block = kZoom * pixel;
    for (int row = 0; row < kSpan; ++row) {
        for (int column = 0; column < kSpan; ++column) {
            context->setFillColor(m_pixels[row * kSpan + column]);
            // One device pixel of black between blocks, so neighbours stay apart.
            context->fillRect({ column * block, row * block, block - pixel, block - pixel });
        }
    }
    // The middle block is the cursor's pixel.
    double middle = (kSpan / 2) * block;
    context->setStrokeColor(Color::whiteColor());
    context->setLineWidth(2 * pixel);
    context->strokeRect({ middle - 2 * pixel, middle - 2 * pixel, block + 3 * pixel, block + 3 * pixel });
}
