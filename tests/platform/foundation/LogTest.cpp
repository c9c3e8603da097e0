#include "platform/foundation/Log.h"

#include <gtest/gtest.h>

#include <glib.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct StructuredLine {
    GLogLevelFlags level;
    std::string domain;
    std::string message;
};

std::vector<StructuredLine>& structuredLines()
{
    static std::vector<StructuredLine> lines;
    return lines;
}

GLogWriterOutput recordLine(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer)
{
    StructuredLine line { level, {}, {} };
    for (gsize i = 0; i < count; ++i) {
        std::string key = fields[i].key;
        auto value = static_cast<const char*>(fields[i].value);
        if (key == "GLIB_DOMAIN")
            line.domain = value;
        else if (key == "MESSAGE")
            line.message = value;
    }
    structuredLines().push_back(line);
    return G_LOG_WRITER_HANDLED;
}

// Each test runs in its own process under CTest; the writer can be set once.
void recordStructuredLines()
{
    static bool installed = [] {
        g_log_set_writer_func(recordLine, nullptr, nullptr);
        return true;
    }();
    (void)installed;
    structuredLines().clear();
}

} // namespace

TEST(LogTest, StructuredDomainTakesTheLinesAndTheCaptureHookStillWins)
{
    recordStructuredLines();
    Log::setStructuredLogDomain(std::string("Pellar"));
    Log::write("Pellar: Did receive ad");
    Log::writef("%d of %s", 2, "many");
    ASSERT_EQ(structuredLines().size(), 2u);
    EXPECT_EQ(structuredLines()[0].domain, "Pellar");
    EXPECT_EQ(structuredLines()[0].message, "Pellar: Did receive ad");
    EXPECT_EQ(structuredLines()[0].level & G_LOG_LEVEL_MASK, G_LOG_LEVEL_INFO);
    EXPECT_EQ(structuredLines()[1].message, "2 of many");

    std::vector<std::string> captured;
    Log::setCaptureHook([&](const std::string& text) { captured.push_back(text); });
    Log::write("captured");
    Log::setCaptureHook(nullptr);
    EXPECT_EQ(captured, std::vector<std::string> { "captured" });
    EXPECT_EQ(structuredLines().size(), 2u);

    // Back to the process's own stderr lines; an empty domain means the same.
    Log::setStructuredLogDomain(std::string());
    Log::write("to stderr");
    Log::setStructuredLogDomain(std::nullopt);
    Log::write("to stderr");
    EXPECT_EQ(structuredLines().size(), 2u);
}

TEST(LogTest, DefaultWriterShowsTheDomainOnlyWhenAsked)
{
    // The default writer prints informational lines only for the domains
    // G_MESSAGES_DEBUG names.
    auto lineIn = [](const char* debugDomains) {
        return [debugDomains] {
            if (debugDomains)
                setenv("G_MESSAGES_DEBUG", debugDomains, 1);
            else
                unsetenv("G_MESSAGES_DEBUG");
            g_log_writer_default_set_use_stderr(TRUE);
            Log::setStructuredLogDomain(std::string("Pellar"));
            Log::write("Pellar: Did fail to receive ad");
            std::exit(0);
        };
    };
    EXPECT_EXIT(lineIn("Pellar")(), testing::ExitedWithCode(0), "Pellar-INFO.*Pellar: Did fail to receive ad");
    EXPECT_EXIT(lineIn("Other")(), testing::ExitedWithCode(0), "^$");
    EXPECT_EXIT(lineIn(nullptr)(), testing::ExitedWithCode(0), "^$");
}
