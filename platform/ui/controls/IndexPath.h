#pragma once

#include <compare>

// A row of a table: its section and its row inside the section.
struct IndexPath {
    int section { 0 };
    int row { 0 };

    auto operator<=>(const IndexPath&) const = default;
};
