#include "platform/foundation/UserDefaults.h"

#include "platform/foundation/SharedInstance.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

struct LocaleName {
    std::string language; // "de"
    std::string locale; // "de_DE"
};

// A POSIX locale name, "language[_territory][.codeset][@modifier]", reduced to
// what the preferences hold. nullopt for a name that is not one.
std::optional<LocaleName> parseLocaleName(std::string_view name)
{
    name = name.substr(0, name.find_first_of(".@"));
    if (name == "C" || name == "POSIX")
        return LocaleName { "en", "en" };
    size_t separator = name.find('_');
    std::string_view language = name.substr(0, separator);
    if (language.size() < 2 || language.size() > 3 || !std::all_of(language.begin(), language.end(), isLetter))
        return std::nullopt;
    std::string_view territory = separator == std::string_view::npos ? std::string_view() : name.substr(separator + 1);
    if (separator != std::string_view::npos) {
        bool valid = !territory.empty() && std::all_of(territory.begin(), territory.end(), [](char c) {
            return isLetter(c) || (c >= '0' && c <= '9');
        });
        if (!valid)
            return std::nullopt;
    }
    LocaleName result;
    std::transform(language.begin(), language.end(), std::back_inserter(result.language), lower);
    result.locale = result.language;
    if (!territory.empty())
        result.locale += "_" + std::string(territory);
    return result;
}

// The first of the variables that is set and not empty decides, as it does for
// the C library; a value that is not a locale name then means the default.
std::optional<LocaleName> messagesLocale(const UserDefaults::EnvironmentLookup& lookup)
{
    for (const char* name : { "LC_ALL", "LC_MESSAGES", "LANG" }) {
        auto value = lookup(name);
        if (value && !value->empty())
            return parseLocaleName(*value);
    }
    return std::nullopt;
}

} // namespace

UserDefaults& UserDefaults::standardUserDefaults()
{
    return SharedInstance<UserDefaults>::get();
}

UserDefaults::UserDefaults()
    : UserDefaults(processEnvironment)
{
}

UserDefaults::UserDefaults(const EnvironmentLookup& lookup)
{
    loadFromEnvironment(lookup);
}

std::optional<UserDefaults::Value> UserDefaults::objectForKey(const std::string& key) const
{
    std::lock_guard guard(m_mutex);
    auto found = m_values.find(key);
    if (found == m_values.end())
        return std::nullopt;
    return found->second;
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const
{
    auto value = objectForKey(key);
    if (!value || !std::holds_alternative<std::string>(*value))
        return std::nullopt;
    return std::get<std::string>(*value);
}

std::optional<std::vector<std::string>> UserDefaults::stringArrayForKey(const std::string& key) const
{
    auto value = objectForKey(key);
    if (!value || !std::holds_alternative<std::vector<std::string>>(*value))
        return std::nullopt;
    return std::get<std::vector<std::string>>(*value);
}

void UserDefaults::setString(std::string value, const std::string& key)
{
    std::lock_guard guard(m_mutex);
    m_values.insert_or_assign(key, Value(std::move(value)));
}

void UserDefaults::setStringArray(std::vector<std::string> value, const std::string& key)
{
    std::lock_guard guard(m_mutex);
    m_values.insert_or_assign(key, Value(std::move(value)));
}

void UserDefaults::removeObjectForKey(const std::string& key)
{
    std::lock_guard guard(m_mutex);
    m_values.erase(key);
}

void UserDefaults::loadFromEnvironment(const EnvironmentLookup& lookup)
{
    setStringArray(languagesFromEnvironment(lookup), kLanguagesKey);
    setString(localeFromEnvironment(lookup), kLocaleKey);
}

std::vector<std::string> UserDefaults::languagesFromEnvironment(const EnvironmentLookup& lookup)
{
    std::vector<std::string> languages;
    auto add = [&](const std::string& language) {
        if (std::find(languages.begin(), languages.end(), language) == languages.end())
            languages.push_back(language);
    };
    if (auto list = lookup("LANGUAGE")) {
        std::string_view rest = *list;
        while (true) {
            size_t colon = rest.find(':');
            if (auto entry = parseLocaleName(rest.substr(0, colon)))
                add(entry->language);
            if (colon == std::string_view::npos)
                break;
            rest = rest.substr(colon + 1);
        }
    }
    auto locale = messagesLocale(lookup);
    add(locale ? locale->language : "en");
    return languages;
}

std::string UserDefaults::localeFromEnvironment(const EnvironmentLookup& lookup)
{
    auto locale = messagesLocale(lookup);
    return locale ? locale->locale : "en";
}

std::optional<std::string> UserDefaults::processEnvironment(const std::string& name)
{
    const char* value = std::getenv(name.c_str());
    if (!value)
        return std::nullopt;
    return std::string(value);
}
