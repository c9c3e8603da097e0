#pragma once

#include <string>
#include <string_view>

// Small text helpers wanted in more than one layer.
class StringUtilities {
public:
    // The text without leading and trailing spaces, tabs and line breaks
    // (\t \n \v \f \r and space); inner white space stays.
    static std::string trimmed(std::string_view);

    // An object's address as descriptions show it ("0x55d0c3a1b2c0"; "(nil)"
    // for no object), for telling objects apart in logs and debug output.
    static std::string addressText(const void*);

    StringUtilities() = delete;
};
