#include "IndexPathAdditions.h"

namespace pelnix::IndexPathAdditions {

QList<platform::ui::IndexPath> indexPathsFromIndexset(const std::set<int>& indexes) {
    QList<platform::ui::IndexPath> out;
    out.reserve(qsizetype(indexes.size()));
    for (int index : indexes)
        out << platform::ui::IndexPath{0, index};
    return out;
}

} // namespace pelnix::IndexPathAdditions
