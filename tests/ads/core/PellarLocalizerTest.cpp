#include "ads/core/PellarLocalizer.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/ServerText.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/ads/core/AdsCoreFixture.h"
#include "tests/support/FileSizeLimit.h"

#include <filesystem>
#include <fstream>

namespace {

class PellarLocalizerTest : public AdsCoreFixture {
protected:
    void SetUp() override
    {
        AdsCoreFixture::SetUp();
        defaults().setStringArray({ "de", "en" }, UserDefaults::kLanguagesKey);
        localizer().resetForTesting();
    }
    static UserDefaults& defaults() { return UserDefaults::standardUserDefaults(); }
    static PellarLocalizer& localizer() { return PellarLocalizer::sharedLocalizer(); }

    void writeTable(const std::string& language, const std::string& contents)
    {
        std::ofstream(localizer().stringsPathForLanguage(language)) << contents;
    }
    static constexpr const char* kGermanPath = "/static/mobile/i18n/20091130/de.strings";
};

TEST_F(PellarLocalizerTest, EmptyOrMissingTranslationsGiveTheKeyBack)
{
    writeTable("de", "\"Cancel\" = \"\";\n\"Ok\" = \"Gut\";\n");
    EXPECT_EQ(localizer().localizedStringForKey("Cancel"), "Cancel");
    EXPECT_EQ(localizer().localizedStringForKey("Ok"), "Gut");
    EXPECT_EQ(localizer().localizedStringForKey("Call %@?"), "Call %@?");
}

TEST_F(PellarLocalizerTest, ServerValuesAreCutAndLoseTheirDirectionControls)
{
    writeTable("de", "\"Ok\" = \"\u202Eelif.exe\";\n\"Cancel\" = \"" + std::string(100000, 'w') + "\";\n");
    EXPECT_EQ(localizer().localizedStringForKey("Ok"), "elif.exe");
    EXPECT_EQ(localizer().localizedStringForKey("Cancel"), std::string(ServerText::kStringsValueLength, 'w'));
}

TEST_F(PellarLocalizerTest, TableIsFetchedOnceWrittenWholeAndUsedFromTheNextRun)
{
    server.respond(kGermanPath, { .body = "\"Ok\" = \"Gut\";" });
    EXPECT_EQ(localizer().localizedStringForKey("Ok"), "Ok"); // loaded before the table arrived
    localizer().downloadResourcesIfNecessary();
    auto path = localizer().stringsPathForLanguage("de");
    ASSERT_TRUE(loop().runUntil([&] { return std::filesystem::exists(path); }));
    loop().runUntilIdle();
    EXPECT_EQ(localizer().localizedStringForKey("Ok"), "Ok"); // kept for this run
    localizer().resetForTesting(); // the next run
    EXPECT_EQ(localizer().localizedStringForKey("Ok"), "Gut");
    localizer().downloadResourcesIfNecessary();
    EXPECT_EQ(server.requestsTo(kGermanPath), 1);
    EXPECT_EQ(path, dataDirectory.path() / "pellar/localization_cache/20091130/de.strings");
}

TEST_F(PellarLocalizerTest, RefusedLanguageLeavesAnEmptyFileAndIsNeverAskedAgain)
{
    server.respond(kGermanPath, { .status = 404, .body = "no table" });
    localizer().downloadResourcesIfNecessary();
    auto path = localizer().stringsPathForLanguage("de");
    ASSERT_TRUE(loop().runUntil([&] { return std::filesystem::exists(path); }));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    localizer().downloadResourcesIfNecessary();
    drain(0.1);
    EXPECT_EQ(server.requestsTo(kGermanPath), 1);
    EXPECT_EQ(localizer().localizedStringForKey("Cancel"), "Cancel");
}

TEST_F(PellarLocalizerTest, TimeOutLeavesNoFileSoTheNextRequestAsksAgain)
{
    PellarURLDownload::setTimeoutInterval(60);
    server.respond(kGermanPath, { .body = "\"Ok\" = \"Gut\";", .delay = 0.3 });
    localizer().downloadResourcesIfNecessary();
    loop().runUntil([&] { return server.requestsTo(kGermanPath) == 1; });
    advance(61);
    drain(0.5);
    EXPECT_FALSE(std::filesystem::exists(localizer().stringsPathForLanguage("de")));
    localizer().downloadResourcesIfNecessary();
    ASSERT_TRUE(loop().runUntil([&] { return server.requestsTo(kGermanPath) == 2; }));
    drain(0.5);
}

TEST_F(PellarLocalizerTest, TableWithAnArrayAtTheTopIsEmpty)
{
    writeTable("de", "( \"Cancel\", \"Abbrechen\" )");
    EXPECT_EQ(localizer().localizedStringForKey("Cancel"), "Cancel");
}

TEST_F(PellarLocalizerTest, EmptyLanguageListMeansEnglish)
{
    defaults().setStringArray({}, UserDefaults::kLanguagesKey);
    localizer().resetForTesting();
    EXPECT_EQ(localizer().preferredLanguage(), "en");
    server.respond("/static/mobile/i18n/20091130/en.strings", { .body = "" });
    localizer().downloadResourcesIfNecessary();
    ASSERT_TRUE(loop().runUntil([&] { return server.requestsTo("/static/mobile/i18n/20091130/en.strings") == 1; }));
    ASSERT_TRUE(loop().runUntil([&] { return std::filesystem::exists(localizer().stringsPathForLanguage("en")); }));

    defaults().removeObjectForKey(UserDefaults::kLanguagesKey);
    localizer().resetForTesting();
    EXPECT_FALSE(localizer().preferredLanguage());
    localizer().downloadResourcesIfNecessary(); // nothing to ask for
    EXPECT_EQ(localizer().localizedStringForKey("Ok"), "Ok");
}

} // namespace

TEST_F(PellarLocalizerTest, AStoredTableThatCannotBeReadIsMovedAsideAndFetchedAgain)
{
    std::vector<std::string> lines;
    Log::setCaptureHook([&](const std::string& line) { lines.push_back(line); });
    auto path = localizer().stringsPathForLanguage("de");
    auto aside = path;
    aside += ".bad";
    std::string tooLarge(PellarLocalizer::kMaximumStringsTableSize + 1, ' ');
    for (const std::string& bad : { std::string("\"Ok\" = \"Gu"), std::string("bplist00\x01\x02"), tooLarge }) {
        localizer().resetForTesting();
        writeTable("de", bad);
        EXPECT_EQ(localizer().localizedStringForKey("Ok"), "Ok");
        EXPECT_FALSE(std::filesystem::exists(path));
        EXPECT_EQ(std::filesystem::file_size(aside), bad.size());
    }
    Log::setCaptureHook(nullptr);
    EXPECT_EQ(std::count(
                  lines.begin(), lines.end(), "Pellar: The stored strings table could not be read; it was moved aside"),
        3);
    // Without the file the table is asked for again, and the next run has it.
    server.respond(kGermanPath, { .body = "\"Ok\" = \"Gut\";" });
    localizer().downloadResourcesIfNecessary();
    ASSERT_TRUE(loop().runUntil([&] { return std::filesystem::exists(path); }));
    loop().runUntilIdle();
    localizer().resetForTesting();
    EXPECT_EQ(localizer().localizedStringForKey("Ok"), "Gut");
}

TEST_F(PellarLocalizerTest, ATableThatCannotBeStoredLeavesNothingAndIsAskedForAgain)
{
    std::vector<std::string> lines;
    Log::setCaptureHook([&](const std::string& line) { lines.push_back(line); });
    server.respond(kGermanPath, { .body = "\"Ok\" = \"Gut\";" });
    auto path = localizer().stringsPathForLanguage("de");
    {
        FileSizeLimit full(4);
        localizer().downloadResourcesIfNecessary();
        ASSERT_TRUE(loop().runUntil([&] { return server.requestsTo(kGermanPath) == 1; }));
        drain(0.3);
    }
    Log::setCaptureHook(nullptr);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(std::count(
                  lines.begin(), lines.end(), "Pellar: Could not store the strings table; it will be downloaded again"),
        1);
    localizer().downloadResourcesIfNecessary();
    ASSERT_TRUE(loop().runUntil([&] { return std::filesystem::exists(path); }));
    EXPECT_EQ(server.requestsTo(kGermanPath), 2);
}
