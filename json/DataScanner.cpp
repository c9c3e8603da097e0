#include "json/DataScanner.h"

#include <bit>
#include <cstring>
#include <fast_float/fast_float.h>
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
        utf8::appendReplacingInvalid(*into, { reinterpret_cast<const char*>(m_current), size_t(runEnd - m_current) });
    }
    m_current = runEnd;
    return true;
}

void DataScanner::setDoubleCharacters(const CharacterSet& set)
{
    m_doubleCharacters = set;
    m_doubleCharactersHoldNumbers = true;
    for (char byte : std::string_view("0123456789eE-."))
        m_doubleCharactersHoldNumbers &= set[static_cast<unsigned char>(byte)];
}

// Double characters that leave out part of a number's text: the run is found
// first and only its bytes are converted.
const unsigned char* DataScanner::numberRunEndSlowly(double* value) const
{
    const unsigned char* runEnd = numberRunEndFrom(m_current);
    if (value)
        *value = doubleValue({ reinterpret_cast<const char*>(m_current), size_t(runEnd - m_current) });
    return runEnd;
}

bool DataScanner::scanNumber(double* into)
{
    double value;
    const unsigned char* runEnd = numberRunEnd(&value);
    if (runEnd == m_current)
        return false;
    if (into)
        *into = value;
    m_current = runEnd;
    return true;
}

namespace {

inline bool isDigit(char c)
{
    return static_cast<unsigned char>(c - '0') < 10;
}

// The value of a number the converter reports out of range: infinity when it
// is too large, zero when too small, as the C library converts them. (The
// converter's present version answers those values itself; later ones report
// the range and may leave the value alone.) Such numbers
// lie beyond 10^308 or below 10^-323, so the position of the first significant
// digit relative to the point, plus the exponent, tells which side they are on.
double beyondRange(const char* p, const char* end, bool negative)
{
    int64_t magnitude = 0;
    bool significant = false;
    for (; p < end && isDigit(*p); ++p) {
        significant |= *p != '0';
        magnitude += significant;
    }
    if (p < end && *p == '.') {
        for (++p; p < end && isDigit(*p) && !significant; ++p) {
            significant = *p != '0';
            magnitude -= !significant;
        }
        while (p < end && isDigit(*p))
            ++p;
    }
    if (p < end && (*p | 0x20) == 'e') {
        ++p;
        bool negativeExponent = p < end && *p == '-';
        if (p < end && (*p == '+' || *p == '-'))
            ++p;
        // Clamped far beyond any digit count that fits in the data, so the sum keeps its sign.
        int64_t exponent = 0;
        for (; p < end && isDigit(*p); ++p) {
            if (exponent < 1'000'000'000'000)
                exponent = exponent * 10 + (*p - '0');
        }
        magnitude += negativeExponent ? -exponent : exponent;
    }
    double value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

constexpr uint64_t kPowersOfTen[] = { 1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000 };

// How many of the word's bytes, from the first in memory on, are ASCII digits.
inline unsigned leadingDigitCount(uint64_t word)
{
    // A byte is a digit when it is 0x30-0x39: adding 0x46 carries into bit 7
    // exactly for bytes above 0x39, and the high nibble must be 3.
    uint64_t notDigit = (((word + 0x4646464646464646ull) | word) & 0x8080808080808080ull)
        | ((((word & 0xF0F0F0F0F0F0F0F0ull) ^ 0x3030303030303030ull) + 0x7F7F7F7F7F7F7F7Full) & 0x8080808080808080ull);
    return notDigit ? unsigned(__builtin_ctzll(notDigit)) / 8 : 8;
}

// The value of the word's first count (1-7) bytes, all digits.
inline uint64_t leadingDigitsValue(uint64_t word, unsigned count)
{
    // Shifted to the top of the word, the digits are the last of eight whose
    // first ones are zero; the usual eight-digit combination then applies.
    uint64_t value = (word - 0x3030303030303030ull) << (8 * (8 - count));
    value = (value * 10) + (value >> 8);
    value = (((value & 0x000000FF000000FFull) * (100 + (1000000ULL << 32)))
                + (((value >> 16) & 0x000000FF000000FFull) * (1 + (10000ULL << 32))))
        >> 32;
    return uint32_t(value);
}

// Adds the run of digits at p to the mantissa (which wraps past 20 digits:
// callers count them); gives the end of the run.
inline const char* readDigits(const char* p, const char* end, uint64_t& mantissa)
{
    while (std::endian::native == std::endian::little && end - p >= 8) {
        // Eight bytes at a time: the digits among them up to the first other
        // byte are added in one step.
        uint64_t word;
        std::memcpy(&word, p, 8);
        unsigned count = leadingDigitCount(word);
        if (count == 8) {
            mantissa = mantissa * 100000000 + fast_float::parse_eight_digits_unrolled(word);
            p += 8;
            continue;
        }
        if (count) {
            mantissa = mantissa * kPowersOfTen[count] + leadingDigitsValue(word, count);
            p += count;
        }
        return p;
    }
    while (p < end && isDigit(*p))
        mantissa = mantissa * 10 + uint64_t(*p++ - '0');
    return p;
}

// Reads D+(.D+)?([eE][+-]?D{1,3})? at p when it has at most 19 significant
// digits and converts it; nullptr (nothing read) for any other text, including
// a point or exponent mark without digits after it, whose longest number
// prefix the general case finds.
const char* shortDecimal(const char* p, const char* end, bool negative, double& value)
{
    uint64_t mantissa = 0;
    while (p < end && *p == '0')
        ++p; // leading zeros are not significant
    const char* significant = p;
    p = readDigits(p, end, mantissa);
    int64_t digitCount = p - significant;
    int64_t exponent = 0;
    if (p < end && *p == '.') {
        ++p;
        const char* fraction = p;
        p = readDigits(p, end, mantissa);
        if (p == fraction)
            return nullptr;
        exponent = -(p - fraction);
        const char* first = fraction;
        if (digitCount == 0) {
            // "0.00012": zeros before the first non-zero digit are not significant either.
            while (first < p && *first == '0')
                ++first;
        }
        digitCount += p - first;
    }
    if (digitCount > 19)
        return nullptr; // the mantissa may have wrapped: the general case reads it
    if (p < end && (*p | 0x20) == 'e') {
        ++p;
        bool negativeExponent = p < end && *p == '-';
        if (p < end && (*p == '+' || *p == '-'))
            ++p;
        const char* exponentDigits = p;
        int explicitExponent = 0;
        while (p < end && isDigit(*p) && p - exponentDigits < 4)
            explicitExponent = explicitExponent * 10 + (*p++ - '0');
        if (p == exponentDigits || (p < end && isDigit(*p)))
            return nullptr;
        exponent += negativeExponent ? -explicitExponent : explicitExponent;
    }
    using Format = fast_float::binary_format<double>;
    if (exponent >= Format::min_exponent_fast_path() && exponent <= Format::max_exponent_fast_path()
        && mantissa <= Format::max_mantissa_fast_path() && fast_float::detail::rounds_to_nearest()) {
        // Both the mantissa and the power of ten are exact doubles: one operation rounds once.
        value = double(mantissa);
        value = exponent < 0 ? value / Format::exact_power_of_ten(-exponent)
                             : value * Format::exact_power_of_ten(exponent);
    } else {
        fast_float::adjusted_mantissa adjusted = fast_float::compute_float<Format>(exponent, mantissa);
        if (adjusted.power2 < 0)
            return nullptr; // the rare case that needs the digits themselves
        fast_float::to_float(false, adjusted, value);
    }
    if (negative)
        value = -value;
    return p;
}

}

double DataScanner::doubleValue(std::string_view text)
{
    const char* numberEnd;
    return leadingNumber(text.data(), text.data() + text.size(), numberEnd);
}

double DataScanner::leadingNumber(const char* begin, const char* end, const char*& numberEnd)
{
    const char* p = begin;
    const bool negative = p < end && *p == '-';
    if (negative)
        ++p;

    const char* digits = p;
    // Integers and decimals of at most 19 significant digits with a short
    // exponent, the usual shapes of counts, coordinates and prices, are read
    // here and converted with the same correctly rounding steps the general
    // converter takes after its own reading; any other shape goes to the
    // general case below.
    if (p < end && isDigit(*p)) {
        double value;
        if (const char* decimalEnd = shortDecimal(digits, end, negative, value)) {
            numberEnd = decimalEnd;
            return value;
        }
    }

    // The general case goes to a converter that rounds correctly and reads the
    // same longest leading part -?D*(.D*)?([eE][+-]?D+)? the C library does.
    // Being inline it is a little faster than std::from_chars (the same method),
    // which counts on number-heavy documents. It also reads "inf" and "nan",
    // which are no numbers here: a mantissa digit must come first.
    numberEnd = begin;
    p = digits;
    if (p == end || !(isDigit(*p) || (*p == '.' && end - p > 1 && isDigit(p[1]))))
        return 0.0;
    double value = 0;
    auto result = fast_float::from_chars(begin, end, value, fast_float::chars_format::general);
    numberEnd = result.ptr;
    if (result.ec == std::errc::result_out_of_range)
        return beyondRange(digits, end, negative);
    return value;
}
