#include "app/defects/DefectReport.h"
#include "app/defects/DefectMap.h"
#include "platform/ui/graphics/Image.h"
#include "tests/support/Pixels.h"
#include "tests/support/TempDir.h"
#include "tests/support/UITest.h"
#include "json/JSONDeserializer.h"

#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>

namespace {

std::string contents(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool near(uint32_t rgb, const Color& color, int tolerance = 40)
{
    auto channel = [](uint32_t value, int shift) { return static_cast<int>((value >> shift) & 0xFF); };
    return std::abs(channel(rgb, 16) - static_cast<int>(std::lround(color.red * 255))) <= tolerance
        && std::abs(channel(rgb, 8) - static_cast<int>(std::lround(color.green * 255))) <= tolerance
        && std::abs(channel(rgb, 0) - static_cast<int>(std::lround(color.blue * 255))) <= tolerance;
}

} // namespace

class DefectReportTest : public UITest {
protected:
    void SetUp() override
    {
        UITest::SetUp();
        record.mark(0, 0, DefectKind::Hot);
        record.mark(960, 540, DefectKind::Dead);
        record.mark(1919, 1079, DefectKind::StuckGreen);
    }
    MonitorRecord record { { "Acme", "View 24", "DP-2", 1920, 1080, 531, 299 } };
    Date date { 1'800'000'000 };
    TempDir dir;
};

TEST_F(DefectReportTest, JSONAndCSVCarryEveryMarkWithItsDevicePixelsAndTheVerdict)
{
    record.setMarks([&] {
        auto marks = record.marks();
        marks.push_back({ 7, 7, DefectKind::StuckOff, 2560, 1440 }); // from an older mode
        return marks;
    }());
    DefectReport report(record, date);
    auto json = JSONDeserializer().deserializeAsDictionary(report.json());
    ASSERT_TRUE(json);
    auto marks = *json->find("marks");
    ASSERT_EQ(marks.size(), 4u);
    EXPECT_EQ(marks[1].find("x")->numberValue(), 960);
    EXPECT_EQ(marks[1].find("y")->numberValue(), 540);
    EXPECT_EQ(marks[1].find("type")->stringValue(), "dead");
    EXPECT_TRUE(marks[3].find("otherMode")->boolValue());
    EXPECT_EQ(json->find("class")->stringValue(), "II");
    EXPECT_EQ(json->find("counts")->find("stuck")->numberValue(), 1);
    EXPECT_EQ(json->find("marksFromOtherModes")->numberValue(), 1);
    EXPECT_EQ(json->find("date")->stringValue(), "2027-01-15T08:00:00Z");
    EXPECT_EQ(json->find("monitor")->find("widthMillimetres")->numberValue(), 531);
    EXPECT_NE(json->find("rounding")->stringValue().find("rounded down"), std::string::npos);

    EXPECT_EQ(report.csv(),
        "1,0,0,hot,1920,1080\n2,960,540,dead,1920,1080\n3,1919,1079,stuck-green,1920,1080\n4,7,7,stuck-off,2560,"
        "1440\n");
}

TEST_F(DefectReportTest, TheMapCirclesEachMarkInItsColourWithoutCoveringThePixel)
{
    DefectMap map(record, date);
    auto image = map.draw();
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->writePNG((dir / "map.png").string()));
    for (auto& mark : record.marks()) {
        SCOPED_TRACE(DefectMark::name(mark.kind));
        Point center = map.ringCenter(mark.x, mark.y);
        // The ring passes through points at its radius in every direction…
        int hits = 0;
        for (int step = 0; step < 8; ++step) {
            double angle = step * std::numbers::pi / 4;
            int x = static_cast<int>(std::floor(center.x + DefectMap::kRingRadius * std::cos(angle)));
            int y = static_cast<int>(std::floor(center.y + DefectMap::kRingRadius * std::sin(angle)));
            hits += near(rgbAt(*image, x, y), DefectMark::color(mark.kind));
        }
        EXPECT_GE(hits, 6);
        // …and leaves the marked pixel's place as the panel shows it.
        EXPECT_FALSE(
            near(rgbAt(*image, static_cast<int>(center.x), static_cast<int>(center.y)), DefectMark::color(mark.kind)));
    }
    // The panel keeps the monitor's shape.
    Rect panel = map.panelRect();
    EXPECT_NEAR(panel.width() / panel.height(), 1920.0 / 1080.0, 0.01);
}

TEST_F(DefectReportTest, AFolderThatCannotTakeTheReportSaysWhyAndTheRecordIsUntouched)
{
    DefectReport report(record, date);
    auto missing = report.write((dir / "no-such-folder" / "report").string());
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().message.find("does not exist"), std::string::npos) << missing.error().message;

    std::ofstream(dir / "a-file") << "x";
    auto notFolder = report.write((dir / "a-file" / "report").string());
    ASSERT_FALSE(notFolder);
    EXPECT_EQ(record.marks().size(), 3u);

    ASSERT_TRUE(report.write((dir / "report").string()));
    EXPECT_EQ(contents(dir / "report.csv").size(), report.csv().size());
    auto png = Image::fromFile((dir / "report.png").string());
    ASSERT_TRUE(png);
    EXPECT_EQ(std::filesystem::status(dir / "report.png").permissions() & std::filesystem::perms::all,
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}
