#include "platform/foundation/ServerText.h"

#include <gtest/gtest.h>

#include <glib.h>

#include <chrono>
#include <string>

namespace {

size_t characters(const std::string& text)
{
    return static_cast<size_t>(g_utf8_strlen(text.c_str(), static_cast<gssize>(text.size())));
}

std::string repeated(const std::string& piece, size_t times)
{
    std::string text;
    for (size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

} // namespace

TEST(ServerTextTest, DirectionControlsGoAndEverythingElseStays)
{
    EXPECT_EQ(ServerText::forDisplay("\u202Eelif.exe", 100), "elif.exe");
    EXPECT_EQ(ServerText::forDisplay("a\u202Ab\u202Bc\u202Cd\u202De\u2066f\u2067g\u2068h\u2069i", 100), "abcdefghi");
    // Marks that only hint a direction, joiners, combining marks and
    // right-to-left letters are text, not overrides.
    std::string kept = "\u200F\u200E\u200D\u200Ba\u0301 \u05E9\u05DC\u05D5\u05DD \u0645\u0631\u062D\u0628\u0627";
    EXPECT_EQ(ServerText::forDisplay(kept, 100), kept);
    EXPECT_EQ(ServerText::forDisplay("", 10), "");
}

TEST(ServerTextTest, TheWorstShapesAreCutOnCharacterBoundariesBeforeAnyLayout)
{
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        { "one long word", std::string(15 * 1024 * 1024, 'W') },
        { "zero-width pairs", repeated("\u200B\u200D", 20000) },
        { "combining marks", repeated("e\u0301\u0302\u0303", 50000) },
        { "right-to-left overrides", repeated("\u202E\u202Dab", 50000) },
        { "four-byte characters", repeated("\U0001F600", 50000) },
    };
    for (auto& c : cases) {
        auto start = std::chrono::steady_clock::now();
        std::string shown = ServerText::forDisplay(c.text, ServerText::kAdTextLength);
        auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_LE(characters(shown), ServerText::kAdTextLength) << c.name;
        EXPECT_GE(characters(shown), ServerText::kAdTextLength / 2) << c.name;
        EXPECT_TRUE(g_utf8_validate(shown.c_str(), static_cast<gssize>(shown.size()), nullptr)) << c.name;
        EXPECT_EQ(shown.find("\u202E"), std::string::npos) << c.name;
        EXPECT_LT(elapsed, std::chrono::milliseconds(50)) << c.name;
    }
}

TEST(ServerTextTest, InvalidBytesBecomeReplacementCharacters)
{
    std::string shown = ServerText::forDisplay(std::string("ok\xff\xfe\xc3", 5), 10);
    EXPECT_TRUE(g_utf8_validate(shown.c_str(), static_cast<gssize>(shown.size()), nullptr));
    EXPECT_TRUE(shown.starts_with("ok"));
    // A cut in the middle of a character never leaves half of it.
    EXPECT_EQ(ServerText::forDisplay("é\u00e9é", 2), "éé");
}
