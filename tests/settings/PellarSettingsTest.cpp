#include <pellar/pellar-settings.h>

#include "ads/core/PellarController.h"
#include "ads/core/PellarEndpoints.h"
#include "platform/foundation/GRefPtr.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Paths.h"

#include <gtest/gtest.h>

#include <gio/gio.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

struct Recorded {
    std::vector<std::string> criticals;
    std::vector<std::string> pellarLines;
};

Recorded& recorded()
{
    static Recorded lines;
    return lines;
}

GLogWriterOutput recordLine(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer)
{
    std::string domain;
    std::string message;
    for (gsize i = 0; i < count; ++i) {
        if (std::string(fields[i].key) == "GLIB_DOMAIN")
            domain = static_cast<const char*>(fields[i].value);
        else if (std::string(fields[i].key) == "MESSAGE")
            message = static_cast<const char*>(fields[i].value);
    }
    if (level & G_LOG_LEVEL_CRITICAL)
        recorded().criticals.push_back(message);
    else if (domain == "Pellar")
        recorded().pellarLines.push_back(message);
    return G_LOG_WRITER_HANDLED;
}

class PellarSettingsTest : public testing::Test {
protected:
    void SetUp() override
    {
        // Each test runs in its own process under CTest; the writer can be set once.
        static bool installed = [] {
            g_log_set_writer_func(recordLine, nullptr, nullptr);
            return true;
        }();
        (void)installed;
        recorded() = {};
        setenv("XDG_DATA_HOME", "/xdg-data", 1);
        setenv("XDG_CACHE_HOME", "/xdg-cache", 1);
        unsetenv("VANTREL_DATA_DIR");
    }
    void TearDown() override
    {
        pellar_set_application_id(nullptr);
        PellarEndpoints::setConfiguration(PellarEndpoints::configurationFromEnvironment());
        PellarController::setMinimumRefreshInterval(std::nullopt);
    }
    size_t criticals() const { return recorded().criticals.size(); }
};

} // namespace

TEST_F(PellarSettingsTest, FoldersFollowTheExplicitIdThenTheApplicationThenTheProgram)
{
    g_set_prgname("banner-demo");
    EXPECT_STREQ(pellar_get_application_id(), "banner-demo");
    EXPECT_EQ(Paths::dataDirectory(), "/xdg-data/banner-demo");

    auto application = adoptGRef(g_application_new("org.example.Banner", G_APPLICATION_DEFAULT_FLAGS));
    g_application_set_default(application.get());
    EXPECT_STREQ(pellar_get_application_id(), "org.example.Banner");
    EXPECT_EQ(Paths::cacheDirectory(), "/xdg-cache/org.example.Banner");

    pellar_set_application_id("org.example.Chosen");
    const char* chosen = pellar_get_application_id();
    EXPECT_STREQ(chosen, "org.example.Chosen");
    EXPECT_EQ(Paths::dataDirectory(), "/xdg-data/org.example.Chosen");

    // An id that is not one folder name is refused and changes nothing.
    for (auto bad : { "", ".", "..", "../escape", "a/b" }) {
        pellar_set_application_id(bad);
        EXPECT_STREQ(pellar_get_application_id(), "org.example.Chosen") << bad;
    }
    EXPECT_EQ(criticals(), 5u);

    pellar_set_application_id(nullptr);
    EXPECT_STREQ(pellar_get_application_id(), "org.example.Banner");
    // A returned id stays readable after the id changed.
    EXPECT_STREQ(chosen, "org.example.Chosen");
    g_application_set_default(nullptr);
}

TEST_F(PellarSettingsTest, LibraryLinesGoToTheStructuredLogUnderItsDomain)
{
    Log::write("Pellar: Did receive ad");
    EXPECT_EQ(recorded().pellarLines, Strings { "Pellar: Did receive ad" });
}

TEST_F(PellarSettingsTest, CallsOverrideTheEnvironmentAndNullRestoresIt)
{
    setenv("PELLAR_STORE_HOSTS", "env.store.test, second.store.test", 1);
    setenv("PELLAR_REDIRECTOR_HOST", "env.link.test", 1);
    setenv("PELLAR_MAP_PREFIXES", "maps.env.", 1);
    setenv("PELLAR_VIDEO_HOSTS", "video.env.test", 1);
    PellarEndpoints::setConfiguration(PellarEndpoints::configurationFromEnvironment());

    const char* stores[] = { "apps.chosen.test", "web.chosen.test", nullptr };
    const char* maps[] = { "maps.chosen.", nullptr };
    const char* videos[] = { nullptr };
    pellar_set_store_hosts(stores);
    pellar_set_redirector_host("link.chosen.test");
    pellar_set_map_prefixes(maps);
    pellar_set_video_hosts(videos);
    auto configuration = PellarEndpoints::configuration();
    EXPECT_EQ(configuration.storeHosts, (Strings { "apps.chosen.test", "web.chosen.test" }));
    EXPECT_EQ(PellarEndpoints::primaryStoreHost(), "apps.chosen.test");
    EXPECT_EQ(configuration.redirectorHost, "link.chosen.test");
    EXPECT_EQ(configuration.mapServicePrefixes, Strings { "maps.chosen." });
    // No video hosts is a choice: no link is treated as a video.
    EXPECT_TRUE(configuration.videoHosts.empty());
    // Settings leave what they do not name alone.
    EXPECT_EQ(configuration.adServerURL, PellarEndpoints::configurationFromEnvironment().adServerURL);

    pellar_set_store_hosts(nullptr);
    pellar_set_redirector_host(nullptr);
    pellar_set_map_prefixes(nullptr);
    pellar_set_video_hosts(nullptr);
    configuration = PellarEndpoints::configuration();
    EXPECT_EQ(configuration.storeHosts, (Strings { "env.store.test", "second.store.test" }));
    EXPECT_EQ(configuration.redirectorHost, "env.link.test");
    EXPECT_EQ(configuration.mapServicePrefixes, Strings { "maps.env." });
    EXPECT_EQ(configuration.videoHosts, Strings { "video.env.test" });
    EXPECT_EQ(criticals(), 0u);
    for (auto name : { "PELLAR_STORE_HOSTS", "PELLAR_REDIRECTOR_HOST", "PELLAR_MAP_PREFIXES", "PELLAR_VIDEO_HOSTS" })
        unsetenv(name);
}

TEST_F(PellarSettingsTest, MisuseIsRefusedWithACriticalAndChangesNothing)
{
    auto before = PellarEndpoints::configuration();
    const char* noStores[] = { nullptr };
    const char* emptyItem[] = { "apps.chosen.test", "", nullptr };
    pellar_set_store_hosts(noStores); // the store needs a primary host
    pellar_set_store_hosts(emptyItem);
    pellar_set_map_prefixes(emptyItem);
    pellar_set_video_hosts(emptyItem);
    pellar_set_redirector_host("");
    EXPECT_EQ(criticals(), 5u);
    auto after = PellarEndpoints::configuration();
    EXPECT_EQ(after.storeHosts, before.storeHosts);
    EXPECT_EQ(after.mapServicePrefixes, before.mapServicePrefixes);
    EXPECT_EQ(after.videoHosts, before.videoHosts);
    EXPECT_EQ(after.redirectorHost, before.redirectorHost);
}

TEST_F(PellarSettingsTest, MinimumRefreshIntervalOverridesTheVariableAndRefusesLessThanASecond)
{
    // The variable was read when the process started; the call wins over it.
    pellar_set_minimum_refresh_interval(5);
    EXPECT_EQ(PellarController::minimumRefreshInterval(), 5);
    // Longer than the built-in minimum is the application's choice too.
    pellar_set_minimum_refresh_interval(120);
    EXPECT_EQ(PellarController::minimumRefreshInterval(), 120);
    pellar_set_minimum_refresh_interval(0);
    pellar_set_minimum_refresh_interval(-3);
    EXPECT_EQ(criticals(), 2u);
    EXPECT_EQ(PellarController::minimumRefreshInterval(), 120);
    PellarController::setMinimumRefreshInterval(std::nullopt);
    EXPECT_LE(PellarController::minimumRefreshInterval(), PellarController::kMinimumRefreshInterval);
}
