#pragma once

#include "platform/ui/controls/IndexPath.h"

class TableView;

// Told what the user does in a table. Every operation is optional.
class TableViewDelegate {
public:
    virtual ~TableViewDelegate() = default;
    // A row was tapped (not dragged) and is now selected.
    virtual void tableViewDidSelectRowAtIndexPath(TableView&, IndexPath) { }
};
