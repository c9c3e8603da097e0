#include "platform/ui/controls/ImageView.h"

#include "platform/foundation/Bundle.h"
#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/views/InterfaceProperties.h"

ImageView::ImageView(const Rect& frame)
    : View(frame)
{
    setUserInteractionEnabled(false);
}

ImageView::ImageView(std::shared_ptr<Image> image)
    : View(image ? Rect { { 0, 0 }, image->size() } : Rect {})
    , m_image(std::move(image))
{
    setUserInteractionEnabled(false);
}

void ImageView::setImage(std::shared_ptr<Image> image)
{
    m_image = std::move(image);
    setNeedsDisplay();
}

void ImageView::drawRect(const Rect&)
{
    auto* context = GraphicsContext::current();
    if (!context || !m_image) {
        View::drawRect({});
        return;
    }
    context->drawImage(*m_image, bounds());
}

Size ImageView::sizeThatFits(Size) const
{
    return m_image ? m_image->size() : Size {};
}

void ImageView::applyInterfaceProperties(const InterfaceProperties& properties)
{
    View::applyInterfaceProperties(properties);
    // A resource of the main bundle.
    std::string name = properties.string("image");
    if (!name.empty()) {
        if (auto path = Bundle::mainBundle().pathForResource(name, ""))
            setImage(Image::fromFile(path->string()));
    }
}
