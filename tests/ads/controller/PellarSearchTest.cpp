#include "ads/banners/PellarSearchAdView.h"
#include "ads/clickthrough/PellarSearchBar.h"
#include "ads/clickthrough/PellarSearchViewController.h"
#include "ads/core/PellarController.h"
#include "ads/core/PellarView.h"
#include "ads/core/PellarViewInternal.h"
#include "platform/foundation/PendingWork.h"
#include "platform/ui/controls/ActivityIndicatorView.h"
#include "platform/ui/controls/AlertView.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/SearchBar.h"
#include "platform/ui/controls/TableView.h"
#include "platform/ui/controls/TableViewCell.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/controls/WebView.h"
#include "platform/ui/views/Application.h"
#include "platform/ui/views/Keyboard.h"
#include "platform/ui/views/Screen.h"
#include "platform/ui/views/Window.h"
#include "tests/ads/ad/AdTestSupport.h"
#include "tests/support/GoldenImage.h"

#include <gtest/gtest.h>

namespace {

struct SearchHost final : PellarDelegate {
    std::string publisherId() override { return "pub-1"; }
    void didReceiveAd(PellarView&) override { ++received; }
    void didDismissFullScreenModal() override { ++dismissed; }
    std::optional<std::optional<std::string>> postalCode() override { return postal; }
    int received { 0 };
    int dismissed { 0 };
    std::optional<std::optional<std::string>> postal;
};

// A search ad on a banner in the application's window, against a loopback
// ad server whose suggestion and click answers each test stages.
class SearchTest : public AdFixture {
protected:
    void SetUp() override
    {
        AdFixture::SetUp();
        Application::shared().reset();
        Application::shared().setStatusBarHidden(true);
        server.respond("/m/icon.png", { .body = pngOfSize(38, 38), .contentType = "image/png" });
        server.respond("/click/search", { .body = "{}", .contentType = "application/json" });
        window = View::make<Window>(Rect { 0, 0, 320, 480 });
        window->makeKeyAndVisible();
    }
    void TearDown() override
    {
        view = nullptr;
        controller = nullptr;
        Application::shared().reset();
        AdFixture::TearDown();
    }
    void stageSearchAd(bool withSuggestions = true, bool withPlaceholder = true, const std::string& page = "",
        const std::string& action = "url")
    {
        std::string answer
            = R"({"text": "Search the web", "6": ")" + action + R"(", "18": "search", "204": "/icon.png", "20": "1", )";
        if (!page.empty())
            answer += R"("22": ")" + page + R"(", )";
        if (withPlaceholder)
            answer += R"("21": "Find things", )";
        if (withSuggestions)
            answer += R"("suggestion_url": ")" + server.url("/suggest?src=t") + R"(", )";
        answer += R"("jsonp_url": ")" + server.url("/click/search") + R"("})";
        answerAdRequest(answer);
    }
    // Loads the ad, taps its banner and waits until the screen is up.
    void openSearch()
    {
        view = PellarView::requestAdWithDelegate(host);
        view->setFrame({ 0, 432, 320, 48 });
        window->addSubview(view);
        controller = std::dynamic_pointer_cast<PellarViewInternal>(view)->controller();
        ASSERT_TRUE(waitUntil([&] { return host->received > 0; }));
        auto banner = std::dynamic_pointer_cast<PellarSearchAdView>(controller->bannerView());
        ASSERT_TRUE(banner);
        Application::shared().sendTouch(TouchPhase::Began, { 160, 456 });
        Application::shared().sendTouch(TouchPhase::Ended, { 160, 456 });
        screen = std::dynamic_pointer_cast<PellarSearchViewController>(controller->searchController());
        ASSERT_TRUE(screen);
        advance(2);
    }
    void type(const std::string& text) { Application::shared().insertText(text); }
    void key(const char* name) { Application::shared().sendKey(*Key::fromName(name)); }
    bool settled()
    {
        return waitUntil([] { return !PendingWork::any(); });
    }
    std::vector<LoopbackServer::Request> requestsTo(const std::string& path) const
    {
        std::vector<LoopbackServer::Request> found;
        for (auto& request : server.requests())
            if (request.path == path)
                found.push_back(request);
        return found;
    }

    std::shared_ptr<SearchHost> host { std::make_shared<SearchHost>() };
    std::shared_ptr<Window> window;
    std::shared_ptr<PellarView> view;
    std::shared_ptr<PellarController> controller;
    std::shared_ptr<PellarSearchViewController> screen;
};

} // namespace

TEST(PellarSearchSuggestions, RequestEscapesTypedTextSoItCannotAddParameters)
{
    EXPECT_EQ(PellarSearchViewController::suggestionRequestURL("http://s/?a=1", "a b", { { "k", "v" } }),
        "http://s/?a=1&query=a%20b&k=v");
    // "&", "=" and "+" typed (or in the host's data) stay inside their value.
    EXPECT_EQ(PellarSearchViewController::suggestionRequestURL("http://s/?a=1", "a&m=test+1", { { "d[pc]", "1&2" } }),
        "http://s/?a=1&query=a%26m%3Dtest%2B1&d%5Bpc%5D=1%262");
    EXPECT_EQ(
        PellarSearchViewController::suggestionRequestURL("http://s/?", "caf\u00e9", {}), "http://s/?&query=caf%C3%A9");
}

TEST(PellarSearchSuggestions, AnswersAreBoundedAndOnlyAnArrayOfDataCounts)
{
    std::string many = R"({"data": [)";
    for (int i = 0; i < 150; ++i)
        many += (i ? "," : "") + std::string("\"s") + std::to_string(i) + "\"";
    many += "]}";
    auto suggestions = PellarSearchViewController::suggestionsFromAnswer(many);
    ASSERT_TRUE(suggestions);
    EXPECT_EQ(suggestions->size(), PellarSearchViewController::kMaximumSuggestions);
    EXPECT_EQ(suggestions->back(), "s99");

    // Long ones are cut at a character boundary: 199 bytes of "a", then a two-byte é that would end at 201.
    std::string longText = std::string(199, 'a') + "\u00e9\u00e9";
    suggestions = PellarSearchViewController::suggestionsFromAnswer(R"({"data": [")" + longText + R"(", 7, "ok"]})");
    ASSERT_TRUE(suggestions);
    EXPECT_EQ(*suggestions, (std::vector<std::string> { std::string(199, 'a'), "ok" }));

    for (const char* other : { R"({"data": "a"})", R"({"other": ["a"]})", R"(["a"])", "not json", "" })
        EXPECT_FALSE(PellarSearchViewController::suggestionsFromAnswer(other)) << other;
    EXPECT_EQ(PellarSearchViewController::suggestionsFromAnswer(R"({"data": []})"), std::vector<std::string> {});
}

TEST_F(SearchTest, TapOnTheSearchBannerOpensTheScreenWithoutAClick)
{
    stageSearchAd();
    openSearch();
    auto banner = std::dynamic_pointer_cast<PellarSearchAdView>(controller->bannerView());
    // The picture's bar spans from the tile's right edge to 4 points short of the attribution.
    EXPECT_EQ(banner->searchBarRect().minX(), 6 + 38 + 1);
    EXPECT_DOUBLE_EQ(banner->searchBarRect().maxX(), banner->attributionRect().minX() - 4);
    EXPECT_EQ(banner->searchBarRect().height(), 48);
    ASSERT_TRUE(banner->searchAdImage());
    EXPECT_EQ(banner->searchAdImage()->image()->size(), (Size { 320, 48 }));

    EXPECT_EQ(server.requestsTo("/click/search"), 0);
    EXPECT_TRUE(banner->isUserInteractionEnabled());
    ASSERT_TRUE(screen->searchBar());
    EXPECT_EQ(screen->searchBar()->placeholder(), "Find things");
    EXPECT_EQ(screen->searchBar()->frame(), (Rect { 0, 0, 320, 48 }));
    EXPECT_EQ(screen->view()->backgroundColor(), Color::darkGrayColor());
    // The tile column leaves the inner bar room at the left; the keyboard is up.
    EXPECT_EQ(screen->searchBar()->searchBar()->frame().minX(), 45);
    EXPECT_TRUE(screen->searchBar()->searchBar()->textField()->isFirstResponder());
    EXPECT_TRUE(screen->suggestionTable()->isHidden());
    EXPECT_FALSE(screen->webView()); // the ad names no page
}

TEST_F(SearchTest, WithoutItsOwnPlaceholderTheAdTextIsUsed)
{
    stageSearchAd(true, false);
    openSearch();
    EXPECT_EQ(screen->searchBar()->placeholder(), "Search the web");
}

TEST_F(SearchTest, StaleAnswersAreIgnoredAndAnEmptyListEmptiesButKeepsTheTable)
{
    host->postal = std::optional<std::string>("1&2");
    server.handle("/suggest", [](const LoopbackServer::Request& request) {
        LoopbackServer::Response response { .contentType = "application/json" };
        if (request.query.find("query=a&") != std::string::npos) {
            response.body = R"({"data": ["apple", "apricot"]})";
            response.delay = 0.4; // the first letter's answer comes last
        } else if (request.query.find("query=ab&") != std::string::npos) {
            response.body = R"({"data": ["abacus", "abbey", "abc"]})";
        } else {
            response.body = R"({"data": []})";
        }
        return response;
    });
    stageSearchAd();
    openSearch();
    type("a");
    type("b");
    ASSERT_TRUE(settled());
    auto requests = requestsTo("/suggest");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].query, "src=t&query=a&d%5Bpc%5D=1%262");
    ASSERT_TRUE(screen->suggestionList());
    EXPECT_EQ(*screen->suggestionList(), (std::vector<std::string> { "abacus", "abbey", "abc" }));
    EXPECT_FALSE(screen->suggestionTable()->isHidden());
    EXPECT_EQ(screen->suggestionTable()->visibleCells().size(), 3u);
    EXPECT_EQ(screen->activeSuggestionDownloadCount(), 0u);

    type("c");
    ASSERT_TRUE(settled());
    EXPECT_FALSE(screen->suggestionTable()->isHidden());
    EXPECT_EQ(screen->suggestionTable()->numberOfRowsInSection(0), 0);
    key("ctrl+a");
    key("BackSpace");
    EXPECT_TRUE(screen->suggestionTable()->isHidden());
    EXPECT_EQ(requestsTo("/suggest").size(), 3u); // none for the empty text
}

TEST_F(SearchTest, WithoutASuggestionURLTheTableNeverShows)
{
    stageSearchAd(false);
    openSearch();
    type("ab");
    ASSERT_TRUE(settled());
    EXPECT_TRUE(screen->suggestionTable()->isHidden());
    EXPECT_TRUE(server.requests().size() > 0);
    EXPECT_EQ(requestsTo("/suggest").size(), 0u);
}

TEST_F(SearchTest, ReturnSendsOneClickWithTheQueryAndSpinsUntilTheClickSettles)
{
    // The click's answer opens no screen (no "redirect_url"): the search
    // screen must not stay up with its spinner once the answer is in.
    server.respond("/click/search", { .body = "{}", .contentType = "application/json", .delay = 0.3 });
    stageSearchAd();
    openSearch();
    key("Return"); // an empty search still searches

    // While the click is under way the bar is disabled: neither typing nor a second Return does anything.
    type("x");
    key("Return");
    EXPECT_FALSE(screen->searchBar()->isUserInteractionEnabled());
    EXPECT_FALSE(screen->searchBar()->searchBar()->showsCancelButton());
    EXPECT_FALSE(screen->suggestionTable()->superview());
    ASSERT_TRUE(screen->spinner());
    EXPECT_TRUE(screen->spinner()->isAnimating());
    EXPECT_EQ(screen->spinner()->frame().size, (Size { 25, 25 }));
    EXPECT_EQ(host->dismissed, 0);

    // The answer is read after the download ends: wait for what it does.
    ASSERT_TRUE(waitUntil([&] { return host->dismissed > 0 && !PendingWork::any(); }));
    auto clicks = requestsTo("/click/search");
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].method, "POST");
    EXPECT_NE(clicks[0].body.find(R"("query":"")"), std::string::npos) << clicks[0].body;
    EXPECT_EQ(host->dismissed, 1);
    advance(3);
    EXPECT_FALSE(screen->modalWindow());
    EXPECT_FALSE(screen->spinner()->superview() && screen->spinner()->window());
}

TEST_F(SearchTest, AClickThatOffersACallGivesTheScreenBackUnderTheAlert)
{
    server.respond(
        "/click/search", { .body = R"({"redirect_url": "tel:5550100"})", .contentType = "application/json" });
    stageSearchAd(true, true, "", "call");
    openSearch();
    type("pixels");
    key("Return");
    ASSERT_TRUE(waitUntil([&] { return host->dismissed > 0 && !PendingWork::any(); }));
    advance(2);
    EXPECT_FALSE(screen->modalWindow());
    EXPECT_EQ(host->dismissed, 1);
    EXPECT_EQ(AlertView::visibleAlerts().size(), 1u); // the call's confirmation is up
}

TEST_F(SearchTest, TappedSuggestionIsSearchedAndAFailedClickGivesTheScreenBack)
{
    server.respond(
        "/suggest", { .body = R"({"data": ["pixel test", "pixel repair"]})", .contentType = "application/json" });
    server.respond("/click/search", { .status = 500, .body = "no" });
    stageSearchAd();
    openSearch();
    type("pi");
    ASSERT_TRUE(settled());
    auto row = screen->suggestionTable()->rectForRowAtIndexPath({ 0, 1 });
    Point onScreen = screen->suggestionTable()->convertPointToView(row.center(), nullptr);
    Application::shared().sendTouch(TouchPhase::Began, onScreen);
    Application::shared().sendTouch(TouchPhase::Ended, onScreen);
    ASSERT_TRUE(settled());
    auto clicks = requestsTo("/click/search");
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_NE(clicks[0].body.find(R"("query":"pixel repair")"), std::string::npos) << clicks[0].body;
    EXPECT_EQ(screen->searchBar()->text(), "pixel repair");
    advance(2);
    EXPECT_FALSE(screen->modalWindow());
    EXPECT_FALSE(Keyboard::shared().isVisible());
}

TEST_F(SearchTest, TableEndsWhereTheOnScreenKeyboardBegins)
{
    Keyboard::shared().setOnScreenHeight(Keyboard::kOnScreenHeight);
    stageSearchAd();
    openSearch();
    EXPECT_TRUE(Keyboard::shared().isVisible());
    Rect table = screen->suggestionTable()->convertRectToView(screen->suggestionTable()->bounds(), nullptr);
    EXPECT_EQ(table.maxY(), Keyboard::shared().frame().minY());
    EXPECT_EQ(table.minY(), 48);
    screen->searchBar()->resignFirstResponder();
    EXPECT_EQ(screen->suggestionTable()->frame(), (Rect { 0, 48, 320, 432 }));
}

TEST_F(SearchTest, ClosingCancelsSuggestionDownloadsAndLateAnswersTouchNothing)
{
    server.respond("/suggest", { .body = R"({"data": ["late"]})", .contentType = "application/json", .delay = 0.3 });
    stageSearchAd();
    openSearch();
    type("l");
    EXPECT_EQ(screen->activeSuggestionDownloadCount(), 1u);
    screen->searchBar()->searchBar()->setShowsCancelButton(true);
    Application::shared().sendKey(*Key::fromName("Escape")); // the cancel button
    advance(2);
    EXPECT_FALSE(screen->modalWindow());
    EXPECT_EQ(screen->activeSuggestionDownloadCount(), 0u);
    std::weak_ptr<PellarSearchViewController> weakScreen = screen;
    screen = nullptr;
    stageSearchAd();
    // The next search screen replaces the old one, which goes.
    controller->displaySearchWithAd(*controller->currentlyDisplayedAd(), std::nullopt, std::nullopt);
    EXPECT_TRUE(weakScreen.expired());
    loop().runUntil([] { return false; }, 0.5); // the late answer's time passes
    auto next = std::dynamic_pointer_cast<PellarSearchViewController>(controller->searchController());
    ASSERT_TRUE(next);
    EXPECT_FALSE(next->suggestionList());
}

namespace {

class SearchScreenPictureTest : public SearchTest {
protected:
    void TearDown() override
    {
        Screen::mainScreen().setScale(1);
        SearchTest::TearDown();
    }
    // The screen with suggestions for "pi", drawn at `scale`.
    std::shared_ptr<Image> screenWithSuggestions(double scale)
    {
        Screen::mainScreen().setScale(scale);
        server.respond("/suggest",
            { .body = R"({"data": ["pixel test", "pixel repair", "pixel art", "pink screen fix"]})",
                .contentType = "application/json" });
        stageSearchAd();
        openSearch();
        if (!screen)
            return nullptr;
        type("pi");
        if (!settled())
            return nullptr;
        advance(0.1);
        return renderView(*screen->modalWindow(), scale);
    }
};

} // namespace

TEST_F(SearchScreenPictureTest, ScreenWithSuggestionsMatchesAtScaleOne)
{
    auto picture = screenWithSuggestions(1);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(matchesGolden(*picture, "tests/ads/controller/golden", "search-screen"));
}

TEST_F(SearchScreenPictureTest, ScreenWithSuggestionsMatchesAtScaleTwo)
{
    auto picture = screenWithSuggestions(2);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(matchesGolden(*picture, "tests/ads/controller/golden", "search-screen@2x"));
}

TEST_F(SearchTest, ALateFailedSuggestionDoesNotReopenTheBarDuringASearch)
{
    server.respond("/suggest", { .status = 500, .body = "down", .delay = 0.3 });
    stageSearchAd();
    openSearch();
    type("a");
    key("Return"); // while the suggestion request is under way
    ASSERT_TRUE(settled());
    EXPECT_EQ(screen->activeSuggestionDownloadCount(), 0u);
    EXPECT_FALSE(screen->searchBar()->isUserInteractionEnabled());
    key("Return");
    ASSERT_TRUE(settled());
    EXPECT_EQ(requestsTo("/click/search").size(), 1u);
}

TEST_F(SearchTest, OnlyAWebPageIsShownUnderTheBar)
{
    WebView::setFactory([](const Rect& frame) { return std::make_shared<WebView>(frame); });
    stageSearchAd(true, true, "file:///etc/hostname");
    openSearch();
    EXPECT_FALSE(screen->webView());
    WebView::setFactory(nullptr);
}
