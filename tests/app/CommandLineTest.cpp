#include "app/CommandLine.h"
#include "platform/foundation/Paths.h"
#include "platform/ui/graphics/Image.h"
#include "tests/support/TempDir.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

struct Run {
    int status;
    std::string output;
};

// Runs the real binary headless, with stderr folded into the output.
Run vantrel(const std::string& arguments)
{
    // The banner asks a closed loopback port: refused at once, whatever else
    // runs on this machine.
    std::string command = "PELLAR_AD_SERVER=http://127.0.0.1:1/ad_request " + std::string(VANTREL_EXECUTABLE)
        + " --headless " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    std::array<char, 512> buffer;
    while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe))
        output.append(buffer.data(), n);
    int status = pclose(pipe);
    return { WIFEXITED(status) ? WEXITSTATUS(status) : -1, output };
}

std::string writeScript(const TempDir& dir, const std::string& text)
{
    std::string path = (dir / "script.txt").string();
    std::ofstream(path) << text;
    return path;
}

} // namespace

TEST(CommandLine, OptionsAndTheirMistakes)
{
    auto options = CommandLine::parse({ "--headless", "--scale", "2", "--quit-after", "10", "--data-dir", "/tmp/x" });
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->headless);
    EXPECT_EQ(options->scale, 2.0);
    EXPECT_EQ(options->quitAfter, 10.0);
    for (auto bad : std::vector<std::vector<std::string>> { { "--scale" }, { "--scale", "0" }, { "--scale", "2x" },
             { "--scale", "nan" }, { "--scale", "100" }, { "--quit-after", "-1" }, { "--script" }, { "--bogus" } })
        EXPECT_FALSE(CommandLine::parse(bad)) << bad[0];
}

TEST(CommandLine, ScriptDrivesTheAppEndToEndInVirtualTime)
{
    TempDir dir;
    std::string shot = (dir / "shot.png").string();
    std::string script = writeScript(dir,
        "# dismiss the warning, start, let ten seconds pass\n"
        "tap-label I understood\n"
        "tap-label Start\n"
        "drag 125 125 250 350 0.5\n"
        "wait 10\n"
        "screenshot "
            + shot + "\n");
    auto run = vantrel("--scale 2 --script " + script);
    EXPECT_EQ(run.status, 0) << run.output;
    auto image = Image::fromFile(shot);
    ASSERT_TRUE(image) << run.output;
    EXPECT_EQ(image->pixelWidth(), 640);
    EXPECT_EQ(image->pixelHeight(), 960);
}

TEST(CommandLine, AFailingLineEndsTheRunNamingIt)
{
    TempDir dir;
    auto missing = vantrel("--script " + writeScript(dir, "wait 1\n\ntap-label Nothing here\ntap 1 1\n"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find("line 3"), std::string::npos) << missing.output;
    auto unreadable = vantrel("--script " + writeScript(dir, "tap 1\n"));
    EXPECT_NE(unreadable.status, 0);
    EXPECT_NE(unreadable.output.find("line 1"), std::string::npos) << unreadable.output;
    auto badShot = vantrel("--script " + writeScript(dir, "screenshot /nonexistent-dir/x.png\n"));
    EXPECT_EQ(badShot.status, 1);
    EXPECT_NE(badShot.output.find("line 1"), std::string::npos);
    EXPECT_EQ(vantrel("--bogus").status, 2);
    auto help = vantrel("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("tap-label"), std::string::npos);
}

TEST(CommandLine, AStartMovesCachesToTheCacheFolderAndLosesNothing)
{
    TempDir dir;
    auto data = dir / "data/vantrel";
    auto cache = dir / "cache/vantrel";
    std::filesystem::create_directories(data / "pellar/image_cache");
    std::filesystem::create_directories(data / "pellar/localization_cache/20091130");
    std::filesystem::create_directories(data / "pellar/location_cache");
    std::filesystem::create_directories(data / "webkit/cache");
    std::filesystem::create_directories(data / "webkit/data");
    std::ofstream(data / "pellar/image_cache/icon.png") << "png";
    std::ofstream(data / "pellar/localization_cache/20091130/de.strings") << "\"Cancel\" = \"Abbrechen\";";
    std::ofstream(data / "pellar/location_cache/location") << "52.5,13.4";
    std::ofstream(data / "webkit/cache/entry") << "cached page";
    std::ofstream(data / "webkit/data/cookies") << "cookie";
    std::filesystem::permissions(data / "pellar/image_cache/icon.png", std::filesystem::perms(0644));

    std::string command = "HOME=" + (dir / "home").string() + " XDG_DATA_HOME=" + (dir / "data").string()
        + " XDG_CACHE_HOME=" + (dir / "cache").string() + " VANTREL_DATA_DIR= "
        + "LANGUAGE=en PELLAR_AD_SERVER=http://127.0.0.1:1/ad_request PELLAR_MEDIA_HOST=http://127.0.0.1:1 "
        + VANTREL_EXECUTABLE + " --headless --quit-after 1 >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);

    auto mode = [](const std::filesystem::path& path) {
        return static_cast<unsigned>(std::filesystem::status(path).permissions() & std::filesystem::perms::all);
    };
    EXPECT_EQ(Paths::readFile(cache / "pellar/image_cache/icon.png"), "png");
    EXPECT_EQ(mode(cache / "pellar/image_cache/icon.png"), 0600u);
    EXPECT_EQ(Paths::readFile(cache / "pellar/localization_cache/20091130/de.strings"), "\"Cancel\" = \"Abbrechen\";");
    EXPECT_EQ(Paths::readFile(cache / "webkit/cache/entry"), "cached page");
    EXPECT_EQ(mode(cache), 0700u);
    EXPECT_EQ(mode(cache / "pellar"), 0700u);
    // What is not a cache stays with the data.
    EXPECT_EQ(Paths::readFile(data / "pellar/location_cache/location"), "52.5,13.4");
    EXPECT_EQ(Paths::readFile(data / "webkit/data/cookies"), "cookie");
    EXPECT_FALSE(std::filesystem::exists(data / "pellar/image_cache"));
    EXPECT_FALSE(std::filesystem::exists(data / "pellar/localization_cache"));
    EXPECT_FALSE(std::filesystem::exists(data / "webkit/cache"));
}
