#include "ads/flex/PellarFlexAd.h"

#include "ads/core/PellarDelegate.h"
#include "ads/core/PellarFlexAdDelegate.h"
#include "ads/core/PellarURLDownload.h"
#include "ads/flex/PellarFlexAdContainerView.h"
#include "ads/flex/PellarFlexAnimationBuilder.h"
#include "ads/flex/PellarFlexValueParsing.h"
#include "ads/flex/PellarGradientView.h"
#include "ads/flex/PellarImageView.h"
#include "ads/flex/PellarLabelView.h"
#include "ads/flex/PellarPagingScrollView.h"
#include "ads/flex/PellarPlainView.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/layers/AnimationGroup.h"

#include <algorithm>

using Parse = PellarFlexValueParsing;

namespace {

// The process-wide colours, filled by the first flexible ad that asks.
struct CachedColors {
    std::optional<Color> primaryText;
    std::optional<Color> secondaryText;
    std::optional<Color> adBackground;
};

CachedColors& cachedColors()
{
    static CachedColors colors;
    return colors;
}

// A host that implements a colour operation but answers no colour gets the
// default, as one that does not implement it: a banner needs some colour.
Color hostColor(std::optional<Color>& cache, const std::weak_ptr<PellarDelegate>& host,
    std::optional<std::optional<Color>> (PellarDelegate::*operation)(), const Color& fallback)
{
    if (!cache) {
        std::optional<std::optional<Color>> answer;
        if (auto delegate = host.lock())
            answer = ((*delegate).*operation)();
        cache = answer && *answer ? **answer : fallback;
    }
    return *cache;
}

} // namespace

std::shared_ptr<PellarFlexAd> PellarFlexAd::create(const JSONValue& description,
    std::weak_ptr<PellarFlexAdDelegate> delegate, std::weak_ptr<PellarDelegate> pellarDelegate, const Rect& frame)
{
    return std::shared_ptr<PellarFlexAd>(
        new PellarFlexAd(description, std::move(delegate), std::move(pellarDelegate), frame));
}

PellarFlexAd::PellarFlexAd(const JSONValue& description, std::weak_ptr<PellarFlexAdDelegate> delegate,
    std::weak_ptr<PellarDelegate> pellarDelegate, const Rect& frame)
    : m_delegate(std::move(delegate))
    , m_pellarDelegate(std::move(pellarDelegate))
    , m_containerView(View::make<PellarFlexAdContainerView>(frame))
    , m_decodedMarkup(description)
{
}

PellarFlexAd::~PellarFlexAd()
{
    cancelDownloads();
}

std::shared_ptr<PellarFlexAdContainerView> PellarFlexAd::containerView() const
{
    return m_containerView ? m_containerView : m_shownContainerView.lock();
}

std::shared_ptr<PellarFlexAdContainerView> PellarFlexAd::takeContainerView()
{
    if (!m_containerView)
        return m_shownContainerView.lock();
    auto container = std::move(m_containerView);
    m_containerView = nullptr;
    m_shownContainerView = container;
    return container;
}

// MARK: Colours

Color PellarFlexAd::primaryTextColor() const
{
    return hostColor(
        cachedColors().primaryText, m_pellarDelegate, &PellarDelegate::primaryTextColor, Color::whiteColor());
}

Color PellarFlexAd::secondaryTextColor() const
{
    return hostColor(
        cachedColors().secondaryText, m_pellarDelegate, &PellarDelegate::secondaryTextColor, Color::whiteColor());
}

Color PellarFlexAd::adBackgroundColor() const
{
    return hostColor(
        cachedColors().adBackground, m_pellarDelegate, &PellarDelegate::adBackgroundColor, defaultAdBackgroundColor());
}

void PellarFlexAd::resetColorCaches()
{
    cachedColors() = {};
}

// MARK: Build

void PellarFlexAd::buildFlexAd()
{
    if (m_started)
        return;
    m_started = true;
    auto assetTable = m_decodedMarkup.find("$");
    if (assetTable && !assetTable->isDictionary()) {
        didFailWithError(Error { kErrorDomain, kAssetTableError, {} });
        return;
    }

    if (assetTable) {
        if (assetTable->size() > kMaximumAssets)
            Log::write("Pellar: Flexible ad asks for more than " + std::to_string(kMaximumAssets)
                + " assets; only the first are downloaded");
        std::vector<std::pair<std::string, std::string>> wanted;
        for (size_t i = 0; i < assetTable->size() && wanted.size() < kMaximumAssets; ++i) {
            JSONValue entry = assetTable->valueAt(i);
            auto url = entry.find("u");
            if (!url || !url->isString())
                continue;
            wanted.emplace_back(std::string(assetTable->keyAt(i)), std::string(url->stringValue()));
        }
        // Started after all are listed, so a download that fails at once
        // cannot find the set half made.
        for (auto& [name, url] : wanted) {
            auto download = PellarURLDownload::create();
            download->setDelegate(
                shared_from_this(), &PellarFlexAd::downloadDidSucceed, &PellarFlexAd::downloadDidFail);
            download->setIdentifier(name);
            download->setBodySizeLimit(kMaximumTotalAssetBytes);
            m_downloads.insert(download);
            download->loadContentsOfURLAtString(url);
        }
    }

    m_containerView->setTouchableArea(
        m_containerView->touchableAreaFromDescription(Parse::rectWithValue(m_decodedMarkup.find("ta"), {})));
    m_containerView->setInitialTouchIgnoreDuration(Parse::floatWithValue(m_decodedMarkup.find("itid"), 0));
    m_containerView->setUseCATransaction(Parse::boolWithValue(m_decodedMarkup.find("ucat"), true));

    // Nothing to wait for (no table, an empty one, or no entry that could
    // start a download): the build goes on at once.
    if (m_downloads.empty())
        assetsDidFinishLoading();
}

void PellarFlexAd::downloadDidSucceed(PellarURLDownload& finished)
{
    auto download = finished.shared_from_this();
    auto found = m_downloads.find(download);
    if (found == m_downloads.end())
        return;
    m_downloads.erase(found);
    const auto& bytes = download->data();
    if (bytes && download->identifier()) {
        if (m_assetBytes + bytes->size() > kMaximumTotalAssetBytes) {
            if (!m_assetBytesLogged)
                Log::write("Pellar: Flexible ad assets exceed " + std::to_string(kMaximumTotalAssetBytes)
                    + " bytes in total; the rest are left out");
            m_assetBytesLogged = true;
        } else {
            m_assetBytes += bytes->size();
            m_assets[*download->identifier()] = *bytes;
        }
    }
    download->cancel();
    if (m_downloads.empty())
        assetsDidFinishLoading();
}

void PellarFlexAd::downloadDidFail(PellarURLDownload& failed)
{
    auto download = failed.shared_from_this();
    if (!m_downloads.count(download))
        return;
    Error error = download->error().value_or(Error { PellarURLDownload::kErrorDomain, 0, {} });
    cancelDownloads();
    auto protectedThis = shared_from_this();
    RunLoop::main().keepAliveUntilPassEnds(protectedThis);
    didFailWithError(error);
}

void PellarFlexAd::cancelDownloads()
{
    auto downloads = std::move(m_downloads);
    m_downloads.clear();
    for (auto& download : downloads)
        download->cancel();
}

void PellarFlexAd::assetsDidFinishLoading()
{
    if (m_assets.empty()) {
        buildViews();
        return;
    }
    // Decoding costs time in proportion to the images, which the server
    // picks: it runs on a worker so that drawing never waits for it.
    std::weak_ptr<PellarFlexAd> weakThis = weak_from_this();
    RunLoop::main().performInBackground(
        [assets = std::move(m_assets)]() {
            std::map<std::string, std::shared_ptr<Image>> images;
            for (auto& [name, bytes] : assets) {
                if (auto image = Image::decode(bytes, 1.0, Image::kMaxPixels, kMaximumAssetSide))
                    images[name] = std::move(image);
            }
            return images;
        },
        [weakThis](std::map<std::string, std::shared_ptr<Image>> images) {
            auto self = weakThis.lock();
            if (!self)
                return;
            self->m_images = std::move(images);
            self->buildViews();
        });
    m_assets.clear();
}

void PellarFlexAd::buildViews()
{
    if (m_finished)
        return;
    if (auto elements = m_decodedMarkup.find("v"); elements && elements->isArray()) {
        for (auto& view : viewsFromArray(*elements))
            m_containerView->addSubview(view);
    }
    cancelDownloads();
    m_images.clear();
    m_assets.clear();
    m_decodedMarkup = JSONValue();
    m_finished = true;
    auto protectedThis = shared_from_this();
    RunLoop::main().keepAliveUntilPassEnds(protectedThis);
    if (auto delegate = m_delegate.lock())
        delegate->flexAdDidLoad(*this);
}

void PellarFlexAd::didFailWithError(const Error& error)
{
    if (m_finished)
        return;
    m_finished = true;
    m_decodedMarkup = JSONValue();
    m_assets.clear();
    auto protectedThis = shared_from_this();
    if (auto delegate = m_delegate.lock())
        delegate->flexAdDidFailLoadWithError(*this, error);
}

// MARK: Elements

bool PellarFlexAd::takeElement()
{
    if (m_elementsBuilt >= kMaximumElements) {
        if (!m_elementsLogged)
            Log::write("Pellar: Flexible ad has more than " + std::to_string(kMaximumElements)
                + " elements; the rest are left out");
        m_elementsLogged = true;
        return false;
    }
    ++m_elementsBuilt;
    return true;
}

std::vector<std::shared_ptr<View>> PellarFlexAd::viewsFromArray(const JSONValue& elements)
{
    std::vector<std::shared_ptr<View>> views;
    for (size_t i = 0; i < elements.size(); ++i) {
        if (auto view = viewFromDictionary(elements[i]))
            views.push_back(std::move(view));
        if (m_elementsBuilt >= kMaximumElements && m_elementsLogged)
            break;
    }
    return views;
}

std::shared_ptr<View> PellarFlexAd::viewFromDictionary(const JSONValue& element)
{
    auto kind = element.find("t");
    if (!kind || !kind->isString())
        return nullptr;
    Rect frame = Parse::rectWithValue(element.find("f"), {});
    std::string_view type = kind->stringValue();
    if (type != "l" && type != "i" && type != "bg" && type != "p" && type != "P")
        return nullptr;
    if (!takeElement())
        return nullptr;
    std::shared_ptr<View> view;
    if (type == "l")
        view = labelFromDictionary(element, frame);
    else if (type == "i")
        view = imageViewFromDictionary(element, frame);
    else if (type == "bg")
        view = gradientViewFromDictionary(element, frame);
    else if (type == "p")
        view = pagesViewFromDictionary(element, frame);
    else
        view = plainViewFromDictionary(element, frame);
    if (!view)
        return nullptr;
    if (type == "l" || type == "i" || type == "bg") {
        double area = view->bounds().width() * view->bounds().height();
        if (m_drawnArea + area > kMaximumTotalDrawnArea) {
            if (!m_drawnAreaLogged)
                Log::write("Pellar: Flexible ad draws more than " + std::to_string(int(kMaximumTotalDrawnArea))
                    + " square points; the rest is left out");
            m_drawnAreaLogged = true;
            return nullptr;
        }
        m_drawnArea += area;
    }

    view->setBackgroundColor(Parse::colorWithValue(element.find("bgc"), Color::clear()));
    if (element.find("cav"))
        m_containerView->setClickAnimationView(view);
    auto* flexView = dynamic_cast<PellarFlexAdViewProtocol*>(view.get());
    if (!flexView)
        return view;
    if (auto members = element.find("a"); members && members->isArray())
        flexView->setAnimation(
            PellarFlexAnimationBuilder::animationGroupFromArray(*members, element.find("ag"), &m_animationBudget));
    if (auto tag = element.find("ut"); tag && tag->isString())
        flexView->setUiTag(std::string(tag->stringValue()));
    flexView->setContainerView(m_containerView);
    return view;
}

std::shared_ptr<View> PellarFlexAd::labelFromDictionary(const JSONValue& element, const Rect& frame)
{
    auto label = View::make<PellarLabelView>(frame);
    label->setBackgroundColor(Color::clear());
    if (auto text = element.find("x"); text && text->isString())
        label->setText(std::string(text->stringValue()));
    float size = Parse::floatWithValue(element.find("fs"), static_cast<float>(kSystemFontSize));
    auto name = element.find("fn");
    label->setFont(
        name && name->isString() ? Font::fontWithName(std::string(name->stringValue()), size) : Font::systemFont(size));
    auto color = Parse::colorWithValue(element.find("fco"), std::nullopt);
    if (!color)
        color = Parse::integerWithValue(element.find("fc"), 0) == 1 ? secondaryTextColor() : primaryTextColor();
    label->setTextColor(*color);
    label->setAdjustsFontSizeToFitWidth(Parse::boolWithValue(element.find("afstfw"), true));
    label->setMinimumFontSize(Parse::floatWithValue(element.find("mfs"), kDefaultMinimumFontSize));
    label->setNumberOfLines(Parse::integerWithValue(element.find("nol"), 1));
    return label;
}

std::shared_ptr<View> PellarFlexAd::imageViewFromDictionary(const JSONValue& element, const Rect& frame)
{
    auto name = element.find("$");
    if (!name || !name->isString())
        return nullptr;
    auto found = m_images.find(std::string(name->stringValue()));
    if (found == m_images.end() || !found->second)
        return nullptr;
    auto imageView = View::make<PellarImageView>(frame);
    imageView->setImage(found->second);
    bool beveled = Parse::boolWithValue(element.find("b"), false);
    imageView->setBeveled(beveled);
    if (beveled) {
        imageView->setBevelWidth(Parse::floatWithValue(element.find("bw"), kDefaultBevelWidth));
        imageView->setBevelRadius(Parse::floatWithValue(element.find("br"), kDefaultBevelRadius));
        imageView->setBevelCornerMeetingPoint(
            Parse::floatWithValue(element.find("bcmp"), kDefaultBevelCornerMeetingPoint));
        imageView->setBevelDarkColor(Parse::colorWithValue(element.find("bdc"), Color::white(0.4)));
        imageView->setBevelLightColor(Parse::colorWithValue(element.find("blc"), Color::white(0.937)));
    }
    return imageView;
}

std::shared_ptr<View> PellarFlexAd::gradientViewFromDictionary(const JSONValue& element, const Rect& frame)
{
    Color base = Parse::colorWithValue(element.find("bc"), std::nullopt).value_or(adBackgroundColor());
    // The end point has a key of its own ("ep"); descriptions written before
    // it existed end the gradient at their initial alpha's value, so "ia"
    // still stands in for it when "ep" is absent.
    float endPointFromAlpha = Parse::floatWithValue(element.find("ia"), kDefaultGradientEndPoint);
    return View::make<PellarGradientView>(frame, base,
        Parse::floatWithValue(element.find("ia"), kDefaultGradientInitialAlpha),
        Parse::floatWithValue(element.find("ep"), endPointFromAlpha));
}

std::shared_ptr<View> PellarFlexAd::plainViewFromDictionary(const JSONValue&, const Rect& frame)
{
    return View::make<PellarPlainView>(frame);
}

std::shared_ptr<View> PellarFlexAd::pagesViewFromDictionary(const JSONValue& element, const Rect& frame)
{
    int32_t initialPage = Parse::integerWithValue(element.find("ip"), 0);
    auto presentation = element.find("pr");
    if (presentation && presentation->isString() && presentation->stringValue() != "s")
        return nullptr;
    if (m_pagedGroupDepth >= kMaximumPagedGroupNesting) {
        if (!m_nestingLogged)
            Log::write("Pellar: Flexible ad nests paged groups deeper than " + std::to_string(kMaximumPagedGroupNesting)
                + "; the deeper ones are left out");
        m_nestingLogged = true;
        return nullptr;
    }
    // A negative initial page is the first.
    auto group = PellarPagingScrollView::create(frame, static_cast<unsigned>(std::max(0, initialPage)));
    auto pages = element.find("p");
    size_t count = pages && pages->isArray() ? pages->size() : 0;
    // Every page counts as an element, so a long list of empty pages is bounded too.
    size_t allowed = 0;
    while (allowed < count && takeElement())
        ++allowed;
    group->setNumberOfPages(static_cast<unsigned>(allowed), std::weak_ptr<Responder>(m_containerView));
    ++m_pagedGroupDepth;
    for (size_t page = 0; page < allowed; ++page) {
        auto elements = (*pages)[page].find("v");
        if (!elements || !elements->isArray())
            continue;
        for (auto& view : viewsFromArray(*elements))
            group->addContentSubview(view, static_cast<unsigned>(page));
    }
    --m_pagedGroupDepth;
    return group;
}
