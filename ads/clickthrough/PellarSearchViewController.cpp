#include "ads/clickthrough/PellarSearchViewController.h"

#include "ads/clickthrough/PellarSearchBar.h"
#include "ads/core/PellarAd.h"
#include "ads/core/PellarDelegate.h"
#include "ads/core/PellarURLDownload.h"
#include "ads/core/PellarView.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PercentEscaping.h"
#include "platform/foundation/URL.h"
#include "platform/ui/controls/ActivityIndicatorView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/SearchBar.h"
#include "platform/ui/controls/TableView.h"
#include "platform/ui/controls/TableViewCell.h"
#include "platform/ui/controls/WebView.h"
#include "platform/ui/views/Keyboard.h"
#include "json/JSONDeserializer.h"

#include <algorithm>

namespace {

// Percent-escaped as UTF-8, and the characters that would end or split a
// query value too: "a&m=test" typed by the user stays one value.
std::string escapedQueryValue(std::string_view text)
{
    std::string escaped = PercentEscaping::addingPercentEscapesUTF8(text);
    std::string result;
    result.reserve(escaped.size());
    for (char c : escaped) {
        if (c == '&')
            result += "%26";
        else if (c == '=')
            result += "%3D";
        else if (c == '+')
            result += "%2B";
        else
            result += c;
    }
    return result;
}

size_t characterBoundaryAtOrBefore(std::string_view text, size_t bytes)
{
    if (bytes >= text.size())
        return text.size();
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80)
        --bytes;
    return bytes;
}

} // namespace

std::shared_ptr<PellarSearchViewController> PellarSearchViewController::create()
{
    return std::shared_ptr<PellarSearchViewController>(new PellarSearchViewController);
}

PellarSearchViewController::~PellarSearchViewController()
{
    cancelSuggestionDownloads();
    stopObservingKeyboard();
    if (m_searchBar)
        m_searchBar->setDelegate({});
}

void PellarSearchViewController::presentFromView(
    std::shared_ptr<PellarView> view, std::shared_ptr<PellarAd> ad, std::weak_ptr<PellarDelegate> delegate)
{
    m_originalAd = std::move(ad);
    m_originalAdView = view;
    commandeerScreenFromAdView(std::move(view), PellarModalTransitionAdMoveToTop, std::move(delegate));
}

void PellarSearchViewController::loadViewWithBounds(const Rect& bounds)
{
    auto self = std::static_pointer_cast<PellarSearchViewController>(sharedController());
    double w = bounds.width();
    double h = bounds.height();
    double b = m_searchBarHeight;
    view()->setBackgroundColor(Color::darkGrayColor());

    int barStyle = 0;
    std::optional<Color> tint;
    if (auto host = delegate()) {
        barStyle = host->embeddedWebViewBarStyle().value_or(0);
        if (auto answer = host->embeddedWebViewTintColor())
            tint = *answer;
    }
    m_searchBar = View::make<PellarSearchBar>(Rect { 0, 0, w, b }, m_tileImage, barStyle, tint);
    m_searchBar->setDelegate(std::static_pointer_cast<SearchBarDelegate>(self));
    m_searchBar->setPlaceholder(m_placeholderText.value_or(""));
    m_searchBar->setAutoresizingMask(AutoresizingFlexibleWidth);
    view()->addSubview(m_searchBar);

    m_suggestionTable = View::make<TableView>(Rect { 0, b, w, h - b });
    m_suggestionTable->setDataSource(std::static_pointer_cast<TableViewDataSource>(self));
    m_suggestionTable->setDelegate(std::static_pointer_cast<TableViewDelegate>(self));
    m_suggestionTable->setScrollEnabled(true);
    m_suggestionTable->setHidden(true);
    m_suggestionTable->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
    view()->addSubview(m_suggestionTable);

    m_activeSuggestionDownloads.clear();

    // The page is the ad service's choice: only web pages are shown here.
    if (m_webpageURL) {
        auto url = URL::withString(*m_webpageURL);
        if (url && (url->scheme() == "http" || url->scheme() == "https")) {
            m_webView = WebView::create(m_suggestionTable->frame());
            m_webView->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
            m_webView->loadURL(url->absoluteString());
            view()->addSubview(m_webView);
        }
    }

    // The platform's view controllers hear that they will appear; ours
    // build their content once, just before, so this is where the screen
    // starts following the keyboard.
    if (!m_observingKeyboard) {
        m_observingKeyboard = true;
        std::weak_ptr<PellarSearchViewController> weakSelf = self;
        auto& center = NotificationCenter::defaultCenter();
        center.addObserver(this, Keyboard::kDidShowNotification, [weakSelf](const Notification& notification) {
            if (auto strong = weakSelf.lock())
                strong->keyboardDidShow(notification);
        });
        center.addObserver(this, Keyboard::kWillHideNotification, [weakSelf](const Notification& notification) {
            if (auto strong = weakSelf.lock())
                strong->keyboardWillHide(notification);
        });
    }
}

void PellarSearchViewController::stopObservingKeyboard()
{
    if (!std::exchange(m_observingKeyboard, false))
        return;
    NotificationCenter::defaultCenter().removeObserver(this, Keyboard::kDidShowNotification);
    NotificationCenter::defaultCenter().removeObserver(this, Keyboard::kWillHideNotification);
}

void PellarSearchViewController::landingPageDidAppear()
{
    if (m_searchBar)
        m_searchBar->becomeFirstResponder();
}

void PellarSearchViewController::landingPageDidDisappear()
{
    // Gone from the screen: the keyboard goes with it, and suggestions
    // still on their way are not wanted any more.
    if (m_searchBar)
        m_searchBar->resignFirstResponder();
    stopObservingKeyboard();
    cancelSuggestionDownloads();
}

void PellarSearchViewController::didReceiveMemoryWarning()
{
    // The page stays on screen as long as the view tree holds it.
    m_webView = nullptr;
    PellarModalViewController::didReceiveMemoryWarning();
}

double PellarSearchViewController::searchBarBottom() const
{
    return m_searchBar ? m_searchBar->bounds().height() : 0;
}

void PellarSearchViewController::keyboardDidShow(const Notification& notification)
{
    if (!m_suggestionTable || !isViewLoaded())
        return;
    const Rect* keyboard = notification.value<Rect>(Keyboard::kBoundsUserInfoKey);
    double keyboardHeight = keyboard ? keyboard->height() : 0;
    Rect bounds = view()->bounds();
    double top = searchBarBottom();
    m_suggestionTable->setFrame({ 0, top, bounds.width(), std::max(0.0, bounds.height() - top - keyboardHeight) });
}

void PellarSearchViewController::keyboardWillHide(const Notification&)
{
    if (!m_suggestionTable || !isViewLoaded())
        return;
    Rect bounds = view()->bounds();
    double top = searchBarBottom();
    m_suggestionTable->setFrame({ 0, top, bounds.width(), std::max(0.0, bounds.height() - top) });
}

// MARK: Suggestions

std::string PellarSearchViewController::suggestionRequestURL(
    const std::string& suggestionURL, const std::string& text, const PellarAdParameters::Entries& userData)
{
    std::string url;
    url.reserve(512);
    url += suggestionURL;
    url += "&query=";
    url += escapedQueryValue(text);
    for (auto& [key, value] : userData) {
        url += '&';
        url += escapedQueryValue(key);
        url += '=';
        url += escapedQueryValue(value);
    }
    return url;
}

std::optional<std::vector<std::string>> PellarSearchViewController::suggestionsFromAnswer(const std::string& body)
{
    auto answer = JSONDeserializer().deserializeAsDictionary(body);
    if (!answer)
        return std::nullopt;
    auto data = answer->find(kSuggestionsKey);
    if (!data || !data->isArray())
        return std::nullopt;
    std::vector<std::string> suggestions;
    for (size_t i = 0; i < data->size() && suggestions.size() < kMaximumSuggestions; ++i) {
        JSONValue element = (*data)[i];
        if (!element.isString())
            continue;
        std::string_view text = element.stringValue();
        suggestions.emplace_back(text.substr(0, characterBoundaryAtOrBefore(text, kMaximumSuggestionLength)));
    }
    return suggestions;
}

void PellarSearchViewController::searchBarTextDidChange(SearchBar&, const std::string& text)
{
    if (m_webView && isViewLoaded()) {
        // Typing puts the suggestions over the page; an empty bar shows it again.
        if (!text.empty())
            view()->sendSubviewToBack(m_webView.get());
        else
            view()->bringSubviewToFront(m_webView.get());
    }
    if (!m_originalAd || !m_originalAd->suggestionUrl() || text.empty()) {
        if (m_suggestionTable) {
            m_suggestionTable->setHidden(true);
            m_suggestionList = std::nullopt;
            m_suggestionTable->reloadData();
        }
        return;
    }
    auto userData = PellarAdParameters::userDemographicInfo(m_originalAd->delegate());
    std::string url = suggestionRequestURL(*m_originalAd->suggestionUrl(), text, userData);
    auto download = PellarURLDownload::create();
    auto self = std::static_pointer_cast<PellarSearchViewController>(sharedController());
    download->setDelegate(self, &PellarSearchViewController::suggestionDownloadDidSucceed,
        &PellarSearchViewController::suggestionDownloadDidFail);
    download->setIdentifier(text);
    // Earlier requests go on: their answers are ignored unless the text
    // comes back to theirs.
    m_activeSuggestionDownloads.insert(download);
    download->loadContentsOfURLAtString(url);
}

std::shared_ptr<PellarURLDownload> PellarSearchViewController::takeSuggestionDownload(PellarURLDownload& download)
{
    for (auto it = m_activeSuggestionDownloads.begin(); it != m_activeSuggestionDownloads.end(); ++it) {
        if (it->get() == &download) {
            auto taken = *it;
            m_activeSuggestionDownloads.erase(it);
            return taken;
        }
    }
    return nullptr;
}

void PellarSearchViewController::suggestionDownloadDidSucceed(PellarURLDownload& download)
{
    auto protectedThis = sharedController();
    auto taken = takeSuggestionDownload(download);
    if (m_searchBar && m_suggestionTable && download.identifier() == m_searchBar->text()) {
        m_suggestionList = std::nullopt;
        auto suggestions = suggestionsFromAnswer(download.data().value_or(std::string()));
        if (suggestions && !suggestions->empty()) {
            m_suggestionTable->setHidden(false);
            m_suggestionList = std::move(suggestions);
        }
        m_suggestionTable->reloadData();
    }
    download.cancel();
}

void PellarSearchViewController::suggestionDownloadDidFail(PellarURLDownload& download)
{
    auto protectedThis = sharedController();
    auto taken = takeSuggestionDownload(download);
    // The list stays as it was. A search under way keeps its bar disabled: a
    // late failure must not let a second search go out.
    if (m_searchBar && !m_spinner)
        m_searchBar->setUserInteractionEnabled(true);
    download.cancel();
}

void PellarSearchViewController::cancelSuggestionDownloads()
{
    auto downloads = std::move(m_activeSuggestionDownloads);
    m_activeSuggestionDownloads.clear();
    for (auto& download : downloads)
        download->cancel();
}

// MARK: Table

int PellarSearchViewController::tableViewNumberOfRowsInSection(TableView&, int)
{
    return m_suggestionList ? static_cast<int>(m_suggestionList->size()) : 0;
}

std::shared_ptr<TableViewCell> PellarSearchViewController::tableViewCellForRowAtIndexPath(
    TableView& table, IndexPath indexPath)
{
    if (!m_suggestionList || indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= m_suggestionList->size())
        return nullptr;
    const std::string& suggestion = (*m_suggestionList)[static_cast<size_t>(indexPath.row)];
    // The suggestion is its own reuse identifier: a cell for the same text
    // needs nothing changed.
    if (auto cell = table.dequeueReusableCellWithIdentifier(suggestion))
        return cell;
    auto cell = View::make<TableViewCell>(TableViewCell::StyleDefault, suggestion);
    cell->textLabel()->setText(suggestion);
    cell->textLabel()->setFont(Font::fontWithName("Helvetica", kSuggestionFontSize));
    return cell;
}

void PellarSearchViewController::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath)
{
    auto cell = table.cellForRowAtIndexPath(indexPath);
    performSearch(cell ? std::optional<std::string>(cell->textLabel()->text()) : std::nullopt);
}

// MARK: Search

void PellarSearchViewController::searchBarSearchButtonClicked(SearchBar&)
{
    performSearch(m_searchBar ? std::optional<std::string>(m_searchBar->text()) : std::nullopt);
}

void PellarSearchViewController::searchBarCancelButtonClicked(SearchBar&)
{
    auto protectedThis = sharedController();
    if (m_searchBar)
        m_searchBar->resignFirstResponder();
    relinquishScreen();
}

void PellarSearchViewController::cancelFromKeyboard()
{
    if (m_searchBar)
        m_searchBar->resignFirstResponder();
    relinquishScreen();
}

void PellarSearchViewController::performSearch(const std::optional<std::string>& query)
{
    if (!query || !m_searchBar)
        return;
    auto protectedThis = sharedController();
    m_searchBar->setUserInteractionEnabled(false);
    m_searchBar->setShowsCancelButton(false);

    if (m_originalAd) {
        auto data = PellarAdParameters::userDemographicInfo(m_originalAd->delegate());
        auto existing
            = std::find_if(data.begin(), data.end(), [](const auto& entry) { return entry.first == kQueryKey; });
        if (existing != data.end())
            existing->second = *query;
        else
            data.emplace_back(kQueryKey, *query);
        m_originalAd->clickWithData(PellarAdParameters::dictionary(data));
    }

    Rect tableFrame = m_suggestionTable ? m_suggestionTable->frame() : Rect {};
    if (m_suggestionTable)
        m_suggestionTable->removeFromSuperview();
    if (m_webView)
        m_webView->removeFromSuperview();
    m_searchBar->setText(*query);

    if (!isViewLoaded())
        return;
    m_spinner = View::make<ActivityIndicatorView>(ActivityIndicatorViewStyle::White);
    m_spinner->setFrame(
        { tableFrame.midX() - kSpinnerSize * 0.5, tableFrame.midY() - kSpinnerSize * 0.5, kSpinnerSize, kSpinnerSize });
    m_spinner->startAnimating();
    view()->addSubview(m_spinner);
}
