#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// UTF-8 helpers shared by the reader, the value type and the writer.
namespace utf8 {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Length of the well-formed prefix of the bytes; equals the size when all of it is well formed.
size_t validPrefixLength(std::string_view bytes);

inline bool isValid(std::string_view bytes)
{
    return validPrefixLength(bytes) == bytes.size();
}

// Appends the bytes, putting one U+FFFD in place of each maximal ill-formed
// subsequence (the usual decoder practice), so the result is always well formed.
void appendReplacingInvalid(std::string& out, std::string_view bytes);

// Appends a code point (surrogates and values past U+10FFFF become U+FFFD).
void appendCodePoint(std::string& out, char32_t codePoint);

// Appends UTF-16 code units (two bytes each, in the given byte order) as
// UTF-8. False for an odd number of bytes or an unpaired surrogate; what was
// appended before the fault is left for the caller to discard.
bool appendDecodedUTF16(std::string& out, std::string_view data, bool bigEndian);

}
