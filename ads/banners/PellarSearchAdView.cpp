#include "ads/banners/PellarSearchAdView.h"

#include "ads/clickthrough/PellarSearchBar.h"
#include "ads/core/PellarAd.h"
#include "ads/core/PellarAdDelegate.h"
#include "ads/core/PellarLocalizer.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/SearchBar.h"
#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/graphics/ImageContext.h"
#include "platform/ui/views/Screen.h"

#include <algorithm>

PellarSearchAdView::PellarSearchAdView(const Rect& frame)
    : PellarOldSchoolSingleAdView(frame)
{
}

void PellarSearchAdView::setAd(std::shared_ptr<PellarAd> ad)
{
    // The base's banner would add an action icon; this one has none.
    PellarSingleAdView::setAd(std::move(ad));
    composePicture();
    setNeedsDisplay();
}

void PellarSearchAdView::composePicture()
{
    m_searchAdImage = nullptr;
    auto& shown = ad();
    if (!shown)
        return;
    double W = bounds().width();
    double H = bounds().height();
    Font font = Font::fontWithName("Helvetica", kAttributionFontSize);
    std::string attribution = PellarLocalizer::sharedLocalizer().localizedStringForKey(kAttributionKey);
    Size wrapped = font.sizeWithText(attribution, { kAttributionWrapWidth, H });
    m_attributionRect = { W - kRightMargin - wrapped.width, (H - wrapped.height) * 0.5, wrapped.width,
        wrapped.height * kAttributionHeightFactor };

    double tileRight = 0;
    if (shown->userImage()) {
        Rect tile = rectForTileImage(*shown->userImage(), bounds());
        tileRight = tile.minX() + tile.width();
    }
    // From the tile's right edge to the gap before the attribution (which
    // sits inside the right margin).
    m_searchBarRect
        = { tileRight, 0, std::max(0.0, W - tileRight - wrapped.width - kRightMargin - kBarAttributionGap), H };

    double scale = Screen::mainScreen().scale();
    auto bar = View::make<SearchBar>(m_searchBarRect);
    bar->setTintColor(shown->backgroundColor());
    bar->setPlaceholder(shown->text().value_or(""));
    std::shared_ptr<Image> barPicture;
    {
        ImageContext context(m_searchBarRect.size, scale);
        bar->layer().renderInContext(context.context());
        barPicture = context.image();
    }

    ImageContext context({ W, H }, scale);
    if (shown->userImage()) {
        auto tileView = PellarSearchBar::tileImageViewWithFrame(bounds(), *shown->userImage(), *bar);
        tileView->layer().renderInContext(context.context());
    }
    context.context().drawImage(*barPicture, m_searchBarRect);
    context.context().setFillColor(shown->textColor());
    context.context().drawText(attribution, m_attributionRect, font);
    m_searchAdImage = View::make<ImageView>(context.image());
}

void PellarSearchAdView::drawRect(const Rect&)
{
    auto* context = GraphicsContext::current();
    auto& shown = ad();
    if (!context || !shown)
        return;
    noteFirstRender();
    if (m_searchAdImage && m_searchAdImage->image())
        context->drawImage(*m_searchAdImage->image(), bounds());
    shown->loadAccountingPixel();
}

void PellarSearchAdView::clickDidHappen()
{
    auto shown = ad();
    if (!shown)
        return;
    auto owner = shown->adDelegate();
    if (!owner)
        return;
    auto placeholder = shown->searchPlaceholder() ? shown->searchPlaceholder() : shown->text();
    // The owner may replace this banner inside the call.
    auto protectedThis = shared_from_this();
    owner->displaySearchWithAd(*shown, placeholder, shown->searchHelpURL());
}
