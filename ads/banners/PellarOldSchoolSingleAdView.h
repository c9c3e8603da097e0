#pragma once

#include "ads/banners/PellarSingleAdView.h"
#include "platform/ui/graphics/Font.h"

#include <optional>
#include <string>
#include <vector>

class GraphicsContext;
class Image;

// The classic banner. A text ad shows a shiny background in the ad's colour,
// the ad's icon with rounded, bevelled corners at the left, its text in bold
// (with the "Ads by Pellar" attribution under it when there is room) and the
// action icon at the right; an image banner shows its image alone. A tap
// inside the banner becomes a click carrying the touch records since the
// previous click.
//
// The bevelled-tile helpers are shared with the search banner and the search
// screen's bar.
class PellarOldSchoolSingleAdView : public PellarSingleAdView {
public:
    static constexpr double kIconLeftMargin = 4;
    static constexpr double kIconCornerRadius = 6.5;
    static constexpr double kIconTextGap = 8;
    static constexpr double kActionIconRightMargin = 4;
    static constexpr double kTextActionIconGap = 8;
    // A taller text block leaves no room for the attribution.
    static constexpr double kMaxTextHeightWithAttribution = 24;
    static constexpr double kAttributionGap = 4;
    static constexpr double kShineEnd = 0.4375;
    static constexpr double kTileImageX = 6;
    static constexpr const char* kAttributionKey = "Ads by Pellar";
    static Font textFont();
    static Font attributionFont();

    explicit PellarOldSchoolSingleAdView(const Rect& frame);

    // Takes the ad and puts its action icon at the right.
    void setAd(std::shared_ptr<PellarAd>) override;
    void setActionIcon(std::shared_ptr<const Image>);

    void drawRect(const Rect&) override;
    void drawShineBackgroundWithBaseColor(GraphicsContext&, const Color&);

    // Seconds since the first drawing with a ready ad; 0 before it.
    double timeIntervalSinceFirstRender() const;
    const std::optional<double>& dateOfFirstRender() const { return m_dateOfFirstRender; }
    bool touchIsInSelf(const Touch&) const;
    const std::vector<std::string>& storedTouches() const { return m_storedTouches; }

    void touchesBegan(const TouchSet&, const Event&) override;
    void touchesMoved(const TouchSet&, const Event&) override;
    void touchesEnded(const TouchSet&, const Event&) override;
    void touchesCancelled(const TouchSet&, const Event&) override;

    // Sends the click with the stored touch records, then forgets them.
    virtual void clickDidHappen();

    // Bevelled tiles.
    static Size sizeWithBevelsAndRoundedCornersForImage(const Image&);
    static Rect rectForTileImage(const Image&, const Rect& parentContainer);
    static void drawTileImage(GraphicsContext&, const Image&, const Rect&);
    static void drawImageWithBevelsAndRoundedCorners(GraphicsContext&, const Image&, Point, double radius);

protected:
    // Sets the date of the first drawing, once.
    void noteFirstRender();

private:
    // On the run loop's clock.
    std::optional<double> m_dateOfFirstRender;
    std::vector<std::string> m_storedTouches;
};
