#pragma once

#include "platform/ui/controls/IndexPath.h"
#include "platform/ui/views/View.h"

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TableViewCell;
class TableViewDataSource;
class TableViewDelegate;

// A vertical list of rows of equal height, one section after another. Only
// the rows in sight have cells: the data source makes them, and cells that
// scroll out of sight wait, by reuse identifier, to be handed out again.
// Dragging scrolls (within the content, when scrolling is enabled); a tap
// that did not drag selects the row under it and tells the delegate.
class TableView : public View {
public:
    static constexpr double kDefaultRowHeight = 44;
    // A touch that moves further than this is a drag, not a tap.
    static constexpr double kDragThreshold = 8;
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
    bool isScrollEnabled() const { return m_scrollEnabled; }
    void setScrollEnabled(bool enabled) { m_scrollEnabled = enabled; }

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

    // Scrolling: the content's height and how far it is scrolled.
    double contentHeight() const;
    double contentOffset() const { return bounds().minY(); }
    // Clamped to the content.
    void setContentOffset(double);

    void touchesBegan(const TouchSet&, const Event&) override;
    void touchesMoved(const TouchSet&, const Event&) override;
    void touchesEnded(const TouchSet&, const Event&) override;
    void touchesCancelled(const TouchSet&, const Event&) override;
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
    bool m_scrollEnabled { true };
    std::vector<int> m_rowCounts;
    std::map<IndexPath, std::shared_ptr<TableViewCell>> m_visibleCells;
    std::deque<std::shared_ptr<TableViewCell>> m_reusableCells;
    std::optional<IndexPath> m_selectedRow;
    // The touch under way: where it began on screen, the offset then, whether it dragged.
    std::optional<Point> m_touchStart;
    double m_offsetAtTouchStart { 0 };
    bool m_dragging { false };
};
