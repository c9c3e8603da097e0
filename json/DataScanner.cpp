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
        utf8::appendReplacingInvalid(*into, { reinterpret_cast<const char*>(m_current), size_t(runEnd - m_current) });
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
        *into = doubleValue({ reinterpret_cast<const char*>(m_current), size_t(runEnd - m_current) });
    m_current = runEnd;
    return true;
}

double DataScanner::doubleValue(std::string_view text)
{
    static constexpr double kPowersOfTen[] = { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12,
        1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22 };
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const char* p = text.data();
    const size_t n = text.size();
    size_t i = 0;
    bool negative = false;
    if (i < n && p[i] == '-') {
        negative = true;
        ++i;
    }

    // The mantissa's first 19 significant digits fit a 64-bit integer.
    uint64_t mantissa = 0;
    int significantDigits = 0;
    int droppedDigits = 0; // integer digits beyond the 19 kept
    int firstNonZeroPosition = 0; // decimal magnitude of the leading digit, for out-of-range answers
    bool seenNonZero = false;
    bool truncated = false; // some significant digit did not fit the mantissa
    size_t integerDigits = 0, fractionDigits = 0;
    int fractionDigitsKept = 0;
    for (; i < n && isDigit(p[i]); ++i, ++integerDigits) {
        if (p[i] != '0' || seenNonZero) {
            if (!seenNonZero)
                firstNonZeroPosition = 1; // counted up below
            else
                ++firstNonZeroPosition;
            seenNonZero = true;
            if (significantDigits < 19) {
                mantissa = mantissa * 10 + uint64_t(p[i] - '0');
                ++significantDigits;
            } else {
                ++droppedDigits;
                truncated = true;
            }
        }
    }
    if (i < n && p[i] == '.') {
        ++i;
        for (; i < n && isDigit(p[i]); ++i, ++fractionDigits) {
            if (p[i] != '0' || seenNonZero) {
                if (!seenNonZero)
                    firstNonZeroPosition = -int(fractionDigits);
                seenNonZero = true;
                if (significantDigits < 19) {
                    mantissa = mantissa * 10 + uint64_t(p[i] - '0');
                    ++significantDigits;
                    fractionDigitsKept = int(fractionDigits) + 1;
                } else {
                    truncated = true;
                }
            }
        }
    }
    if (integerDigits + fractionDigits == 0)
        return 0.0;
    size_t mantissaEnd = i;
    size_t prefixEnd = mantissaEnd;
    long exponent = 0;
    if (i < n && (p[i] == 'e' || p[i] == 'E')) {
        size_t j = i + 1;
        bool negativeExponent = false;
        if (j < n && (p[j] == '+' || p[j] == '-')) {
            negativeExponent = p[j] == '-';
            ++j;
        }
        if (j < n && isDigit(p[j])) {
            for (; j < n && isDigit(p[j]); ++j) {
                if (exponent < 1000000)
                    exponent = exponent * 10 + (p[j] - '0');
            }
            if (negativeExponent)
                exponent = -exponent;
            prefixEnd = j;
        }
    }
    if (!seenNonZero)
        return negative ? -0.0 : 0.0;

    // Exact in one rounding when the mantissa and the power of ten are both exact doubles.
    long scale = exponent + droppedDigits - fractionDigitsKept;
    if (!truncated && mantissa <= (uint64_t(1) << 53) && scale >= -22
        && scale <= 22) {
        double value = double(mantissa);
        value = scale >= 0 ? value * kPowersOfTen[scale] : value / kPowersOfTen[-scale];
        return negative ? -value : value;
    }

    double value = 0;
    auto [end, error] = std::from_chars(p, p + prefixEnd, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        value = exponent + firstNonZeroPosition > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        return negative ? -value : value;
    }
    (void)end;
    return value;
}
