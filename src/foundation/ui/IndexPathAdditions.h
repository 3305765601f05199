#pragma once

#include "platform/ui/IndexPath.h"

#include <QList>
#include <set>

namespace pelnix::IndexPathAdditions {

// Rows of section 0, one per index, ascending.
QList<platform::ui::IndexPath> indexPathsFromIndexset(const std::set<int>& indexes);

} // namespace pelnix::IndexPathAdditions
