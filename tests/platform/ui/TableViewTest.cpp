#include "platform/ui/controls/TableView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/TableViewCell.h"
#include "platform/ui/controls/TableViewDataSource.h"
#include "platform/ui/controls/TableViewDelegate.h"
#include "platform/ui/views/Window.h"
#include "tests/support/UITest.h"

#include <string>
#include <vector>

namespace {

// Rows named "s.r"; cells reused under one identifier per section.
class Rows final : public TableViewDataSource, public TableViewDelegate {
public:
    int numberOfSectionsInTableView(TableView&) override { return static_cast<int>(counts.size()); }
    int tableViewNumberOfRowsInSection(TableView&, int section) override
    {
        return counts[static_cast<size_t>(section)];
    }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& table, IndexPath path) override
    {
        std::string identifier = "section" + std::to_string(path.section);
        auto cell = table.dequeueReusableCellWithIdentifier(identifier);
        if (cell)
            ++reused;
        else
            cell = View::make<TableViewCell>(TableViewCell::StyleDefault, identifier);
        cell->textLabel()->setText(std::to_string(path.section) + "." + std::to_string(path.row));
        return cell;
    }
    void tableViewDidSelectRowAtIndexPath(TableView&, IndexPath path) override { selected.push_back(path); }

    std::vector<int> counts { 3, 20 };
    int reused { 0 };
    std::vector<IndexPath> selected;
};

class TableViewTest : public UITest {
protected:
    void SetUp() override
    {
        UITest::SetUp();
        window = View::make<Window>(Rect { 0, 0, 320, 480 });
        window->makeKeyAndVisible();
        table = View::make<TableView>(Rect { 0, 100, 320, 220 }); // five rows in sight
        rows = std::make_shared<Rows>();
        table->setDataSource(rows);
        table->setDelegate(rows);
        window->addSubview(table);
        table->reloadData();
    }
    void touch(TouchPhase phase, Point p) { Application::shared().sendTouch(phase, p); }
    std::vector<std::string> shownTexts() const
    {
        std::vector<std::string> texts;
        for (auto& cell : table->visibleCells())
            texts.push_back(cell->textLabel()->text());
        return texts;
    }

    std::shared_ptr<Window> window;
    std::shared_ptr<TableView> table;
    std::shared_ptr<Rows> rows;
};

} // namespace

TEST_F(TableViewTest, OnlyRowsInSightHaveCellsAndScrolledOutCellsAreReusedByIdentifier)
{
    EXPECT_EQ(shownTexts(), (std::vector<std::string> { "0.0", "0.1", "0.2", "1.0", "1.1" }));
    EXPECT_EQ(table->contentSize(), (Size { 320, 23 * 44 }));
    EXPECT_EQ(table->rectForRowAtIndexPath({ 1, 1 }), (Rect { 0, 4 * 44, 320, 44 }));

    // Down by three rows: the first section's cells go out of sight, and
    // only section 1's own cells come back for section 1.
    table->setContentOffset({ 0, 132 });
    table->layoutIfNeeded();
    EXPECT_EQ(shownTexts(), (std::vector<std::string> { "1.0", "1.1", "1.2", "1.3", "1.4" }));
    EXPECT_EQ(rows->reused, 0);
    table->setContentOffset({ 0, 220 });
    table->layoutIfNeeded();
    EXPECT_EQ(shownTexts(), (std::vector<std::string> { "1.2", "1.3", "1.4", "1.5", "1.6" }));
    EXPECT_EQ(rows->reused, 2);
    EXPECT_EQ(table->reusableCellCount(), 3u); // the three section-0 cells wait

    // A drag that begins on a row scrolls and selects nothing.
    touch(TouchPhase::Began, { 100, 300 });
    advance(0.05);
    touch(TouchPhase::Moved, { 100, 250 });
    advance(0.05);
    touch(TouchPhase::Moved, { 100, 200 });
    advance(1);
    touch(TouchPhase::Ended, { 100, 200 });
    advance(2);
    table->layoutIfNeeded();
    EXPECT_GT(table->contentOffset().y, 220);
    EXPECT_TRUE(rows->selected.empty());
    for (auto& cell : table->visibleCells()) // every cell is at least partly in sight
        EXPECT_TRUE(cell->frame().intersects(table->bounds()));
}

TEST_F(TableViewTest, TapSelectsTheRowUnderItAndReloadDropsTheSelection)
{
    touch(TouchPhase::Began, { 50, 100 + 44 * 3 + 10 });
    touch(TouchPhase::Ended, { 50, 100 + 44 * 3 + 10 });
    ASSERT_EQ(rows->selected.size(), 1u);
    EXPECT_EQ(rows->selected[0], (IndexPath { 1, 0 }));
    EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath { 1, 0 }));
    EXPECT_TRUE(table->cellForRowAtIndexPath({ 1, 0 })->isSelected());

    // Fewer rows than fit: the offset comes back from the old end, and taps
    // below the last row select nothing.
    table->setContentOffset({ 0, 23 * 44 - 220 });
    rows->counts = { 1 };
    table->reloadData();
    EXPECT_EQ(table->contentOffset().y, 0);
    EXPECT_FALSE(table->indexPathForSelectedRow());
    EXPECT_EQ(shownTexts(), (std::vector<std::string> { "0.0" }));
    EXPECT_FALSE(table->cellForRowAtIndexPath({ 0, 0 })->isSelected());
    touch(TouchPhase::Began, { 50, 100 + 44 * 2 });
    touch(TouchPhase::Ended, { 50, 100 + 44 * 2 });
    EXPECT_EQ(rows->selected.size(), 1u);

    // A data source that answers nonsense counts shows nothing.
    rows->counts = { -5 };
    table->reloadData();
    EXPECT_TRUE(table->visibleCells().empty());
    EXPECT_EQ(table->contentOffset().y, 0);
}
