#pragma once

#include "platform/ui/graphics/Color.h"
#include "platform/ui/views/View.h"

#include <memory>
#include <optional>
#include <string>

class Image;
class ImageView;
class SearchBar;
class SearchBarDelegate;

// The search screen's bar: a platform search bar that leaves room at its left
// for the ad's tile image, which sits on a background continuing the search
// bar's own look (its left edge spread over the whole width). Text,
// placeholder, delegate, the cancel button and first-responder changes are
// the inner bar's. The search banner draws its picture with the same tile view.
class PellarSearchBar final : public View {
public:
    PellarSearchBar(const Rect& frame, std::shared_ptr<const Image> tileImage, int barStyle, std::optional<Color> tint);

    // An image view of `frame` showing the search bar's left edge spread over
    // the whole frame and the tile image drawn over it as a bevelled tile.
    static std::shared_ptr<ImageView> tileImageViewWithFrame(const Rect& frame, const Image&, SearchBar&);

    std::shared_ptr<SearchBarDelegate> delegate() const;
    void setDelegate(std::weak_ptr<SearchBarDelegate>);
    std::string text() const;
    void setText(const std::string&);
    std::string placeholder() const;
    void setPlaceholder(const std::string&);
    void setShowsCancelButton(bool);

    bool canBecomeFirstResponder() const override { return true; }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;

    const std::shared_ptr<ImageView>& tileImageView() const { return m_tileImageView; }
    const std::shared_ptr<SearchBar>& searchBar() const { return m_searchBar; }

private:
    std::shared_ptr<ImageView> m_tileImageView;
    std::shared_ptr<SearchBar> m_searchBar;
};
