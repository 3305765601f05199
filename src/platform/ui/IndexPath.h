#pragma once

#include <QHashFunctions>
#include <QList>
#include <compare>

namespace pelnix::platform::ui {

// A row (or item) within a section.
struct IndexPath {
    int section = 0;
    int row = 0;

    int item() const { return row; }
    static IndexPath forRow(int row, int section = 0) { return IndexPath{section, row}; }
    static IndexPath forItem(int item, int section = 0) { return IndexPath{section, item}; }
    auto operator<=>(const IndexPath&) const = default;
};

inline size_t qHash(const IndexPath& path, size_t seed = 0) {
    return qHashMulti(seed, path.section, path.row);
}

} // namespace pelnix::platform::ui
