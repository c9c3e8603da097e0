#include "platform/contacts/VCard.h"

#include "platform/foundation/GUniquePtr.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr size_t kFoldLength = 75;

// Address components in the order of the structured value, after the post
// office box and the extended address, which no address here carries.
struct AddressField {
    const char* key;
    size_t component;
};
constexpr std::array<AddressField, 5> kAddressFields { {
    { "Street", 2 },
    { "City", 3 },
    { "State", 4 },
    { "ZIP", 5 },
    { "Country", 6 },
} };
constexpr size_t kAddressComponents = 7;
// Address keys the structured value has no place for ("CountryCode") travel
// as parameters of their ADR line, one "key=value" each. Other contact tools
// keep parameters they do not know and show the address without them.
constexpr const char* kAddressFieldParameter = "X-ADDRESS-FIELD";

bool isStructuredAddressKey(std::string_view key)
{
    return std::any_of(
        kAddressFields.begin(), kAddressFields.end(), [&](const AddressField& field) { return key == field.key; });
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && g_ascii_strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::string validUTF8(std::string_view text)
{
    if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
        return std::string(text);
    GUniquePtr<char> valid(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
    return valid.get();
}

// Appends one content line, folded: continuation lines start with a space and
// no UTF-8 sequence is split across lines.
void appendLine(std::string& out, std::string_view line)
{
    size_t limit = kFoldLength;
    while (line.size() > limit) {
        size_t cut = limit;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        out.append(line.substr(0, cut));
        out.append("\r\n ");
        line.remove_prefix(cut);
        limit = kFoldLength - 1;
    }
    out.append(line);
    out.append("\r\n");
}

// A URI is written as it is, except that nothing in it may break the line or
// read as an escape: control characters, spaces and backslashes are
// percent-encoded, which a URI parser reads as the same characters.
std::string safeURI(std::string_view uri)
{
    std::string result;
    for (char c : validUTF8(uri)) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x21 || byte == 0x7F || c == '\\') {
            static constexpr char kHex[] = "0123456789ABCDEF";
            result.push_back('%');
            result.push_back(kHex[byte >> 4]);
            result.push_back(kHex[byte & 0xF]);
        } else {
            result.push_back(c);
        }
    }
    return result;
}

std::string labelParameters(std::string_view label)
{
    if (label.empty())
        return {};
    std::string token = VCard::typeToken(label);
    std::string parameters = ";TYPE=" + token;
    if (token != label)
        parameters += ";X-LABEL=" + VCard::quotedParameter(label);
    return parameters;
}

std::optional<std::string> imageMediaType(std::string_view data)
{
    if (data.starts_with("\x89PNG\r\n\x1a\n"))
        return "image/png";
    if (data.starts_with("\xFF\xD8\xFF"))
        return "image/jpeg";
    if (data.starts_with("GIF87a") || data.starts_with("GIF89a"))
        return "image/gif";
    return std::nullopt;
}

std::string base64(std::string_view data)
{
    GUniquePtr<char> encoded(g_base64_encode(reinterpret_cast<const guchar*>(data.data()), data.size()));
    return encoded.get();
}

std::optional<std::string> fromBase64(std::string_view text)
{
    // g_base64_decode wants a terminated string and tolerates no checking, so
    // check the alphabet first: a broken picture is dropped, not half-decoded.
    std::string clean;
    for (char c : text) {
        if (g_ascii_isalnum(c) || c == '+' || c == '/' || c == '=')
            clean.push_back(c);
        else if (!g_ascii_isspace(c))
            return std::nullopt;
    }
    if (clean.empty() || clean.size() % 4 != 0)
        return std::nullopt;
    gsize length = 0;
    GUniquePtr<char> decoded(reinterpret_cast<char*>(g_base64_decode(clean.c_str(), &length)));
    return std::string(decoded.get(), length);
}

// Splits a structured value at the separators that are not escaped; the parts stay escaped.
std::vector<std::string> splitEscaped(std::string_view value, char separator)
{
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            parts.back().push_back(value[i]);
            parts.back().push_back(value[++i]);
        } else if (value[i] == separator) {
            parts.emplace_back();
        } else {
            parts.back().push_back(value[i]);
        }
    }
    return parts;
}

struct ContentLine {
    std::string name;
    std::vector<std::pair<std::string, std::vector<std::string>>> parameters;
    std::string value;

    const std::vector<std::string>* parameter(std::string_view wanted) const
    {
        for (const auto& [parameterName, values] : parameters) {
            if (equalsIgnoringCase(parameterName, wanted))
                return &values;
        }
        return nullptr;
    }
    bool hasParameterValue(std::string_view parameterName, std::string_view wanted) const
    {
        const auto* values = parameter(parameterName);
        return values && std::any_of(values->begin(), values->end(), [&](const std::string& v) {
            return equalsIgnoringCase(v, wanted);
        });
    }
};

std::string decodeCaretEscapes(std::string_view text)
{
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '^' && i + 1 < text.size()) {
            char next = text[i + 1];
            if (next == 'n' || next == 'N') {
                result.push_back('\n');
                ++i;
                continue;
            }
            if (next == '\'') {
                result.push_back('"');
                ++i;
                continue;
            }
            if (next == '^') {
                result.push_back('^');
                ++i;
                continue;
            }
        }
        result.push_back(text[i]);
    }
    return result;
}

// name *(";" param) ":" value, with quoted parameter values that may hold
// ';', ':' and ','. nullopt when the line has no value part or an open quote.
std::optional<ContentLine> parseContentLine(std::string_view line)
{
    // A control character other than tab has no place in a line: a stray
    // carriage return marks a damaged file, not a value.
    if (std::any_of(line.begin(), line.end(),
            [](char c) { return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F; }))
        return std::nullopt;
    ContentLine result;
    size_t i = 0;
    while (i < line.size() && line[i] != ';' && line[i] != ':')
        ++i;
    if (i == 0 || i == line.size())
        return std::nullopt;
    std::string_view name = line.substr(0, i);
    if (auto dot = name.rfind('.'); dot != std::string_view::npos)
        name.remove_prefix(dot + 1); // property group, which we do not use
    result.name = std::string(name);

    while (line[i] == ';') {
        ++i;
        size_t start = i;
        while (i < line.size() && line[i] != '=' && line[i] != ';' && line[i] != ':')
            ++i;
        if (i == line.size())
            return std::nullopt;
        std::string parameterName(line.substr(start, i - start));
        std::vector<std::string> values;
        if (line[i] != '=') {
            // A bare parameter of the older version: "TEL;CELL:" means TYPE=CELL.
            result.parameters.push_back({ "TYPE", { parameterName } });
            continue;
        }
        ++i;
        while (true) {
            std::string value;
            if (i < line.size() && line[i] == '"') {
                size_t close = line.find('"', i + 1);
                if (close == std::string_view::npos)
                    return std::nullopt;
                value = decodeCaretEscapes(line.substr(i + 1, close - i - 1));
                i = close + 1;
            } else {
                size_t start = i;
                while (i < line.size() && line[i] != ',' && line[i] != ';' && line[i] != ':')
                    ++i;
                value = decodeCaretEscapes(line.substr(start, i - start));
            }
            values.push_back(std::move(value));
            if (i < line.size() && line[i] == ',') {
                ++i;
                continue;
            }
            break;
        }
        if (i == line.size() || (line[i] != ';' && line[i] != ':'))
            return std::nullopt;
        result.parameters.push_back({ std::move(parameterName), std::move(values) });
    }
    result.value = std::string(line.substr(i + 1));
    return result;
}

// Unfolds the text into logical lines; empty lines are dropped.
std::vector<std::string> unfold(std::string_view text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        std::string_view line
            = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty() && (line.front() == ' ' || line.front() == '\t') && !lines.empty())
            lines.back().append(line.substr(1));
        else if (!line.empty())
            lines.emplace_back(line);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return lines;
}

std::string labelOf(const ContentLine& line)
{
    if (const auto* label = line.parameter("X-LABEL"); label && !label->empty())
        return label->front();
    // "TEL;CELL;TYPE=pref" holds two TYPE parameters: every one counts.
    std::string label;
    for (const auto& [name, values] : line.parameters) {
        if (!equalsIgnoringCase(name, "TYPE"))
            continue;
        for (const auto& type : values) {
            if (!label.empty())
                label += ',';
            label += type;
        }
    }
    return label;
}

std::optional<std::string> pictureOf(const ContentLine& line)
{
    std::string_view value = line.value;
    if (startsWithIgnoringCase(value, "data:")) {
        size_t comma = value.find(',');
        if (comma == std::string_view::npos)
            return std::nullopt;
        std::string_view header = value.substr(5, comma - 5);
        if (header.size() < 7 || !equalsIgnoringCase(header.substr(header.size() - 7), ";base64"))
            return std::nullopt;
        return fromBase64(value.substr(comma + 1));
    }
    if (line.hasParameterValue("ENCODING", "b") || line.hasParameterValue("ENCODING", "BASE64"))
        return fromBase64(value);
    return std::nullopt; // a link to a picture elsewhere, which we do not fetch
}

} // namespace

std::string VCard::escapeText(std::string_view text)
{
    std::string valid = validUTF8(text);
    std::string result;
    result.reserve(valid.size());
    for (size_t i = 0; i < valid.size(); ++i) {
        char c = valid[i];
        switch (c) {
        case '\\':
            result += "\\\\";
            break;
        case ',':
            result += "\\,";
            break;
        case ';':
            result += "\\;";
            break;
        case '\r':
            if (i + 1 < valid.size() && valid[i + 1] == '\n')
                ++i;
            result += "\\n";
            break;
        case '\n':
            result += "\\n";
            break;
        default:
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F)
                break;
            result.push_back(c);
        }
    }
    return result;
}

std::string VCard::unescapeText(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            char next = text[++i];
            result.push_back(next == 'n' || next == 'N' ? '\n' : next);
        } else {
            result.push_back(text[i]);
        }
    }
    return result;
}

std::string VCard::typeToken(std::string_view label)
{
    std::string token;
    for (char c : label)
        token.push_back(g_ascii_isalnum(c) || c == '-' ? c : '-');
    return token;
}

std::string VCard::quotedParameter(std::string_view text)
{
    std::string result = "\"";
    for (char c : validUTF8(text)) {
        if (c == '^')
            result += "^^";
        else if (c == '"')
            result += "^'";
        else if (c == '\n')
            result += "^n";
        else if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F)
            continue;
        else
            result.push_back(c);
    }
    result.push_back('"');
    return result;
}

std::string VCard::serialize(const PersonRecord& record)
{
    std::string out;
    appendLine(out, "BEGIN:VCARD");
    appendLine(out, "VERSION:4.0");
    appendLine(out, "PRODID:-//Vantrel//Pellar contacts//EN");
    appendLine(out, "UID:urn:uuid:" + safeURI(record.identifier));
    if (record.kind == PersonRecord::Kind::Organization)
        appendLine(out, "KIND:org");
    std::string formattedName = record.name.value_or(record.organization.value_or(""));
    appendLine(out, "FN:" + escapeText(formattedName));
    if (record.organization)
        appendLine(out, "ORG:" + escapeText(*record.organization));
    for (const auto& phone : record.phoneNumbers)
        appendLine(out, "TEL" + labelParameters(phone.label) + ":" + escapeText(phone.value));
    for (const auto& email : record.emailAddresses)
        appendLine(out, "EMAIL" + labelParameters(email.label) + ":" + escapeText(email.value));
    for (const auto& address : record.addresses) {
        std::array<std::string, kAddressComponents> components;
        for (const auto& field : kAddressFields) {
            if (auto found = address.value.find(field.key); found != address.value.end())
                components[field.component] = escapeText(found->second);
        }
        std::string value;
        for (size_t i = 0; i < components.size(); ++i)
            value += (i ? ";" : "") + components[i];
        std::string extraFields;
        for (const auto& [key, fieldValue] : address.value) {
            // A key with "=" in it could not be told from its value when read back.
            if (!isStructuredAddressKey(key) && !key.empty() && key.find('=') == std::string::npos)
                extraFields
                    += std::string(";") + kAddressFieldParameter + "=" + VCard::quotedParameter(key + "=" + fieldValue);
        }
        appendLine(out, "ADR" + labelParameters(address.label) + extraFields + ":" + value);
    }
    for (const auto& url : record.urls)
        appendLine(out, "URL" + labelParameters(url.label) + ":" + safeURI(url.value));
    if (record.note)
        appendLine(out, "NOTE:" + escapeText(*record.note));
    if (record.imageData) {
        if (auto mediaType = imageMediaType(*record.imageData))
            appendLine(out, "PHOTO:data:" + *mediaType + ";base64," + base64(*record.imageData));
    }
    appendLine(out, "END:VCARD");
    return out;
}

std::optional<PersonRecord> VCard::parse(std::string_view text)
{
    if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
        return std::nullopt;
    auto lines = unfold(text);
    if (lines.size() < 2 || !equalsIgnoringCase(lines.front(), "BEGIN:VCARD")
        || !equalsIgnoringCase(lines.back(), "END:VCARD"))
        return std::nullopt;

    PersonRecord record;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        auto line = parseContentLine(lines[i]);
        if (!line)
            return std::nullopt;
        const std::string& name = line->name;
        // One card per file: a second card would be deleted along with the first.
        if (equalsIgnoringCase(name, "BEGIN") || equalsIgnoringCase(name, "END"))
            return std::nullopt;
        if (equalsIgnoringCase(name, "KIND")) {
            record.kind = equalsIgnoringCase(line->value, "org") ? PersonRecord::Kind::Organization
                                                                 : PersonRecord::Kind::Individual;
        } else if (equalsIgnoringCase(name, "FN")) {
            record.name = unescapeText(line->value);
        } else if (equalsIgnoringCase(name, "ORG")) {
            record.organization = unescapeText(splitEscaped(line->value, ';').front());
        } else if (equalsIgnoringCase(name, "TEL")) {
            // A number may be written as a "tel:" URI, which is not escaped text.
            bool isURI = line->hasParameterValue("VALUE", "uri");
            record.phoneNumbers.push_back({ labelOf(*line), isURI ? line->value : unescapeText(line->value) });
        } else if (equalsIgnoringCase(name, "EMAIL")) {
            record.emailAddresses.push_back({ labelOf(*line), unescapeText(line->value) });
        } else if (equalsIgnoringCase(name, "ADR")) {
            auto components = splitEscaped(line->value, ';');
            PersonRecord::Address address;
            for (const auto& field : kAddressFields) {
                if (field.component < components.size() && !components[field.component].empty())
                    address[field.key] = unescapeText(components[field.component]);
            }
            for (const auto& [parameterName, values] : line->parameters) {
                if (!equalsIgnoringCase(parameterName, kAddressFieldParameter))
                    continue;
                for (const auto& field : values) {
                    size_t equals = field.find('=');
                    if (equals == std::string::npos || equals == 0)
                        continue;
                    std::string key = field.substr(0, equals);
                    // The structured value has the last word on the keys it holds.
                    if (!isStructuredAddressKey(key))
                        address.emplace(std::move(key), field.substr(equals + 1));
                }
            }
            record.addresses.push_back({ labelOf(*line), std::move(address) });
        } else if (equalsIgnoringCase(name, "URL")) {
            record.urls.push_back({ labelOf(*line), line->value });
        } else if (equalsIgnoringCase(name, "NOTE")) {
            record.note = unescapeText(line->value);
        } else if (equalsIgnoringCase(name, "PHOTO")) {
            record.imageData = pictureOf(*line);
        }
    }
    if (!record.name && !record.organization)
        return std::nullopt;
    return record;
}
