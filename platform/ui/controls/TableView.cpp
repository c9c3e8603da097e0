#include "platform/ui/controls/TableView.h"

#include "platform/ui/controls/TableViewCell.h"
#include "platform/ui/controls/TableViewDataSource.h"
#include "platform/ui/controls/TableViewDelegate.h"

#include <algorithm>
#include <cmath>

namespace {

// Rows beyond this in one section are not shown: a data source's count is
// not trusted to be sane.
constexpr int kMaximumRowsPerSection = 1000000;

} // namespace

TableView::TableView(const Rect& frame)
    : ScrollView(frame)
{
    setBackgroundColor(Color::whiteColor());
    setClipsToBounds(true);
    setAlwaysBounceVertical(true);
}

TableView::~TableView() = default;

void TableView::setRowHeight(double height)
{
    m_rowHeight = height > 0 ? height : kDefaultRowHeight;
    reloadData();
}

int TableView::numberOfRowsInSection(int section) const
{
    if (section < 0 || section >= numberOfSections())
        return 0;
    return m_rowCounts[static_cast<size_t>(section)];
}

double TableView::contentHeight() const
{
    double rows = 0;
    for (int count : m_rowCounts)
        rows += count;
    return rows * m_rowHeight;
}

Rect TableView::rectForRowAtIndexPath(IndexPath indexPath) const
{
    double before = 0;
    for (int section = 0; section < indexPath.section && section < numberOfSections(); ++section)
        before += m_rowCounts[static_cast<size_t>(section)];
    return { 0, (before + indexPath.row) * m_rowHeight, bounds().width(), m_rowHeight };
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(Point point) const
{
    if (point.y < 0 || m_rowHeight <= 0)
        return std::nullopt;
    double index = std::floor(point.y / m_rowHeight);
    for (int section = 0; section < numberOfSections(); ++section) {
        int count = m_rowCounts[static_cast<size_t>(section)];
        if (index < count)
            return IndexPath { section, static_cast<int>(index) };
        index -= count;
    }
    return std::nullopt;
}

std::vector<IndexPath> TableView::rowsInRange(double top, double bottom) const
{
    std::vector<IndexPath> rows;
    if (m_rowHeight <= 0 || bottom <= top)
        return rows;
    double first = std::max(0.0, std::floor(top / m_rowHeight));
    double last = std::ceil(bottom / m_rowHeight); // exclusive
    double start = 0;
    for (int section = 0; section < numberOfSections(); ++section) {
        int count = m_rowCounts[static_cast<size_t>(section)];
        for (double i = std::max(first, start); i < std::min(last, start + count); ++i)
            rows.push_back({ section, static_cast<int>(i - start) });
        start += count;
        if (start >= last)
            break;
    }
    return rows;
}

void TableView::reloadData()
{
    auto source = m_dataSource.lock();
    m_rowCounts.clear();
    if (source) {
        int sections = std::max(0, source->numberOfSectionsInTableView(*this));
        for (int section = 0; section < sections; ++section)
            m_rowCounts.push_back(
                std::clamp(source->tableViewNumberOfRowsInSection(*this, section), 0, kMaximumRowsPerSection));
    }
    selectRowAtIndexPath(std::nullopt);
    auto visible = std::move(m_visibleCells);
    m_visibleCells.clear();
    for (auto& [indexPath, cell] : visible)
        enqueueCell(cell);
    setContentSize({ bounds().width(), contentHeight() });
    // Fewer rows than before may leave the offset past the new end.
    Point maximum = maximumContentOffset();
    Point offset = contentOffset();
    if (offset.y > maximum.y)
        setContentOffset({ offset.x, std::max(0.0, maximum.y) });
    layoutVisibleCells();
}

void TableView::enqueueCell(std::shared_ptr<TableViewCell> cell)
{
    if (!cell)
        return;
    cell->removeFromSuperview();
    m_reusableCells.push_back(std::move(cell));
    while (m_reusableCells.size() > kMaximumReusableCells)
        m_reusableCells.pop_front();
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCellWithIdentifier(const std::string& identifier)
{
    for (auto it = m_reusableCells.rbegin(); it != m_reusableCells.rend(); ++it) {
        if ((*it)->reuseIdentifier() == identifier) {
            auto cell = *it;
            m_reusableCells.erase(std::next(it).base());
            cell->prepareForReuse();
            return cell;
        }
    }
    return nullptr;
}

std::shared_ptr<TableViewCell> TableView::cellForRowAtIndexPath(IndexPath indexPath) const
{
    auto it = m_visibleCells.find(indexPath);
    return it == m_visibleCells.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<TableViewCell>> TableView::visibleCells() const
{
    std::vector<std::shared_ptr<TableViewCell>> cells;
    for (auto& [indexPath, cell] : m_visibleCells)
        cells.push_back(cell);
    return cells;
}

void TableView::selectRowAtIndexPath(std::optional<IndexPath> indexPath)
{
    if (m_selectedRow)
        if (auto cell = cellForRowAtIndexPath(*m_selectedRow))
            cell->setSelected(false);
    m_selectedRow = indexPath;
    if (m_selectedRow)
        if (auto cell = cellForRowAtIndexPath(*m_selectedRow))
            cell->setSelected(true);
}

void TableView::layoutSubviews()
{
    ScrollView::layoutSubviews();
    if (contentSize().width != bounds().width())
        setContentSize({ bounds().width(), contentHeight() });
    layoutVisibleCells();
}

void TableView::layoutVisibleCells()
{
    Rect b = bounds();
    auto wanted = rowsInRange(b.minY(), b.maxY());
    // Rows gone out of sight give their cells up first, so the rows coming in can reuse them.
    for (auto it = m_visibleCells.begin(); it != m_visibleCells.end();) {
        if (std::find(wanted.begin(), wanted.end(), it->first) == wanted.end()) {
            enqueueCell(it->second);
            it = m_visibleCells.erase(it);
        } else {
            ++it;
        }
    }
    auto source = m_dataSource.lock();
    for (auto indexPath : wanted) {
        auto& cell = m_visibleCells[indexPath];
        if (!cell && source)
            cell = source->tableViewCellForRowAtIndexPath(*this, indexPath);
        if (!cell) {
            m_visibleCells.erase(indexPath);
            continue;
        }
        cell->setFrame(rectForRowAtIndexPath(indexPath));
        cell->setSelected(m_selectedRow == indexPath);
        if (cell->superview() != this)
            addSubview(cell);
    }
}

void TableView::cellWasTapped(TableViewCell& tapped)
{
    for (auto& [indexPath, cell] : m_visibleCells) {
        if (cell.get() != &tapped)
            continue;
        IndexPath row = indexPath;
        selectRowAtIndexPath(row);
        auto protectedThis = shared_from_this();
        if (auto delegate = m_delegate.lock())
            delegate->tableViewDidSelectRowAtIndexPath(*this, row);
        return;
    }
}
