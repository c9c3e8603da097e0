#include "ads/clickthrough/PellarSearchBar.h"

#include "ads/banners/PellarOldSchoolSingleAdView.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/SearchBar.h"
#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/graphics/ImageContext.h"
#include "platform/ui/views/Screen.h"

PellarSearchBar::PellarSearchBar(
    const Rect& frame, std::shared_ptr<const Image> tileImage, int barStyle, std::optional<Color> tint)
    : View(frame)
{
    Rect barFrame = frame;
    if (tileImage) {
        Rect tile = PellarOldSchoolSingleAdView::rectForTileImage(*tileImage, frame);
        double left = tile.minX() + tile.width();
        barFrame = { left, 0, frame.width() - left, frame.height() };
    }
    m_searchBar = View::make<SearchBar>(barFrame);
    m_searchBar->setBarStyle(barStyle);
    m_searchBar->setTintColor(tint);
    if (tileImage) {
        m_tileImageView = tileImageViewWithFrame(frame, *tileImage, *m_searchBar);
        addSubview(m_tileImageView);
    }
    addSubview(m_searchBar);
    m_searchBar->setAutoresizingMask(AutoresizingFlexibleWidth);
    m_searchBar->setAutocorrectionType(SearchBar::AutocorrectionNo);
    m_searchBar->setAutocapitalizationType(SearchBar::AutocapitalizationNone);
    m_searchBar->setShowsCancelButton(true);
}

std::shared_ptr<ImageView> PellarSearchBar::tileImageViewWithFrame(
    const Rect& frame, const Image& image, SearchBar& searchBar)
{
    double scale = Screen::mainScreen().scale();
    Size barSize = searchBar.bounds().size;
    std::shared_ptr<Image> barPicture;
    {
        ImageContext context(barSize, scale);
        searchBar.layer().renderInContext(context.context());
        barPicture = context.image();
    }
    // The bar's leftmost column, one point wide, which the background repeats.
    std::shared_ptr<Image> column;
    {
        ImageContext context({ 1, barSize.height }, scale);
        context.context().drawImage(*barPicture, Point { 0, 0 });
        column = context.image();
    }
    ImageContext context(frame.size, scale);
    // The column is the same at every x: drawing it stretched once over the
    // width paints what a copy at every x would.
    context.context().drawImage(*column, Rect { 0, 0, frame.width(), frame.height() });
    Rect tile = PellarOldSchoolSingleAdView::rectForTileImage(image, frame);
    PellarOldSchoolSingleAdView::drawTileImage(context.context(), image, tile);
    auto view = View::make<ImageView>(context.image());
    view->setFrame(frame);
    return view;
}

std::shared_ptr<SearchBarDelegate> PellarSearchBar::delegate() const
{
    return m_searchBar->delegate();
}

void PellarSearchBar::setDelegate(std::weak_ptr<SearchBarDelegate> delegate)
{
    m_searchBar->setDelegate(std::move(delegate));
}

std::string PellarSearchBar::text() const
{
    return m_searchBar->text();
}

void PellarSearchBar::setText(const std::string& text)
{
    m_searchBar->setText(text);
}

std::string PellarSearchBar::placeholder() const
{
    return m_searchBar->placeholder();
}

void PellarSearchBar::setPlaceholder(const std::string& placeholder)
{
    m_searchBar->setPlaceholder(placeholder);
}

void PellarSearchBar::setShowsCancelButton(bool shows)
{
    m_searchBar->setShowsCancelButton(shows);
}

bool PellarSearchBar::becomeFirstResponder()
{
    return m_searchBar->becomeFirstResponder();
}

bool PellarSearchBar::resignFirstResponder()
{
    return m_searchBar->resignFirstResponder();
}
