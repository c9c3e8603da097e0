#include "json/UTF8.h"

#include <cstring>

namespace utf8 {

namespace {

// Length of the ill-formed or well-formed sequence at p (at least 1). Sets
// valid when the sequence is a complete, shortest-form scalar value. For an
// ill-formed one the length is that of its maximal subpart.
size_t sequenceAt(const unsigned char* p, const unsigned char* end, bool& valid)
{
    unsigned char lead = p[0];
    valid = false;
    if (lead < 0x80) {
        valid = true;
        return 1;
    }
    size_t needed;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        needed = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        needed = 2;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F; // would be a surrogate
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        needed = 3;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F; // past U+10FFFF
    } else {
        return 1;
    }
    size_t length = 1;
    for (size_t i = 0; i < needed; ++i) {
        if (p + length >= end)
            return length;
        unsigned char byte = p[length];
        unsigned char lo = i == 0 ? low : 0x80;
        unsigned char hi = i == 0 ? high : 0xBF;
        if (byte < lo || byte > hi)
            return length;
        ++length;
    }
    valid = true;
    return length;
}

bool allASCII(const unsigned char* p, size_t n)
{
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, p + i, 8);
        if (word & 0x8080808080808080ull)
            return false;
    }
    for (; i < n; ++i) {
        if (p[i] & 0x80)
            return false;
    }
    return true;
}

}

size_t validPrefixLength(std::string_view bytes)
{
    auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    auto* end = p + bytes.size();
    auto* cursor = p;
    while (cursor < end) {
        if (*cursor < 0x80) {
            // Skip ASCII eight bytes at a time; it is by far the common case.
            if (end - cursor >= 8 && allASCII(cursor, 8)) {
                cursor += 8;
                continue;
            }
            ++cursor;
            continue;
        }
        bool valid;
        size_t length = sequenceAt(cursor, end, valid);
        if (!valid)
            break;
        cursor += length;
    }
    return static_cast<size_t>(cursor - p);
}

void appendReplacingInvalid(std::string& out, std::string_view bytes)
{
    while (!bytes.empty()) {
        size_t valid = validPrefixLength(bytes);
        out.append(bytes.data(), valid);
        bytes.remove_prefix(valid);
        if (bytes.empty())
            break;
        bool ignored;
        auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        size_t length = sequenceAt(p, p + bytes.size(), ignored);
        appendCodePoint(out, kReplacementCharacter);
        bytes.remove_prefix(length);
    }
}

void appendCodePoint(std::string& out, char32_t c)
{
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        c = kReplacementCharacter;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool appendDecodedUTF16(std::string& out, std::string_view data, bool bigEndian)
{
    if (data.size() % 2)
        return false;
    auto* p = reinterpret_cast<const unsigned char*>(data.data());
    size_t units = data.size() / 2;
    auto unit = [&](size_t i) -> char32_t {
        return bigEndian ? (p[2 * i] << 8 | p[2 * i + 1]) : (p[2 * i + 1] << 8 | p[2 * i]);
    };
    out.reserve(out.size() + units);
    for (size_t i = 0; i < units; ++i) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 == units)
                return false;
            char32_t low = unit(i + 1);
            if (low < 0xDC00 || low > 0xDFFF)
                return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
        appendCodePoint(out, c);
    }
    return true;
}

}
