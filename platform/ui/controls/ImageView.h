#pragma once

#include "platform/ui/views/View.h"

#include <memory>

class Image;

// Shows an image stretched over its bounds. Like the platform's, it takes no
// touches unless told to.
class ImageView : public View {
public:
    explicit ImageView(const Rect& frame = {});
    explicit ImageView(std::shared_ptr<Image>);

    const std::shared_ptr<Image>& image() const { return m_image; }
    void setImage(std::shared_ptr<Image>);

    void applyInterfaceProperties(const InterfaceProperties&) override;
    void drawRect(const Rect&) override;
    Size sizeThatFits(Size) const override;

private:
    std::shared_ptr<Image> m_image;
};
