#pragma once

#include <string>

// The texts of the click-through alerts: the English text is the key of the
// translation, and "%@" in it stands for one value (a number, a name).
class PellarAlertText {
public:
    static std::string localized(const std::string& english);
    // The first "%@" of the translation becomes the value; the value itself is
    // not looked into, so a "%@" in it stays as it is.
    static std::string localizedFormat(const std::string& english, const std::string& value);

    PellarAlertText() = delete;
};
