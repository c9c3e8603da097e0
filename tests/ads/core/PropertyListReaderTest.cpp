#include "ads/core/PropertyListReader.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Table = PropertyListReader::StringTable;

// Writes binary property lists object by object: one-byte object references,
// two-byte offsets, big-endian throughout, and the 32-byte trailer.
class BinaryPlist {
public:
    int next() const { return static_cast<int>(m_objects.size()); }
    int ascii(std::string_view text) { return add(marker(0x50, text.size()) + std::string(text)); }
    int utf16(std::u16string_view text)
    {
        std::string object = marker(0x60, text.size());
        for (char16_t unit : text)
            object += { char(unit >> 8), char(unit & 0xFF) };
        return add(object);
    }
    int integer(uint8_t value) { return add(std::string { '\x10', char(value) }); }
    int array(const std::vector<int>& elements)
    {
        std::string object = marker(0xA0, elements.size());
        for (int element : elements)
            object += char(element);
        return add(object);
    }
    int dictionary(const std::vector<std::pair<int, int>>& members)
    {
        std::string object = marker(0xD0, members.size());
        for (auto& member : members)
            object += char(member.first);
        for (auto& member : members)
            object += char(member.second);
        return add(object);
    }
    std::string bytes(int top) const
    {
        std::string out = "bplist00";
        std::vector<size_t> offsets;
        for (auto& object : m_objects) {
            offsets.push_back(out.size());
            out += object;
        }
        size_t tableOffset = out.size();
        for (size_t offset : offsets)
            out += { char(offset >> 8), char(offset & 0xFF) };
        out += std::string(6, '\0') + '\x02' + '\x01';
        for (uint64_t field : { uint64_t(m_objects.size()), uint64_t(top), uint64_t(tableOffset) })
            for (int shift = 56; shift >= 0; shift -= 8)
                out += char(field >> shift);
        return out;
    }

private:
    static std::string marker(int type, size_t count)
    {
        if (count < 15)
            return std::string(1, char(type | int(count)));
        return std::string { char(type | 0x0F), '\x10', char(count) }; // count as a one-byte integer
    }
    int add(std::string object)
    {
        m_objects.push_back(std::move(object));
        return next() - 1;
    }
    std::vector<std::string> m_objects;
};

TEST(PropertyListReaderTest, StringsFileTextWithCommentsEscapesAndShorthand)
{
    auto table = PropertyListReader::stringTableFromData("/* header */\n"
                                                         "\"Cancel\" = \"Abbrechen\"; // trailing\n"
                                                         "\"Quote\" = \"a \\\"b\\\"\\n\\\\\";\n"
                                                         "\"Euro\" = \"\\U20ac \\U00e9\";\n"
                                                         "Plain = word;\n"
                                                         "\"Same\";\n");
    ASSERT_TRUE(table);
    EXPECT_EQ(*table,
        (Table { { "Cancel", "Abbrechen" }, { "Quote", "a \"b\"\n\\" }, { "Euro", "\xE2\x82\xAC \xC3\xA9" },
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
             "( \"a\", \"b\" )", // array at the top
             "\"just a string\"", // string at the top
             "\"a\" = ( \"x\" );", // non-string value
             "\"a\" = \"b\"", // missing semicolon
             "\"a\" = \"unterminated;", // open quote
             "/* never closed", // open comment
             "<plist><array><string>a</string></array></plist>", // XML array
             "<plist><dict><key>a</key><integer>1</integer></dict></plist>", // XML non-string
             "<plist><dict><key>a</key><string>b</string>", // XML cut short
             "bplist00\x01\x02", // binary form
             "\"a\" = \"\xC3\x28\";", // invalid UTF-8
         })
        EXPECT_FALSE(PropertyListReader::stringTableFromData(text)) << text;
    EXPECT_EQ(PropertyListReader::stringTableFromData(" \n"), Table {});
}

TEST(PropertyListReaderTest, BinaryDictionaryOfASCIIAndUTF16Strings)
{
    BinaryPlist plist;
    int cancel = plist.ascii("Cancel");
    int abbrechen = plist.ascii("Abbrechen");
    int euro = plist.ascii("Euro");
    int sign = plist.utf16(u"\u20AC \u00E9 \U0001F600"); // a surrogate pair among them
    int longKey = plist.ascii("A key longer than fifteen bytes");
    int top = plist.dictionary({ { cancel, abbrechen }, { euro, sign }, { longKey, cancel } });
    auto table = PropertyListReader::stringTableFromData(plist.bytes(top));
    ASSERT_TRUE(table);
    EXPECT_EQ(*table,
        (Table { { "Cancel", "Abbrechen" }, { "Euro", "\xE2\x82\xAC \xC3\xA9 \xF0\x9F\x98\x80" },
            { "A key longer than fifteen bytes", "Cancel" } }));

    BinaryPlist empty;
    EXPECT_EQ(PropertyListReader::stringTableFromData(empty.bytes(empty.dictionary({}))), Table {});
}

TEST(PropertyListReaderTest, BinaryFormsThatAreNoStringTableAreRefusedWithoutHarm)
{
    std::vector<std::string> refused;
    {
        BinaryPlist plist; // an array at the top
        int a = plist.ascii("a");
        refused.push_back(plist.bytes(plist.array({ a })));
    }
    {
        BinaryPlist plist; // a value that is no string
        int key = plist.ascii("count");
        int one = plist.integer(1);
        refused.push_back(plist.bytes(plist.dictionary({ { key, one } })));
    }
    {
        BinaryPlist plist; // a string that is not UTF-8
        int key = plist.ascii("a");
        int value = plist.ascii("\xC3\x28");
        refused.push_back(plist.bytes(plist.dictionary({ { key, value } })));
    }
    {
        BinaryPlist plist; // a dictionary holding itself: must not recurse for ever
        int key = plist.ascii("self");
        int top = plist.next();
        plist.dictionary({ { key, top } });
        refused.push_back(plist.bytes(top));
    }
    {
        BinaryPlist plist; // references and offsets past the end of the data
        int key = plist.ascii("a");
        std::string bytes = plist.bytes(plist.dictionary({ { key, 9 } }));
        refused.push_back(bytes);
        refused.push_back(bytes.substr(0, bytes.size() - 1));
        std::string badTable = bytes;
        badTable[badTable.size() - 32 - 1] = '\x7F'; // last offset points outside
        refused.push_back(badTable);
    }
    for (size_t i = 0; i < refused.size(); ++i)
        EXPECT_FALSE(PropertyListReader::stringTableFromData(refused[i])) << "case " << i;
}

} // namespace

TEST(PropertyListReaderTest, UTF16TextEndsAtItsFirstNulAndRefusesAnUnpairedSurrogate)
{
    auto littleEndian = [](const std::string& ascii) {
        std::string out = "\xFF\xFE";
        for (char c : ascii)
            out += { c, '\0' };
        return out;
    };
    auto table = PropertyListReader::stringTableFromData(
        littleEndian("\"A\" = \"B\";") + std::string(2, '\0') + std::string("\x00\xDC", 2));
    ASSERT_TRUE(table);
    EXPECT_EQ(table->at("A"), "B");
    EXPECT_FALSE(PropertyListReader::stringTableFromData(littleEndian("\"A\" = \"B\";") + std::string("\x00\xDC", 2)));
    EXPECT_FALSE(PropertyListReader::stringTableFromData(littleEndian("\"A\" = \"B\";") + "x"));
}
