#pragma once

#include "platform/store/Predicate.h"
#include "platform/store/SortDescriptor.h"

#include <QString>
#include <QStringList>
#include <optional>

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

    // With each row, in the same statement, the stored row of another entity whose `key` equals the
    // row's `attribute` (the first by primary key where several do), read as `properties` narrows it
    // (the key is always read). A list that shows one such row per row reads them all at the price
    // of one join instead of a fetch per row or per run of rows. Given by
    // ObjectContext::executeFetchRequestWithCompanions(), or as values by
    // ObjectContext::executeFetchRequestWithCompanionValues().
    struct Companion {
        QString attribute;
        QString entityName;
        QString key;
        QStringList properties;
    };
    std::optional<Companion> companion;
};

} // namespace pelnix::platform
