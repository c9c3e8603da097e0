#include "platform/foundation/URL.h"
#include "platform/foundation/PercentEscaping.h"
#include "platform/foundation/QueryString.h"

#include <gtest/gtest.h>

TEST(PercentEscapingTest, ASCIIFormEscapesOnlyWhatRFC2396Forbids)
{
    EXPECT_EQ(PercentEscaping::addingPercentEscapesASCII("a b"), "a%20b");
    EXPECT_EQ(PercentEscaping::addingPercentEscapesASCII("a&b=c"), "a&b=c");
    EXPECT_EQ(PercentEscaping::addingPercentEscapesASCII("100%"), "100%25");
    EXPECT_EQ(PercentEscaping::addingPercentEscapesASCII("#top"), "%23top");
    EXPECT_EQ(PercentEscaping::addingPercentEscapesASCII("-_.!~*'();/?:@&=+$,AZaz09"), "-_.!~*'();/?:@&=+$,AZaz09");
    EXPECT_EQ(PercentEscaping::addingPercentEscapesASCII("<\"{|}>\\^`[]"), "%3C%22%7B%7C%7D%3E%5C%5E%60%5B%5D");
    EXPECT_EQ(PercentEscaping::addingPercentEscapesASCII(std::string("\0\n\x7f", 3)), "%00%0A%7F");
    EXPECT_EQ(PercentEscaping::addingPercentEscapesASCII(""), "");
}

TEST(PercentEscapingTest, NonASCIITextHasNoASCIIFormButAUTF8One)
{
    EXPECT_EQ(PercentEscaping::addingPercentEscapesASCII("caf\xC3\xA9"), std::nullopt);
    EXPECT_EQ(PercentEscaping::addingPercentEscapesUTF8("\xC3\xA9"), "%C3%A9");
    EXPECT_EQ(PercentEscaping::addingPercentEscapesUTF8("a b&c"), "a%20b&c");
}

TEST(PercentEscapingTest, PathSegmentEscapesSeparatorsKeepsEscapesAndRefusesDotSegments)
{
    EXPECT_EQ(PercentEscaping::addingPercentEscapesToPathSegment("../a/b"), "..%2Fa%2Fb");
    EXPECT_EQ(PercentEscaping::addingPercentEscapesToPathSegment("a b%20c%zz%4"), "a%20b%20c%25zz%254");
    EXPECT_EQ(PercentEscaping::addingPercentEscapesToPathSegment(std::string("\0\x1f\x7f?#\xC3\xA9", 7)),
        "%00%1F%7F%3F%23%C3%A9");
    EXPECT_EQ(PercentEscaping::addingPercentEscapesToPathSegment("-._~!$&'()*+,;=:@Az9"), "-._~!$&'()*+,;=:@Az9");
    EXPECT_EQ(PercentEscaping::addingPercentEscapesToPathSegment("..."), "...");
    for (const char* dots : { ".", "..", "%2E", "%2e.", ".%2E" })
        EXPECT_EQ(PercentEscaping::addingPercentEscapesToPathSegment(dots), std::nullopt) << dots;
}

TEST(PercentEscapingTest, UnescapingFailsCleanlyOnBadInput)
{
    EXPECT_EQ(PercentEscaping::replacingPercentEscapesASCII("a%20b%2f"), "a b/");
    EXPECT_EQ(PercentEscaping::replacingPercentEscapesASCII("plain+text"), "plain+text");
    EXPECT_EQ(PercentEscaping::replacingPercentEscapesASCII("%"), std::nullopt);
    EXPECT_EQ(PercentEscaping::replacingPercentEscapesASCII("ab%2"), std::nullopt);
    EXPECT_EQ(PercentEscaping::replacingPercentEscapesASCII("%zz"), std::nullopt);
    EXPECT_EQ(PercentEscaping::replacingPercentEscapesASCII("%C3%A9"), std::nullopt);
    EXPECT_EQ(PercentEscaping::replacingPercentEscapesUTF8("%C3%A9"), "\xC3\xA9");
    EXPECT_EQ(PercentEscaping::replacingPercentEscapesUTF8("%C3"), std::nullopt);
}

TEST(PercentEscapingTest, UTF8EscapingRoundTripsEveryByte)
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all += static_cast<char>(byte);
    EXPECT_EQ(PercentEscaping::replacingPercentEscapes(PercentEscaping::addingPercentEscapesUTF8(all)), all);
}

TEST(QueryStringTest, ParsesOrderedUnescapedPairs)
{
    QueryString::Pairs expected { { "b", "2" }, { "a", "x y" }, { "a", "" }, { "flag", "" }, { "k", "v=w" } };
    EXPECT_EQ(QueryString::parse("b=2&a=x%20y&a=&&flag&k=v=w"), expected);
    EXPECT_TRUE(QueryString::parse("").empty());
}

TEST(QueryStringTest, PlusIsLiteralUnlessAskedAndBadEscapesAreKept)
{
    QueryString::Pairs literal { { "q", "1+1" } };
    QueryString::Pairs spaced { { "q", "1 1" } };
    EXPECT_EQ(QueryString::parse("q=1+1"), literal);
    EXPECT_EQ(QueryString::parse("q=1+1", QueryString::Plus::PlusIsSpace), spaced);
    QueryString::Pairs kept { { "p", "50%" } };
    EXPECT_EQ(QueryString::parse("p=50%"), kept);
}

TEST(QueryStringTest, BuildSurvivesDelimitersInValues)
{
    QueryString::Pairs pairs { { "a&b", "c=d+e #f" }, { "name", "caf\xC3\xA9" } };
    std::string query = QueryString::build(pairs);
    EXPECT_EQ(query, "a%26b=c%3Dd%2Be%20%23f&name=caf%C3%A9");
    EXPECT_EQ(QueryString::parse(query), pairs);
}

TEST(URLTest, ParsesEveryComponent)
{
    auto url = URL::withString("http://user:pw@example.org:8080/a/b.png?x=1&y=%202#frag");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->scheme(), "http");
    EXPECT_EQ(url->userInfo(), "user:pw");
    EXPECT_EQ(url->host(), "example.org");
    EXPECT_EQ(url->port(), 8080);
    EXPECT_EQ(url->path(), "/a/b.png");
    EXPECT_EQ(url->query(), "x=1&y=%202");
    EXPECT_EQ(url->fragment(), "frag");
    EXPECT_EQ(url->absoluteString(), "http://user:pw@example.org:8080/a/b.png?x=1&y=%202#frag");

    auto bare = URL::withString("http://h");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->path(), "");
    EXPECT_EQ(bare->port(), std::nullopt);
    EXPECT_EQ(bare->query(), std::nullopt);
    EXPECT_EQ(URL::withString("http://h/?")->query(), "");

    auto ipv6 = URL::withString("http://[::1]:9/");
    ASSERT_TRUE(ipv6);
    EXPECT_EQ(ipv6->host(), "[::1]");
    EXPECT_EQ(ipv6->port(), 9);

    auto mail = URL::withString("mailto:someone@example.org");
    ASSERT_TRUE(mail);
    EXPECT_FALSE(mail->hasAuthority());
    EXPECT_EQ(mail->path(), "someone@example.org");
}

TEST(URLTest, RefusesTextOutsideTheURLAlphabet)
{
    for (const char* text : { "http://h/a b", "http://h/caf\xC3\xA9", "http://h/%zz", "http://h/%4", "http://h/a#b#c",
             "http://h/\"q\"", "http://h/<x>", "http://h/a|b", "http://h:80x/", "http://h:70000/", "http://a@b@c/",
             "http://h/[x]", "http://[zz]/", "http://[::1/", "1http://h/" }) {
        EXPECT_FALSE(URL::withString(text)) << text;
    }
    // A colon before the first slash ends a scheme; when what precedes it is no scheme, the text is refused.
    EXPECT_EQ(URL::withString("ok-1:x/y")->scheme(), "ok-1");
    EXPECT_FALSE(URL::withString("-bad:x"));
    EXPECT_TRUE(URL::withString(""));
    EXPECT_TRUE(URL::withString("../a/b?c#d"));
}

TEST(URLTest, ResolvesRelativeReferencesAsRFC3986Does)
{
    auto base = URL::withString("http://a/b/c/d;p?q");
    ASSERT_TRUE(base);
    std::pair<const char*, const char*> cases[] = {
        { "g", "http://a/b/c/g" },
        { "./g", "http://a/b/c/g" },
        { "g/", "http://a/b/c/g/" },
        { "/g", "http://a/g" },
        { "//g", "http://g" },
        { "?y", "http://a/b/c/d;p?y" },
        { "g?y#s", "http://a/b/c/g?y#s" },
        { "#s", "http://a/b/c/d;p?q#s" },
        { "", "http://a/b/c/d;p?q" },
        { ".", "http://a/b/c/" },
        { "..", "http://a/b/" },
        { "../g", "http://a/b/g" },
        { "../../../g", "http://a/g" },
        { "/./g", "http://a/g" },
        { "g/../h", "http://a/b/c/h" },
        { "g;x=1/../y", "http://a/b/c/y" },
        { "https://other:1/x/../y", "https://other:1/y" },
    };
    for (auto [relative, expected] : cases) {
        auto resolved = URL::withString(relative, *base);
        ASSERT_TRUE(resolved) << relative;
        EXPECT_EQ(resolved->absoluteString(), expected) << relative;
    }
    EXPECT_EQ(URL::withString("x", *URL::withString("http://h"))->absoluteString(), "http://h/x");
    EXPECT_FALSE(URL::withString("g", *URL::withString("/relative/base")));
    EXPECT_EQ(URL::withString("http://x/y", *URL::withString("/relative/base"))->absoluteString(), "http://x/y");
}

TEST(URLTest, BuildsFromComponentsAndRefusesMisplacedDelimiters)
{
    URL::Components components;
    components.scheme = "http";
    components.host = "127.0.0.1";
    components.port = 8080;
    components.path = "/ad_request";
    components.query = "a=1";
    auto url = URL::withComponents(components);
    ASSERT_TRUE(url);
    EXPECT_EQ(url->absoluteString(), "http://127.0.0.1:8080/ad_request?a=1");
    EXPECT_EQ(*url, *URL::withString("http://127.0.0.1:8080/ad_request?a=1"));

    URL::Components pathWithQuery = components;
    pathWithQuery.path = "/a?b";
    EXPECT_FALSE(URL::withComponents(pathWithQuery));
    URL::Components hostWithSlash = components;
    hostWithSlash.host = "h/x";
    EXPECT_FALSE(URL::withComponents(hostWithSlash));
    URL::Components relativePath = components;
    relativePath.path = "no-slash";
    EXPECT_FALSE(URL::withComponents(relativePath));
}
