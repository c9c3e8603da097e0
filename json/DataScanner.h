#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "json/ByteRuns.h"

// Walks forward over a block of bytes and offers the small matching steps the
// JSON reader is built on. It works on bytes, not characters: only the runs
// it hands back as strings are decoded (as UTF-8).
//
// Every step either succeeds and moves past what it took, or fails and leaves
// the position where it was; only setScanLocation() moves backwards.
//
// The scanner does not own the bytes: it is made for one scan of data that
// its caller keeps alive meanwhile.
class DataScanner {
public:
    // A set of byte values (0-255).
    using CharacterSet = std::array<bool, 256>;
    static CharacterSet characterSet(std::string_view members);

    // What the character operations answer at the end of the data: no byte
    // has this value, so no character the reader tests for can match there.
    static constexpr uint16_t kEndOfData = 0xFFFF;

    DataScanner();
    explicit DataScanner(std::string_view data);
    virtual ~DataScanner() = default;
    DataScanner(const DataScanner&) = delete;
    DataScanner& operator=(const DataScanner&) = delete;

    // Properties
    std::string_view data() const { return { reinterpret_cast<const char*>(m_start), m_length }; }
    // Data longer than 32 bits can count leaves the scanner empty.
    virtual void setData(std::string_view);
    uint32_t scanLocation() const { return static_cast<uint32_t>(m_current - m_start); }
    // Only offsets read earlier from scanLocation() are meant to be restored; others are clamped to the data.
    void setScanLocation(uint32_t location) { m_current = m_start + (location < m_length ? location : m_length); }
    bool isAtEnd() const { return scanLocation() >= m_length; }
    const CharacterSet& doubleCharacters() const { return m_doubleCharacters; }
    void setDoubleCharacters(const CharacterSet&);

    // Operations
    uint16_t currentCharacter() const { return m_current < m_end ? *m_current : kEndOfData; }
    uint16_t scanCharacter() { return m_current < m_end ? *m_current++ : kEndOfData; }
    bool scanCharacter(uint16_t character)
    {
        if (m_current < m_end && *m_current == character) {
            ++m_current;
            return true;
        }
        return false;
    }
    bool scanUTF8String(std::string_view word, std::string* into = nullptr);
    bool scanCharactersFromSet(const CharacterSet&, std::string* into = nullptr);
    // The longest run of number bytes, converted by doubleValue(). Besides the
    // doubleCharacters, a "+" directly after "e" or "E" belongs to the run, so
    // that exponents such as 1e+22 (as many servers write them) read whole.
    bool scanNumber(double* into = nullptr);
    void skipWhitespace()
    {
        // Between tokens there is most often no white space at all; runs
        // (indentation) are taken 16 bytes at a time.
        if (m_current < m_end && isWhitespace(*m_current))
            m_current = byteRuns::skipWhitespace(m_current + 1, m_end);
    }

    // The longest leading part of the text that forms a decimal floating-point
    // number, converted to the nearest double (infinity or zero when out of
    // range); 0 when no such part exists.
    static double doubleValue(std::string_view text);
    // The same for the number at the start of [begin, end); numberEnd is set to
    // where its text ends (begin when there is none).
    static double leadingNumber(const char* begin, const char* end, const char*& numberEnd);

protected:
    // White space of the C library's default locale; bytes from 0x80 up never are.
    static bool isWhitespace(unsigned char byte) { return byteRuns::isWhitespace(byte); }
    // Where the number run starting at the current position ends; with a
    // place for it, also the run's value as doubleValue() gives it.
    const unsigned char* numberRunEnd(double* value = nullptr) const
    {
        if (value && m_doubleCharactersHoldNumbers) {
            // The number is read straight from the data and the run goes on from
            // where it stopped, so that the bytes are walked once rather than twice.
            const char* numberEnd;
            *value = leadingNumber(
                reinterpret_cast<const char*>(m_current), reinterpret_cast<const char*>(m_end), numberEnd);
            return numberRunEndFrom(reinterpret_cast<const unsigned char*>(numberEnd));
        }
        return numberRunEndSlowly(value);
    }

    const unsigned char* m_start = nullptr;
    const unsigned char* m_end = nullptr;
    const unsigned char* m_current = nullptr;
    uint32_t m_length = 0;
    CharacterSet m_doubleCharacters;

private:
    const unsigned char* numberRunEndFrom(const unsigned char* runEnd) const
    {
        while (runEnd < m_end) {
            unsigned char byte = *runEnd;
            if (m_doubleCharacters[byte] || (byte == '+' && runEnd > m_current && (runEnd[-1] | 0x20) == 'e'))
                ++runEnd;
            else
                break;
        }
        return runEnd;
    }
    const unsigned char* numberRunEndSlowly(double* value) const;

    // Whether every byte a number's text can hold is among the double
    // characters, so that a number read straight from the data stays inside the run.
    bool m_doubleCharactersHoldNumbers = true;
};
