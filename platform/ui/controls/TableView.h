#pragma once

#include "platform/ui/controls/IndexPath.h"
#include "platform/ui/controls/ScrollView.h"

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TableViewCell;
class TableViewDataSource;
class TableViewDelegate;

// A vertical list of rows of equal height, one section after another, on a
// scroll view. Only the rows in sight have cells: the data source makes them,
// and cells that scroll out of sight wait, by reuse identifier, to be handed
// out again. A tap on a row (a touch the scroll view did not take over as a
// drag) selects it and tells the delegate.
class TableView : public ScrollView {
public:
    static constexpr double kDefaultRowHeight = 44;
    // Cells kept for reuse, oldest dropped first: identifiers may be many
    // (a table of search suggestions uses each text as one).
    static constexpr size_t kMaximumReusableCells = 32;

    explicit TableView(const Rect& frame = {});
    ~TableView() override;

    std::shared_ptr<TableViewDataSource> dataSource() const { return m_dataSource.lock(); }
    void setDataSource(std::weak_ptr<TableViewDataSource> source) { m_dataSource = std::move(source); }
    std::shared_ptr<TableViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<TableViewDelegate> delegate) { m_delegate = std::move(delegate); }

    double rowHeight() const { return m_rowHeight; }
    void setRowHeight(double);

    // Asks the data source again for everything; the selection is dropped.
    void reloadData();
    std::shared_ptr<TableViewCell> dequeueReusableCellWithIdentifier(const std::string&);

    int numberOfSections() const { return static_cast<int>(m_rowCounts.size()); }
    int numberOfRowsInSection(int section) const;
    Rect rectForRowAtIndexPath(IndexPath) const;
    std::optional<IndexPath> indexPathForRowAtPoint(Point) const;
    // The cell of a row in sight; null otherwise.
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(IndexPath) const;
    std::vector<std::shared_ptr<TableViewCell>> visibleCells() const;
    std::optional<IndexPath> indexPathForSelectedRow() const { return m_selectedRow; }
    void selectRowAtIndexPath(std::optional<IndexPath>);

    double contentHeight() const;
    // A cell in sight was tapped (not dragged): its row is selected.
    void cellWasTapped(TableViewCell&);

    // Lays out the cells for the rows the content offset brings into sight
    // (the scroll view asks for a layout whenever the offset changes).
    void layoutSubviews() override;
    size_t reusableCellCount() const { return m_reusableCells.size(); }

private:
    // Cells for the rows in sight; cells of rows gone out of sight are kept for reuse.
    void layoutVisibleCells();
    void enqueueCell(std::shared_ptr<TableViewCell>);
    std::vector<IndexPath> rowsInRange(double top, double bottom) const;

    std::weak_ptr<TableViewDataSource> m_dataSource;
    std::weak_ptr<TableViewDelegate> m_delegate;
    double m_rowHeight { kDefaultRowHeight };
    std::vector<int> m_rowCounts;
    std::map<IndexPath, std::shared_ptr<TableViewCell>> m_visibleCells;
    std::deque<std::shared_ptr<TableViewCell>> m_reusableCells;
    std::optional<IndexPath> m_selectedRow;
};
