#pragma once

#include "foundation/persistence/PLDataImport.h"
#include "foundation/persistence/PLEntityQueries.h"
#include "foundation/persistence/PLManagedObject.h"

#include <typeinfo>

namespace pelnix {

// Typed class operations for an entity class. An entity declares itself as
//
//   class ChatRoom : public PLEntity<ChatRoom> {
//   public:
//       static QString entityName() { return QStringLiteral("ChatRoom"); }
//       QString roomId() const { return value<QString>("roomId"); }
//       void setRoomId(const QString& id) { setValue("roomId", id); }
//   };
//
// and its model declaration uses model.entity<ChatRoom>("ChatRoom"). Every operation takes an
// optional context as its last argument; without one it works in the current thread's context.
template <class T> class PLEntity : public PLManagedObject {
public:
    using Ptr = std::shared_ptr<T>;
    using List = QList<Ptr>;
    using Predicate = platform::Predicate;
    using Q = PLEntityQueries;

    static QString PS_entityName() { return T::entityName(); }

    static Ptr PS_createEntity(const ContextPtr& c = {}) {
        return cast(Q::PS_createEntity(PS_entityName(), c));
    }
    static List PS_findAll(const ContextPtr& c = {}) {
        return castAll(Q::PS_executeFetchRequest(Q::PS_requestAll(PS_entityName()), c));
    }
    static List PS_findAllWithPredicate(const Predicate& p, const ContextPtr& c = {}) {
        return castAll(Q::PS_executeFetchRequest(Q::PS_requestAllWithPredicate(PS_entityName(), p), c));
    }
    static List PS_findAllSortedBy(const QString& term, bool ascending, const Predicate& p = {},
                                   const ContextPtr& c = {}) {
        return castAll(
            Q::PS_executeFetchRequest(Q::PS_requestAllSortedBy(PS_entityName(), term, ascending, p), c));
    }
    static Ptr PS_findFirst(const ContextPtr& c = {}) { return PS_findFirstWithPredicate({}, c); }
    static Ptr PS_findFirstWithPredicate(const Predicate& p, const ContextPtr& c = {}) {
        auto r = Q::PS_requestFirstWithPredicate(PS_entityName(), p);
        return cast(Q::PS_executeFetchRequestAndReturnFirstObject(r, c));
    }
    static Ptr PS_findFirstWithPredicate(const Predicate& p, const QString& term, bool ascending,
                                         const ContextPtr& c = {}) {
        auto r = Q::PS_requestAllSortedBy(PS_entityName(), term, ascending, p);
        return cast(Q::PS_executeFetchRequestAndReturnFirstObject(r, c));
    }
    // The first match with the request's properties to fetch set to `attributes` (the object reads
    // its other values when asked for them).
    static Ptr PS_findFirstWithPredicateAndRetrieveAttributes(const Predicate& p,
                                                              const QStringList& attributes,
                                                              const ContextPtr& c = {}) {
        auto r = Q::PS_requestFirstWithPredicate(PS_entityName(), p);
        r.propertiesToFetch = attributes;
        return cast(Q::PS_executeFetchRequestAndReturnFirstObject(r, c));
    }
    // The first match in sorted order; unknown attribute names are left out of the hint.
    static Ptr PS_findFirstWithPredicateAndRetrieveAttributes(const Predicate& p, const QString& term,
                                                              bool ascending, const QStringList& attributes,
                                                              const ContextPtr& c = {}) {
        auto r = Q::PS_requestAllSortedBy(PS_entityName(), term, ascending, p);
        r.propertiesToFetch = Q::PS_propertiesNamed(PS_entityName(), attributes, c);
        return cast(Q::PS_executeFetchRequestAndReturnFirstObject(r, c));
    }
    static Ptr PS_findFirstOrderedByAttribute(const QString& term, bool ascending, const ContextPtr& c = {}) {
        return PS_findFirstWithPredicate({}, term, ascending, c);
    }
    static Ptr PS_findFirstByAttribute(const QString& attribute, const QVariant& value,
                                       const ContextPtr& c = {}) {
        auto r = Q::PS_requestFirstByAttribute(PS_entityName(), attribute, value);
        return cast(Q::PS_executeFetchRequestAndReturnFirstObject(r, c));
    }
    static Ptr PS_findFirstOrCreateByAttribute(const QString& attribute, const QVariant& value,
                                               const ContextPtr& c = {}) {
        return cast(Q::PS_findFirstOrCreateByAttribute(PS_entityName(), attribute, value, c));
    }
    static List PS_findByAttribute(const QString& attribute, const QVariant& value,
                                   const ContextPtr& c = {}) {
        return castAll(
            Q::PS_executeFetchRequest(Q::PS_requestAllWhere(PS_entityName(), attribute, value), c));
    }
    static List PS_findByAttribute(const QString& attribute, const QVariant& value, const QString& orderBy,
                                   bool ascending, const ContextPtr& c = {}) {
        return PS_findAllSortedBy(orderBy, ascending,
                                  Predicate::compare(attribute, Predicate::Op::Equal, value), c);
    }

    static qint64 PS_countOfEntities(const ContextPtr& c = {}) {
        return PS_countOfEntitiesWithPredicate({}, c);
    }
    static qint64 PS_countOfEntitiesWithPredicate(const Predicate& p, const ContextPtr& c = {}) {
        return Q::PS_countOfEntitiesWithPredicate(PS_entityName(), p, c);
    }
    static QVariant PS_numberOfEntities(const ContextPtr& c = {}) {
        return PS_numberOfEntitiesWithPredicate({}, c);
    }
    static QVariant PS_numberOfEntitiesWithPredicate(const Predicate& p, const ContextPtr& c = {}) {
        return Q::PS_numberOfEntitiesWithPredicate(PS_entityName(), p, c);
    }
    static bool PS_hasAtLeastOneEntity(const ContextPtr& c = {}) {
        return Q::PS_hasAtLeastOneEntity(PS_entityName(), c);
    }
    static QVariant PS_aggregateOperation(const QString& function, const QString& attribute,
                                          const Predicate& p = {}, const ContextPtr& c = {}) {
        return Q::PS_aggregateOperation(PS_entityName(), function, attribute, p, c);
    }
    static QVariantList PS_aggregateOperation(const QString& function, const QString& attribute,
                                              const Predicate& p, const QString& groupBy,
                                              const ContextPtr& c = {}) {
        return Q::PS_aggregateOperation(PS_entityName(), function, attribute, p, groupBy, c);
    }
    static bool PS_deleteAllMatchingPredicate(const Predicate& p, const ContextPtr& c = {}) {
        return Q::PS_deleteAllMatchingPredicate(PS_entityName(), p, c);
    }
    static bool PS_truncateAll(const ContextPtr& c = {}) { return Q::PS_truncateAll(PS_entityName(), c); }

    static Ptr PS_importFromObject(const QVariant& data, const ContextPtr& c = {}) {
        return cast(PLDataImport::PS_importFromObject(PS_entityName(), data, c));
    }
    static List PS_importFromArray(const QVariantList& items, const ContextPtr& c = {}) {
        return castAll(PLDataImport::PS_importFromArray(PS_entityName(), items, c));
    }

    // Fetched-results controllers over this entity, fetched (sections by `groupedBy`, none when empty).
    using Controller = std::shared_ptr<platform::FetchedResultsController>;
    using Delegate = platform::FetchedResultsControllerDelegate;
    static Controller PS_fetchAllWithDelegate(Delegate* delegate, const ContextPtr& c = {}) {
        auto controller = Q::PS_fetchController(Q::PS_requestAll(PS_entityName()), delegate, false, {}, c);
        Q::PS_performFetch(controller);
        return controller;
    }
    static Controller PS_fetchAllGroupedBy(const QString& groupedBy, const Predicate& p, const QString& term,
                                           bool ascending, Delegate* delegate = nullptr,
                                           const ContextPtr& c = {}) {
        return Q::PS_fetchAllGroupedBy(PS_entityName(), groupedBy, p, term, ascending, delegate, c);
    }
    static Controller PS_fetchAllSortedBy(const QString& term, bool ascending, const Predicate& p,
                                          const QString& groupedBy, Delegate* delegate = nullptr,
                                          const ContextPtr& c = {}) {
        return Q::PS_fetchAllGroupedBy(PS_entityName(), groupedBy, p, term, ascending, delegate, c);
    }

    // An object of exactly this class, as the model instantiates them, is cast without a search of
    // the class hierarchy: lists of a hundred thousand rows are cast whole.
    static T* cast(platform::ManagedObject* o) {
        return o && typeid(*o) == typeid(T) ? static_cast<T*>(o) : dynamic_cast<T*>(o);
    }
    static Ptr cast(const platform::ObjectPtr& o) { return cast(platform::ObjectPtr(o)); }
    static Ptr cast(platform::ObjectPtr&& o) {
        T* t = cast(o.get());
        return t ? Ptr(std::move(o), t) : nullptr;
    }
    static List castAll(const QList<platform::ObjectPtr>& objects) { return castAll(QList(objects)); }
    // A list no longer needed has its pointers moved, not copied.
    static List castAll(QList<platform::ObjectPtr>&& objects) {
        List out;
        out.reserve(objects.size());
        for (auto& o : objects)
            if (auto t = cast(std::move(o)))
                out << std::move(t);
        return out;
    }
};

} // namespace pelnix
