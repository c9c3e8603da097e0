#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// The user's preferences by key. Two keys come from the environment when the
// object is made: "AppleLanguages", the user's languages in order of
// preference ("de", "en"), and "AppleLocale", the user's locale ("de_DE").
// Any key can be set or removed afterwards, which is how tests pick a language.
// Safe to use from any thread.
class UserDefaults {
public:
    using Value = std::variant<std::string, std::vector<std::string>>;
    // Reads one environment variable; nullopt when it is not set.
    using EnvironmentLookup = std::function<std::optional<std::string>(const std::string& name)>;

    static constexpr const char* kLanguagesKey = "AppleLanguages";
    static constexpr const char* kLocaleKey = "AppleLocale";

    // Creation
    static UserDefaults& standardUserDefaults();
    UserDefaults(); // filled from the process environment
    explicit UserDefaults(const EnvironmentLookup&);
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    // Values
    std::optional<Value> objectForKey(const std::string& key) const;
    // nullopt when the key is missing or holds the other kind of value.
    std::optional<std::string> stringForKey(const std::string& key) const;
    std::optional<std::vector<std::string>> stringArrayForKey(const std::string& key) const;
    void setString(std::string value, const std::string& key);
    void setStringArray(std::vector<std::string> value, const std::string& key);
    void removeObjectForKey(const std::string& key);

    // Sets "AppleLanguages" and "AppleLocale" afresh from the environment.
    void loadFromEnvironment(const EnvironmentLookup&);

    // The user's languages: the entries of LANGUAGE (a colon list), then the
    // language of the locale in effect for messages (LC_ALL, else LC_MESSAGES,
    // else LANG); "de_DE.UTF-8" gives "de", and "C" or "POSIX" means "en".
    // Never empty: with nothing set, ["en"].
    static std::vector<std::string> languagesFromEnvironment(const EnvironmentLookup&);
    // The locale in effect (LC_ALL, LC_MESSAGES, LANG): "de_DE.UTF-8@euro" gives "de_DE"; "en" by default.
    static std::string localeFromEnvironment(const EnvironmentLookup&);
    static std::optional<std::string> processEnvironment(const std::string& name);

private:
    mutable std::mutex m_mutex;
    std::map<std::string, Value> m_values;
};
