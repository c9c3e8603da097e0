#include "platform/foundation/SystemURLPolicy.h"
#include "platform/foundation/Log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class CapturedLog {
public:
    CapturedLog()
    {
        Log::setCaptureHook([this](const std::string& line) { lines.push_back(line); });
    }
    ~CapturedLog() { Log::setCaptureHook(nullptr); }
    std::vector<std::string> lines;
};

} // namespace

TEST(SystemURLPolicyTest, OnlyWebMailCallAndMessageLinksLeaveTheApplication)
{
    for (const char* url : { "http://example.com/", "https://example.com/a?b=c", "HTTPS://EXAMPLE.COM",
             "mailto:a@example.com", "mailto:?subject=x", "tel:+15551234", "TEL:5551234", "sms:5551234" })
        EXPECT_TRUE(SystemURLPolicy::mayOpenWithSystem(url)) << url;

    for (const char* url :
        { "javascript:alert(1)", "JavaScript:alert(1)", "data:text/html;base64,PHNjcmlwdD4=", "file:///etc/passwd",
            "/etc/passwd", "/", "", "x-hostile-scheme://run?cmd=id", "storeapp://app/1", "ftp://example.com/",
            "http:/etc/passwd", "http:", "https://", " http://example.com/", "1http://example.com" })
        EXPECT_FALSE(SystemURLPolicy::mayOpenWithSystem(url)) << url;

    // A library adds the store scheme it recognises; nothing else changes.
    SystemURLPolicy::allowScheme("StoreApp");
    EXPECT_TRUE(SystemURLPolicy::mayOpenWithSystem("storeapp://app/1"));
    EXPECT_FALSE(SystemURLPolicy::mayOpenWithSystem("x-hostile-scheme://run?cmd=id"));
}

TEST(SystemURLPolicyTest, ARefusalLogsTheSchemeAndNothingElse)
{
    CapturedLog log;
    EXPECT_FALSE(SystemURLPolicy::checkOpenWithSystem("x-hostile-scheme://run?cmd=id&token=secret"));
    EXPECT_FALSE(SystemURLPolicy::checkOpenWithSystem("/etc/passwd"));
    EXPECT_FALSE(SystemURLPolicy::checkOpenWithSystem("javascript:" + std::string(100000, 'a')));
    EXPECT_TRUE(SystemURLPolicy::checkOpenWithSystem("tel:5551234"));
    ASSERT_EQ(log.lines.size(), 3u);
    EXPECT_NE(log.lines[0].find("\"x-hostile-scheme\""), std::string::npos) << log.lines[0];
    EXPECT_EQ(log.lines[0].find("cmd"), std::string::npos);
    EXPECT_EQ(log.lines[0].find("secret"), std::string::npos);
    EXPECT_EQ(log.lines[1].find("passwd"), std::string::npos);
    EXPECT_LT(log.lines[2].size(), 100u);
}

TEST(LogTest, ExcerptCutsLongServerTextOnACharacterBoundaryWithAMarker)
{
    EXPECT_EQ(Log::excerpt("short"), "short");
    EXPECT_EQ(Log::excerpt(std::string(200, 'a')), std::string(200, 'a'));

    std::string huge(5 * 1024 * 1024, 'u');
    std::string cut = Log::excerpt(huge);
    EXPECT_LT(cut.size(), 240u);
    EXPECT_TRUE(cut.starts_with(std::string(200, 'u')));
    EXPECT_NE(cut.find(std::to_string(huge.size() - 200) + " more bytes"), std::string::npos) << cut;

    // "é" is two bytes: a cut after 199 'a's would split it.
    std::string accented = std::string(199, 'a') + "é" + "tail";
    std::string accentedCut = Log::excerpt(accented);
    EXPECT_TRUE(accentedCut.starts_with(std::string(199, 'a') + "…")) << accentedCut;
}

TEST(LogTest, SchemeAndHostLeavesPathQueryAndUserOut)
{
    EXPECT_EQ(Log::schemeAndHost("https://ads.example.com/click?isu=123&lat=52.1#x"), "https://ads.example.com");
    EXPECT_EQ(Log::schemeAndHost("http://user:pw@127.0.0.1:8080/a"), "http://127.0.0.1:8080");
    EXPECT_EQ(Log::schemeAndHost("tel:5551234"), "tel:");
    EXPECT_EQ(Log::schemeAndHost("mailto:someone@example.com?subject=hi"), "mailto:");
    EXPECT_EQ(Log::schemeAndHost("not a url at all"), "(not a URL)");
    EXPECT_LT(Log::schemeAndHost("http://" + std::string(100000, 'h') + "/").size(), 240u);
}
