#pragma once

#include "platform/store/Predicate.h"
#include "platform/store/SortDescriptor.h"

#include <QString>
#include <QStringList>

namespace pelnix::platform {

// What to fetch: an entity, an optional predicate, sort keys (primary key last) and a limit (0: all).
struct FetchRequest {
    QString entityName;
    Predicate predicate;
    QList<SortDescriptor> sortDescriptors;
    int fetchLimit = 0;
    int fetchBatchSize = 0; // accepted for compatibility; results are always complete lists
    // Names of the properties the caller reads: a hint only, objects always come whole.
    QStringList propertiesToFetch;
};

} // namespace pelnix::platform
