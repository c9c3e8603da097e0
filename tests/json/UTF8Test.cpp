#include "json/UTF8.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int value : values)
        out += static_cast<char>(value);
    return out;
}

std::optional<std::string> decoded(const std::string& data, bool bigEndian)
{
    std::string out;
    if (!utf8::appendDecodedUTF16(out, data, bigEndian))
        return std::nullopt;
    return out;
}

TEST(UTF16DecodingTest, BothByteOrdersWithASurrogatePairAndANul)
{
    // "é", U+1F600 as a pair, U+0000, "A".
    std::string big = bytes({ 0x00, 0xE9, 0xD8, 0x3D, 0xDE, 0x00, 0x00, 0x00, 0x00, 0x41 });
    std::string little = bytes({ 0xE9, 0x00, 0x3D, 0xD8, 0x00, 0xDE, 0x00, 0x00, 0x41, 0x00 });
    std::string expected = std::string("\xC3\xA9\xF0\x9F\x98\x80") + std::string(1, '\0') + "A";
    EXPECT_EQ(decoded(big, true), expected);
    EXPECT_EQ(decoded(little, false), expected);
    std::string prefix = "x";
    ASSERT_TRUE(utf8::appendDecodedUTF16(prefix, big, true));
    EXPECT_EQ(prefix, "x" + expected);
}

TEST(UTF16DecodingTest, UnpairedSurrogatesAndOddLengthsFail)
{
    EXPECT_FALSE(decoded(bytes({ 0xD8, 0x3D }), true)); // high surrogate at the end
    EXPECT_FALSE(decoded(bytes({ 0xD8, 0x3D, 0x00, 0x41 }), true)); // high surrogate, then no low one
    EXPECT_FALSE(decoded(bytes({ 0xDE, 0x00, 0x00, 0x41 }), true)); // low surrogate first
    EXPECT_FALSE(decoded(bytes({ 0x00, 0x41, 0x00 }), true));
    EXPECT_EQ(decoded("", true), "");
}

} // namespace
