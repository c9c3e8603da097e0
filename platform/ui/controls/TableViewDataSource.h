#pragma once

#include "platform/ui/controls/IndexPath.h"

#include <memory>

class TableView;
class TableViewCell;

// What a table shows: how many sections and rows, and the cell of each row.
class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfSectionsInTableView(TableView&) { return 1; }
    virtual int tableViewNumberOfRowsInSection(TableView&, int section) = 0;
    // A cell for the row, dequeued for reuse when one is free; null shows an empty row.
    virtual std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath) = 0;
};
