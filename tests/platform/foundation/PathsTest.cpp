#include "platform/foundation/Paths.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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

TEST(PathsTest, CacheDirectoryPrecedenceSharesTheExplicitFolder)
{
    ScopedEnvironment environment;
    environment.set("HOME", "/home/tester");
    environment.set("XDG_CACHE_HOME", nullptr);
    environment.set("VANTREL_DATA_DIR", nullptr);
    EXPECT_EQ(Paths::cacheDirectory(), "/home/tester/.cache/vantrel");
    environment.set("XDG_CACHE_HOME", "relative/ignored");
    EXPECT_EQ(Paths::cacheDirectory(), "/home/tester/.cache/vantrel");
    environment.set("XDG_CACHE_HOME", "/xdg-cache");
    environment.set("XDG_DATA_HOME", "/xdg-data");
    EXPECT_EQ(Paths::cacheDirectory(), "/xdg-cache/vantrel");
    EXPECT_EQ(Paths::dataDirectory(), "/xdg-data/vantrel");
    // One folder for everything when it is chosen.
    environment.set("VANTREL_DATA_DIR", "/explicit");
    EXPECT_EQ(Paths::cacheDirectory(), "/explicit");
    Paths::setDataDirectoryOverride("/from-command-line");
    EXPECT_EQ(Paths::cacheDirectory(), "/from-command-line");
    Paths::setDataDirectoryOverride(std::nullopt);
}

TEST(PathsTest, ApplicationFolderComesFromTheSourceAndStaysOneFolder)
{
    ScopedEnvironment environment;
    environment.set("HOME", "/home/tester");
    environment.set("XDG_DATA_HOME", "/xdg-data");
    environment.set("XDG_CACHE_HOME", nullptr);
    environment.set("VANTREL_DATA_DIR", nullptr);
    std::string name = "org.example.App";
    Paths::setApplicationFolderSource([&] { return name; });
    EXPECT_EQ(Paths::dataDirectory(), "/xdg-data/org.example.App");
    EXPECT_EQ(Paths::cacheDirectory(), "/home/tester/.cache/org.example.App");
    // Asked on each look-up: a name that appears later is used from then on.
    name = "org.example.Later";
    EXPECT_EQ(Paths::dataDirectory(), "/xdg-data/org.example.Later");
    // Whatever the source says, the result is one folder below the base.
    name = "../../etc";
    EXPECT_EQ(Paths::dataDirectory(), "/xdg-data/.._.._etc");
    name = "a/b\nc";
    EXPECT_EQ(Paths::dataDirectory(), "/xdg-data/a_b_c");
    for (auto unusable : { "", ".", ".." }) {
        name = unusable;
        EXPECT_EQ(Paths::dataDirectory(), "/xdg-data/vantrel") << "'" << unusable << "'";
    }
    // The explicit folder still wins over any name.
    name = "org.example.App";
    environment.set("VANTREL_DATA_DIR", "/explicit");
    EXPECT_EQ(Paths::dataDirectory(), "/explicit");
    Paths::setApplicationFolderSource(nullptr);
    environment.set("VANTREL_DATA_DIR", nullptr);
    EXPECT_EQ(Paths::dataDirectory(), "/xdg-data/vantrel");
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

namespace {

mode_t modeOf(const std::filesystem::path& path)
{
    struct stat info { };
    lstat(path.c_str(), &info);
    return info.st_mode & 0777;
}

} // namespace

TEST(PathsTest, MovingEntriesMergesFoldersAndLosesNothing)
{
    TempDir dir;
    auto from = dir / "data";
    auto to = dir / "cache";
    std::filesystem::create_directories(from / "pellar/image_cache");
    std::filesystem::create_directories(from / "pellar/location_cache");
    std::filesystem::create_directories(from / "webkit/cache/nested");
    std::filesystem::create_directories(from / "webkit/data");
    std::ofstream(from / "pellar/image_cache/a.png") << "old a";
    std::ofstream(from / "pellar/image_cache/b.png") << "old b";
    std::ofstream(from / "pellar/location_cache/position") << "52,13";
    std::ofstream(from / "webkit/cache/nested/blob") << "blob";
    std::ofstream(from / "webkit/data/cookies") << "cookies";
    std::filesystem::permissions(from / "pellar/image_cache/a.png", std::filesystem::perms(0644));
    std::filesystem::permissions(from / "webkit/cache", std::filesystem::perms(0755));
    std::filesystem::create_symlink("/etc/passwd", from / "pellar/image_cache/link.png");
    // The destination already holds a newer b.png: it wins, and the old one stays.
    std::filesystem::create_directories(to / "pellar/image_cache");
    std::ofstream(to / "pellar/image_cache/b.png") << "new b";

    EXPECT_FALSE(Paths::moveEntries(from, to, { "pellar/image_cache", "webkit/cache", "missing/entry" }));

    EXPECT_EQ(Paths::readFile(to / "pellar/image_cache/a.png"), "old a");
    EXPECT_EQ(modeOf(to / "pellar/image_cache/a.png"), 0600u);
    EXPECT_EQ(Paths::readFile(to / "pellar/image_cache/b.png"), "new b");
    EXPECT_EQ(Paths::readFile(from / "pellar/image_cache/b.png"), "old b") << "nothing is lost";
    EXPECT_FALSE(std::filesystem::exists(from / "pellar/image_cache/a.png"));
    EXPECT_TRUE(std::filesystem::is_symlink(to / "pellar/image_cache/link.png")) << "moved as a link";
    EXPECT_EQ(modeOf("/etc/passwd"), 0644u) << "the link's target is untouched";
    // A whole folder renamed into place, its contents private.
    EXPECT_EQ(Paths::readFile(to / "webkit/cache/nested/blob"), "blob");
    EXPECT_EQ(modeOf(to / "webkit/cache"), 0700u);
    EXPECT_EQ(modeOf(to / "webkit/cache/nested/blob"), 0600u);
    EXPECT_EQ(modeOf(to / "webkit"), 0700u);
    // What was not named stays; what was moved out of leaves no empty folder.
    EXPECT_FALSE(std::filesystem::exists(from / "webkit/cache"));
    EXPECT_EQ(Paths::readFile(from / "webkit/data/cookies"), "cookies");
    EXPECT_EQ(Paths::readFile(from / "pellar/location_cache/position"), "52,13");

    // Once the conflict is gone, a second start finishes the move.
    std::filesystem::remove(to / "pellar/image_cache/b.png");
    EXPECT_TRUE(Paths::moveEntries(from, to, { "pellar/image_cache" }));
    EXPECT_EQ(Paths::readFile(to / "pellar/image_cache/b.png"), "old b");
    EXPECT_FALSE(std::filesystem::exists(from / "pellar/image_cache"));
    EXPECT_TRUE(Paths::moveEntries(from, to, { "pellar/image_cache" })) << "nothing left to move";
}

TEST(PathsTest, MovingEntriesKeepsAFileWhereTheDestinationHasAFolder)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "from/entry");
    std::ofstream(dir / "from/entry/inside") << "kept";
    std::filesystem::create_directories(dir / "to");
    std::ofstream(dir / "to/entry") << "a file";
    EXPECT_FALSE(Paths::moveEntries(dir / "from", dir / "to", { "entry" }));
    EXPECT_EQ(Paths::readFile(dir / "from/entry/inside"), "kept");
    EXPECT_EQ(Paths::readFile(dir / "to/entry"), "a file");
    EXPECT_TRUE(Paths::moveEntries(dir / "from", dir / "from", { "entry" })) << "one folder: nothing to do";
    EXPECT_EQ(Paths::readFile(dir / "from/entry/inside"), "kept");
}

TEST(PathsTest, MovingEntriesAcrossFileSystemsCopiesThenRemoves)
{
    TempDir destination;
    std::filesystem::path source = "/dev/shm/vantrel-paths-test-" + std::to_string(getpid());
    struct stat sourceInfo {
    }, destinationInfo {};
    if (mkdir(source.c_str(), 0700) != 0 || stat(source.c_str(), &sourceInfo) != 0
        || stat(destination.path().c_str(), &destinationInfo) != 0 || sourceInfo.st_dev == destinationInfo.st_dev) {
        std::filesystem::remove_all(source);
        GTEST_SKIP() << "needs a second file system at /dev/shm";
    }
    std::filesystem::create_directories(source / "cache/deep");
    std::ofstream(source / "cache/deep/file") << std::string(200000, 'x');
    std::filesystem::permissions(source / "cache/deep/file", std::filesystem::perms(0644));
    EXPECT_TRUE(Paths::moveEntries(source, destination.path(), { "cache" }));
    EXPECT_EQ(Paths::readFile(destination / "cache/deep/file"), std::string(200000, 'x'));
    EXPECT_EQ(modeOf(destination / "cache/deep/file"), 0600u);
    EXPECT_EQ(modeOf(destination / "cache/deep"), 0700u);
    EXPECT_FALSE(std::filesystem::exists(source / "cache"));
    std::filesystem::remove_all(source);
}
