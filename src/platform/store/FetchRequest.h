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
    // The attributes and to-one relationships the caller reads (empty: all). Only their columns are
    // read; rows not yet registered in the context come as partial objects that read the rest of
    // their row when first asked for it. Registered and unsaved objects come as they are.
    QStringList propertiesToFetch;
};

} // namespace pelnix::platform
