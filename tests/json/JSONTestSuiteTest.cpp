// Conformance over the JSONTestSuite parsing files: every y_ file reads to the
// value a strict reader gives and survives a write and re-read; no n_ or i_
// file crashes, hangs or reads out of bounds (this suite also runs under ASan).
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "json/JSONDeserializer.h"
#include "json/JSONSerializer.h"
#include "json/UTF8.h"

namespace {

const std::filesystem::path kSuite
    = std::filesystem::path(VANTREL_SOURCE_DIR) / "tests/data/JSONTestSuite/test_parsing";

std::string contents(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
}

std::vector<std::filesystem::path> suiteFiles(char prefix)
{
    std::vector<std::filesystem::path> files;
    for (auto& entry : std::filesystem::directory_iterator(kSuite)) {
        if (entry.path().filename().string()[0] == prefix)
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A strict reader of plain RFC 8259 JSON, independent of the one under test,
// to say what each y_ file means.
class StrictReader {
public:
    explicit StrictReader(std::string_view text)
        : m_text(text)
    {
    }
    std::optional<JSONValue> document()
    {
        auto value = parseValue();
        skip();
        return m_position == m_text.size() ? value : std::nullopt;
    }

private:
    void skip()
    {
        while (m_position < m_text.size()
            && std::string_view(" \t\n\r").find(m_text[m_position]) != std::string_view::npos)
            ++m_position;
    }
    bool take(char c)
    {
        skip();
        if (m_position < m_text.size() && m_text[m_position] == c)
            return ++m_position, true;
        return false;
    }
    bool word(std::string_view w)
    {
        if (m_text.substr(m_position, w.size()) != w)
            return false;
        m_position += w.size();
        return true;
    }
    std::optional<JSONValue> parseValue()
    {
        skip();
        if (take('[')) {
            std::vector<JSONValue> elements;
            if (take(']'))
                return JSONValue::array(elements);
            do {
                auto element = parseValue();
                if (!element)
                    return std::nullopt;
                elements.push_back(*element);
            } while (take(','));
            return take(']') ? std::optional(JSONValue::array(elements)) : std::nullopt;
        }
        if (take('{')) {
            std::vector<std::string> keys;
            std::vector<JSONValue> values;
            if (!take('}')) {
                do {
                    skip();
                    auto key = parseString();
                    auto value = key && take(':') ? parseValue() : std::nullopt;
                    if (!value)
                        return std::nullopt;
                    keys.push_back(*key);
                    values.push_back(*value);
                } while (take(','));
                if (!take('}'))
                    return std::nullopt;
            }
            std::vector<std::pair<std::string_view, JSONValue>> members;
            for (size_t i = 0; i < keys.size(); ++i)
                members.emplace_back(keys[i], values[i]);
            return JSONValue::dictionary(members);
        }
        if (word("true"))
            return JSONValue::boolean(true);
        if (word("false"))
            return JSONValue::boolean(false);
        if (word("null"))
            return JSONValue::null();
        if (m_position < m_text.size() && m_text[m_position] == '"') {
            auto text = parseString();
            return text ? std::optional(JSONValue::string(*text)) : std::nullopt;
        }
        double number;
        auto [end, error] = std::from_chars(m_text.data() + m_position, m_text.data() + m_text.size(), number);
        if (error != std::errc())
            return std::nullopt;
        m_position = static_cast<size_t>(end - m_text.data());
        return JSONValue::number(number);
    }
    std::optional<std::string> parseString()
    {
        if (!word("\""))
            return std::nullopt;
        std::string out;
        while (m_position < m_text.size() && m_text[m_position] != '"') {
            char c = m_text[m_position++];
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            char escape = m_text[m_position++];
            std::string_view simple = "\"\"\\\\//b\bf\fn\nr\rt\t";
            if (auto at = simple.find(escape); at != std::string_view::npos && at % 2 == 0) {
                out.push_back(simple[at + 1]);
                continue;
            }
            char32_t unit = std::stoul(std::string(m_text.substr(m_position, 4)), nullptr, 16);
            m_position += 4;
            if (unit >= 0xD800 && unit <= 0xDBFF && m_text.substr(m_position, 2) == "\\u") {
                char32_t low = std::stoul(std::string(m_text.substr(m_position + 2, 4)), nullptr, 16);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    m_position += 6;
                }
            }
            utf8::appendCodePoint(out, unit);
        }
        if (!word("\""))
            return std::nullopt;
        return out;
    }

    std::string_view m_text;
    size_t m_position = 0;
};

// n_ files the reader accepts, each for a leniency it keeps on purpose.
const std::set<std::string> kAcceptedByLeniency = {
    // Trailing commas.
    "n_array_extra_comma.json",
    "n_array_number_and_comma.json",
    "n_object_lone_continuation_byte_in_key_and_trailing_comma.json",
    "n_object_trailing_comma.json",
    // Number runs read up to their longest number prefix ("-" alone reads as 0).
    "n_array_just_minus.json",
    "n_number_-01.json",
    "n_number_-1.0..json",
    "n_number_-2..json",
    "n_number_0.1.2.json",
    "n_number_0.3e+.json",
    "n_number_0.3e.json",
    "n_number_0.e1.json",
    "n_number_0_capital_E+.json",
    "n_number_0_capital_E.json",
    "n_number_0e+.json",
    "n_number_0e.json",
    "n_number_1.0e+.json",
    "n_number_1.0e-.json",
    "n_number_1.0e.json",
    "n_number_1eE2.json",
    "n_number_2.e+3.json",
    "n_number_2.e-3.json",
    "n_number_2.e3.json",
    "n_number_9.e+.json",
    "n_number_invalid+-.json",
    "n_number_neg_int_starting_with_zero.json",
    "n_number_neg_real_without_int_part.json",
    "n_number_real_without_fractional_part.json",
    "n_number_with_leading_zero.json",
    // Raw control characters inside strings; form feed is white space.
    "n_string_unescaped_ctrl_char.json",
    "n_string_unescaped_newline.json",
    "n_string_unescaped_tab.json",
    "n_structure_whitespace_formfeed.json",
    // A top-level byte that starts no value: success without a value.
    "n_single_space.json",
    "n_string_single_string_no_double_quotes.json",
    "n_structure_UTF8_BOM_no_data.json",
    "n_structure_angle_bracket_..json",
    "n_structure_ascii-unicode-identifier.json",
    "n_structure_end_array.json",
    "n_structure_incomplete_UTF8_BOM.json",
    "n_structure_lone-invalid-utf-8.json",
    "n_structure_single_eacute.json",
    "n_structure_single_star.json",
    "n_structure_unicode-identifier.json",
    // Text after the top-level value is not examined.
    "n_array_comma_after_close.json",
    "n_array_extra_close.json",
    "n_multidigit_number_then_00.json",
    "n_object_trailing_comment.json",
    "n_object_trailing_comment_open.json",
    "n_object_trailing_comment_slash_open.json",
    "n_object_trailing_comment_slash_open_incomplete.json",
    "n_object_with_trailing_garbage.json",
    "n_string_with_trailing_garbage.json",
    "n_structure_array_trailing_garbage.json",
    "n_structure_array_with_extra_array_close.json",
    "n_structure_close_unopened_array.json",
    "n_structure_double_array.json",
    "n_structure_number_with_trailing_garbage.json",
    "n_structure_object_followed_by_closing_object.json",
    "n_structure_object_with_trailing_garbage.json",
    "n_structure_trailing_#.json",
};

}

TEST(JSONTestSuite, AcceptedFilesReadToTheirValueAndSurviveRewriting)
{
    auto files = suiteFiles('y');
    ASSERT_EQ(files.size(), 95u) << "test data missing at " << kSuite;
    for (auto& path : files) {
        std::string text = contents(path);
        JSONError error;
        auto value = JSONDeserializer().deserialize(text, &error);
        ASSERT_TRUE(value) << path.filename() << ": " << error.code << " " << error.message;
        auto expected = StrictReader(text).document();
        ASSERT_TRUE(expected) << path.filename();
        EXPECT_EQ(*value, *expected) << path.filename();
        auto reread = JSONDeserializer().deserialize(JSONSerializer().serializeObject(*value));
        ASSERT_TRUE(reread) << path.filename();
        EXPECT_EQ(*reread, *value) << path.filename();
    }
}

TEST(JSONTestSuite, RejectedFilesFailExceptForDocumentedLeniencies)
{
    std::set<std::string> accepted;
    for (auto& path : suiteFiles('n')) {
        std::string text = contents(path);
        JSONError error;
        auto value = JSONDeserializer().deserialize(text, &error);
        JSONDeserializer().deserializeAsDictionary(text);
        if (!value && error.code != 0)
            continue;
        accepted.insert(path.filename().string());
        if (value) {
            auto reread = JSONDeserializer().deserialize(JSONSerializer().serializeObject(*value));
            ASSERT_TRUE(reread) << path.filename();
            EXPECT_EQ(*reread, *value) << path.filename();
        }
    }
    EXPECT_EQ(accepted, kAcceptedByLeniency);
}

TEST(JSONTestSuite, ImplementationDefinedFilesNeitherCrashNorHang)
{
    for (auto& path : suiteFiles('i')) {
        std::string text = contents(path);
        JSONError error;
        auto value = JSONDeserializer().deserialize(text, &error);
        JSONDeserializer().deserializeAsDictionary(text);
        if (!value)
            continue;
        try {
            auto reread = JSONDeserializer().deserialize(JSONSerializer().serializeObject(*value));
            ASSERT_TRUE(reread) << path.filename();
            EXPECT_EQ(*reread, *value) << path.filename();
        } catch (const JSONSerializerException&) {
            // Numbers beyond the double range read as infinity, which has no JSON text.
        }
    }
}
