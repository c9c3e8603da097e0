#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// One key press as the application sees it, whichever host produced it: a
// named key (arrows, Escape, function keys…) or a typed character, with the
// modifiers held. Scripts and tests write keys as names such as "space",
// "shift+Right", "ctrl+q" or "F11"; the desktop host translates its key
// events into the same values, so both reach the application alike.
class Key {
public:
    enum class Code {
        Character, // text() holds the character typed
        Space,
        Return,
        Escape,
        BackSpace,
        Delete,
        Tab,
        Left,
        Right,
        Up,
        Down,
        Home,
        End,
        PageUp,
        PageDown,
        Function, // F1…F24: functionNumber()
    };

    enum Modifier : unsigned {
        None = 0,
        Shift = 1 << 0,
        Control = 1 << 1,
        Alt = 1 << 2,
    };

    Key(Code code, unsigned modifiers = None);
    // A typed character (one UTF-8 encoded code point).
    static Key character(std::string utf8, unsigned modifiers = None);
    static Key function(int number, unsigned modifiers = None);

    // Reads a name such as "space", "Escape", "shift+Left", "ctrl+q", "F11", "?"
    // or "plus"; nullopt for anything else.
    static std::optional<Key> fromName(std::string_view);

    Code code() const { return m_code; }
    unsigned modifiers() const { return m_modifiers; }
    bool hasModifier(Modifier m) const { return (m_modifiers & m) != 0; }
    // The character typed; empty for named keys.
    const std::string& text() const { return m_text; }
    int functionNumber() const { return m_function; }

    // True when this is the given character with no Control or Alt held
    // (Shift may be, since it is how many characters are typed).
    bool isCharacter(std::string_view utf8) const;

    // The name fromName() reads back.
    std::string name() const;

    bool operator==(const Key&) const = default;

private:
    Code m_code;
    unsigned m_modifiers { None };
    std::string m_text;
    int m_function { 0 };
};
