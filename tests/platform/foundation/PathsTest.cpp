#include "platform/foundation/Paths.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <thread>

namespace {

// Sets environment variables for one test and puts the old values back.
class ScopedEnvironment {
public:
    void set(const char* name, const char* value)
    {
        if (!m_saved.count(name)) {
            const char* old = std::getenv(name);
            m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnvironment()
    {
        for (const auto& [name, value] : m_saved) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

private:
    std::map<std::string, std::optional<std::string>> m_saved;
};

size_t entriesIn(const std::filesystem::path& directory)
{
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(directory), {}));
}

} // namespace

TEST(PathsTest, DataDirectoryPrecedence)
{
    ScopedEnvironment environment;
    environment.set("HOME", "/home/tester");
    environment.set("XDG_DATA_HOME", nullptr);
    environment.set("VANTREL_DATA_DIR", nullptr);
    EXPECT_EQ(Paths::dataDirectory(), "/home/tester/.local/share/vantrel");
    environment.set("XDG_DATA_HOME", "relative/ignored");
    EXPECT_EQ(Paths::dataDirectory(), "/home/tester/.local/share/vantrel");
    environment.set("XDG_DATA_HOME", "/xdg");
    EXPECT_EQ(Paths::dataDirectory(), "/xdg/vantrel");
    environment.set("VANTREL_DATA_DIR", "/explicit");
    EXPECT_EQ(Paths::dataDirectory(), "/explicit");
    Paths::setDataDirectoryOverride("/from-command-line");
    EXPECT_EQ(Paths::dataDirectory(), "/from-command-line");
    Paths::setDataDirectoryOverride(std::nullopt);
    EXPECT_EQ(Paths::dataDirectory(), "/explicit");
}

TEST(PathsTest, CreateDirectoriesMakesParentsAndRefusesAFile)
{
    TempDir dir;
    EXPECT_TRUE(Paths::createDirectories(dir / "a/b/c"));
    EXPECT_TRUE(Paths::createDirectories(dir / "a/b/c")) << "an existing directory is success";
    ASSERT_TRUE(Paths::writeFileAtomically(dir / "file", "x"));
    EXPECT_FALSE(Paths::createDirectories(dir / "file"));
    EXPECT_FALSE(Paths::createDirectories(dir / "file/below"));
}

TEST(PathsTest, WriteReplacesContentsAndReadGivesThemBack)
{
    TempDir dir;
    std::string binary("\0\xff\n\r", 4);
    EXPECT_TRUE(Paths::writeFileAtomically(dir / "data", binary));
    EXPECT_EQ(Paths::readFile(dir / "data"), binary);
    EXPECT_TRUE(Paths::writeFileAtomically(dir / "data", ""));
    EXPECT_EQ(Paths::readFile(dir / "data"), "");
    EXPECT_EQ(entriesIn(dir.path()), 1u) << "no temporary file is left behind";

    EXPECT_EQ(Paths::readFile(dir / "missing"), std::nullopt);
    EXPECT_EQ(Paths::readFile(dir.path()), std::nullopt);
}

TEST(PathsTest, FailedWriteLeavesTheOldFileAndNoDebris)
{
    TempDir dir;
    ASSERT_TRUE(Paths::createDirectories(dir / "target-is-a-directory"));
    EXPECT_FALSE(Paths::writeFileAtomically(dir / "target-is-a-directory", "new"));
    EXPECT_FALSE(Paths::writeFileAtomically(dir / "no-such-folder/file", "new"));
    EXPECT_EQ(entriesIn(dir.path()), 1u);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "target-is-a-directory"));
}

TEST(PathsTest, ReaderNeverSeesAHalfWrittenFile)
{
    TempDir dir;
    const std::string first(1 << 20, 'a');
    const std::string second(1 << 19, 'b');
    ASSERT_TRUE(Paths::writeFileAtomically(dir / "big", first));

    std::atomic<bool> done { false };
    std::atomic<int> torn { 0 };
    std::thread reader([&] {
        while (!done) {
            auto contents = Paths::readFile(dir / "big");
            if (!contents || (*contents != first && *contents != second))
                ++torn;
        }
    });
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(Paths::writeFileAtomically(dir / "big", i % 2 ? first : second));
    done = true;
    reader.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

namespace {

std::filesystem::perms permissionsOf(const std::filesystem::path& path)
{
    return std::filesystem::symlink_status(path).permissions() & std::filesystem::perms::mask;
}

} // namespace

TEST(PathsTest, WrittenFilesAndCreatedFoldersArePrivateWhateverTheUmask)
{
    TempDir dir;
    mode_t old = umask(0);
    EXPECT_TRUE(Paths::createDirectories(dir / "a/b"));
    EXPECT_TRUE(Paths::writeFileAtomically(dir / "a/b/file", "secret"));
    EXPECT_TRUE(Paths::writeFileAtomically(dir / "a/b/file", "replaced"));
    umask(old);
    EXPECT_EQ(permissionsOf(dir / "a"), Paths::kDirectoryPermissions);
    EXPECT_EQ(permissionsOf(dir / "a/b"), Paths::kDirectoryPermissions);
    EXPECT_EQ(permissionsOf(dir / "a/b/file"), Paths::kFilePermissions);
}

TEST(PathsTest, TighteningReachesOnlyTheNamedEntriesAndFollowsNoLinks)
{
    TempDir dir;
    TempDir outside;
    namespace fs = std::filesystem;
    fs::create_directories(dir / "data/pellar/cache");
    std::ofstream(dir / "data/pellar/cache/location.txt") << "52.123456,13.123456";
    std::ofstream(dir / "data/users-own-file") << "not ours";
    std::ofstream(outside / "linked") << "outside";
    fs::create_directory_symlink(outside.path(), dir / "data/pellar/link");
    for (auto path : { dir / "data", dir / "data/pellar", dir / "data/pellar/cache" })
        fs::permissions(path, fs::perms(0755));
    for (auto path : { dir / "data/pellar/cache/location.txt", dir / "data/users-own-file", outside / "linked" })
        fs::permissions(path, fs::perms(0644));

    Paths::tightenPermissions(dir / "data", { "pellar", "webkit" });
    EXPECT_EQ(permissionsOf(dir / "data"), Paths::kDirectoryPermissions);
    EXPECT_EQ(permissionsOf(dir / "data/pellar"), Paths::kDirectoryPermissions);
    EXPECT_EQ(permissionsOf(dir / "data/pellar/cache"), Paths::kDirectoryPermissions);
    EXPECT_EQ(permissionsOf(dir / "data/pellar/cache/location.txt"), Paths::kFilePermissions);
    EXPECT_EQ(permissionsOf(dir / "data/users-own-file"), fs::perms(0644));
    EXPECT_EQ(permissionsOf(outside / "linked"), fs::perms(0644));
    Paths::tightenPermissions(dir / "missing", { "pellar" }); // nothing to do, no failure
}
