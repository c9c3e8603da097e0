#pragma once

#include "ads/clickthrough/PellarModalViewController.h"
#include "ads/core/PellarAdParameters.h"
#include "platform/ui/controls/SearchBarDelegate.h"
#include "platform/ui/controls/TableViewDataSource.h"
#include "platform/ui/controls/TableViewDelegate.h"

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class ActivityIndicatorView;
class Image;
class PellarAd;
class PellarSearchBar;
class PellarURLDownload;
class TableView;
class WebView;
struct Notification;

// The screen a tapped search banner opens. The banner's picture slides to
// the top, where a search bar of the same height takes its place; below it
// shows the advertiser's page when the ad names one, and, as the user types,
// a table of suggestions fetched from the ad's suggestion URL. A search (the
// keyboard's Return or a tapped suggestion) is sent to the ad service as the
// ad's click, with the query in the click data; the ad's owner handles the
// answer, which opens the next screen or gives this one back.
//
// Answers for an older text than the one in the bar are ignored. Suggestion
// downloads still running when the screen goes are cancelled, so no answer
// reaches a screen that is gone.
class PellarSearchViewController final : public PellarModalViewController,
                                         public SearchBarDelegate,
                                         public TableViewDataSource,
                                         public TableViewDelegate {
public:
    // Suggestions beyond these are not shown: the table stays usable whatever the service sends.
    static constexpr size_t kMaximumSuggestions = 100;
    static constexpr size_t kMaximumSuggestionLength = 200;
    static constexpr const char* kQueryKey = "query";
    static constexpr const char* kSuggestionsKey = "data";
    static constexpr double kSpinnerSize = 25;
    static constexpr double kSuggestionFontSize = 15;

    static std::shared_ptr<PellarSearchViewController> create();
    ~PellarSearchViewController() override;

    // Set by the presenter before presentFromView.
    const std::optional<std::string>& webpageURL() const { return m_webpageURL; }
    void setWebpageURL(std::optional<std::string> url) { m_webpageURL = std::move(url); }
    const std::optional<std::string>& placeholderText() const { return m_placeholderText; }
    void setPlaceholderText(std::optional<std::string> text) { m_placeholderText = std::move(text); }
    const std::shared_ptr<const Image>& tileImage() const { return m_tileImage; }
    void setTileImage(std::shared_ptr<const Image> image) { m_tileImage = std::move(image); }
    float searchBarHeight() const { return m_searchBarHeight; }
    void setSearchBarHeight(float height) { m_searchBarHeight = height; }

    // Keeps the ad and the banner and takes the screen (the banner's picture slides to the top).
    void presentFromView(
        std::shared_ptr<PellarView> view, std::shared_ptr<PellarAd> ad, std::weak_ptr<PellarDelegate> delegate);

    // PellarModalViewController
    void loadViewWithBounds(const Rect&) override;
    void landingPageDidAppear() override;
    void landingPageDidDisappear() override;
    void didReceiveMemoryWarning() override;

    // Keyboard notifications: the table ends where the keyboard begins.
    void keyboardDidShow(const Notification&);
    void keyboardWillHide(const Notification&);

    // SearchBarDelegate
    void searchBarTextDidChange(SearchBar&, const std::string& text) override;
    void searchBarSearchButtonClicked(SearchBar&) override;
    void searchBarCancelButtonClicked(SearchBar&) override;
    // Escape outside the field is Cancel too.
    void cancelFromKeyboard() override;

    // The suggestion downloads' callbacks.
    void suggestionDownloadDidSucceed(PellarURLDownload&);
    void suggestionDownloadDidFail(PellarURLDownload&);

    // TableViewDataSource
    int numberOfSectionsInTableView(TableView&) override { return 1; }
    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath) override;
    // TableViewDelegate
    void tableViewDidSelectRowAtIndexPath(TableView&, IndexPath) override;

    // Sends the search as the ad's click; nothing for nullopt.
    void performSearch(const std::optional<std::string>& query);

    // The suggestion request for `text`: the suggestion URL, "&query=" and the
    // text, then "&key=value" for each entry of the user data. Keys and values
    // are percent-escaped as UTF-8, and "&", "=" and "+" in them too, so typed
    // text cannot add parameters of its own.
    static std::string suggestionRequestURL(
        const std::string& suggestionURL, const std::string& text, const PellarAdParameters::Entries& userData);
    // At most kMaximumSuggestions strings of the answer's "data", each cut to
    // kMaximumSuggestionLength bytes (at a character boundary); nullopt when
    // the answer is not an object with a "data" array.
    static std::optional<std::vector<std::string>> suggestionsFromAnswer(const std::string& body);

    // State, for tests.
    const std::shared_ptr<PellarSearchBar>& searchBar() const { return m_searchBar; }
    const std::shared_ptr<TableView>& suggestionTable() const { return m_suggestionTable; }
    const std::optional<std::vector<std::string>>& suggestionList() const { return m_suggestionList; }
    size_t activeSuggestionDownloadCount() const { return m_activeSuggestionDownloads.size(); }
    const std::shared_ptr<WebView>& webView() const { return m_webView; }
    const std::shared_ptr<ActivityIndicatorView>& spinner() const { return m_spinner; }
    const std::shared_ptr<PellarAd>& originalAd() const { return m_originalAd; }

private:
    PellarSearchViewController() = default;

    void stopObservingKeyboard();
    void cancelSuggestionDownloads();
    std::shared_ptr<PellarURLDownload> takeSuggestionDownload(PellarURLDownload&);
    double searchBarBottom() const;

    std::shared_ptr<PellarSearchBar> m_searchBar;
    float m_searchBarHeight { 0 };
    std::shared_ptr<const Image> m_tileImage;
    std::optional<std::string> m_placeholderText;
    std::shared_ptr<TableView> m_suggestionTable;
    std::optional<std::vector<std::string>> m_suggestionList;
    std::set<std::shared_ptr<PellarURLDownload>> m_activeSuggestionDownloads;
    std::shared_ptr<WebView> m_webView;
    std::optional<std::string> m_webpageURL;
    std::shared_ptr<PellarAd> m_originalAd;
    std::shared_ptr<PellarView> m_originalAdView;
    std::shared_ptr<ActivityIndicatorView> m_spinner;
    bool m_observingKeyboard { false };
};
