#include "app/defects/PanelVerdict.h"

#include <gtest/gtest.h>

namespace {

// `count` marks of one kind on a grid six pixels apart, so no two share a 5 × 5 block.
std::vector<DefectMark> spread(DefectKind kind, int count, int width, int height, int offset = 0)
{
    std::vector<DefectMark> marks;
    int columns = (width - 1) / 6;
    for (int i = 0; i < count; ++i)
        marks.push_back({ 3 + (i % columns) * 6, 3 + offset + (i / columns) * 12, kind, width, height });
    return marks;
}

// Pairs of marks four pixels apart (one cluster each), each pair twelve
// pixels from the next.
std::vector<DefectMark> clusters(DefectKind kind, int count, int width, int height)
{
    std::vector<DefectMark> marks;
    for (int i = 0; i < count; ++i) {
        int x = 2 + (i % 100) * 12, y = 600 + (i / 100) * 12;
        marks.push_back({ x, y, kind, width, height });
        marks.push_back({ x + 4, y + 4, kind, width, height });
    }
    return marks;
}

struct Boundary {
    int width, height;
    PanelVerdict::Limit limit;
    const char* panelClass;
    int allowedHere; // worked out by hand: floor(limit per million × pixels / 10^6)
};

// Every limit of every class on both panels: at the allowance the class
// holds, one more drops the panel to the next class (or to none).
const Boundary kBoundaries[] = {
    // 1920 × 1080: 2 073 600 pixels
    { 1920, 1080, PanelVerdict::HotPixels, "II", 4 },
    { 1920, 1080, PanelVerdict::DeadPixels, "II", 4 },
    { 1920, 1080, PanelVerdict::StuckSubPixels, "II", 10 },
    { 1920, 1080, PanelVerdict::StuckClusters, "II", 4 },
    { 1920, 1080, PanelVerdict::HotPixels, "III", 10 },
    { 1920, 1080, PanelVerdict::DeadPixels, "III", 31 },
    { 1920, 1080, PanelVerdict::StuckSubPixels, "III", 103 },
    { 1920, 1080, PanelVerdict::StuckClusters, "III", 10 },
    { 1920, 1080, PanelVerdict::HotPixels, "IV", 103 },
    { 1920, 1080, PanelVerdict::DeadPixels, "IV", 311 },
    { 1920, 1080, PanelVerdict::StuckSubPixels, "IV", 1036 },
    { 1920, 1080, PanelVerdict::HotOrDeadClusters, "IV", 10 },
    { 1920, 1080, PanelVerdict::StuckClusters, "IV", 103 },
    // 3840 × 2160: 8 294 400 pixels
    { 3840, 2160, PanelVerdict::HotPixels, "II", 16 },
    { 3840, 2160, PanelVerdict::DeadPixels, "II", 16 },
    { 3840, 2160, PanelVerdict::StuckSubPixels, "II", 41 },
    { 3840, 2160, PanelVerdict::StuckClusters, "II", 16 },
    { 3840, 2160, PanelVerdict::HotPixels, "III", 41 },
    { 3840, 2160, PanelVerdict::DeadPixels, "III", 124 },
    { 3840, 2160, PanelVerdict::StuckSubPixels, "III", 414 },
    { 3840, 2160, PanelVerdict::StuckClusters, "III", 41 },
    { 3840, 2160, PanelVerdict::HotPixels, "IV", 414 },
    { 3840, 2160, PanelVerdict::DeadPixels, "IV", 1244 },
    { 3840, 2160, PanelVerdict::StuckSubPixels, "IV", 4147 },
    { 3840, 2160, PanelVerdict::HotOrDeadClusters, "IV", 41 },
    { 3840, 2160, PanelVerdict::StuckClusters, "IV", 414 },
};

std::vector<DefectMark> faults(PanelVerdict::Limit limit, int count, int width, int height)
{
    switch (limit) {
    case PanelVerdict::HotPixels:
        return spread(DefectKind::Hot, count, width, height);
    case PanelVerdict::DeadPixels:
        return spread(DefectKind::Dead, count, width, height);
    case PanelVerdict::StuckSubPixels:
        return spread(DefectKind::StuckGreen, count, width, height);
    case PanelVerdict::HotOrDeadClusters:
        return clusters(DefectKind::Dead, count, width, height);
    default:
        return clusters(DefectKind::StuckBlue, count, width, height);
    }
}

} // namespace

TEST(PanelVerdictTest, EachLimitHoldsAtItsScaledAllowanceAndBreaksOneAbove)
{
    for (auto& boundary : kBoundaries) {
        SCOPED_TRACE(std::to_string(boundary.width) + "x" + std::to_string(boundary.height) + " "
            + PanelVerdict::limitName(boundary.limit) + " class " + boundary.panelClass);
        auto at = PanelVerdict::evaluate(faults(boundary.limit, boundary.allowedHere, boundary.width, boundary.height),
            boundary.width, boundary.height);
        auto over
            = PanelVerdict::evaluate(faults(boundary.limit, boundary.allowedHere + 1, boundary.width, boundary.height),
                boundary.width, boundary.height);
        EXPECT_EQ(at.count(boundary.limit), boundary.allowedHere);
        EXPECT_EQ(at.className(), boundary.panelClass);
        std::string next = boundary.panelClass == std::string("II") ? "III"
            : boundary.panelClass == std::string("III")             ? "IV"
                                                                    : "none";
        EXPECT_EQ(over.className(), next);
        EXPECT_EQ(over.limitingLimit(), boundary.limit);
    }
}

TEST(PanelVerdictTest, AnyFaultLeavesClassOneAndNoneIsClassOne)
{
    EXPECT_EQ(PanelVerdict::evaluate({}, 1920, 1080).className(), "I");
    EXPECT_EQ(PanelVerdict::evaluate({}, 1920, 1080).summary(), "Class I: no faulty pixels on 2.1 million pixels");
    auto one = PanelVerdict::evaluate({ { 5, 5, DefectKind::StuckOff, 1920, 1080 } }, 1920, 1080);
    EXPECT_EQ(one.className(), "II");
    EXPECT_EQ(one.summary(), "Class II: 1 stuck sub-pixel on 2.1 million pixels; class I allows none");
}

TEST(PanelVerdictTest, ClustersAreFaultsInsideOneFiveByFiveBlock)
{
    auto clusterCount = [](std::vector<std::pair<int, int>> places, DefectKind second = DefectKind::Dead) {
        std::vector<DefectMark> marks;
        for (size_t i = 0; i < places.size(); ++i)
            marks.push_back({ places[i].first, places[i].second, i == 0 ? DefectKind::Hot : second, 1920, 1080 });
        auto verdict = PanelVerdict::evaluate(marks, 1920, 1080);
        return std::pair { verdict.count(PanelVerdict::HotOrDeadClusters), verdict.count(PanelVerdict::StuckClusters) };
    };
    // Four apart in both directions is one block; five apart in either is not.
    EXPECT_EQ(clusterCount({ { 100, 100 }, { 104, 104 } }).first, 1);
    EXPECT_EQ(clusterCount({ { 100, 100 }, { 105, 100 } }).first, 0);
    EXPECT_EQ(clusterCount({ { 100, 100 }, { 100, 95 } }).first, 0);
    EXPECT_EQ(clusterCount({ { 100, 100 }, { 96, 104 } }).first, 1);
    // At the panel's corner too.
    EXPECT_EQ(clusterCount({ { 0, 0 }, { 4, 4 } }).first, 1);
    EXPECT_EQ(clusterCount({ { 1919, 1079 }, { 1915, 1075 } }).first, 1);
    // A chain is one cluster, however long; two chains are two.
    EXPECT_EQ(clusterCount({ { 10, 10 }, { 14, 10 }, { 18, 10 }, { 22, 10 } }).first, 1);
    EXPECT_EQ(clusterCount({ { 10, 10 }, { 14, 10 }, { 40, 40 }, { 40, 44 } }).first, 2);
    // The map boxes a cluster by the pixels it spans.
    auto chain
        = PanelVerdict::evaluate({ { 10, 12, DefectKind::Hot, 1920, 1080 }, { 14, 10, DefectKind::Dead, 1920, 1080 },
                                     { 18, 13, DefectKind::Dead, 1920, 1080 } },
            1920, 1080);
    ASSERT_EQ(chain.clusterBounds().size(), 1u);
    EXPECT_EQ(chain.clusterBounds()[0], (Rect { 10, 10, 9, 4 }));
    // Hot and dead cluster together; a stuck sub-pixel beside a hot pixel is no cluster of either kind.
    EXPECT_EQ(clusterCount({ { 10, 10 }, { 11, 11 } }, DefectKind::StuckRed), (std::pair { 0, 0 }));
    EXPECT_EQ(clusterCount({ { 10, 10 }, { 500, 500 }, { 501, 501 } }, DefectKind::StuckRed), (std::pair { 0, 1 }));
}

TEST(PanelVerdictTest, TheNamedLimitIsTheOneThatRulesOutTheBetterClassNotTheMostNumerous)
{
    // 3840 × 2160: 30 stuck sub-pixels (class II allows 41) and 20 dead pixels
    // (class II allows 16): class III, and dead pixels are why.
    auto marks = spread(DefectKind::StuckRed, 30, 3840, 2160);
    auto dead = spread(DefectKind::Dead, 20, 3840, 2160, 6);
    marks.insert(marks.end(), dead.begin(), dead.end());
    auto verdict = PanelVerdict::evaluate(marks, 3840, 2160);
    EXPECT_EQ(verdict.className(), "III");
    EXPECT_EQ(verdict.limitingLimit(), PanelVerdict::DeadPixels);
    EXPECT_EQ(
        verdict.summary(), "Class III: 20 dead pixels on 8.3 million pixels; class II allows 2 per million, 16 here");

    // Three dead pixels, two in one block: the count is fine for class II, the cluster is not.
    auto clustered
        = PanelVerdict::evaluate({ { 10, 10, DefectKind::Dead, 3840, 2160 }, { 12, 13, DefectKind::Dead, 3840, 2160 },
                                     { 900, 900, DefectKind::Dead, 3840, 2160 } },
            3840, 2160);
    EXPECT_EQ(clustered.className(), "IV");
    EXPECT_EQ(
        clustered.summary(), "Class IV: 1 cluster of hot or dead pixels on 8.3 million pixels; class III allows none");
}

TEST(PanelVerdictTest, MarksOfAnotherModeAreNotCounted)
{
    std::vector<DefectMark> marks { { 10, 10, DefectKind::Hot, 2560, 1440 }, { 10, 10, DefectKind::Hot, 1920, 1080 } };
    auto verdict = PanelVerdict::evaluate(marks, 1920, 1080);
    EXPECT_EQ(verdict.count(PanelVerdict::HotPixels), 1);
    EXPECT_EQ(verdict.count(PanelVerdict::HotOrDeadClusters), 0);
}
