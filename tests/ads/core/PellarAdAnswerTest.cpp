#include "ads/core/PellarAdAnswer.h"

#include "platform/foundation/ServerText.h"
#include "json/JSONDeserializer.h"

#include <gtest/gtest.h>

namespace {

JSONValue parsed(std::string_view text)
{
    auto value = JSONDeserializer().deserialize(text);
    EXPECT_TRUE(value.has_value()) << text;
    return value.value_or(JSONValue());
}

PellarAdAnswer answer(std::string_view text)
{
    return PellarAdAnswer::fromJSON(parsed(text));
}

TEST(PellarAdAnswerTest, TextAdReadsEveryNamedField)
{
    auto ad = answer(R"({"text":"Hi","6":"url","8":"user","18":"icon","jsonp_url":"http://c/","204":"_t.png",
        "21":"Find","22":"http://h/","suggestion_url":"http://s/",
        "cpm_url":"http://p/","tracking_pixel":"http://t/"})");
    EXPECT_EQ(ad.text, "Hi");
    EXPECT_EQ(ad.action, "url");
    EXPECT_EQ(ad.clickAction, PellarClickAction::URL);
    EXPECT_EQ(ad.userString, "user");
    EXPECT_EQ(ad.actionImageName, "icon");
    EXPECT_EQ(ad.jsonpUrl, "http://c/");
    EXPECT_EQ(ad.medium, PellarAdMedium::Text);
    EXPECT_EQ(ad.textImagePath, "_t.png");
    EXPECT_EQ(ad.bannerURL, std::nullopt);
    // The path is joined as it stands: the server's paths carry their own separator.
    EXPECT_EQ(ad.imageURL("http://media/m"), "http://media/m_t.png");
    EXPECT_EQ(ad.searchPlaceholder, "Find");
    EXPECT_EQ(ad.searchHelpURL, "http://h/");
    EXPECT_EQ(ad.suggestionUrl, "http://s/");
    EXPECT_EQ(ad.accountingPixelUrl, "http://p/");
    EXPECT_EQ(ad.trackingPixelUrl, "http://t/");
    EXPECT_FALSE(ad.markup);
}

TEST(PellarAdAnswerTest, MistypedAndEmptyValuesCountAsMissing)
{
    auto ad = answer(R"({"text":7,"6":["url"],"18":null,"jsonp_url":{},"cpm_url":"","tracking_pixel":"",
        "markup":"not an object"})");
    EXPECT_EQ(ad.text, std::nullopt);
    EXPECT_EQ(ad.action, std::nullopt);
    EXPECT_EQ(ad.clickAction, PellarClickAction::Other);
    EXPECT_EQ(ad.actionImageName, std::nullopt);
    EXPECT_EQ(ad.jsonpUrl, std::nullopt);
    EXPECT_EQ(ad.accountingPixelUrl, std::nullopt);
    EXPECT_EQ(ad.trackingPixelUrl, std::nullopt);
    EXPECT_FALSE(ad.markup);

    // Not an object at all: every field missing, the defaults in place.
    for (auto* text : { "[1,2]", "\"text\"", "3", "null" }) {
        auto empty = answer(text);
        EXPECT_EQ(empty.action, std::nullopt) << text;
        EXPECT_EQ(empty.medium, PellarAdMedium::Text) << text;
        EXPECT_FALSE(empty.bannerURL || empty.textImagePath || empty.markup) << text;
    }
}

TEST(PellarAdAnswerTest, ImageKeysDecideTheMediumEvenWhenTheirValueIsUnusable)
{
    // The banner key wins over the text image, even when it is not a string.
    auto banner = answer(R"({"banner":5,"204":"_t.png"})");
    EXPECT_EQ(banner.medium, PellarAdMedium::Banner);
    EXPECT_EQ(banner.bannerURL, std::nullopt);
    EXPECT_EQ(banner.textImagePath, std::nullopt);
    EXPECT_EQ(banner.imageURL("http://media/"), std::nullopt);

    auto text = answer(R"({"204":false})");
    EXPECT_EQ(text.medium, PellarAdMedium::Text);
    EXPECT_EQ(text.textImagePath, std::nullopt);

    // The search key's presence alone makes a search ad; the image stays.
    auto search = answer(R"({"banner":"http://b/","20":null})");
    EXPECT_EQ(search.medium, PellarAdMedium::Search);
    EXPECT_EQ(search.bannerURL, "http://b/");
}

TEST(PellarAdAnswerTest, IconNameFallsBackToTheActionAndMarkupMustBeAnObject)
{
    auto ad = answer(R"({"6":"call","markup":{"v":[]}})");
    EXPECT_EQ(ad.actionImageName, "call");
    ASSERT_TRUE(ad.markup);
    EXPECT_TRUE(ad.markup->isDictionary());
}

TEST(PellarAdAnswerTest, ClickActionNamesAreExactAndUnknownOnesAreOther)
{
    // Both store names are one action; every name of the demo service is
    // checked end to end by the ad tests.
    EXPECT_EQ(clickActionFromName("app"), PellarClickAction::Store);
    EXPECT_EQ(clickActionFromName("store"), PellarClickAction::Store);
    for (std::string_view name : { "URL", " url", "url ", "" })
        EXPECT_EQ(clickActionFromName(name), PellarClickAction::Other) << name;
    EXPECT_EQ(clickActionFromName(std::nullopt), PellarClickAction::Other);
    // A name is matched whole: one with an embedded NUL is not "url".
    EXPECT_EQ(clickActionFromName(std::string_view("url\0x", 5)), PellarClickAction::Other);
}

TEST(PellarAdAnswerTest, ClickAnswerTellsAMistypedRedirectFromAMissingOne)
{
    auto none = PellarAdAnswer::clickFromJSON(std::nullopt);
    EXPECT_FALSE(none.redirectIsMalformed || none.redirectURL || none.acquisitionURL);

    auto good = PellarAdAnswer::clickFromJSON(parsed(R"({"redirect_url":"http://r/","acquisition_url":"http://a/"})"));
    EXPECT_FALSE(good.redirectIsMalformed);
    EXPECT_EQ(good.redirectURL, "http://r/");
    EXPECT_EQ(good.acquisitionURL, "http://a/");

    auto bad = PellarAdAnswer::clickFromJSON(parsed(R"({"redirect_url":12,"acquisition_url":[]})"));
    EXPECT_TRUE(bad.redirectIsMalformed);
    EXPECT_EQ(bad.redirectURL, std::nullopt);
    EXPECT_EQ(bad.acquisitionURL, std::nullopt);

    // A list is not an answer with keys; nothing in it is malformed.
    EXPECT_FALSE(PellarAdAnswer::clickFromJSON(parsed(R"(["redirect_url"])")).redirectIsMalformed);
}

} // namespace

TEST(PellarAdAnswerTest, DrawnTextsAreCutAndLoseTheirDirectionControls)
{
    std::string longWord(2 * 1024 * 1024, 'w');
    auto read = answer(R"({"text":")" + longWord + R"(","21":"\u202Eelif.exe)" + std::string(5000, 'p') + R"("})");
    ASSERT_TRUE(read.text);
    EXPECT_EQ(read.text->size(), ServerText::kAdTextLength);
    ASSERT_TRUE(read.searchPlaceholder);
    EXPECT_TRUE(read.searchPlaceholder->starts_with("elif.exe"));
    EXPECT_EQ(read.searchPlaceholder->size(), ServerText::kPlaceholderLength);
}
