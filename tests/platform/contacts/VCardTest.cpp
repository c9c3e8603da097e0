#include "platform/contacts/VCard.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

PersonRecord organization(std::string name)
{
    PersonRecord record;
    record.identifier = "3f2c1a9e-0000-4000-8000-000000000001";
    record.kind = PersonRecord::Kind::Organization;
    record.organization = std::move(name);
    return record;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        result.push_back(line);
    return result;
}

std::string unfolded(std::string text)
{
    for (size_t at; (at = text.find("\r\n ")) != std::string::npos;)
        text.erase(at, 3);
    return text;
}

int countLinesStartingWith(const std::string& text, const std::string& prefix)
{
    int count = 0;
    for (const auto& line : lines(text))
        count += line.starts_with(prefix);
    return count;
}

} // namespace

// Server text must stay inside its value: an organization or a label that
// carries a line break and a property of its own must not add that property.
TEST(VCardTest, ValuesAndLabelsCannotForgeProperties)
{
    PersonRecord record = organization("Acme\nTEL:+1 555 0100");
    record.note = "back\\slash, comma; semicolon\r\nEND:VCARD\rsecond";
    record.phoneNumbers = { { "work\r\nEMAIL:evil@example.com", "+1 555 0199" }, { "mobile", "+1 555 0142\nURL:x" } };
    record.urls = { { "home", "https://example.com/a b\nTEL:1\\" } };

    std::string text = unfolded(VCard::serialize(record));
    EXPECT_EQ(countLinesStartingWith(text, "TEL"), 2);
    EXPECT_EQ(countLinesStartingWith(text, "EMAIL"), 0);
    EXPECT_EQ(countLinesStartingWith(text, "URL"), 1);
    EXPECT_EQ(countLinesStartingWith(text, "END:VCARD"), 1);
    EXPECT_NE(text.find("ORG:Acme\\nTEL:+1 555 0100\r\n"), std::string::npos);
    EXPECT_NE(text.find("TEL;TYPE=work--EMAIL-evil-example-com;X-LABEL=\"work^nEMAIL:evil@example.com\":"),
        std::string::npos);
    EXPECT_NE(text.find("URL;TYPE=home:https://example.com/a%20b%0ATEL:1%5C\r\n"), std::string::npos);

    auto parsed = VCard::parse(text);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->organization, "Acme\nTEL:+1 555 0100");
    EXPECT_EQ(parsed->note, "back\\slash, comma; semicolon\nEND:VCARD\nsecond");
    ASSERT_EQ(parsed->phoneNumbers.size(), 2u);
    EXPECT_EQ(parsed->phoneNumbers[0].label, "work\nEMAIL:evil@example.com");
    EXPECT_EQ(parsed->phoneNumbers[1].value, "+1 555 0142\nURL:x");
    EXPECT_TRUE(parsed->emailAddresses.empty());
}

TEST(VCardTest, EverythingWrittenReadsBack)
{
    PersonRecord record = organization("Ünïcødé Café, Inc.; \"Ltd\"");
    record.name = record.organization;
    record.phoneNumbers = { { "main", "+1 (415) 555-0100" }, { "Front desk", "+1 415 555 0111" } };
    record.emailAddresses = { { "work", "hello@example.com" } };
    record.addresses = { { "work",
        { { "Street", "1 Market St; Suite 2" }, { "City", "San Francisco" }, { "State", "CA" }, { "ZIP", "94105" },
            { "Country", "USA" } } } };
    record.urls = { { "homepage", "https://example.com/?a=1,2;b" } };
    record.note = std::string(200, 'x') + "é€𝄞";
    record.imageData = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(300, '\0');

    std::string text = VCard::serialize(record);
    for (const auto& line : lines(text))
        EXPECT_LE(line.size(), 76u) << line; // 75 octets and the CR
    EXPECT_NE(text.find("PHOTO:data:image/png;base64,iVBORw0KGgo"), std::string::npos);

    auto parsed = VCard::parse(text);
    ASSERT_TRUE(parsed);
    parsed->identifier = record.identifier;
    EXPECT_EQ(*parsed, record);
}

TEST(VCardTest, PictureThatIsNotAnImageIsLeftOut)
{
    PersonRecord record = organization("Acme");
    record.imageData = "<html>not a picture</html>";
    EXPECT_EQ(VCard::serialize(record).find("PHOTO"), std::string::npos);
}

// Files written by other tools: the older version's bare parameters and
// base64 pictures, groups, and lower-case names.
TEST(VCardTest, ReadsCardsOtherToolsWrite)
{
    auto parsed = VCard::parse("BEGIN:VCARD\nVERSION:3.0\nFN:Jane Doe\nN:Doe;Jane;;;\n"
                               "item1.TEL;CELL;TYPE=pref:+44 20 7946 0000\n"
                               "email;type=INTERNET:jane@example.org\nORG:Widgets Ltd;Research\n"
                               "PHOTO;ENCODING=b;TYPE=GIF:R0lGODlh\n"
                               "NOTE:folded \n across\\, lines\nEND:VCARD\n");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->kind, PersonRecord::Kind::Individual);
    EXPECT_EQ(parsed->name, "Jane Doe");
    EXPECT_EQ(parsed->organization, "Widgets Ltd");
    ASSERT_EQ(parsed->phoneNumbers.size(), 1u);
    EXPECT_EQ(parsed->phoneNumbers[0].label, "CELL,pref");
    EXPECT_EQ(parsed->emailAddresses[0].value, "jane@example.org");
    EXPECT_EQ(parsed->imageData, "GIF89a");
    EXPECT_EQ(parsed->note, "folded across, lines");
}

TEST(VCardTest, MalformedTextIsRefused)
{
    const char* cases[] = {
        "",
        "BEGIN:VCARD\r\nFN:No end\r\n",
        "FN:No begin\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\r\nFN:One\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:Two\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\r\nFN:Nested\r\nBEGIN:VCARD\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\r\nFN:x\r\nno colon here\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\r\nFN;X-LABEL=\"open quote:x\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\r\nFN:bad \xC3\x28 utf-8\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\r\nFN:stray\rcarriage return\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\r\nNOTE:neither name nor organization\r\nEND:VCARD\r\n",
    };
    for (const char* text : cases)
        EXPECT_FALSE(VCard::parse(text)) << text;
}
