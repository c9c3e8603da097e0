#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text that comes from a server (an ad's text, a page title, a strings-table
// value, a placeholder) made fit to measure and draw. Text shaping costs grow
// with the length, and worse for long words and piles of zero-width or
// combining characters, while a banner shows two lines; so the text is cut to
// a length its place can use before any layout sees it. Bidirectional
// embedding, override and isolate controls are dropped, because they let a
// text show in an order other than the one it is stored in ("\u202Eelif.exe"
// reads as "exe.file"); everything else stays as sent.
class ServerText {
public:
    // Lengths in characters (code points) for each kind of place.
    static constexpr size_t kAdTextLength = 1000; // two lines of banner text, generously
    static constexpr size_t kTitleLength = 200; // a bar's title
    static constexpr size_t kStringsValueLength = 500; // one translated phrase or message
    static constexpr size_t kPlaceholderLength = 200; // a search field's hint

    // Invalid UTF-8 becomes U+FFFD, the direction controls go, and at most
    // maxCharacters characters remain (never a part of one).
    static std::string forDisplay(std::string_view text, size_t maxCharacters);
    // Whether the code point is one of the controls forDisplay drops:
    // U+202A–U+202E and U+2066–U+2069.
    static bool isDirectionControl(char32_t);

    ServerText() = delete;
};
