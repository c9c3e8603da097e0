#include "json/DataScanner.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "json/UTF8.h"

DataScanner::CharacterSet DataScanner::characterSet(std::string_view members)
{
    CharacterSet set {};
    for (char member : members)
        set[static_cast<unsigned char>(member)] = true;
    return set;
}

DataScanner::DataScanner()
    : m_doubleCharacters(characterSet("0123456789eE-."))
{
}

DataScanner::DataScanner(std::string_view data)
    : DataScanner()
{
    DataScanner::setData(data);
}

void DataScanner::setData(std::string_view data)
{
    if (data.size() > std::numeric_limits<uint32_t>::max())
        data = {};
    m_start = reinterpret_cast<const unsigned char*>(data.data());
    m_length = static_cast<uint32_t>(data.size());
    m_end = m_start + m_length;
    m_current = m_start;
}

bool DataScanner::scanUTF8String(std::string_view word, std::string* into)
{
    if (static_cast<size_t>(m_end - m_current) < word.size() || std::memcmp(m_current, word.data(), word.size()) != 0)
        return false;
    m_current += word.size();
    if (into) {
        into->clear();
        utf8::appendReplacingInvalid(*into, word);
    }
    return true;
}

bool DataScanner::scanCharactersFromSet(const CharacterSet& set, std::string* into)
{
    const unsigned char* runEnd = m_current;
    while (runEnd < m_end && set[*runEnd])
        ++runEnd;
    if (runEnd == m_current)
        return false;
    if (into) {
        into->clear();
        utf8::appendReplacingInvalid(*into, {reinterpret_cast<const char*>(m_current), size_t(runEnd - m_current)});
    }
    m_current = runEnd;
    return true;
}

const unsigned char* DataScanner::numberRunEnd() const
{
    const unsigned char* runEnd = m_current;
    while (runEnd < m_end) {
        unsigned char byte = *runEnd;
        if (m_doubleCharacters[byte] || (byte == '+' && runEnd > m_current && (runEnd[-1] | 0x20) == 'e'))
            ++runEnd;
        else
            break;
    }
    return runEnd;
}

bool DataScanner::scanNumber(double* into)
{
    const unsigned char* runEnd = numberRunEnd();
    if (runEnd == m_current)
        return false;
    if (into)
        *into = doubleValue({reinterpret_cast<const char*>(m_current), size_t(runEnd - m_current)});
    m_current = runEnd;
    return true;
}

namespace {

inline bool isDigit(char c)
{
    return static_cast<unsigned char>(c - '0') < 10;
}

// Adds the digits of [p, end) to the mantissa while it has room for them
// (19 significant digits), skipping leading zeros. Digits past the room are
// counted, and noted when not zero.
inline void accumulate(const char* p, const char* end, uint64_t& mantissa, int& kept, int& dropped, bool& truncated)
{
    if (mantissa == 0) {
        while (p < end && *p == '0')
            ++p;
    }
    // Eight digits at a time where they fit: the multiply chain per digit is what number-heavy documents pay for.
    while (end - p >= 8 && kept <= 11) {
        uint64_t chunk;
        std::memcpy(&chunk, p, 8);
        chunk = ((chunk & 0x0F0F0F0F0F0F0F0Full) * 2561) >> 8;
        chunk = ((chunk & 0x00FF00FF00FF00FFull) * 6553601) >> 16;
        chunk = ((chunk & 0x0000FFFF0000FFFFull) * 42949672960001ull) >> 32;
        mantissa = mantissa * 100000000 + chunk;
        p += 8;
        kept += 8;
    }
    for (; p < end && kept < 19; ++p, ++kept)
        mantissa = mantissa * 10 + uint64_t(*p - '0');
    dropped += int(end - p);
    for (; p < end; ++p)
        truncated |= *p != '0';
}

}

double DataScanner::doubleValue(std::string_view text)
{
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13,
        1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* p = text.data();
    const char* const end = p + text.size();
    const bool negative = p < end && *p == '-';
    if (negative)
        ++p;

    // The longest leading part of the form -?D*(.D*)?([eE][+-]?D+)? with at least one mantissa digit.
    const char* integerBegin = p;
    while (p < end && isDigit(*p))
        ++p;
    const char* integerEnd = p;
    const char* fractionBegin = p;
    const char* fractionEnd = p;
    if (p < end && *p == '.') {
        fractionBegin = ++p;
        while (p < end && isDigit(*p))
            ++p;
        fractionEnd = p;
    }
    if (integerBegin == integerEnd && fractionBegin == fractionEnd)
        return 0.0;
    const char* prefixEnd = p;
    long exponent = 0;
    if (p < end && (*p | 0x20) == 'e') {
        const char* q = p + 1;
        bool negativeExponent = false;
        if (q < end && (*q == '+' || *q == '-'))
            negativeExponent = *q++ == '-';
        if (q < end && isDigit(*q)) {
            for (; q < end && isDigit(*q); ++q) {
                if (exponent < 1000000)
                    exponent = exponent * 10 + (*q - '0');
            }
            exponent = negativeExponent ? -exponent : exponent;
            prefixEnd = q;
        }
    }

    uint64_t mantissa = 0;
    int kept = 0, droppedInteger = 0, droppedFraction = 0;
    bool truncated = false;
    accumulate(integerBegin, integerEnd, mantissa, kept, droppedInteger, truncated);
    accumulate(fractionBegin, fractionEnd, mantissa, kept, droppedFraction, truncated);
    if (mantissa == 0)
        return negative ? -0.0 : 0.0;
    // value = mantissa × 10^scale, exactly unless truncated
    long scale = exponent + droppedInteger - (long(fractionEnd - fractionBegin) - droppedFraction);

    if (!truncated && mantissa <= (uint64_t(1) << 53) && scale >= -22 && scale <= 22) {
        // Both operands are exact doubles, so one operation rounds correctly.
        double value = double(mantissa);
        value = scale >= 0 ? value * kPowersOfTen[scale] : value / kPowersOfTen[-scale];
        return negative ? -value : value;
    }
#if (defined(__x86_64__) || defined(__i386__)) && __LDBL_MANT_DIG__ == 64
    if (!truncated && scale >= -27 && scale <= 27) {
        // With a 64-bit significand the mantissa and 10^|scale| are exact, so the
        // quotient or product is rounded once to 64 bits; rounding that to 53 bits
        // is correct unless it lies within one unit of a halfway point between
        // doubles, which is checked and left to the exact conversion below.
        static constexpr long double kLongPowersOfTen[]
            = {1e0L, 1e1L, 1e2L, 1e3L, 1e4L, 1e5L, 1e6L, 1e7L, 1e8L, 1e9L, 1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L,
                1e16L, 1e17L, 1e18L, 1e19L, 1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};
        long double wide = static_cast<long double>(mantissa);
        wide = scale >= 0 ? wide * kLongPowersOfTen[scale] : wide / kLongPowersOfTen[-scale];
        uint64_t significand;
        std::memcpy(&significand, &wide, sizeof significand);
        uint64_t belowDouble = significand & 0x7FF;
        if (belowDouble < 0x3FF || belowDouble > 0x401) {
            double value = static_cast<double>(wide);
            return negative ? -value : value;
        }
    }
#endif

    double value = 0;
    const char* begin = negative ? text.data() : integerBegin;
    auto result = std::from_chars(begin, prefixEnd, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large: infinity; too small: zero, as the C library converts them.
        long magnitude = scale + kept; // decimal digits before the point, roughly
        value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        return negative ? -value : value;
    }
    return value;
}
