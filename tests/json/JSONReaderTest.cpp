#include <gtest/gtest.h>

#include <cmath>

#include "json/JSONDeserializer.h"
#include "json/JSONScanner.h"
#include "json/JSONSerializer.h"

namespace {

// Parses with the any-value entry and gives the compact text, or "error CODE".
std::string read(std::string_view text)
{
    JSONError error;
    auto value = JSONDeserializer().deserialize(text, &error);
    if (!value)
        return error.code ? "error " + std::to_string(error.code) : "(no value)";
    return JSONSerializer().serializeObject(*value);
}

int dictionaryError(std::string_view text)
{
    JSONError error;
    EXPECT_FALSE(JSONDeserializer().deserializeAsDictionary(text, &error)) << text;
    EXPECT_EQ(error.domain, JSONScanner::kErrorDomain);
    return error.code;
}

std::string utf16LE(std::string_view ascii)
{
    std::string out;
    for (char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

}

TEST(JSONReader, ContainersAndTheirLeniencies)
{
    EXPECT_EQ(read("{}"), "{}");
    EXPECT_EQ(read("{ \n }"), "{}");
    EXPECT_EQ(read("[ ]"), "[]");
    EXPECT_EQ(read("{\"a\":1,}"), "{\"a\":1}");
    EXPECT_EQ(read("[1,2,]"), "[1,2]");
    EXPECT_EQ(read("[1 , ]"), "[1]");
    // A member whose value position holds "}" or "," is left out; later members still count.
    EXPECT_EQ(read("{\"a\":}"), "{}");
    EXPECT_EQ(read("{\"a\":,\"b\":2}"), "{\"b\":2}");
    EXPECT_EQ(read("{ \"a\" : { \"b\" : [ 1 , { } ] } }"), "{\"a\":{\"b\":[1,{}]}}");
    // Nothing after the top-level value is examined.
    EXPECT_EQ(read("[1]xyz"), "[1]");
    EXPECT_EQ(read("{\"a\":1}}"), "{\"a\":1}");
}

TEST(JSONReader, ContainerErrorCodes)
{
    EXPECT_EQ(dictionaryError("{\"a\":tru}"), JSONScanner::kDictionaryCommaMissing);
    EXPECT_EQ(dictionaryError("{\"a\":1 \"b\":2}"), JSONScanner::kDictionaryCommaMissing);
    EXPECT_EQ(dictionaryError("{\"a\" 1}"), JSONScanner::kDictionaryColonMissing);
    EXPECT_EQ(dictionaryError("{a:1}"), JSONScanner::kDictionaryKeyFailed);
    EXPECT_EQ(dictionaryError("{'a':1}"), JSONScanner::kDictionaryKeyFailed);
    EXPECT_EQ(dictionaryError("{\"a\":1"), JSONScanner::kDictionaryCommaMissing);
    EXPECT_EQ(dictionaryError("{\"a\\x\":1}"), JSONScanner::kDictionaryKeyFailed);
    EXPECT_EQ(read("[1 2]"), "error -9");
    EXPECT_EQ(read("[1"), "error -9");
    EXPECT_EQ(read("["), "error -8"); // the end of the data starts no value
    EXPECT_EQ(read("{\"a\":[1,2"), "error -4");
    // Where no value begins, the array fails rather than dropping the element and shifting the rest.
    EXPECT_EQ(read("[,1]"), "error -8");
    EXPECT_EQ(read("[1,,2]"), "error -8");
    EXPECT_EQ(read("[x]"), "error -8");
    EXPECT_EQ(read("[+1]"), "error -8");

    JSONScanner scanner("[]");
    JSONError error;
    EXPECT_FALSE(scanner.scanJSONDictionary(nullptr, &error));
    EXPECT_EQ(error, JSONScanner::errorFor(JSONScanner::kDictionaryNotStarted));
    JSONScanner notArray("{}");
    EXPECT_FALSE(notArray.scanJSONArray(nullptr, &error));
    EXPECT_EQ(error.code, JSONScanner::kArrayNotStarted);
    EXPECT_EQ(error.message, "Could not scan array. Array that does not start with '[' character.");
}

TEST(JSONReader, OuterFailureReplacesInnerErrorAndRestoresPosition)
{
    JSONScanner scanner("{\"a\":[1 2]}");
    JSONError error;
    JSONValue value = JSONValue::number(7);
    EXPECT_FALSE(scanner.scanJSONDictionary(&value, &error));
    EXPECT_EQ(error.code, JSONScanner::kDictionaryValueFailed);
    EXPECT_EQ(error.message, "Could not scan dictionary. Failed to scan a value.");
    EXPECT_EQ(scanner.scanLocation(), 0u);
    EXPECT_EQ(value, JSONValue::number(7)); // no partial result

    JSONScanner string("  \"ab\\q\"");
    EXPECT_FALSE(string.scanJSONStringConstant(nullptr, &error));
    EXPECT_EQ(error.code, JSONScanner::kStringUnknownEscape);
    EXPECT_EQ(string.scanLocation(), 0u);
}

TEST(JSONReader, DuplicateAndRemovedKeysKeepFirstInsertionOrder)
{
    EXPECT_EQ(read("{\"a\":1,\"b\":2,\"a\":3}"), "{\"a\":3,\"b\":2}");
    EXPECT_EQ(read("{\"a\":1,\"a\":,\"b\":2,\"a\":3}"), "{\"b\":2,\"a\":3}");
    // Large objects find duplicates through an index; the rules stay the same.
    std::string large = "{";
    for (int i = 0; i < 40; ++i)
        large += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    large += "\"k3\":\"x\",\"k5\":,\"k39\":,\"k5\":5}";
    auto value = JSONDeserializer().deserializeAsDictionary(large);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->size(), 39u);
    EXPECT_EQ(value->keyAt(3), "k3");
    EXPECT_EQ(value->valueAt(3), JSONValue::string("x"));
    EXPECT_EQ(value->keyAt(38), "k5");
    EXPECT_FALSE(value->find("k39"));
}

TEST(JSONReader, NestedContainersLandInTheirPlaceWhileTheStacksGrow)
{
    // Containers as elements and member values, a duplicate whose new value is
    // a container, and a member without value after one.
    EXPECT_EQ(read(R"({"a":[1,{"b":[2,3]},4],"a":{"c":[]},"d":[[],[[5]],"s"],"e":{"f":1},"e":})"),
        R"({"a":{"c":[]},"d":[[],[[5]],"s"]})");
    // Inner containers far larger than everything before them move the work
    // stacks while their parent's place waits.
    std::string wide;
    for (int i = 0; i < 5000; ++i)
        wide += std::to_string(i) + ",";
    wide.pop_back();
    std::string text = "{\"x\":[[" + wide + "],{\"y\":[" + wide + "]}],\"z\":[" + wide + "]}";
    EXPECT_EQ(read(text), text);
}

TEST(JSONReader, StringEscapes)
{
    EXPECT_EQ(read(R"(["\"\\\/\b\f\n\r\t"])"), R"(["\"\\\/\b\f\n\r\t"])");
    auto value = JSONDeserializer().deserialize(R"(["\u00e9", "\/", "\uD83D\uDE00", "\ud800x", "\uDC00", "a\u0000b"])");
    ASSERT_TRUE(value);
    EXPECT_EQ((*value)[0].stringValue(), "é");
    EXPECT_EQ((*value)[1].stringValue(), "/");
    EXPECT_EQ((*value)[2].stringValue(), "\xF0\x9F\x98\x80"); // a surrogate pair forms one character
    EXPECT_EQ((*value)[3].stringValue(), "\xEF\xBF\xBDx"); // unpaired surrogates become U+FFFD
    EXPECT_EQ((*value)[4].stringValue(), "\xEF\xBF\xBD");
    EXPECT_EQ((*value)[5].stringValue(), std::string_view("a\0b", 3));

    EXPECT_EQ(read(R"(["\u00G9"])"), "error -8");
    JSONError error;
    for (std::string_view text : { R"("\u00G9")", R"("\u12)", R"("\u)" }) {
        JSONScanner scanner(text);
        EXPECT_FALSE(scanner.scanJSONStringConstant(nullptr, &error));
        EXPECT_EQ(error.code, JSONScanner::kStringUnicodeEscapeInvalid) << text;
    }
    for (std::string_view text : { R"("abc)", R"("abc\)", "\"", R"("ab\"c)" }) {
        JSONScanner scanner(text);
        EXPECT_FALSE(scanner.scanJSONStringConstant(nullptr, &error));
        EXPECT_EQ(error.code, JSONScanner::kStringNotTerminated) << text;
        EXPECT_EQ(scanner.scanLocation(), 0u);
    }
    JSONScanner escape(R"("\x")");
    EXPECT_FALSE(escape.scanJSONStringConstant(nullptr, &error));
    EXPECT_EQ(error.code, JSONScanner::kStringUnknownEscape);
}

TEST(JSONReader, RawBytesInStrings)
{
    // Control bytes are taken as they are; ill-formed UTF-8 becomes U+FFFD, one per maximal bad sequence.
    auto value
        = JSONDeserializer().deserialize("[\"a\tb\x01\", \"\xC3\", \"x\xE2\x82y\", \"\xFF\xFE\", \"\xED\xA0\x80\"]");
    ASSERT_TRUE(value);
    EXPECT_EQ((*value)[0].stringValue(), "a\tb\x01");
    EXPECT_EQ((*value)[1].stringValue(), "\xEF\xBF\xBD");
    EXPECT_EQ((*value)[2].stringValue(), "x\xEF\xBF\xBDy");
    EXPECT_EQ((*value)[3].stringValue(), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ((*value)[4].stringValue(), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"); // encoded surrogate
}

TEST(JSONReader, LongRunsAreReadBlockByBlockWithoutLosingTheirEnd)
{
    // Runs of white space and string bytes are taken in blocks: put the byte
    // that ends a run at every offset of a block, and let data end right
    // after a run, where a block would reach past it.
    for (size_t offset = 0; offset < 40; ++offset) {
        std::string blanks;
        for (size_t i = 0; i < offset; ++i)
            blanks += " \t\n\v\f\r"[i % 6];
        EXPECT_EQ(read("[" + blanks + "1" + blanks + "," + blanks + "2" + blanks + "]"), "[1,2]") << offset;
        std::string plain(offset, 'a');
        EXPECT_EQ(read("[\"" + plain + "\"]"), "[\"" + plain + "\"]") << offset;
        EXPECT_EQ(read("[\"" + plain + "\\n\"]"), "[\"" + plain + "\\n\"]") << offset;
        EXPECT_EQ(read("[\"" + plain + "\xC3\xA9\xE2\x82\xAC\"]"), "[\"" + plain + "\xC3\xA9\xE2\x82\xAC\"]") << offset;
        EXPECT_EQ(read("[\"" + plain + "\xC3\"]"), "[\"" + plain + "\xEF\xBF\xBD\"]") << offset;
        // Cut short inside a run: the data ends where a block would go on.
        EXPECT_EQ(read("[\"" + plain), "error " + std::to_string(JSONScanner::kArrayValueFailed)) << offset;
        EXPECT_EQ(read("[1," + blanks), "error " + std::to_string(JSONScanner::kArrayValueFailed)) << offset;
    }
}

TEST(JSONReader, NumbersAndWords)
{
    auto value = JSONDeserializer().deserialize("[-0, 1E3, 2.5e-1, 1e+22, 1.2.3, true, false, null]");
    ASSERT_TRUE(value);
    EXPECT_TRUE(std::signbit((*value)[0].numberValue()));
    EXPECT_EQ((*value)[1].numberValue(), 1000.0);
    EXPECT_EQ((*value)[2].numberValue(), 0.25);
    EXPECT_EQ((*value)[3].numberValue(), 1e22);
    EXPECT_EQ((*value)[4].numberValue(), 1.2);
    EXPECT_TRUE((*value)[5].isBoolean() && (*value)[5].boolValue());
    EXPECT_TRUE((*value)[6].isBoolean() && !(*value)[6].boolValue());
    EXPECT_TRUE((*value)[7].isNull());
    EXPECT_FALSE((*value)[1].isBoolean());
    JSONScanner scanner(" 1");
    JSONError error;
    EXPECT_FALSE(scanner.scanJSONNumberConstant(nullptr, &error));
    EXPECT_EQ(error.code, JSONScanner::kNumberMissing);
}

TEST(JSONReader, TopLevelEntries)
{
    JSONError error;
    EXPECT_FALSE(JSONDeserializer().deserializeAsDictionary("", &error));
    EXPECT_EQ(error, (JSONError { "JSONDeserializerErrorDomain", -1, "" }));
    EXPECT_FALSE(JSONDeserializer().deserialize("", &error));
    EXPECT_EQ(error.domain, JSONDeserializer::kErrorDomain);

    for (std::string_view text : { " {\"a\":1}", "\n{\"a\":1}" }) {
        EXPECT_EQ(dictionaryError(text), JSONScanner::kDictionaryNotStarted);
        EXPECT_EQ(read(text), "{\"a\":1}");
    }
    EXPECT_EQ(dictionaryError("[1]"), JSONScanner::kDictionaryNotStarted);

    // A first byte that starts no value: success without a value, error untouched.
    JSONError untouched { "untouched", 5, "" };
    EXPECT_FALSE(JSONDeserializer().deserialize("hello", &untouched));
    EXPECT_EQ(untouched.code, 5);
    EXPECT_EQ(read("tru"), "(no value)");
    EXPECT_EQ(read("  \"a\" trailing"), "\"a\"");
}

TEST(JSONReader, EncodingDetection)
{
    std::string text = "{\"a\":[1,\"x\"]}";
    auto utf8 = JSONDeserializer().deserializeAsDictionary(text);
    ASSERT_TRUE(utf8);
    EXPECT_EQ(JSONDeserializer().deserializeAsDictionary(utf16LE(text)), utf8);

    std::string be, le32, be32;
    for (char c : text) {
        be += std::string { '\0', c };
        le32 += std::string { c, '\0', '\0', '\0' };
        be32 += std::string { '\0', '\0', '\0', c };
    }
    EXPECT_EQ(JSONDeserializer().deserializeAsDictionary(be), utf8);
    EXPECT_EQ(JSONDeserializer().deserializeAsDictionary(le32), utf8);
    EXPECT_EQ(JSONDeserializer().deserializeAsDictionary(be32), utf8);

    // With a byte-order mark the first bytes match no pattern: read as UTF-8, and fail.
    EXPECT_EQ(dictionaryError("\xFF\xFE" + utf16LE(text)), JSONScanner::kDictionaryNotStarted);
    // Text that does not decode leaves the scanner empty: every scan fails at its first test.
    EXPECT_EQ(dictionaryError(utf16LE("{\"a\":1}") + std::string("\x00\xDC", 2)), JSONScanner::kDictionaryNotStarted);
    EXPECT_EQ(dictionaryError(utf16LE("{}") + "x"), JSONScanner::kDictionaryNotStarted);
    // Three bytes or fewer are always UTF-8.
    EXPECT_EQ(read(std::string("1\0\0", 3)), "1");
}

TEST(JSONReader, NestingIsLimitedWithItsOwnError)
{
    auto nested = [](int depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    EXPECT_NE(read(nested(JSONScanner::kMaximumNesting)), "error -16");
    EXPECT_EQ(read(nested(JSONScanner::kMaximumNesting + 1)), "error -16");
    EXPECT_EQ(read(std::string(100000, '[')), "error -16");
    std::string objects;
    for (int i = 0; i < 100000; ++i)
        objects += "{\"a\":";
    EXPECT_EQ(dictionaryError(objects), JSONScanner::kNestingTooDeep);
}
