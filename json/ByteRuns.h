#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Finds the end of the two kinds of byte runs that make up most of a JSON
// document: white space between tokens and plain string contents. SSE2 is part
// of every x86-64 processor, so the 16-byte form needs no run-time check;
// elsewhere the same test runs on 8-byte words.
namespace byteRuns {

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

// Marks (in its high bit) the lowest byte of the word that is zero; bits above
// the first such byte may be wrong, which is why only the lowest mark is read.
inline uint64_t zeroBytes(uint64_t word)
{
    return (word - kOnes) & ~word & kHighBits;
}

// White space of the C library's default locale: space and 0x09-0x0D.
inline bool isWhitespace(unsigned char byte)
{
    return byte == ' ' || (byte >= 0x09 && byte <= 0x0D);
}

// The first byte at or after p that is not white space, or end.
inline const unsigned char* skipWhitespace(const unsigned char* p, const unsigned char* end)
{
#if defined(__SSE2__)
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i tab = _mm_set1_epi8(0x09);
    const __m128i controlRange = _mm_set1_epi8(0x0D - 0x09);
    while (end - p >= 16) {
        __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i shifted = _mm_sub_epi8(chunk, tab);
        __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(shifted, controlRange), shifted);
        unsigned blanks = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, space), control)));
        if (blanks != 0xFFFF)
            return p + __builtin_ctz(~blanks);
        p += 16;
    }
#endif
    while (p < end && isWhitespace(*p))
        ++p;
    return p;
}

// The first byte at or after p that is a double quote, a backslash or not
// ASCII, or end.
inline const unsigned char* findStringStop(const unsigned char* p, const unsigned char* end)
{
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    while (end - p >= 16) {
        __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i stops = _mm_or_si128(_mm_cmpeq_epi8(chunk, quote), _mm_cmpeq_epi8(chunk, backslash));
        // movemask also takes each byte's high bit: the non-ASCII bytes.
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(stops, chunk)));
        if (mask)
            return p + __builtin_ctz(mask);
        p += 16;
    }
#endif
    while (end - p >= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        uint64_t stops = zeroBytes(word ^ (kOnes * '"')) | zeroBytes(word ^ (kOnes * '\\')) | (word & kHighBits);
        if (stops)
            return p + __builtin_ctzll(stops) / 8;
        p += 8;
    }
    while (p < end && *p != '"' && *p != '\\' && *p < 0x80)
        ++p;
    return p;
}

}
