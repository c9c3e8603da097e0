#include <gtest/gtest.h>

#include <cstdio>
#include <limits>

#include "json/JSONDeserializer.h"
#include "json/JSONSerializer.h"

namespace {

std::string write(const JSONValue& value)
{
    return JSONSerializer().serializeObject(value);
}

std::string reasonFor(const JSONValue& value)
{
    try {
        write(value);
    } catch (const JSONSerializerException& exception) {
        return exception.reason();
    }
    return "(no exception)";
}

}

TEST(JSONSerializer, CompactContainersInMemberOrder)
{
    EXPECT_EQ(write(JSONValue::array({})), "[]");
    EXPECT_EQ(write(JSONValue::dictionary({})), "{}");
    EXPECT_EQ(write(JSONValue::dictionary({ { "a", JSONValue::boolean(true) } })), "{\"a\":true}");
    EXPECT_EQ(write(JSONValue::dictionary({ { "a", JSONValue::number(1) } })), "{\"a\":1}");
    auto s = JSONValue::string("s");
    EXPECT_EQ(write(JSONValue::array({ s, s, s })), "[\"s\",\"s\",\"s\"]");
    EXPECT_EQ(write(JSONValue::dictionary({ { "z", JSONValue() }, { "a", JSONValue::array({ JSONValue() }) } })),
        "{\"z\":null,\"a\":[null]}");
    EXPECT_EQ(JSONSerializer().serializeNull(), "null");
}

TEST(JSONSerializer, StringEscapingIsExactlyTheEightCharacters)
{
    EXPECT_EQ(JSONSerializer().serializeString("\\\"/\n"), R"("\\\"\/\n")");
    EXPECT_EQ(JSONSerializer().serializeString("\b\f\r\t"), R"("\b\f\r\t")");
    // Other control characters take the long form; non-ASCII text is written as it is.
    EXPECT_EQ(JSONSerializer().serializeString("\x01\x1F é \xF0\x9F\x98\x80\x7F"),
        "\"\\u0001\\u001f é \xF0\x9F\x98\x80\x7F\"");
    EXPECT_EQ(JSONSerializer().serializeString("a\\nb"), R"("a\\nb")");
    EXPECT_EQ(write(JSONValue::data("x/y")), R"("x\/y")");
}

TEST(JSONSerializer, EscapesAnywhereInLongStrings)
{
    // Strings are copied a word at a time up to an escape: put one at every
    // place around word boundaries, and let escapes outgrow the room reserved.
    auto escapedByteByByte = [](std::string_view text) {
        static const std::string_view kEscaped = "\"\\/\b\f\n\r\t", kShortForms = "\"\\/bfnrt";
        std::string out = "\"";
        for (char c : text) {
            char longForm[8];
            if (size_t at = kEscaped.find(c); at != std::string_view::npos) {
                out += '\\';
                out += kShortForms[at];
            } else if (static_cast<unsigned char>(c) < 0x20) {
                std::snprintf(longForm, sizeof longForm, "\\u%04x", static_cast<unsigned char>(c));
                out += longForm;
            } else {
                out += c;
            }
        }
        return out + "\"";
    };
    for (size_t length = 1; length <= 24; ++length) {
        for (size_t at = 0; at < length; ++at) {
            for (char special : { '/', '"', '\x01', '\n' }) {
                std::string text(length, 'a');
                text[at] = special;
                text[length - 1 - at] = '\xC3'; // and a non-ASCII byte, written as it is
                EXPECT_EQ(JSONSerializer().serializeString(text), escapedByteByByte(text)) << length << " " << at;
            }
        }
    }
    std::string controls(100'000, '\x02');
    controls += "end";
    EXPECT_EQ(JSONSerializer().serializeString(controls), escapedByteByByte(controls));
}

TEST(JSONSerializer, NumbersBooleansAndIntegers)
{
    struct Case {
        JSONValue value;
        const char* text;
    } cases[] = {
        { JSONValue::boolean(true), "true" },
        { JSONValue::boolean(false), "false" },
        { JSONValue::number(1), "1" },
        { JSONValue::number(0), "0" },
        { JSONValue::number(-0.0), "-0" },
        { JSONValue::number(42), "42" },
        { JSONValue::number(-3), "-3" },
        { JSONValue::number(0.5), "0.5" },
        { JSONValue::number(100000), "100000" },
        { JSONValue::number(1e22), "1e+22" },
        { JSONValue::number(0.1), "0.1" },
        { JSONValue::number(-65.613616999999977), "-65.61361699999998" },
        { JSONValue::number(5e-324), "5e-324" },
        { JSONValue::number(9007199254740993.0), "9007199254740992" },
    };
    for (auto& c : cases)
        EXPECT_EQ(JSONSerializer().serializeNumber(c.value), c.text);
}

TEST(JSONSerializer, UnwritableValuesRaise)
{
    EXPECT_EQ(
        reasonFor(JSONValue::dictionary({ { "when", JSONValue::date(0) } })), "Cannot serialize data of type 'Date'");
    EXPECT_EQ(reasonFor(JSONValue::array({ JSONValue::number(std::numeric_limits<double>::infinity()) })),
        "Could not serialize object 'inf'");
    EXPECT_EQ(
        reasonFor(JSONValue::number(std::numeric_limits<double>::quiet_NaN())), "Could not serialize object 'nan'");
    EXPECT_EQ(reasonFor(JSONValue::data(std::string_view("\xFF\x00", 2))), "Could not serialize object '<ff00>'");
    EXPECT_THROW(JSONSerializer().serializeDictionary(JSONValue::array({})), JSONSerializerException);
}

TEST(JSONSerializer, WrittenTextReadsBackEqual)
{
    // Raw NULs after the opening quote would read back as UTF-32 (found by fuzzing).
    auto nuls = JSONValue::string(std::string_view("\0\0\0x", 4));
    EXPECT_EQ(JSONDeserializer().deserialize(write(nuls)), nuls);

    std::string text = R"({"b":[1.5,-2,true,null,"\u00e9\n\/"],"a":{"x":false,"y":[]},"big":1e300,"tiny":-1e-300})";
    auto value = JSONDeserializer().deserializeAsDictionary(text);
    ASSERT_TRUE(value);
    auto again = JSONDeserializer().deserializeAsDictionary(write(*value));
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *value);
}
