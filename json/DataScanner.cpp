#include "json/DataScanner.h"

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
        utf8::appendReplacingInvalid(*into, {reinterpret_cast<const char*>(m_current), size_t(runEnd - m_current)});
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
        *value = doubleValue({reinterpret_cast<const char*>(m_current), size_t(runEnd - m_current)});
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

    // Integers of up to 15 digits are exact doubles and the most common numbers
    // in answers; they are converted here without the general path's set-up.
    const char* digits = p;
    uint64_t integer = 0;
    while (p < end && isDigit(*p) && p - digits < 16)
        integer = integer * 10 + uint64_t(*p++ - '0');
    if (p != digits && p - digits < 16 && (p == end || (*p != '.' && (*p | 0x20) != 'e' && !isDigit(*p)))) {
        numberEnd = p;
        double value = double(integer);
        return negative ? -value : value;
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
