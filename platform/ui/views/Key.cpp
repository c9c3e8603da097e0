#include "platform/ui/views/Key.h"

#include <array>
#include <glib.h>
#include <utility>

namespace {

struct NamedKey {
    std::string_view name;
    Key::Code code;
};

// The names follow the desktop's key names, so a name read from a script and
// one produced by the desktop host agree.
constexpr std::array<NamedKey, 15> kNamedKeys { {
    { "space", Key::Code::Space },
    { "Return", Key::Code::Return },
    { "Escape", Key::Code::Escape },
    { "BackSpace", Key::Code::BackSpace },
    { "Delete", Key::Code::Delete },
    { "Tab", Key::Code::Tab },
    { "Left", Key::Code::Left },
    { "Right", Key::Code::Right },
    { "Up", Key::Code::Up },
    { "Down", Key::Code::Down },
    { "Home", Key::Code::Home },
    { "End", Key::Code::End },
    { "Page_Up", Key::Code::PageUp },
    { "Page_Down", Key::Code::PageDown },
    { "Enter", Key::Code::Return },
} };

// Characters a script cannot write plainly or that read badly on their own.
constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kCharacterNames { {
    { "plus", "+" },
    { "minus", "-" },
    { "question", "?" },
    { "bracketleft", "[" },
    { "bracketright", "]" },
    { "numbersign", "#" },
} };

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && g_ascii_strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool isOneCharacter(std::string_view text)
{
    if (text.empty() || !g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
        return false;
    return g_utf8_strlen(text.data(), static_cast<gssize>(text.size())) == 1;
}

} // namespace

Key::Key(Code code, unsigned modifiers)
    : m_code(code)
    , m_modifiers(modifiers)
{
}

Key Key::character(std::string utf8, unsigned modifiers)
{
    Key key(Code::Character, modifiers);
    key.m_text = std::move(utf8);
    return key;
}

Key Key::function(int number, unsigned modifiers)
{
    Key key(Code::Function, modifiers);
    key.m_function = number;
    return key;
}

std::optional<Key> Key::fromName(std::string_view name)
{
    unsigned modifiers = None;
    // Modifiers come first, each ending in '+'; what is left is the key, which
    // may itself be "+".
    for (bool stripped = true; stripped;) {
        stripped = false;
        static constexpr std::pair<std::string_view, Modifier> prefixes[]
            = { { "shift+", Shift }, { "ctrl+", Control }, { "control+", Control }, { "alt+", Alt } };
        for (auto& [prefix, modifier] : prefixes) {
            if (name.size() > prefix.size() && equalsIgnoringCase(name.substr(0, prefix.size()), prefix)) {
                modifiers |= modifier;
                name.remove_prefix(prefix.size());
                stripped = true;
            }
        }
    }
    for (auto& named : kNamedKeys) {
        if (equalsIgnoringCase(name, named.name))
            return Key(named.code, modifiers);
    }
    if (name.size() >= 2 && name.size() <= 3 && (name[0] == 'F' || name[0] == 'f')) {
        int number = 0;
        for (char c : name.substr(1)) {
            if (c < '0' || c > '9')
                return std::nullopt;
            number = number * 10 + (c - '0');
        }
        if (number < 1 || number > 24)
            return std::nullopt;
        return function(number, modifiers);
    }
    for (auto& [alias, text] : kCharacterNames) {
        if (equalsIgnoringCase(name, alias))
            return character(std::string(text), modifiers);
    }
    if (isOneCharacter(name))
        return character(std::string(name), modifiers);
    return std::nullopt;
}

bool Key::isCharacter(std::string_view utf8) const
{
    return m_code == Code::Character && m_text == utf8 && !hasModifier(Control) && !hasModifier(Alt);
}

std::string Key::name() const
{
    std::string prefix;
    if (hasModifier(Shift))
        prefix += "shift+";
    if (hasModifier(Control))
        prefix += "ctrl+";
    if (hasModifier(Alt))
        prefix += "alt+";
    if (m_code == Code::Character)
        return prefix + m_text;
    if (m_code == Code::Function)
        return prefix + "F" + std::to_string(m_function);
    for (auto& named : kNamedKeys) {
        if (named.code == m_code)
            return prefix + std::string(named.name);
    }
    return prefix;
}
