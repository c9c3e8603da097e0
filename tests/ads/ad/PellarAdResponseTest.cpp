#include "tests/ads/ad/AdTestSupport.h"

#include "ads/flex/PellarFlexAd.h"
#include "ads/flex/PellarFlexAdContainerView.h"
#include "platform/foundation/Log.h"
#include "json/JSONSerializer.h"

#include <gtest/gtest.h>

namespace {

// A PNG whose header announces a picture just beyond the image limit.
std::string oversizedPNG()
{
    std::string png = pngOfSize(1, 1);
    auto put32 = [&](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            png[at + i] = static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
    };
    put32(16, 4097); // IHDR width
    put32(20, 4097); // IHDR height
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 12; i < 29; ++i) { // chunk type and data
        crc ^= static_cast<unsigned char>(png[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    put32(29, ~crc);
    return png;
}

class PellarAdResponseTest : public AdFixture {
protected:
    // A text ad answering with this server's click, pixel and image URLs.
    std::string textAnswer(const std::string& extra = "")
    {
        return R"({"text":"Hello","6":"url","jsonp_url":")" + server.url("/click") + R"(","204":"_text.png",)"
            + R"("cpm_url":")" + server.url("/cpm") + R"(","tracking_pixel":")" + server.url("/track") + "\"" + extra
            + "}";
    }
    void loadReadyTextAd()
    {
        server.respond("/m_text.png", { .body = pngOfSize(38, 38) });
        answerAdRequest(textAnswer());
        startAd(std::make_shared<MinimalHost>());
        ASSERT_TRUE(waitForOutcome());
        ASSERT_EQ(owner->loaded, 1);
    }
};

TEST_F(PellarAdResponseTest, TextAdJoinsThe204PathAndFetchesTheActionNamedIcon)
{
    loadReadyTextAd();
    EXPECT_EQ(ad->state(), PellarAdState::Ready);
    EXPECT_EQ(ad->medium(), PellarAdMedium::Text);
    // "/m" + "_text.png": nothing between the media host and the value.
    EXPECT_EQ(server.requestsTo("/m_text.png"), 1);
    EXPECT_EQ(server.requestsTo("/m/static/mobile/img/url.png"), 1);
    ASSERT_TRUE(ad->userImage() && ad->actionImage());
    EXPECT_EQ(ad->userImage()->size(), (Size { 38, 38 }));
    EXPECT_TRUE(PellarImageCache::sharedCache().imageIsInCache("url"));
    EXPECT_EQ(owner->failed, 0);

    // A second ad finds the icon in the cache and fetches only its image.
    ad = nullptr;
    owner = std::make_shared<RecordingOwner>();
    startAd(std::make_shared<MinimalHost>());
    ASSERT_TRUE(waitForOutcome());
    EXPECT_EQ(owner->loaded, 1);
    EXPECT_TRUE(ad->actionImage());
    EXPECT_EQ(server.requestsTo("/m/static/mobile/img/url.png"), 1);
}

TEST_F(PellarAdResponseTest, BannerWithSearchKeyIsASearchAdWithoutIconOrText)
{
    answerAdRequest(R"({"6":"search","jsonp_url":"http://x/","banner":")" + server.url("/banner.png")
        + R"(","20":"1","21":"Search here","22":"http://help/","suggestion_url":"http://s/?a=1"})");
    startAd(std::make_shared<MinimalHost>());
    ASSERT_TRUE(waitForOutcome());
    EXPECT_EQ(owner->loaded, 1);
    EXPECT_EQ(ad->medium(), PellarAdMedium::Search);
    EXPECT_EQ(server.requestsTo("/banner.png"), 1);
    EXPECT_EQ(server.requests().size(), 2u); // the answer and the banner: no "search" icon
    EXPECT_FALSE(ad->actionImage());
    EXPECT_EQ(ad->searchPlaceholder(), "Search here");
}

TEST_F(PellarAdResponseTest, UnusableAnswersAndImagesFailTheAd)
{
    server.respond("/bad.png", { .body = "GIF89a but not really" });
    server.respond("/huge.png", { .body = oversizedPNG() });
    server.respond("/m/static/mobile/img/broken.png", { .body = "nope" });
    server.respond("/m/static/mobile/img/wide.png", { .body = pngOfSize(600, 20) });
    server.respond("/big.png", { .body = pngOfSize(640, 400) });
    server.respond("/vector.png", { .body = "<svg xmlns='http://www.w3.org/2000/svg' width='320' height='48'/>" });
    std::string whole = pngOfSize(320, 48);
    server.respond("/cut.png", { .body = whole.substr(0, whole.size() / 2) });
    std::string click = server.url("/click");
    std::string banner = server.url("/banner.png");
    struct Case {
        const char* name;
        std::string body;
        int status;
    };
    std::vector<Case> cases {
        { "no action, even with markup", R"({"jsonp_url":")" + click + R"(","markup":{"v":[]}})", 200 },
        { "no click URL", R"({"6":"url","banner":")" + banner + "\"}", 200 },
        { "no image at all", R"({"6":"url","jsonp_url":")" + click + "\"}", 200 },
        { "text ad without text", R"({"6":"url","jsonp_url":")" + click + R"(","204":"_text.png"})", 200 },
        { "action not a string", R"({"6":7,"jsonp_url":")" + click + R"(","banner":")" + banner + "\"}", 200 },
        { "empty body", "", 200 },
        { "not JSON", "<html>ad</html>", 200 },
        { "image missing", R"({"6":"url","jsonp_url":")" + click + R"(","banner":")" + server.url("/none.png") + "\"}",
            200 },
        { "image undecodable",
            R"({"6":"url","jsonp_url":")" + click + R"(","banner":")" + server.url("/bad.png") + "\"}", 200 },
        { "image too large",
            R"({"6":"url","jsonp_url":")" + click + R"(","banner":")" + server.url("/huge.png") + "\"}", 200 },
        { "icon undecodable", R"({"6":"url","18":"broken","jsonp_url":")" + click + R"(","banner":")" + banner + "\"}",
            200 },
        // Larger than their place can use: refused before decoding.
        { "icon over 512 pixels",
            R"({"6":"url","18":"wide","jsonp_url":")" + click + R"(","banner":")" + banner + "\"}", 200 },
        { "banner over four banners",
            R"({"6":"url","jsonp_url":")" + click + R"(","banner":")" + server.url("/big.png") + "\"}", 200 },
        { "vector image", R"({"6":"url","jsonp_url":")" + click + R"(","banner":")" + server.url("/vector.png") + "\"}",
            200 },
        { "truncated image", R"({"6":"url","jsonp_url":")" + click + R"(","banner":")" + server.url("/cut.png") + "\"}",
            200 },
        { "icon named ..", R"({"6":"url","18":"..","jsonp_url":")" + click + R"(","banner":")" + banner + "\"}", 200 },
        { "icon named %2e", R"({"6":"url","18":"%2e","jsonp_url":")" + click + R"(","banner":")" + banner + "\"}",
            200 },
    };
    for (auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        answerAdRequest(testCase.body, testCase.status);
        owner = std::make_shared<RecordingOwner>();
        startAd(std::make_shared<MinimalHost>());
        ASSERT_TRUE(waitForOutcome());
        EXPECT_EQ(owner->failed, 1);
        EXPECT_EQ(owner->loaded, 0);
        EXPECT_EQ(ad->state(), PellarAdState::Failed);
        EXPECT_FALSE(ad->readyForDisplay());
    }
}

TEST_F(PellarAdResponseTest, ActionIconNameIsOnePathSegmentOnTheMediaHost)
{
    // The server decodes the path once: an icon found under the decoded name
    // was escaped exactly once, where it had to be.
    struct Case {
        const char* name; // as JSON
        const char* file; // the file asked for, decoded
    };
    const Case cases[] {
        { "my%20icon", "my icon" },
        { "caf\u00e9 icon", "caf\xC3\xA9 icon" },
        { "a\tb?c#d", "a\tb?c#d" },
        { "100%", "100%" },
        { "...", "..." },
        // The server refuses a path whose escapes hide "..": no icon, no ad,
        // and above all no file from elsewhere on the host.
        { "../../../../tmp/x", nullptr },
    };
    server.respond("/tmp/x.png", { .body = pngOfSize(4, 4), .contentType = "image/png" });
    for (auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        std::string path = std::string("/m/static/mobile/img/") + (testCase.file ? testCase.file : "") + ".png";
        if (testCase.file)
            server.respond(path, { .body = pngOfSize(4, 4), .contentType = "image/png" });
        answerAdRequest(std::string(R"({"6":"url","18":")") + testCase.name + R"(","jsonp_url":"http://x/","banner":")"
            + server.url("/banner.png") + "\"}");
        owner = std::make_shared<RecordingOwner>();
        startAd(std::make_shared<MinimalHost>());
        ASSERT_TRUE(waitForOutcome());
        EXPECT_EQ(owner->loaded, testCase.file ? 1 : 0);
        EXPECT_EQ(server.requestsTo(path), testCase.file ? 1 : 0);
    }
    EXPECT_EQ(server.requestsTo("/tmp/x.png"), 0);
}

TEST_F(PellarAdResponseTest, MarkupAnswerHandsOverToAFlexibleAd)
{
    answerAdRequest(R"({"6":"url","jsonp_url":"http://x/","markup":{"v":[{"t":"P","f":[0,0,10,10]}]}})");
    startAd(std::make_shared<MinimalHost>());
    ASSERT_TRUE(waitForOutcome());
    EXPECT_EQ(owner->loaded, 1);
    ASSERT_TRUE(ad->flexAd());
    ASSERT_TRUE(ad->flexAd()->containerView());
    EXPECT_EQ(ad->flexAd()->containerView()->frame(), Rect(0, 0, 320, 48));
    EXPECT_EQ(ad->flexAd()->containerView()->subviews().size(), 1u);
    EXPECT_EQ(server.requests().size(), 1u);
    // A description the flexible ad refuses fails the ad.
    ad = nullptr;
    owner = std::make_shared<RecordingOwner>();
    answerAdRequest(R"({"6":"url","jsonp_url":"http://x/","markup":{"$":"assets","v":[]}})");
    startAd(std::make_shared<MinimalHost>());
    ASSERT_TRUE(waitForOutcome());
    EXPECT_EQ(owner->failed, 1);
}

TEST_F(PellarAdResponseTest, AnAdDroppedMidRequestHearsNothing)
{
    answerAdRequest(textAnswer());
    startAd(std::make_shared<MinimalHost>());
    std::weak_ptr<PellarAd> weakAd = ad;
    ASSERT_TRUE(waitUntil([&] { return server.requestsTo("/ad_request") == 1; }));
    ad = nullptr;
    EXPECT_TRUE(weakAd.expired());
    loop().runUntil([] { return false; }, 0.3);
    EXPECT_EQ(owner->loaded + owner->failed, 0);
    EXPECT_EQ(server.requestsTo("/m_text.png"), 0);
}

TEST_F(PellarAdResponseTest, PixelsFireOnceAndKeepTheAdAliveUntilTheyAnswer)
{
    server.respond("/m_text.png", { .body = pngOfSize(38, 38) });
    answerAdRequest(textAnswer().replace(textAnswer().find(server.url("/cpm")), server.url("/cpm").size(), ""));
    startAd(std::make_shared<MinimalHost>());
    ASSERT_TRUE(waitForOutcome());
    EXPECT_FALSE(ad->accountingPixelUrl()); // "" counts as none

    ad->loadAccountingPixel();
    ad->loadAccountingPixel();
    EXPECT_TRUE(ad->accountingPixelLoaded());
    std::weak_ptr<PellarAd> weakAd = ad;
    ad = nullptr;
    EXPECT_FALSE(weakAd.expired());
    ASSERT_TRUE(waitUntil([&] { return weakAd.expired(); }));
    EXPECT_EQ(server.requestsTo("/track"), 1);
    EXPECT_EQ(server.requestsTo("/cpm"), 0);
}

TEST_F(PellarAdResponseTest, ClickPostsTheInteractionsAndReadsTheAnswer)
{
    loadReadyTextAd();
    server.respond("/click", { .body = R"({"redirect_url":"http://landing/"})" });
    auto interactions
        = JSONValue::dictionary({ { "interactions", JSONValue::array({ JSONValue::string("0,12,30,0.250000") }) } });
    ad->clickWithData(interactions);
    EXPECT_EQ(ad->state(), PellarAdState::Clicked);
    EXPECT_TRUE(ad->readyForDisplay());
    ASSERT_TRUE(waitUntil([&] { return owner->clicksSucceeded == 1; }));
    auto& request = server.requests().back();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.body, JSONSerializer().serializeDictionary(interactions));
    EXPECT_EQ(request.body, R"({"interactions":["0,12,30,0.250000"]})");
    ASSERT_TRUE(owner->response);
    EXPECT_EQ(owner->response->find("redirect_url")->stringValue(), "http://landing/");
    EXPECT_EQ(owner->stateDuringReport, PellarAdState::Ready);

    // Without data the click is a GET; an answer that is not JSON still counts.
    server.respond("/click", { .body = "recorded" });
    ad->click();
    ASSERT_TRUE(waitUntil([&] { return owner->clicksSucceeded == 2; }));
    EXPECT_EQ(server.requests().back().method, "GET");
    EXPECT_FALSE(owner->response);
    EXPECT_EQ(ad->state(), PellarAdState::Ready);
}

TEST_F(PellarAdResponseTest, ClickThatCannotBeRecordedFailsAndLeavesTheAdReady)
{
    loadReadyTextAd();
    server.respond("/click", { .body = "" });
    ad->click();
    ASSERT_TRUE(waitUntil([&] { return owner->clicksFailed == 1; }));
    server.respond("/click", { .status = 404, .body = "{}" });
    ad->click();
    ASSERT_TRUE(waitUntil([&] { return owner->clicksFailed == 2; }));

    // Data the writer cannot express fails the click instead of throwing out of it.
    size_t requestsBefore = server.requests().size();
    ad->clickWithData(JSONValue::dictionary({ { "when", JSONValue::date(0) } }));
    EXPECT_EQ(owner->clicksFailed, 3);
    EXPECT_EQ(server.requests().size(), requestsBefore);
    EXPECT_EQ(owner->clicksSucceeded, 0);
    EXPECT_EQ(ad->state(), PellarAdState::Ready);
}

struct ColourHost final : PellarDelegate {
    std::string publisherId() override { return "p"; }
    std::optional<std::optional<Color>> adBackgroundColor() override { return std::optional<Color>(); }
    std::optional<std::optional<Color>> primaryTextColor() override { return std::optional<Color>(Color::redColor()); }
    std::optional<bool> useGraySpinner() override { return true; }
};

TEST_F(PellarAdResponseTest, DisplayAttributesFollowTheHostAndDescriptionNamesTheAd)
{
    auto probe = PellarAd::create();
    probe->setDelegate(host = std::make_shared<MinimalHost>());
    EXPECT_EQ(probe->backgroundColor(), Color::rgba(0.443, 0.514, 0.631, 1.0));
    EXPECT_EQ(probe->textColor(), Color::whiteColor());
    EXPECT_EQ(probe->spinnerStyle(), ActivityIndicatorViewStyle::White);

    auto colourHost = std::make_shared<ColourHost>();
    probe->setDelegate(colourHost);
    EXPECT_EQ(probe->backgroundColor(), Color::rgba(0.443, 0.514, 0.631, 1.0)); // a nil answer is the default
    EXPECT_EQ(probe->textColor(), Color::redColor());
    EXPECT_EQ(probe->spinnerStyle(), ActivityIndicatorViewStyle::Gray);

    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<void*>(probe.get()));
    EXPECT_EQ(
        probe->description(), std::string("<PellarAd ") + address + ": '(null)', '(null)', (null), (null), {()}>");
}

} // namespace
