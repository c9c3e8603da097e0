#include "platform/foundation/UserDefaults.h"

#include <gtest/gtest.h>

#include <map>

namespace {

UserDefaults::EnvironmentLookup environment(std::map<std::string, std::string> variables)
{
    return [variables = std::move(variables)](const std::string& name) -> std::optional<std::string> {
        auto found = variables.find(name);
        if (found == variables.end())
            return std::nullopt;
        return found->second;
    };
}

using Languages = std::vector<std::string>;

} // namespace

TEST(UserDefaultsTest, LanguagesComeFromLanguageListThenTheMessagesLocale)
{
    EXPECT_EQ(UserDefaults::languagesFromEnvironment(environment({ { "LANG", "de_DE.UTF-8" } })), Languages { "de" });
    EXPECT_EQ(UserDefaults::languagesFromEnvironment(
                  environment({ { "LANGUAGE", "fr_CA:pt_BR:pt:fr" }, { "LANG", "de_DE.UTF-8" } })),
        (Languages { "fr", "pt", "de" }));
    // LC_ALL outranks LC_MESSAGES, which outranks LANG; an empty variable counts as unset.
    EXPECT_EQ(UserDefaults::languagesFromEnvironment(
                  environment({ { "LC_ALL", "it_IT" }, { "LC_MESSAGES", "es_ES" }, { "LANG", "de_DE" } })),
        Languages { "it" });
    EXPECT_EQ(UserDefaults::languagesFromEnvironment(
                  environment({ { "LC_ALL", "" }, { "LC_MESSAGES", "es_ES" }, { "LANG", "de_DE" } })),
        Languages { "es" });
}

TEST(UserDefaultsTest, PosixLocaleNothingSetAndGarbageMeanEnglish)
{
    EXPECT_EQ(UserDefaults::languagesFromEnvironment(environment({})), Languages { "en" });
    EXPECT_EQ(UserDefaults::languagesFromEnvironment(environment({ { "LANG", "C.UTF-8" } })), Languages { "en" });
    EXPECT_EQ(UserDefaults::languagesFromEnvironment(environment({ { "LC_ALL", "POSIX" } })), Languages { "en" });
    EXPECT_EQ(UserDefaults::languagesFromEnvironment(environment({ { "LANG", "../../etc" } })), Languages { "en" });
    EXPECT_EQ(UserDefaults::languagesFromEnvironment(environment({ { "LANGUAGE", "::x/y:sv" } })),
        (Languages { "sv", "en" }));
    EXPECT_EQ(UserDefaults::localeFromEnvironment(environment({})), "en");
    EXPECT_EQ(UserDefaults::localeFromEnvironment(environment({ { "LANG", "C" } })), "en");
}

TEST(UserDefaultsTest, LocaleDropsCodesetAndModifier)
{
    EXPECT_EQ(UserDefaults::localeFromEnvironment(environment({ { "LANG", "de_DE.UTF-8" } })), "de_DE");
    EXPECT_EQ(UserDefaults::localeFromEnvironment(environment({ { "LANG", "de_AT@euro" } })), "de_AT");
    EXPECT_EQ(UserDefaults::localeFromEnvironment(environment({ { "LC_ALL", "es_419.UTF-8" } })), "es_419");
    // LANGUAGE chooses languages only; the locale stays the one in effect.
    EXPECT_EQ(UserDefaults::localeFromEnvironment(environment({ { "LANGUAGE", "fr" }, { "LANG", "de_DE" } })), "de_DE");
}

TEST(UserDefaultsTest, KeysCanBeOverriddenRemovedAndHoldOneKindOfValue)
{
    UserDefaults defaults(environment({ { "LANG", "nl_NL.UTF-8" } }));
    EXPECT_EQ(defaults.stringArrayForKey(UserDefaults::kLanguagesKey), Languages { "nl" });
    EXPECT_EQ(defaults.stringForKey(UserDefaults::kLocaleKey), "nl_NL");

    defaults.setStringArray({ "ja", "en" }, UserDefaults::kLanguagesKey);
    EXPECT_EQ(defaults.stringArrayForKey(UserDefaults::kLanguagesKey), (Languages { "ja", "en" }));
    defaults.setStringArray({}, UserDefaults::kLanguagesKey);
    EXPECT_EQ(defaults.stringArrayForKey(UserDefaults::kLanguagesKey), Languages {}) << "empty differs from missing";
    defaults.removeObjectForKey(UserDefaults::kLanguagesKey);
    EXPECT_EQ(defaults.stringArrayForKey(UserDefaults::kLanguagesKey), std::nullopt);

    // A locale set as a list is not a string locale.
    defaults.setStringArray({ "fr_FR" }, UserDefaults::kLocaleKey);
    EXPECT_EQ(defaults.stringForKey(UserDefaults::kLocaleKey), std::nullopt);
    EXPECT_TRUE(defaults.objectForKey(UserDefaults::kLocaleKey));

    defaults.loadFromEnvironment(environment({}));
    EXPECT_EQ(defaults.stringForKey(UserDefaults::kLocaleKey), "en");
}

TEST(UserDefaultsTest, StandardDefaultsAreOneObject)
{
    EXPECT_EQ(&UserDefaults::standardUserDefaults(), &UserDefaults::standardUserDefaults());
}
