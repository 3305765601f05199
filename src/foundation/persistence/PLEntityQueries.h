#pragma once

#include "foundation/persistence/PLPersistence.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/FetchedResultsController.h"

#include <QVariant>

namespace pelnix {

// The class operations of every entity (requests, finders, counts, aggregates, create and bulk
// delete), by entity name. A null context means the current thread's context. Failures go to the
// error sink and give the empty result. PLEntity<T> offers them typed.
class PLEntityQueries {
public:
    using ObjectList = QList<platform::ObjectPtr>;

    static ContextPtr resolve(const ContextPtr& context);

    static platform::FetchRequest PS_requestAll(const QString& entity);
    static platform::FetchRequest PS_requestAllWithPredicate(const QString& entity,
                                                             const platform::Predicate& p);
    static platform::FetchRequest PS_requestAllWhere(const QString& entity, const QString& attribute,
                                                     const QVariant& value);
    static platform::FetchRequest PS_requestFirstWithPredicate(const QString& entity,
                                                               const platform::Predicate& p);
    static platform::FetchRequest PS_requestFirstByAttribute(const QString& entity, const QString& attribute,
                                                             const QVariant& value);
    // Sorted requests carry the default batch size.
    static platform::FetchRequest PS_requestAllSortedBy(const QString& entity, const QString& term,
                                                        bool ascending, const platform::Predicate& p = {});
    // 20 until set; written under a lock, read without one.
    static int PS_defaultBatchSize();
    static void PS_setDefaultBatchSize(int size);
    // The names among `names` that are properties of the entity, in the order given.
    static QStringList PS_propertiesNamed(const QString& entity, const QStringList& names,
                                          const ContextPtr& context = {});

    static ObjectList PS_executeFetchRequest(const platform::FetchRequest& request,
                                             const ContextPtr& context = {});
    // The same with the rows' companions (see ObjectContext::executeFetchRequestWithCompanions()).
    static ObjectList
    PS_executeFetchRequestWithCompanions(const platform::FetchRequest& request,
                                         const platform::ObjectContext::CompanionSink& found,
                                         const ContextPtr& context = {});
    // Sets the request's limit to 1 (the caller's request too).
    static platform::ObjectPtr PS_executeFetchRequestAndReturnFirstObject(platform::FetchRequest& request,
                                                                          const ContextPtr& context = {});

    static platform::ObjectPtr PS_createEntity(const QString& entity, const ContextPtr& context = {});
    static platform::ObjectPtr PS_findFirstOrCreateByAttribute(const QString& entity,
                                                               const QString& attribute,
                                                               const QVariant& value,
                                                               const ContextPtr& context = {});
    static bool PS_deleteAllMatchingPredicate(const QString& entity, const platform::Predicate& p,
                                              const ContextPtr& context = {});
    static bool PS_truncateAll(const QString& entity, const ContextPtr& context = {});

    static qint64 PS_countOfEntitiesWithPredicate(const QString& entity, const platform::Predicate& p,
                                                  const ContextPtr& context = {});
    // The count as an unsigned number (qulonglong).
    static QVariant PS_numberOfEntitiesWithPredicate(const QString& entity, const platform::Predicate& p,
                                                     const ContextPtr& context = {});
    static bool PS_hasAtLeastOneEntity(const QString& entity, const ContextPtr& context = {});
    // "max:", "sum:", ... over saved rows; none when no row matches.
    static QVariant PS_aggregateOperation(const QString& entity, const QString& function,
                                          const QString& attribute, const platform::Predicate& p,
                                          const ContextPtr& context = {});
    static QVariantList PS_aggregateOperation(const QString& entity, const QString& function,
                                              const QString& attribute, const platform::Predicate& p,
                                              const QString& groupBy, const ContextPtr& context = {});

    // Fetched-results controllers. A controller on the request in the context, sections by
    // `groupedBy`, not fetched yet; with `useFileCache` it is named "PLPersistence-Cache-<entity>".
    // Null when there is no context.
    using ControllerPtr = std::shared_ptr<platform::FetchedResultsController>;
    static ControllerPtr PS_fetchController(const platform::FetchRequest& request,
                                            platform::FetchedResultsControllerDelegate* delegate,
                                            bool useFileCache, const QString& groupedBy,
                                            const ContextPtr& context = {});
    // Fetches; a failure reaches the error sink and gives false.
    static bool PS_performFetch(const ControllerPtr& controller);
    // A fetched controller over the sorted matching objects, in sections by `groupedBy`.
    static ControllerPtr PS_fetchAllGroupedBy(const QString& entity, const QString& groupedBy,
                                              const platform::Predicate& p, const QString& term,
                                              bool ascending,
                                              platform::FetchedResultsControllerDelegate* delegate,
                                              const ContextPtr& context = {});

    // In-memory sorts of objects already at hand (relationship sets).
    static QList<platform::SortDescriptor> PS_sortAscending(bool ascending, const QStringList& keys);
    static QList<platform::SortDescriptor> PS_ascendingSortDescriptors(const QStringList& keys);
    static QList<platform::SortDescriptor> PS_descendingSortDescriptors(const QStringList& keys);
    static ObjectList sortedObjects(ObjectList objects, const QList<platform::SortDescriptor>& sorts);
};

} // namespace pelnix
