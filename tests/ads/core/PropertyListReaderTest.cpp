#include "ads/core/PropertyListReader.h"

#include <gtest/gtest.h>

namespace {

using Table = PropertyListReader::StringTable;

TEST(PropertyListReaderTest, StringsFileTextWithCommentsEscapesAndShorthand)
{
    auto table = PropertyListReader::stringTableFromData(
        "/* header */\n"
        "\"Cancel\" = \"Abbrechen\"; // trailing\n"
        "\"Quote\" = \"a \\\"b\\\"\\n\\\\\";\n"
        "\"Euro\" = \"\\U20ac \\U00e9\";\n"
        "Plain = word;\n"
        "\"Same\";\n");
    ASSERT_TRUE(table);
    EXPECT_EQ(*table, (Table { { "Cancel", "Abbrechen" }, { "Quote", "a \"b\"\n\\" }, { "Euro", "\xE2\x82\xAC \xC3\xA9" },
        { "Plain", "word" }, { "Same", "Same" } }));
}

TEST(PropertyListReaderTest, UTF16WithByteOrderMarkAndBracedOldStyleDictionary)
{
    std::string utf8 = "{ \"Call\" = \"Anrufen\"; }";
    std::string littleEndian = "\xFF\xFE";
    for (char c : utf8) {
        littleEndian += c;
        littleEndian += '\0';
    }
    auto table = PropertyListReader::stringTableFromData(littleEndian);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->at("Call"), "Anrufen");
}

TEST(PropertyListReaderTest, XMLDictionaryOfStringsWithEntities)
{
    auto table = PropertyListReader::stringTableFromData(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist>\n<plist version=\"1.0\">\n<dict>\n"
        "<!-- a comment -->\n<key>A &amp; B</key><string>x &lt;y&gt; &#233;</string>\n"
        "<key>Empty</key><string/>\n</dict>\n</plist>\n");
    ASSERT_TRUE(table);
    EXPECT_EQ(*table, (Table { { "A & B", "x <y> \xC3\xA9" }, { "Empty", "" } }));
}

TEST(PropertyListReaderTest, AnythingButADictionaryOfStringsIsRefused)
{
    for (const char* text : {
             "( \"a\", \"b\" )",                                             // array at the top
             "\"just a string\"",                                          // string at the top
             "\"a\" = ( \"x\" );",                                          // non-string value
             "\"a\" = \"b\"",                                                // missing semicolon
             "\"a\" = \"unterminated;",                                      // open quote
             "/* never closed",                                            // open comment
             "<plist><array><string>a</string></array></plist>",           // XML array
             "<plist><dict><key>a</key><integer>1</integer></dict></plist>", // XML non-string
             "<plist><dict><key>a</key><string>b</string>",                // XML cut short
             "bplist00\x01\x02",                                           // binary form
             "\"a\" = \"\xC3\x28\";",                                        // invalid UTF-8
         })
        EXPECT_FALSE(PropertyListReader::stringTableFromData(text)) << text;
    EXPECT_EQ(PropertyListReader::stringTableFromData(" \n"), Table {});
}

} // namespace
