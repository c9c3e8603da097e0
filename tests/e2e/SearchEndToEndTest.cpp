#include "tests/e2e/EndToEndSupport.h"
#include "tests/support/Pixels.h"

#include <cairo.h>

namespace {

class SearchEndToEndTest : public EndToEndTest { };

// The demo rotation's second ad is the search ad: the refresh at 60 s brings it.
TEST_F(SearchEndToEndTest, SearchBannerOpensTheScreenSuggestsAsTypedAndSearchesOnReturn)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "the results page needs a display";
    DemoService service(VANTREL_SOURCE_DIR "/server/scenarios/default", dir / "requests.jsonl");
    ASSERT_FALSE(service.baseURL().empty());
    auto run = runVantrel(service,
        "wait 0.5\n"
        "tap-label I understood\n"
        "wait 61\n"
        "screenshot "
            + (dir / "banner.png").string()
            + "\n"
              "tap-label Advertisement\n"
              "wait 1.5\n"
              "type pi\n"
              "wait 0.5\n"
              "screenshot "
            + (dir / "suggestions.png").string()
            + "\n"
              "key Return\n"
              "wait 2\n"
              "screenshot "
            + (dir / "results.png").string()
            + "\n"
              "quit\n");
    ASSERT_EQ(run.status, 0) << run.log;

    // One request a letter, each with the text typed so far.
    auto suggestions = service.requestsTo("/search/suggest");
    ASSERT_EQ(suggestions.size(), 2u) << run.log;
    EXPECT_EQ(suggestions[0].find("query")->find("query")->stringValue(), "p");
    EXPECT_EQ(suggestions[1].find("query")->find("query")->stringValue(), "pi");
    // The search is one click carrying the query, and the browser opens the results for it.
    auto clicks = service.requestsTo("/search/click");
    ASSERT_EQ(clicks.size(), 1u);
    auto body = JSONDeserializer().deserializeAsDictionary(clicks[0].find("body")->stringValue());
    ASSERT_TRUE(body);
    EXPECT_EQ(body->find("query")->stringValue(), "pi");
    EXPECT_EQ(service.requestsTo("/search/results").size(), 1u);

    auto banner = shot("banner.png"), typed = shot("suggestions.png"), results = shot("results.png");
    ASSERT_TRUE(banner && typed && results);
    // The table of suggestions is white below the bar; the page of results replaces the screen.
    EXPECT_EQ(rgbAt(*typed, 300, 60), 0xffffffu);
    EXPECT_NE(rgbAt(*results, 300, 60), rgbAt(*typed, 300, 60));
}

} // namespace
