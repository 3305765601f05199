#include "foundation/persistence/PLEntityQueries.h"

#include <QMutex>
#include <algorithm>
#include <atomic>

namespace pelnix {

using platform::FetchRequest;
using platform::ObjectPtr;
using platform::Predicate;
using platform::SortDescriptor;

ContextPtr PLEntityQueries::resolve(const ContextPtr& context) {
    return context ? context : PLPersistence::PS_contextForCurrentThread();
}

FetchRequest PLEntityQueries::PS_requestAll(const QString& entity) {
    FetchRequest r;
    r.entityName = entity;
    return r;
}

FetchRequest PLEntityQueries::PS_requestAllWithPredicate(const QString& entity, const Predicate& p) {
    FetchRequest r = PS_requestAll(entity);
    r.predicate = p;
    return r;
}

FetchRequest PLEntityQueries::PS_requestAllWhere(const QString& entity, const QString& attribute,
                                                 const QVariant& value) {
    return PS_requestAllWithPredicate(entity, Predicate::compare(attribute, Predicate::Op::Equal, value));
}

FetchRequest PLEntityQueries::PS_requestFirstWithPredicate(const QString& entity, const Predicate& p) {
    FetchRequest r = PS_requestAllWithPredicate(entity, p);
    r.fetchLimit = 1;
    return r;
}

FetchRequest PLEntityQueries::PS_requestFirstByAttribute(const QString& entity, const QString& attribute,
                                                         const QVariant& value) {
    FetchRequest r = PS_requestAllWhere(entity, attribute, value);
    r.fetchLimit = 1;
    return r;
}

FetchRequest PLEntityQueries::PS_requestAllSortedBy(const QString& entity, const QString& term,
                                                    bool ascending, const Predicate& p) {
    FetchRequest r = PS_requestAllWithPredicate(entity, p);
    r.fetchBatchSize = PS_defaultBatchSize();
    r.sortDescriptors = SortDescriptor::parseTerm(term, ascending);
    return r;
}

namespace {
QMutex g_batchSizeMutex;
std::atomic<int> g_defaultBatchSize{20};
} // namespace

int PLEntityQueries::PS_defaultBatchSize() {
    return g_defaultBatchSize.load(std::memory_order_relaxed);
}

void PLEntityQueries::PS_setDefaultBatchSize(int size) {
    QMutexLocker lock(&g_batchSizeMutex);
    g_defaultBatchSize.store(size, std::memory_order_relaxed);
}

QStringList PLEntityQueries::PS_propertiesNamed(const QString& entity, const QStringList& names,
                                                const ContextPtr& context) {
    auto c = resolve(context);
    auto store = c ? c->store() : nullptr;
    const auto* description = store ? store->model()->entityNamed(entity) : nullptr;
    QStringList out;
    if (!description)
        return out;
    for (const QString& name : names)
        if (description->attributeNamed(name) || description->relationshipNamed(name))
            out << name;
    return out;
}

PLEntityQueries::ObjectList PLEntityQueries::PS_executeFetchRequest(const FetchRequest& request,
                                                                    const ContextPtr& context) {
    auto c = resolve(context);
    if (!c) {
        PLPersistence::handleErrors(
            PLError(QStringLiteral("NSCocoaErrorDomain"), 134060, QStringLiteral("No store is open.")));
        return {};
    }
    return c->executeFetchRequest(request).value_or(ObjectList());
}

PLEntityQueries::ObjectList
PLEntityQueries::PS_executeFetchRequestWithCompanions(const FetchRequest& request,
                                                      const platform::ObjectContext::CompanionSink& found,
                                                      const ContextPtr& context) {
    auto c = resolve(context);
    if (!c) {
        PLPersistence::handleErrors(
            PLError(QStringLiteral("NSCocoaErrorDomain"), 134060, QStringLiteral("No store is open.")));
        return {};
    }
    return c->executeFetchRequestWithCompanions(request, found).value_or(ObjectList());
}

ObjectPtr PLEntityQueries::PS_executeFetchRequestAndReturnFirstObject(FetchRequest& request,
                                                                      const ContextPtr& context) {
    request.fetchLimit = 1;
    const auto list = PS_executeFetchRequest(request, context);
    return list.isEmpty() ? nullptr : list.first();
}

ObjectPtr PLEntityQueries::PS_createEntity(const QString& entity, const ContextPtr& context) {
    auto c = resolve(context);
    return c ? c->insertObject(entity) : nullptr;
}

ObjectPtr PLEntityQueries::PS_findFirstOrCreateByAttribute(const QString& entity, const QString& attribute,
                                                           const QVariant& value, const ContextPtr& context) {
    auto c = resolve(context);
    FetchRequest r = PS_requestFirstByAttribute(entity, attribute, value);
    if (auto found = PS_executeFetchRequestAndReturnFirstObject(r, c))
        return found;
    auto created = PS_createEntity(entity, c);
    if (created)
        created->setValue(attribute, value);
    return created;
}

bool PLEntityQueries::PS_deleteAllMatchingPredicate(const QString& entity, const Predicate& p,
                                                    const ContextPtr& context) {
    auto c = resolve(context);
    if (!c)
        return true;
    for (const auto& o : PS_executeFetchRequest(PS_requestAllWithPredicate(entity, p), c))
        c->deleteObject(o);
    return true;
}

bool PLEntityQueries::PS_truncateAll(const QString& entity, const ContextPtr& context) {
    return PS_deleteAllMatchingPredicate(entity, {}, context);
}

qint64 PLEntityQueries::PS_countOfEntitiesWithPredicate(const QString& entity, const Predicate& p,
                                                        const ContextPtr& context) {
    auto c = resolve(context);
    return c ? c->countForFetchRequest(PS_requestAllWithPredicate(entity, p)).value_or(0) : 0;
}

QVariant PLEntityQueries::PS_numberOfEntitiesWithPredicate(const QString& entity, const Predicate& p,
                                                           const ContextPtr& context) {
    return QVariant::fromValue(qulonglong(PS_countOfEntitiesWithPredicate(entity, p, context)));
}

bool PLEntityQueries::PS_hasAtLeastOneEntity(const QString& entity, const ContextPtr& context) {
    return qint32(PS_countOfEntitiesWithPredicate(entity, {}, context)) > 0;
}

QVariant PLEntityQueries::PS_aggregateOperation(const QString& entity, const QString& function,
                                                const QString& attribute, const Predicate& p,
                                                const ContextPtr& context) {
    auto c = resolve(context);
    return c ? c->aggregate(entity, function, attribute, p) : QVariant();
}

QVariantList PLEntityQueries::PS_aggregateOperation(const QString& entity, const QString& function,
                                                    const QString& attribute, const Predicate& p,
                                                    const QString& groupBy, const ContextPtr& context) {
    auto c = resolve(context);
    return c ? c->aggregateGrouped(entity, function, attribute, p, groupBy).value_or(QVariantList())
             : QVariantList();
}

PLEntityQueries::ControllerPtr
PLEntityQueries::PS_fetchController(const FetchRequest& request,
                                    platform::FetchedResultsControllerDelegate* delegate, bool useFileCache,
                                    const QString& groupedBy, const ContextPtr& context) {
    auto c = resolve(context);
    if (!c) {
        PLPersistence::handleErrors(
            PLError(QStringLiteral("NSCocoaErrorDomain"), 134060, QStringLiteral("No store is open.")));
        return nullptr;
    }
    const QString cacheName =
        useFileCache ? QStringLiteral("PLPersistence-Cache-%1").arg(request.entityName) : QString();
    auto controller = std::make_shared<platform::FetchedResultsController>(request, c, groupedBy, cacheName);
    controller->setDelegate(delegate);
    return controller;
}

bool PLEntityQueries::PS_performFetch(const ControllerPtr& controller) {
    return controller && controller->performFetch();
}

PLEntityQueries::ControllerPtr PLEntityQueries::PS_fetchAllGroupedBy(
    const QString& entity, const QString& groupedBy, const Predicate& p, const QString& term, bool ascending,
    platform::FetchedResultsControllerDelegate* delegate, const ContextPtr& context) {
    auto controller = PS_fetchController(PS_requestAllSortedBy(entity, term, ascending, p), delegate, false,
                                         groupedBy, context);
    PS_performFetch(controller);
    return controller;
}

QList<SortDescriptor> PLEntityQueries::PS_sortAscending(bool ascending, const QStringList& keys) {
    return SortDescriptor::withKeys(keys, ascending);
}
QList<SortDescriptor> PLEntityQueries::PS_ascendingSortDescriptors(const QStringList& keys) {
    return PS_sortAscending(true, keys);
}
QList<SortDescriptor> PLEntityQueries::PS_descendingSortDescriptors(const QStringList& keys) {
    return PS_sortAscending(false, keys);
}

PLEntityQueries::ObjectList PLEntityQueries::sortedObjects(ObjectList objects,
                                                           const QList<SortDescriptor>& sorts) {
    std::stable_sort(objects.begin(), objects.end(), [&](const ObjectPtr& a, const ObjectPtr& b) {
        return a && b && SortDescriptor::compare(*a, *b, sorts) < 0;
    });
    return objects;
}

} // namespace pelnix
