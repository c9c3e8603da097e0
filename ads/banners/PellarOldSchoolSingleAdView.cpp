#include "ads/banners/PellarOldSchoolSingleAdView.h"

#include "ads/core/PellarAd.h"
#include "ads/core/PellarController.h"
#include "ads/core/PellarLocalizer.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/graphics/GraphicsContext.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/graphics/ShineGradient.h"
#include "json/JSONValue.h"

#include <algorithm>
#include <numbers>
#include <span>

Font PellarOldSchoolSingleAdView::textFont()
{
    return Font::fontWithName("Helvetica-Bold", 13);
}

Font PellarOldSchoolSingleAdView::attributionFont()
{
    return Font::fontWithName("Helvetica", 9.5);
}

PellarOldSchoolSingleAdView::PellarOldSchoolSingleAdView(const Rect& frame)
    : PellarSingleAdView(frame)
{
}

void PellarOldSchoolSingleAdView::setAd(std::shared_ptr<PellarAd> ad)
{
    PellarSingleAdView::setAd(std::move(ad));
    setActionIcon(this->ad() ? this->ad()->actionImage() : nullptr);
}

void PellarOldSchoolSingleAdView::setActionIcon(std::shared_ptr<const Image> image)
{
    if (auto old = clickAnimationView())
        old->removeFromSuperview();
    // An ad without an icon still gets an (empty) icon view, so the click
    // feedback runs the same way for every text and image banner.
    auto iconView = View::make<ImageView>(std::const_pointer_cast<Image>(std::move(image)));
    Size size = iconView->image() ? iconView->image()->size() : Size {};
    Rect b = bounds();
    iconView->setFrame({ b.size.width - kActionIconRightMargin - size.width, (b.size.height - size.height) * 0.5,
        size.width, size.height });
    addSubview(iconView);
    setClickAnimationView(iconView);
}

double PellarOldSchoolSingleAdView::timeIntervalSinceFirstRender() const
{
    if (!m_dateOfFirstRender)
        return 0;
    return RunLoop::main().now() - *m_dateOfFirstRender;
}

void PellarOldSchoolSingleAdView::noteFirstRender()
{
    if (!m_dateOfFirstRender)
        m_dateOfFirstRender = RunLoop::main().now();
}

void PellarOldSchoolSingleAdView::drawRect(const Rect&)
{
    auto* context = GraphicsContext::current();
    auto& shown = ad();
    if (!context || !shown || !shown->readyForDisplay())
        return;
    noteFirstRender();

    double W = bounds().size.width;
    double H = bounds().size.height;
    if (shown->medium() == PellarAdMedium::Banner) {
        if (shown->userImage())
            context->drawImage(*shown->userImage(), Point { 0, 0 });
        // The accounting pixel goes out from here for image banners only: the
        // ad service counts impressions by what clients send.
        shown->loadAccountingPixel();
        return;
    }
    drawShineBackgroundWithBaseColor(*context, shown->backgroundColor());
    if (shown->medium() != PellarAdMedium::Text)
        return;

    Size iconSize;
    if (auto& icon = shown->userImage()) {
        iconSize = sizeWithBevelsAndRoundedCornersForImage(*icon);
        drawImageWithBevelsAndRoundedCorners(
            *context, *icon, { kIconLeftMargin, (H - iconSize.height) * 0.5 }, kIconCornerRadius);
    }

    double actionWidth = shown->actionImage() ? shown->actionImage()->size().width : 0;
    double leftX = iconSize.width + kIconLeftMargin + kIconTextGap;
    double rightX = W - kActionIconRightMargin - actionWidth - kTextActionIconGap;
    std::string text = shown->text().value_or("");
    Font font = textFont();
    Size textSize = font.sizeWithText(text, { rightX - leftX, H });

    bool withAttribution = textSize.height <= kMaxTextHeightWithAttribution;
    std::string attribution;
    Size attributionSize;
    double blockHeight = textSize.height;
    if (withAttribution) {
        // One line under the text, whatever the strings table says: a
        // translation with line breaks would push the text off the banner.
        attribution = PellarLocalizer::sharedLocalizer().localizedStringForKey(kAttributionKey);
        std::replace_if(
            attribution.begin(), attribution.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
        double lineHeight = attributionFont().sizeWithText("A").height;
        attributionSize = attributionFont().sizeWithText(attribution, { rightX - leftX, lineHeight });
        blockHeight += kAttributionGap + attributionSize.height;
    }
    double textY = (H - blockHeight) * 0.5;
    context->setFillColor(shown->textColor());
    context->drawText(text, { leftX, textY, textSize.width, textSize.height }, font);
    if (withAttribution) {
        context->drawText(attribution,
            { rightX - attributionSize.width, textY + textSize.height + kAttributionGap, attributionSize.width,
                attributionSize.height },
            attributionFont());
    }
}

void PellarOldSchoolSingleAdView::drawShineBackgroundWithBaseColor(GraphicsContext& context, const Color& color)
{
    // The colour lightened over white at the top, blending into the full
    // colour by 43.75 % of the height, and the full colour below.
    ShineGradient::draw(context, bounds(), color, 0.5, kShineEnd);
}

bool PellarOldSchoolSingleAdView::touchIsInSelf(const Touch& touch) const
{
    Point p = touch.locationInView(this);
    return Rect { 0, 0, bounds().size.width, bounds().size.height }.contains(p);
}

void PellarOldSchoolSingleAdView::touchesBegan(const TouchSet& touches, const Event&)
{
    auto touch = touches.anyObject();
    if (!touch)
        return;
    setTouched(true);
    m_storedTouches = recordTouch(*touch, false, this, timeIntervalSinceFirstRender(), std::move(m_storedTouches));
}

void PellarOldSchoolSingleAdView::touchesMoved(const TouchSet& touches, const Event&)
{
    if (auto touch = touches.anyObject())
        setTouched(touchIsInSelf(*touch));
}

void PellarOldSchoolSingleAdView::touchesEnded(const TouchSet& touches, const Event&)
{
    auto touch = touches.anyObject();
    setTouched(false);
    if (!touch)
        return;
    m_storedTouches = recordTouch(*touch, true, this, timeIntervalSinceFirstRender(), std::move(m_storedTouches));
    if (touchIsInSelf(*touch))
        clickDidHappen();
}

void PellarOldSchoolSingleAdView::touchesCancelled(const TouchSet&, const Event&)
{
    setTouched(false);
}

void PellarOldSchoolSingleAdView::clickDidHappen()
{
    std::vector<JSONValue> records;
    records.reserve(m_storedTouches.size());
    for (auto& record : m_storedTouches)
        records.push_back(JSONValue::string(record));
    auto data = JSONValue::dictionary({ { "interactions", JSONValue::array(std::span<const JSONValue>(records)) } });
    m_storedTouches.clear();
    // The controller may replace this banner inside the call.
    auto protectedThis = shared_from_this();
    if (auto owner = controller())
        owner->click(*this, data);
}

Size PellarOldSchoolSingleAdView::sizeWithBevelsAndRoundedCornersForImage(const Image& image)
{
    Size size = image.size();
    return { size.width + 1, size.height + 1 };
}

Rect PellarOldSchoolSingleAdView::rectForTileImage(const Image& image, const Rect& parentContainer)
{
    Size size = image.size();
    return { kTileImageX, (parentContainer.size.height - (size.height + 1)) * 0.5, size.width + 1, size.height + 1 };
}

void PellarOldSchoolSingleAdView::drawTileImage(GraphicsContext& context, const Image& image, const Rect& rect)
{
    drawImageWithBevelsAndRoundedCorners(context, image, rect.origin, kIconCornerRadius);
}

void PellarOldSchoolSingleAdView::drawImageWithBevelsAndRoundedCorners(
    GraphicsContext& context, const Image& image, Point point, double r)
{
    constexpr double pi = std::numbers::pi;
    double w = image.size().width;
    double h = image.size().height;
    double x = point.x;
    double y = point.y;

    // The image, clipped to a rounded rectangle half a point inside the bevel.
    double d = r + 0.5;
    double top = y + 0.5;
    double left = x + 0.5;
    double bottom = top + h;
    double right = left + w;
    context.saveGState();
    context.beginPath();
    context.moveTo(left, top + d);
    context.addArcToPoint(left, bottom, left + d, bottom, d);
    context.addArcToPoint(right, bottom, right, bottom - d, d);
    context.addArcToPoint(right, top, right - d, top, d);
    context.addArcToPoint(left, top, left, top + d, d);
    context.clip();
    context.drawImage(image, Point { x, y });
    context.restoreGState();

    // The bevel: dark left and top edges, light right and bottom ones, the
    // colours changing at the 45° points of the top-right and bottom-left corners.
    double L = x + 0.25;
    double T = y + 0.25;
    double R = static_cast<float>(x + w + 0.75);
    double B = static_cast<float>(y + h + 0.75);
    Color dark = Color::white(0.4);
    Color light = Color::white(0.937);
    context.saveGState();
    context.setLineWidth(0.5);

    context.setStrokeColor(dark);
    context.beginPath();
    context.moveTo(L, B - r);
    context.addArcToPoint(L, T, L + r, T, r);
    context.addArc(R - r, T + r, r, 3 * pi / 2, 7 * pi / 4, false);
    context.strokePath();

    context.setStrokeColor(light);
    context.beginPath();
    context.addArc(R - r, T + r, r, 7 * pi / 4, 2 * pi, false);
    context.addArcToPoint(R, B, R - r, B, r);
    context.addArc(L + r, B - r, r, pi / 2, 3 * pi / 4, false);
    context.strokePath();

    context.setStrokeColor(dark);
    context.beginPath();
    context.addArc(L + r, B - r, r, 3 * pi / 4, pi, false);
    context.strokePath();
    context.restoreGState();
}
