#include "ads/core/PropertyListReader.h"

#include "json/UTF8.h"

#include <glib.h>
#include <plist/plist.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace {

// The text form: strings files and old-style property lists.
class TextFormParser {
public:
    explicit TextFormParser(std::string_view text)
        : m_text(text)
    {
    }

    std::optional<PropertyListReader::StringTable> parse()
    {
        if (!skipSpaceAndComments())
            return std::nullopt;
        if (atEnd())
            return PropertyListReader::StringTable {}; // an empty strings file
        bool braced = peek() == '{';
        if (braced)
            ++m_position;
        PropertyListReader::StringTable table;
        while (true) {
            if (!skipSpaceAndComments())
                return std::nullopt;
            if (braced && !atEnd() && peek() == '}') {
                ++m_position;
                break;
            }
            if (atEnd()) {
                if (braced)
                    return std::nullopt;
                break;
            }
            auto key = parseString();
            if (!key || !skipSpaceAndComments() || atEnd())
                return std::nullopt;
            if (peek() == ';') {
                // "key"; stands for "key" = "key";
                ++m_position;
                table[*key] = *key;
                continue;
            }
            if (peek() != '=')
                return std::nullopt;
            ++m_position;
            if (!skipSpaceAndComments() || atEnd())
                return std::nullopt;
            auto value = parseString(); // any other kind of value refuses the table
            if (!value || !skipSpaceAndComments() || atEnd() || peek() != ';')
                return std::nullopt;
            ++m_position;
            table[*key] = *value;
        }
        if (!skipSpaceAndComments() || !atEnd())
            return std::nullopt;
        return table;
    }

private:
    bool atEnd() const { return m_position >= m_text.size(); }
    char peek() const { return m_text[m_position]; }

    // false on an unterminated block comment.
    bool skipSpaceAndComments()
    {
        while (!atEnd()) {
            char c = peek();
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
                ++m_position;
            } else if (m_text.substr(m_position, 2) == "//") {
                while (!atEnd() && peek() != '\n')
                    ++m_position;
            } else if (m_text.substr(m_position, 2) == "/*") {
                auto end = m_text.find("*/", m_position + 2);
                if (end == std::string_view::npos)
                    return false;
                m_position = end + 2;
            } else {
                break;
            }
        }
        return true;
    }

    static bool isUnquotedCharacter(char c)
    {
        return g_ascii_isalnum(c) || c == '_' || c == '$' || c == '+' || c == '/' || c == ':' || c == '.' || c == '-';
    }

    std::optional<std::string> parseString()
    {
        if (peek() == '"')
            return parseQuoted();
        size_t start = m_position;
        while (!atEnd() && isUnquotedCharacter(peek()))
            ++m_position;
        if (m_position == start)
            return std::nullopt;
        return std::string(m_text.substr(start, m_position - start));
    }

    std::optional<std::string> parseQuoted()
    {
        ++m_position; // the opening quote
        std::string out;
        while (!atEnd()) {
            char c = m_text[m_position++];
            if (c == '"')
                return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (atEnd())
                return std::nullopt;
            char e = m_text[m_position++];
            switch (e) {
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'a':
                out += '\a';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'v':
                out += '\v';
                break;
            case 'U':
            case 'u': {
                auto unit = hexUnit();
                if (!unit)
                    return std::nullopt;
                gunichar c32 = *unit;
                if (c32 >= 0xD800 && c32 <= 0xDBFF && m_text.substr(m_position, 2) == "\\U") {
                    size_t save = m_position;
                    m_position += 2;
                    auto low = hexUnit();
                    if (low && *low >= 0xDC00 && *low <= 0xDFFF)
                        c32 = 0x10000 + ((c32 - 0xD800) << 10) + (*low - 0xDC00);
                    else
                        m_position = save;
                }
                if (c32 >= 0xD800 && c32 <= 0xDFFF)
                    c32 = 0xFFFD; // a lone surrogate has no UTF-8 form
                utf8::appendCodePoint(out, c32);
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    gunichar value = e - '0';
                    for (int i = 0; i < 2 && !atEnd() && peek() >= '0' && peek() <= '7'; ++i)
                        value = value * 8 + (m_text[m_position++] - '0');
                    utf8::appendCodePoint(out, value);
                } else {
                    out += e; // \" \\ \' and any other character stand for themselves
                }
            }
        }
        return std::nullopt; // unterminated
    }

    std::optional<gunichar> hexUnit()
    {
        if (m_position + 4 > m_text.size())
            return std::nullopt;
        gunichar value = 0;
        for (int i = 0; i < 4; ++i) {
            int digit = g_ascii_xdigit_value(m_text[m_position + i]);
            if (digit < 0)
                return std::nullopt;
            value = value * 16 + digit;
        }
        m_position += 4;
        return value;
    }

    std::string_view m_text;
    size_t m_position { 0 };
};

// XML property lists, as far as a table of strings needs: a dictionary of
// <key>/<string> pairs inside <plist>.
class XMLFormParser {
public:
    explicit XMLFormParser(std::string_view text)
        : m_text(text)
    {
    }

    std::optional<PropertyListReader::StringTable> parse()
    {
        if (!skipMisc())
            return std::nullopt;
        auto tag = readTag();
        if (!tag)
            return std::nullopt;
        bool inPlist = tag->name == "plist";
        if (inPlist) {
            if (tag->selfClosing || !skipMisc())
                return std::nullopt;
            tag = readTag();
            if (!tag)
                return std::nullopt;
        }
        if (tag->name != "dict" || tag->closing)
            return std::nullopt;
        PropertyListReader::StringTable table;
        if (!tag->selfClosing) {
            while (true) {
                if (!skipMisc())
                    return std::nullopt;
                auto keyTag = readTag();
                if (!keyTag)
                    return std::nullopt;
                if (keyTag->closing && keyTag->name == "dict")
                    break;
                if (keyTag->name != "key" || keyTag->closing)
                    return std::nullopt;
                auto key = keyTag->selfClosing ? std::optional<std::string>("") : readTextUntilClose("key");
                if (!key || !skipMisc())
                    return std::nullopt;
                auto valueTag = readTag();
                if (!valueTag || valueTag->name != "string" || valueTag->closing)
                    return std::nullopt;
                auto value = valueTag->selfClosing ? std::optional<std::string>("") : readTextUntilClose("string");
                if (!value)
                    return std::nullopt;
                table[*key] = *value;
            }
        }
        if (inPlist) {
            if (!skipMisc())
                return std::nullopt;
            auto close = readTag();
            if (!close || !close->closing || close->name != "plist")
                return std::nullopt;
        }
        if (!skipMisc() || m_position != m_text.size())
            return std::nullopt;
        return table;
    }

private:
    struct Tag {
        std::string name;
        bool closing { false };
        bool selfClosing { false };
    };

    // Skips white space, the declaration, comments and the document type.
    bool skipMisc()
    {
        while (m_position < m_text.size()) {
            char c = m_text[m_position];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
                ++m_position;
                continue;
            }
            std::string_view rest = m_text.substr(m_position);
            const char* end = nullptr;
            if (rest.starts_with("<?"))
                end = "?>";
            else if (rest.starts_with("<!--"))
                end = "-->";
            else if (rest.starts_with("<!DOCTYPE"))
                end = ">";
            else
                break;
            auto found = m_text.find(end, m_position + 2);
            if (found == std::string_view::npos)
                return false;
            m_position = found + std::strlen(end);
        }
        return true;
    }

    std::optional<Tag> readTag()
    {
        if (m_position >= m_text.size() || m_text[m_position] != '<')
            return std::nullopt;
        auto end = m_text.find('>', m_position);
        if (end == std::string_view::npos)
            return std::nullopt;
        std::string_view inside = m_text.substr(m_position + 1, end - m_position - 1);
        m_position = end + 1;
        Tag tag;
        if (!inside.empty() && inside.front() == '/') {
            tag.closing = true;
            inside.remove_prefix(1);
        }
        if (!inside.empty() && inside.back() == '/') {
            tag.selfClosing = true;
            inside.remove_suffix(1);
        }
        size_t nameEnd = 0;
        while (nameEnd < inside.size() && (g_ascii_isalnum(inside[nameEnd]) || inside[nameEnd] == '_'))
            ++nameEnd;
        tag.name = std::string(inside.substr(0, nameEnd));
        if (tag.name.empty())
            return std::nullopt;
        return tag;
    }

    // Character data up to </name>, with entities and CDATA sections decoded.
    std::optional<std::string> readTextUntilClose(const std::string& name)
    {
        std::string out;
        while (m_position < m_text.size()) {
            std::string_view rest = m_text.substr(m_position);
            if (rest.starts_with("<![CDATA[")) {
                auto end = m_text.find("]]>", m_position + 9);
                if (end == std::string_view::npos)
                    return std::nullopt;
                out.append(m_text.substr(m_position + 9, end - m_position - 9));
                m_position = end + 3;
            } else if (rest.starts_with("<")) {
                auto tag = readTag();
                if (!tag || !tag->closing || tag->name != name)
                    return std::nullopt;
                return out;
            } else if (rest.starts_with("&")) {
                auto end = m_text.find(';', m_position);
                if (end == std::string_view::npos || end - m_position > 12)
                    return std::nullopt;
                std::string_view entity = m_text.substr(m_position + 1, end - m_position - 1);
                m_position = end + 1;
                if (entity == "lt")
                    out += '<';
                else if (entity == "gt")
                    out += '>';
                else if (entity == "amp")
                    out += '&';
                else if (entity == "quot")
                    out += '"';
                else if (entity == "apos")
                    out += '\'';
                else if (entity.starts_with("#")) {
                    bool hex = entity.size() > 1 && (entity[1] == 'x' || entity[1] == 'X');
                    std::string digits(entity.substr(hex ? 2 : 1));
                    if (digits.empty())
                        return std::nullopt;
                    char* parsedEnd = nullptr;
                    unsigned long value = std::strtoul(digits.c_str(), &parsedEnd, hex ? 16 : 10);
                    if (*parsedEnd || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
                        return std::nullopt;
                    utf8::appendCodePoint(out, static_cast<gunichar>(value));
                } else {
                    return std::nullopt;
                }
            } else {
                out += m_text[m_position++];
            }
        }
        return std::nullopt;
    }

    std::string_view m_text;
    size_t m_position { 0 };
};

// A UTF-16 text ends at its first NUL unit; what follows is not read.
std::optional<std::string> utf16ToUTF8(std::string_view data, bool bigEndian)
{
    if (data.size() % 2)
        return std::nullopt;
    for (size_t i = 0; i < data.size(); i += 2) {
        if (data[i] == '\0' && data[i + 1] == '\0') {
            data = data.substr(0, i);
            break;
        }
    }
    std::string out;
    if (!utf8::appendDecodedUTF16(out, data, bigEndian))
        return std::nullopt;
    return out;
}

bool isUTF8(std::string_view text)
{
    return g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr);
}

struct PlistDeleter {
    void operator()(void* node) const { plist_free(node); }
};
struct MallocDeleter {
    void operator()(void* block) const { std::free(block); }
};

} // namespace

std::optional<std::string> PropertyListReader::decodeText(std::string_view data)
{
    std::optional<std::string> text;
    if (data.starts_with("\xEF\xBB\xBF"))
        text = std::string(data.substr(3));
    else if (data.starts_with("\xFF\xFE"))
        text = utf16ToUTF8(data.substr(2), false);
    else if (data.starts_with("\xFE\xFF"))
        text = utf16ToUTF8(data.substr(2), true);
    else if (data.size() >= 2 && data[0] != '\0' && data[1] == '\0')
        text = utf16ToUTF8(data, false); // UTF-16 without a mark, little-endian
    else if (data.size() >= 2 && data[0] == '\0' && data[1] != '\0')
        text = utf16ToUTF8(data, true);
    else
        text = std::string(data);
    if (!text || !g_utf8_validate(text->data(), static_cast<gssize>(text->size()), nullptr))
        return std::nullopt;
    return text;
}

std::optional<PropertyListReader::StringTable> PropertyListReader::stringTableFromData(std::string_view data)
{
    if (data.starts_with("bplist"))
        return readBinaryForm(data);
    auto text = decodeText(data);
    if (!text)
        return std::nullopt;
    size_t first = text->find_first_not_of(" \t\r\n");
    if (first != std::string::npos && (*text)[first] == '<')
        return readXMLForm(*text);
    return readTextForm(*text);
}

std::optional<PropertyListReader::StringTable> PropertyListReader::readTextForm(std::string_view text)
{
    return TextFormParser(text).parse();
}

std::optional<PropertyListReader::StringTable> PropertyListReader::readXMLForm(std::string_view text)
{
    return XMLFormParser(text).parse();
}

std::optional<PropertyListReader::StringTable> PropertyListReader::readBinaryForm(std::string_view data)
{
    if (data.size() > std::numeric_limits<uint32_t>::max())
        return std::nullopt;
    plist_t parsed = nullptr;
    plist_from_bin(data.data(), static_cast<uint32_t>(data.size()), &parsed);
    std::unique_ptr<void, PlistDeleter> root(parsed);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT)
        return std::nullopt;
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(root.get(), &iterator);
    std::unique_ptr<void, MallocDeleter> iteratorOwner(iterator);
    if (!iterator)
        return std::nullopt;
    StringTable table;
    while (true) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(root.get(), iterator, &key, &value);
        std::unique_ptr<char, MallocDeleter> keyOwner(key);
        if (!value)
            break;
        if (!key || plist_get_node_type(value) != PLIST_STRING)
            return std::nullopt;
        uint64_t length = 0;
        const char* characters = plist_get_string_ptr(value, &length);
        std::string_view text = characters ? std::string_view(characters, length) : std::string_view();
        // Binary "ASCII" strings may hold any byte; like the text forms, a
        // table that is not UTF-8 throughout is refused.
        if (!isUTF8(key) || !isUTF8(text))
            return std::nullopt;
        table[key] = std::string(text);
    }
    return table;
}
