#include "app/defects/DefectStore.h"
#include "tests/support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

MonitorIdentity monitor(int width, int height, std::string connector = "DP-1")
{
    return { "Acme", "View 27", std::move(connector), width, height, 597, 336 };
}

std::string contents(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

class DefectStoreTest : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path file = dir / "data" / DefectStore::kFileName;
};

TEST_F(DefectStoreTest, MarksComeBackForTheSameMonitorAndTheFileIsPrivate)
{
    {
        auto store = DefectStore::load(file);
        EXPECT_FALSE(store.problem());
        auto& record = store.recordFor(monitor(1920, 1080));
        EXPECT_TRUE(record.mark(0, 0, DefectKind::Hot));
        EXPECT_TRUE(record.mark(1919, 1079, DefectKind::StuckBlue));
        EXPECT_TRUE(store.recordFor(monitor(1280, 1024, "HDMI-1")).mark(5, 6, DefectKind::Dead));
        ASSERT_TRUE(store.save());
    }
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    auto store = DefectStore::load(file);
    EXPECT_FALSE(store.problem());
    auto& record = store.recordFor(monitor(1920, 1080));
    ASSERT_EQ(record.marks().size(), 2u);
    EXPECT_EQ(record.marks()[1], (DefectMark { 1919, 1079, DefectKind::StuckBlue, 1920, 1080 }));
    EXPECT_EQ(store.findRecord("HDMI-1")->marks().size(), 1u);
    EXPECT_EQ(store.findRecord(""), nullptr); // two monitors: which one must be said
}

TEST_F(DefectStoreTest, AChangedModeKeepsAndFlagsTheMarksWithoutMovingThem)
{
    {
        auto store = DefectStore::load(file);
        store.recordFor(monitor(1920, 1080)).mark(100, 200, DefectKind::Dead);
        ASSERT_TRUE(store.save());
    }
    auto store = DefectStore::load(file);
    auto& record = store.recordFor(monitor(2560, 1440));
    EXPECT_EQ(record.flaggedCount(), 1u);
    EXPECT_EQ(record.marks()[0].x, 100);
    EXPECT_EQ(record.verdict().className(), "I");
    // The old mark is neither found, undone nor replaced in the new mode.
    EXPECT_FALSE(record.markAt(100, 200));
    EXPECT_FALSE(record.undo());
    EXPECT_TRUE(record.mark(100, 200, DefectKind::Hot));
    EXPECT_EQ(record.marks().size(), 2u);
    // Back in the first mode the old mark counts again and the new one is flagged.
    auto& back = store.recordFor(monitor(1920, 1080));
    EXPECT_EQ(back.markAt(100, 200)->kind, DefectKind::Dead);
    EXPECT_EQ(back.flaggedCount(), 1u);
}

TEST_F(DefectStoreTest, MarkingStaysInsideTheModeAndUndoTakesBackTheLastMark)
{
    MonitorRecord record(monitor(1920, 1080));
    EXPECT_FALSE(record.mark(-1, 0, DefectKind::Hot));
    EXPECT_FALSE(record.mark(1920, 0, DefectKind::Hot));
    EXPECT_FALSE(record.mark(0, 1080, DefectKind::Hot));
    EXPECT_TRUE(record.mark(3, 3, DefectKind::Hot));
    EXPECT_TRUE(record.mark(4, 4, DefectKind::Dead));
    // Marking a marked pixel again changes its kind, not the count.
    EXPECT_TRUE(record.mark(3, 3, DefectKind::StuckRed));
    EXPECT_EQ(record.marks().size(), 2u);
    EXPECT_TRUE(record.undo());
    EXPECT_EQ(record.markAt(4, 4)->kind, DefectKind::Dead);
    EXPECT_FALSE(record.markAt(3, 3));
    EXPECT_TRUE(record.unmark(4, 4));
    EXPECT_FALSE(record.unmark(4, 4));
    EXPECT_FALSE(record.undo());
}

TEST_F(DefectStoreTest, AnUnusableFileIsKeptAsBadAndTheStoreStartsEmpty)
{
    const std::string valid
        = R"({"format":"vantrel-defects","version":1,"monitors":[)"
          R"({"manufacturer":"A","model":"B","connector":"C","width":10,"height":10,"marks":[%]}]})";
    auto withMark = [&](const std::string& mark) {
        std::string text = valid;
        return text.replace(text.find('%'), 1, mark);
    };
    const std::pair<const char*, std::string> cases[] = {
        { "damaged", "{\"format\":\"vantrel-defe" },
        { "foreign", R"({"name":"something else","monitors":[]})" },
        { "newer", R"({"format":"vantrel-defects","version":2,"monitors":[]})" },
        { "mark outside its mode", withMark(R"({"x":10,"y":0,"type":"hot","modeWidth":10,"modeHeight":10})") },
        { "unknown kind", withMark(R"({"x":1,"y":0,"type":"warm","modeWidth":10,"modeHeight":10})") },
        { "fractional place", withMark(R"({"x":1.5,"y":0,"type":"hot","modeWidth":10,"modeHeight":10})") },
        { "not UTF-8", std::string("\xff\xfe{}") },
        { "empty", "" },
    };
    for (auto& [name, text] : cases) {
        SCOPED_TRACE(name);
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        auto store = DefectStore::load(file);
        EXPECT_TRUE(store.records().empty());
        ASSERT_TRUE(store.problem());
        EXPECT_NE(store.problem()->find(".bad"), std::string::npos) << *store.problem();
        EXPECT_EQ(contents(file.string() + ".bad"), text);
        // Marking goes on, into a fresh file.
        store.recordFor(monitor(1920, 1080)).mark(1, 1, DefectKind::Hot);
        EXPECT_TRUE(store.save());
        EXPECT_FALSE(DefectStore::load(file).problem());
        std::filesystem::remove(file);
        std::filesystem::remove(file.string() + ".bad");
    }
    // A second bad file does not replace the first one set aside.
    std::ofstream(file) << "first";
    (void)DefectStore::load(file);
    std::ofstream(file) << "second";
    auto again = DefectStore::load(file);
    EXPECT_EQ(contents(file.string() + ".bad"), "first");
    EXPECT_EQ(contents(file.string() + ".bad.1"), "second");
    EXPECT_NE(again.problem()->find(".bad.1"), std::string::npos);
    std::filesystem::remove(file.string() + ".bad");
    std::filesystem::remove(file.string() + ".bad.1");
    // A valid file with a good mark reads back (the cases above fail for their fault alone).
    std::ofstream(file, std::ios::trunc) << withMark(
        R"({"x":9,"y":9,"type":"stuck-off","modeWidth":10,"modeHeight":10})");
    EXPECT_FALSE(DefectStore::load(file).problem());
}

TEST_F(DefectStoreTest, AHugeFileIsNotReadAndAFileThatCannotBeMovedAsideIsNeverOverwritten)
{
    std::filesystem::create_directories(file.parent_path());
    {
        std::ofstream out(file, std::ios::binary);
        out << "{\"format\":\"vantrel-defects\",\"monitors\":[";
        out.seekp(100 * 1024 * 1024);
        out << "]}";
    }
    auto store = DefectStore::load(file);
    ASSERT_TRUE(store.problem());
    EXPECT_NE(store.problem()->find("too big"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(file.string() + ".bad"));
    std::filesystem::remove(file.string() + ".bad");

    // A folder where the file should be: said, left alone, and not written over.
    std::filesystem::remove(file);
    std::filesystem::create_directories(file / "keep");
    auto blocked = DefectStore::load(file);
    ASSERT_TRUE(blocked.problem());
    EXPECT_FALSE(blocked.isWritable());
    blocked.recordFor(monitor(1920, 1080)).mark(1, 1, DefectKind::Hot);
    EXPECT_FALSE(blocked.save());
    EXPECT_TRUE(std::filesystem::is_directory(file / "keep"));
}
