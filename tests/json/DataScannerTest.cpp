#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>

#include "json/DataScanner.h"

TEST(DataScanner, EmptyDataIsAtEndAndMatchesNothing)
{
    DataScanner scanner(std::string_view {});
    EXPECT_EQ(scanner.scanLocation(), 0u);
    EXPECT_TRUE(scanner.isAtEnd());
    EXPECT_EQ(scanner.currentCharacter(), DataScanner::kEndOfData);
    EXPECT_EQ(scanner.scanCharacter(), DataScanner::kEndOfData);
    EXPECT_FALSE(scanner.scanCharacter('"'));
    scanner.skipWhitespace();
    EXPECT_EQ(scanner.scanLocation(), 0u);
}

TEST(DataScanner, FailedStepsDoNotMove)
{
    DataScanner scanner("tru");
    EXPECT_FALSE(scanner.scanUTF8String("true"));
    EXPECT_EQ(scanner.scanLocation(), 0u);
    std::string word;
    EXPECT_TRUE(scanner.scanUTF8String("tr", &word));
    EXPECT_EQ(word, "tr");
    EXPECT_FALSE(scanner.scanCharacter('x'));
    EXPECT_EQ(scanner.scanCharacter(), 'u');
    EXPECT_TRUE(scanner.isAtEnd());
    // At the end no byte is read and nothing moves past it.
    EXPECT_EQ(scanner.scanCharacter(), DataScanner::kEndOfData);
    EXPECT_EQ(scanner.scanLocation(), 3u);
}

TEST(DataScanner, WhitespaceIsTheCLocaleSetOnly)
{
    DataScanner scanner(" \t\n\v\f\r\xA0x");
    scanner.skipWhitespace();
    EXPECT_EQ(scanner.scanLocation(), 6u); // 0xA0 (no-break space in Latin-1) is not white space
}

TEST(DataScanner, CharacterSetRuns)
{
    DataScanner scanner("+1");
    std::string run;
    EXPECT_FALSE(scanner.scanCharactersFromSet(scanner.doubleCharacters(), &run));
    EXPECT_EQ(scanner.scanLocation(), 0u);

    DataScanner letters("abcé!");
    EXPECT_TRUE(letters.scanCharactersFromSet(DataScanner::characterSet("abc\xC3\xA9"), &run));
    EXPECT_EQ(run, "abcé");
    EXPECT_EQ(letters.currentCharacter(), '!');
}

TEST(DataScanner, NumbersConsumeTheWholeRunAndConvertItsPrefix)
{
    struct Case {
        const char* text;
        double value;
        uint32_t consumed;
    } cases[] = {
        { "1e5", 100000.0, 3 },
        { "-0.25", -0.25, 5 },
        { "12-34", 12.0, 5 },
        { ".", 0.0, 1 },
        { "1.2.3", 1.2, 5 },
        { "1e+22,", 1e22, 5 }, // "+" belongs to the run right after an exponent mark
        { "1+2", 1.0, 1 }, // but nowhere else
        { "2.5e-1]", 0.25, 6 },
        { "1E3", 1000.0, 3 },
        { "1e", 1.0, 2 },
        { "0.1", 0.1, 3 },
        { "123456789012345678901234", 123456789012345678901234.0, 24 },
        { "3.141592653589793238462643", 3.141592653589793, 26 },
        { "4.9406564584124654e-324", 4.9406564584124654e-324, 23 },
        { "1e400", HUGE_VAL, 5 },
        { "-1e400", -HUGE_VAL, 6 },
        { "1e-400", 0.0, 6 },
        { "0.0000000000000000000000000000001e30", 0.1, 36 },
    };
    for (auto& c : cases) {
        DataScanner scanner(c.text);
        double value = -99;
        ASSERT_TRUE(scanner.scanNumber(&value)) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(scanner.scanLocation(), c.consumed) << c.text;
    }
    DataScanner negativeZero("-0");
    double zero = 1;
    ASSERT_TRUE(negativeZero.scanNumber(&zero));
    EXPECT_TRUE(std::signbit(zero));
    DataScanner none("+1");
    EXPECT_FALSE(none.scanNumber());
}

TEST(DataScanner, ConversionRoundsLikeTheCLibrary)
{
    // Long mantissas near halfway points exercise every conversion path.
    std::mt19937_64 random(7);
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        for (size_t length = 1 + random() % 21; text.size() < length;)
            text.push_back(char('0' + random() % 10));
        int point = int(random() % (text.size() + 1));
        text.insert(size_t(point), ".");
        text += "e" + std::to_string(int(random() % 80) - 40);
        ASSERT_EQ(DataScanner::doubleValue(text), std::strtod(text.c_str(), nullptr)) << text;
    }
    for (const char* text : { "9007199254740993", "0.1000000000000000055511151231257827", "2.2250738585072011e-308",
             "1.7976931348623157e308", "7.038531e-26", "123456789012345678e-30" })
        EXPECT_EQ(DataScanner::doubleValue(text), std::strtod(text, nullptr)) << text;
}

TEST(DataScanner, ShortDecimalsReadTheCLibrarysPrefixAndValue)
{
    // Signs, leading zeros, 19 and 20 significant digits, exponent forms, and
    // text after the number that the reader must stop before.
    std::mt19937_64 random(11);
    const char* const tails[] = { "", ",", "]", ".", ".5", "e", "e+", "E-", "x", "0", "e7", "1234567" };
    for (int i = 0; i < 100000; ++i) {
        std::string text = random() % 2 ? "-" : "";
        text += std::string(random() % 3, '0');
        size_t length = 1 + random() % 20;
        for (size_t d = 0; d < length; ++d)
            text.push_back(char('0' + random() % 10));
        if (random() % 4)
            text.insert(text.size() - random() % std::min<size_t>(length, 12), ".");
        if (random() % 2)
            text += std::string(random() % 2 ? "e" : "E") + (random() % 2 ? "-" : "+") + std::to_string(random() % 330);
        text += tails[random() % std::size(tails)];
        char* expectedEnd;
        double expected = std::strtod(text.c_str(), &expectedEnd);
        const char* numberEnd;
        double value = DataScanner::leadingNumber(text.data(), text.data() + text.size(), numberEnd);
        ASSERT_EQ(value, expected) << text;
        ASSERT_EQ(std::signbit(value), std::signbit(expected)) << text;
        ASSERT_EQ(numberEnd - text.data(), expectedEnd - text.c_str()) << text;
    }
}

TEST(DataScanner, ConversionOutOfRangeAndLongDigitRuns)
{
    // Past the double range the digit count and the exponent together decide
    // between infinity and zero, however far apart they are.
    std::string zeros(400, '0');
    std::string manyZeros(2'000'000, '0');
    const std::string cases[] = { "1" + zeros, "-1" + zeros, "0." + zeros + "1", "-0." + zeros + "1e-5",
        zeros + "1e-330", "1" + manyZeros + "e-99999999999", "0." + manyZeros + "1e99999999999",
        "1e-99999999999999999999", "2.4703282292062327e-324", "1.7976931348623159e308" };
    for (const std::string& text : cases)
        EXPECT_EQ(DataScanner::doubleValue(text), std::strtod(text.c_str(), nullptr)) << text.substr(0, 40);
    // Words the C library would read are not numbers here.
    EXPECT_EQ(DataScanner::doubleValue("inf"), 0.0);
    EXPECT_EQ(DataScanner::doubleValue("-nan"), 0.0);
}

TEST(DataScanner, NarrowerDoubleCharactersEndTheRunAndTheNumber)
{
    DataScanner scanner("1.5e3,7e2");
    scanner.setDoubleCharacters(DataScanner::characterSet("0123456789"));
    double value = 0;
    ASSERT_TRUE(scanner.scanNumber(&value));
    EXPECT_EQ(value, 1.0);
    EXPECT_EQ(scanner.scanLocation(), 1u);
    scanner.setScanLocation(6);
    scanner.setDoubleCharacters(DataScanner::characterSet("0123456789eE-."));
    ASSERT_TRUE(scanner.scanNumber(&value));
    EXPECT_EQ(value, 700.0);
}
