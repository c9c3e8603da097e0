#include "app/defects/DefectMap.h"
#include "tests/e2e/EndToEndSupport.h"
#include "tests/support/Pixels.h"

#include <cmath>
#include <numbers>

namespace {

std::string fileText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool near(uint32_t rgb, const Color& color, int tolerance = 60)
{
    auto channel = [](uint32_t value, int shift) { return static_cast<int>((value >> shift) & 0xFF); };
    return std::abs(channel(rgb, 16) - static_cast<int>(std::lround(color.red * 255))) <= tolerance
        && std::abs(channel(rgb, 8) - static_cast<int>(std::lround(color.green * 255))) <= tolerance
        && std::abs(channel(rgb, 0) - static_cast<int>(std::lround(color.blue * 255))) <= tolerance;
}

// How many of eight points around `center` at `radius` have the colour.
int ringHits(const Image& image, Point center, double radius, const Color& color)
{
    int hits = 0;
    for (int step = 0; step < 8; ++step) {
        double angle = step * std::numbers::pi / 4;
        int x = static_cast<int>(std::floor(center.x + radius * std::cos(angle)));
        int y = static_cast<int>(std::floor(center.y + radius * std::sin(angle)));
        if (x >= 0 && y >= 0 && x < image.pixelWidth() && y < image.pixelHeight())
            hits += near(rgbAt(image, x, y), color);
    }
    return hits;
}

struct Marked {
    int x, y;
    const char* kind;
    DefectKind defect;
};

} // namespace

class DefectEndToEndTest : public EndToEndTest { };

TEST_F(DefectEndToEndTest, ThreeMarksOnAFillExportAtTheirDevicePixelsAtScaleOneAndTwo)
{
    DemoService service(VANTREL_SOURCE_DIR "/tests/e2e/scenarios/no-ads", dir / "requests.jsonl");
    for (int scale : { 1, 2 }) {
        SCOPED_TRACE("scale " + std::to_string(scale));
        int width = 320 * scale, height = 480 * scale;
        std::vector<Marked> marks { { 10, 20, "hot", DefectKind::Hot },
            { width - 1, height - 1, "stuck-blue", DefectKind::StuckBlue },
            { width / 2 + 1, height / 2 + 3, "dead", DefectKind::Dead } };
        std::string base = (dir / ("report@" + std::to_string(scale))).string();
        std::string script = "key Return\nkey f\n";
        for (auto& mark : marks)
            script += "mark " + std::to_string(mark.x) + " " + std::to_string(mark.y) + " " + mark.kind + "\n";
        script += "screenshot " + (dir / "screen.png").string() + "\nexport-report " + base + "\n";
        std::filesystem::remove_all(dir / "data");
        auto run = runVantrel(service, script, "", "--scale " + std::to_string(scale));
        ASSERT_EQ(run.status, 0) << run.log;

        auto json = JSONDeserializer().deserializeAsDictionary(fileText(base + ".json"));
        ASSERT_TRUE(json);
        auto written = *json->find("marks");
        ASSERT_EQ(written.size(), 3u);
        for (size_t i = 0; i < marks.size(); ++i) {
            EXPECT_EQ(written[i].find("x")->numberValue(), marks[i].x);
            EXPECT_EQ(written[i].find("y")->numberValue(), marks[i].y);
            EXPECT_EQ(written[i].find("type")->stringValue(), marks[i].kind);
        }
        // A hot pixel on 0.15 million pixels: classes II and III allow none
        // there (2 and 5 per million round down to 0); on 0.61 million class II allows one.
        EXPECT_EQ(json->find("class")->stringValue(), scale == 1 ? "IV" : "II");
        EXPECT_EQ(json->find("counts")->find("dead")->numberValue(), 1);

        std::string csv = fileText(base + ".csv");
        EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3);
        EXPECT_NE(
            csv.find(std::to_string(width - 1) + "," + std::to_string(height - 1) + ",stuck-blue"), std::string::npos);

        // On the map each ring is where its pixel is, in its colour.
        MonitorRecord record({ "", "", "headless", width, height });
        for (auto& mark : marks)
            record.mark(mark.x, mark.y, mark.defect);
        DefectMap map(record, Date());
        auto png = Image::fromFile(base + ".png");
        ASSERT_TRUE(png);
        for (auto& mark : marks) {
            SCOPED_TRACE(mark.kind);
            Point center = map.ringCenter(mark.x, mark.y);
            EXPECT_GE(ringHits(*png, center, DefectMap::kRingRadius, DefectMark::color(mark.defect)), 6);
        }

        // On the screen the rings surround the marked pixels and leave them as the fill shows them.
        auto screen = shot("screen.png");
        ASSERT_TRUE(screen);
        ASSERT_EQ(screen->pixelWidth(), width);
        for (auto& mark : marks) {
            SCOPED_TRACE(mark.kind);
            EXPECT_EQ(rgbAt(*screen, mark.x, mark.y), 0x000000u);
            EXPECT_GE(ringHits(*screen, { mark.x + 0.5, mark.y + 0.5 }, 5.5, DefectMark::color(mark.defect)), 3);
        }
    }
}

TEST_F(DefectEndToEndTest, MarksResumeOnTheSameMonitorAndAChangedModeFlagsThem)
{
    DemoService service(VANTREL_SOURCE_DIR "/tests/e2e/scenarios/no-ads", dir / "requests.jsonl");
    auto run = runVantrel(service, "mark 5 5 dead\nmark 300 400 stuck-off\n");
    ASSERT_EQ(run.status, 0) << run.log;

    // A mark off the screen stops the script and says why; the marks made stay.
    run = runVantrel(service, "mark 320 0 hot\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.log.find("outside the screen's 320 × 480 pixels"), std::string::npos) << run.log;
    // So does a folder that cannot take the report.
    run = runVantrel(service, "export-report " + (dir / "missing" / "report").string() + "\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.log.find("does not exist"), std::string::npos) << run.log;

    run = runVantrel(service, "export-report " + (dir / "same").string() + "\n");
    ASSERT_EQ(run.status, 0) << run.log;
    auto same = JSONDeserializer().deserializeAsDictionary(fileText(dir / "same.json"));
    ASSERT_TRUE(same);
    EXPECT_EQ(same->find("marks")->size(), 2u);
    EXPECT_EQ(same->find("marksFromOtherModes")->numberValue(), 0);
    EXPECT_EQ(same->find("class")->stringValue(), "III");

    // Another size is another mode of the same monitor: the marks stay where
    // they were made and are flagged, not counted.
    run = runVantrel(service, "export-report " + (dir / "changed").string() + "\n", "", "--screen-size 400x600");
    ASSERT_EQ(run.status, 0) << run.log;
    auto changed = JSONDeserializer().deserializeAsDictionary(fileText(dir / "changed.json"));
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->find("marksFromOtherModes")->numberValue(), 2);
    EXPECT_EQ(changed->find("marks")->operator[](1).find("x")->numberValue(), 300);
    EXPECT_TRUE(changed->find("marks")->operator[](1).find("otherMode")->boolValue());
    EXPECT_EQ(changed->find("class")->stringValue(), "I");

    // The stored record as a report, without a screen.
    std::string command = VANTREL_BINARY_DIR "/app/vantrel --data-dir " + (dir / "data").string() + " --report "
        + (dir / "stored").string() + " 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 0);
    EXPECT_EQ(std::count(std::istreambuf_iterator<char>(*std::make_unique<std::ifstream>(dir / "stored.csv")),
                  std::istreambuf_iterator<char>(), '\n'),
        2);
}
