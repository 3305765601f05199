#pragma once

#include "platform/PLError.h"
#include "platform/store/ChangeSet.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/ManagedObject.h"

#include <QHash>
#include <QMutex>
#include <QSet>
#include <QString>
#include <QThread>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace pelnix::platform {

class EntitySql;
class ObjectStore;
class RowBatch;
class SqliteConnection;
class SqlQueryBuilder;

// A unit of work on one thread: an identity map (one object per row) with change tracking.
// Creating, changing and deleting persist nothing until save(), which writes every pending change
// of this context in one transaction and returns once it is committed. Fetches see this context's
// unsaved inserts and changes and hide its unsaved deletes; aggregates read saved data only.
class ObjectContext : public std::enable_shared_from_this<ObjectContext> {
    struct CompanionRead;

public:
    using SaveObserver = std::function<void(const ChangeSetPtr&)>;

    ObjectContext(std::shared_ptr<ObjectStore> store, QString workingName, bool isMain);
    ~ObjectContext();
    ObjectContext(const ObjectContext&) = delete;
    ObjectContext& operator=(const ObjectContext&) = delete;

    std::shared_ptr<ObjectStore> store() const { return m_store; }
    // False once the store is closed or the context was invalidated.
    bool isLive() const;
    bool isMainContext() const { return m_isMain; }
    QThread* thread() const { return m_thread; }
    // Readable from any thread.
    QString workingName() const;
    void setWorkingName(const QString& name);
    // Where the context sits in the stack's tree (root saving context, default context, thread
    // contexts). Every context writes straight to the store, so the tree serves diagnostics.
    std::shared_ptr<ObjectContext> parentContext() const;
    void setParentContext(const std::shared_ptr<ObjectContext>& parent);

    ObjectPtr insertObject(const QString& entityName);
    void deleteObject(const ObjectPtr& object);
    // The registered object, or the stored row; null when there is none.
    ObjectPtr existingObject(const QString& entityName, qint64 primaryKey, PLOptionalError* error = nullptr);

    // Null on failure (unknown entity or key, closed store, SQL error). A request's companion is
    // not read.
    std::optional<QList<ObjectPtr>> executeFetchRequest(const FetchRequest& request,
                                                        PLOptionalError* error = nullptr);
    // Takes a row's companion (FetchRequest::companion) as the row is read, in the row's place: a
    // list of a hundred thousand rows pays no map of them to look each one up again.
    using CompanionSink = std::function<void(ManagedObject& row, ObjectPtr companion)>;
    // executeFetchRequest() that also hands each row's companion as this context sees it to `found`
    // (a row again where the read starts over, which fails no caller that keeps the last). A row has none
    // where no such row is stored, where its companion is deleted here, where the row's attribute and the
    // companion's key differ as this context holds them (an unsaved change on either side), and where the row
    // is unsaved here: the caller looks those up on its own.
    std::optional<QList<ObjectPtr>> executeFetchRequestWithCompanions(const FetchRequest& request,
                                                                      const CompanionSink& found,
                                                                      PLOptionalError* error = nullptr);
    // A row's companion as stored, for a caller that takes its values instead of an object of it. Valid
    // during the call it is handed to.
    class StoredCompanion {
    public:
        qint64 primaryKey() const { return m_primaryKey; }
        // The stored value of the companion's property `index` (its place in Companion::properties) as
        // an object's slot would hold it; the key is the row's attribute.
        QVariant value(int index) const;

    private:
        friend class ObjectContext;
        StoredCompanion(const RowBatch& batch, int row, const CompanionRead& read, qint64 primaryKey)
            : m_batch(batch), m_row(row), m_read(read), m_primaryKey(primaryKey) {}
        const RowBatch& m_batch;
        int m_row;
        const CompanionRead& m_read;
        qint64 m_primaryKey;
    };
    // Takes, for every row read from the store, its companion: `held` where this context holds an object
    // of it (its values are the object's), `stored` where it holds none, neither where the row has none.
    using CompanionValuesSink =
        std::function<void(ManagedObject& row, const ObjectPtr& held, const StoredCompanion* stored)>;
    // executeFetchRequestWithCompanions() that builds no object of a companion this context does not
    // hold: a list of a hundred thousand rows that shows a few values of each row's companion reads them
    // as values. The rules of a row that has none are those of executeFetchRequestWithCompanions(); a
    // row the context holds unsaved is not handed at all. What a stored companion's values show stays
    // what its object would show while rowsVersion() of its entity is unchanged and the context holds
    // no object of it (heldObject()).
    std::optional<QList<ObjectPtr>> executeFetchRequestWithCompanionValues(const FetchRequest& request,
                                                                           const CompanionValuesSink& found,
                                                                           PLOptionalError* error = nullptr);
    // Changes whenever stored rows of `entity` may have changed as this context sees them: a save of it
    // or a merge into it that updated or deleted such a row, a re-read of everything it holds, a reset.
    // Inserts leave it: a new row changes no row read before.
    quint64 rowsVersion(const EntityDescription* entity) const {
        return m_allRowsVersion + m_rowsVersions.value(entity);
    }
    // The object of that row this context holds (deleted ones too), or null; reads nothing.
    ObjectPtr heldObject(qint64 primaryKey) const { return registered(primaryKey); }
    // The object of a stored row of `entity`: the one this context holds (null when it holds it deleted),
    // else one made of `values` without reading the store, the slots `loaded` names holding their values
    // and the others read when first asked for (empty `loaded`: all of them). For a caller that read those
    // values of the row itself and knows them to be what this context would read now: values a fetch
    // handed as a StoredCompanion, while rowsVersion() of the entity is unchanged.
    ObjectPtr objectFromStoredValues(const EntityDescription* entity, qint64 primaryKey, SlotValues&& values,
                                     const SlotFlags& loaded);
    std::optional<qint64> countForFetchRequest(const FetchRequest& request, PLOptionalError* error = nullptr);
    // How many fetches this context has run: each one reads the store and scans the context's own
    // unsaved objects, so an import shows by this whether its reads grow with what it imports.
    quint64 fetchCount() const { return m_fetchCount; }
    // How many rows this context has read on their own, by their key (an object asked for by its key, the
    // rest of a partial object): what a list pays that reads one row of each of its rows.
    quint64 rowReadCount() const { return m_rowReadCount; }
    // "max:", "min:", "sum:", "avg:" or "count:" over saved rows; null when no row matches.
    QVariant aggregate(const QString& entityName, const QString& function, const QString& attribute,
                       const Predicate& predicate, PLOptionalError* error = nullptr);
    // One map per group: the group key's value and "result".
    std::optional<QVariantList> aggregateGrouped(const QString& entityName, const QString& function,
                                                 const QString& attribute, const Predicate& predicate,
                                                 const QString& groupBy, PLOptionalError* error = nullptr);

    bool hasChanges() const;
    QList<ObjectPtr> insertedObjects() const;
    QList<ObjectPtr> updatedObjects() const;
    QList<ObjectPtr> deletedObjects() const;
    // True when something was committed; false for no changes (no error) or a failure (error set).
    bool save(PLOptionalError* error = nullptr);
    // Re-reads the object's stored values; with mergeChanges its unsaved changes are kept.
    void refreshObject(const ObjectPtr& object, bool mergeChanges);
    // Forgets every registered object and pending change; held objects become inert.
    void reset();

    // Applies another context's saved changes (on this context's thread).
    void mergeChanges(const ChangeSet& changes);
    // Queues a change set from any thread; merged before this context's next fetch or save.
    void enqueueChanges(const ChangeSetPtr& changes);
    void processPendingMerges();
    // Change sets waiting to be merged; at most kMaxPendingMerges (kMaxPendingMergesOfMainContext
    // for the main context), beyond which the context drops them and re-reads its objects on its
    // next use. The main context falls behind only while its thread is busy (a burst of events
    // during a long frame), and merging a few thousand small sets costs less than re-reading every
    // object the screens hold; a thread context may idle for good, so it keeps few.
    qsizetype pendingMergeCount();
    static constexpr qsizetype kMaxPendingMerges = 64;
    static constexpr qsizetype kMaxPendingMergesOfMainContext = 4096;

    quint64 addSaveObserver(SaveObserver observer);
    void removeSaveObserver(quint64 token);
    // Called on this context's thread inside each of its commits, before the store lets another
    // context commit: what it records is ordered with every commit of the store (and with whoever
    // holds the store's commit lock). It must not save.
    quint64 addCommitObserver(SaveObserver observer);
    void removeCommitObserver(quint64 token);
    // Called on this context's thread after each save of it and each merge into it, with the
    // change set (null when the context re-read everything it holds).
    using ChangeObserver = std::function<void(const ChangeSet* changes)>;
    quint64 addChangeObserver(ChangeObserver observer);
    void removeChangeObserver(quint64 token);

    // Used by ManagedObject.
    ObjectPtr objectForKey(const EntityDescription* entity, qint64 primaryKey);
    bool isPendingDelete(qint64 primaryKey) const { return m_deleted.count(primaryKey) != 0; }
    QList<ObjectPtr> relatedObjects(const ManagedObject& object, const RelationshipDescription& relationship);
    void changeLink(const RelationshipDescription& relationship, const ManagedObject& owner,
                    const ManagedObject& target, bool add);
    void objectDidChange(ManagedObject& object);
    // Reads the slots of a partial object that are not loaded yet; a row gone by then leaves them
    // at their defaults and reports the failure.
    void loadRest(ManagedObject& object);

private:
    struct LinkChange {
        const RelationshipDescription* joinSide; // the side whose own column is "a"
        qint64 a = 0;
        qint64 b = 0;
        bool add = true;
    };

    void checkThread() const;
    void fail(PLOptionalError* error, const PLError& e) const;
    std::shared_ptr<SqliteConnection> connection(PLOptionalError* error);
    // Checks the thread, merges what is pending and finds the entity (null with the error reported).
    const EntityDescription* entityForRequest(const QString& name, PLOptionalError* error);
    ObjectPtr registered(qint64 primaryKey) const;
    // `loaded` empty: a whole object; otherwise the slots `values` holds read values for.
    ObjectPtr materialize(const EntityDescription* entity, qint64 pk, SlotValues&& values,
                          const SlotFlags& loaded = {});
    // materialize() of a row known not to be registered.
    ObjectPtr materializeNew(const EntityDescription* entity, qint64 pk, SlotValues&& values,
                             const SlotFlags& loaded);
    // materializeNew() without registering the object.
    ObjectPtr newObject(const EntityDescription* entity, qint64 pk, SlotValues&& values,
                        const SlotFlags& loaded);
    void registerObject(const ObjectPtr& object);
    void sweep();
    const EntitySql& sql(const EntityDescription& entity) const;
    // The companion half of a statement's rows: read after the row's own columns, from
    // `firstColumn` (the companion's key) on.
    struct CompanionRead {
        const EntityDescription* entity = nullptr;
        QList<int> readSlots;
        SlotFlags loaded;
        int firstColumn = 0;
        int attributeSlot = -1;   // of the row
        int attributeColumn = -1; // of the row's attribute in the statement
        int keySlot = -1;         // of the companion
        // The key is not read: it is the row's attribute, which the join matched byte for byte.
        bool keyFromRow = false;
        // Of each property the request names, its column after `firstColumn` (0: the key's column), or
        // -1 for the key read from the row.
        QList<int> propertyColumns;
        QList<const AttributeDescription*> propertyAttributes; // null for a relationship
        const CompanionSink* found = nullptr;
        const CompanionValuesSink* values = nullptr;
    };
    // The companion read of a request over `entity`; none (problem set) for an unknown entity or name.
    std::optional<CompanionRead> companionRead(const EntityDescription& entity,
                                               const FetchRequest::Companion& companion,
                                               QString* problem) const;
    // Hands the companion found on a row of `batch` for the row's object `row` to the read's sink.
    void handCompanion(const CompanionRead& companion, const RowBatch& batch, int rowIndex,
                       ManagedObject& row, bool rowIsNew);
    // The companion object found on a row of `batch` for `row`, or null (CompanionRead::found).
    ObjectPtr readCompanion(const CompanionRead& companion, const RowBatch& batch, int rowIndex,
                            const ManagedObject& row, bool rowIsNew);
    // The fetch of both kinds of companion read.
    std::optional<QList<ObjectPtr>> fetchWithCompanions(const FetchRequest& request,
                                                        const CompanionSink* found,
                                                        const CompanionValuesSink* values,
                                                        PLOptionalError* error);
    // rowsVersion() of the entities of the rows `changes` updated or deleted moves on.
    void rowsChanged(const ChangeSet& changes);
    // An order the rows of a SELECT without ORDER BY are put in here, as SQLite would order them:
    // integer columns of the statement (NULL first), then the primary key in the last key's direction.
    struct RowOrder {
        QList<int> columns;
        QList<bool> ascending;
    };
    // The order of `sorts` when every key is an integer attribute of the entity that the statement
    // reads (`fetched`: the slots of a narrow read); none otherwise.
    static std::optional<RowOrder> rowOrderInMemory(const EntityDescription& entity,
                                                    const QList<SortDescriptor>& sorts,
                                                    const QList<int>* fetched);
    // The rows a SELECT of EntitySql::select() gives, as this context's objects (deleted ones left out);
    // with `fetched`, of EntitySql::selectSlots(*fetched), rows not registered yet becoming partial objects.
    // With `order`, put in that order; when a key column holds something other than an integer, nothing
    // is returned and `*orderLost` is set (the caller asks SQLite for the order instead). With
    // `companion`, the rows' companions are put in its map.
    std::optional<QList<ObjectPtr>> readRows(SqliteConnection& db, const EntityDescription& entity,
                                             const QString& sql, const QList<QVariant>& binds,
                                             PLOptionalError* error, const QList<int>* fetched = nullptr,
                                             const RowOrder* order = nullptr, bool* orderLost = nullptr,
                                             const CompanionRead* companion = nullptr);
    // The slots a request's properties to fetch name; null (error set) for an unknown name, empty
    // for a whole read.
    std::optional<QList<int>> slotsToFetch(const EntityDescription& entity, const QStringList& properties,
                                           QString* problem) const;
    // A WHERE term matching rows whose joined rows this context changed or deleted; empty when none.
    QString linkedRowsCondition(const SqlQueryBuilder& builder, QList<QVariant>* binds) const;
    bool writeChanges(SqliteConnection& db, ChangeSet& changes);
    void detachAll();
    // Re-reads every held row (keeping unsaved values) and forgets the rows that are gone.
    void resynchronize();
    // Rows deleted elsewhere: held objects go inert and unsaved references to them are cleared.
    void forgetDeletedRows(const QSet<qint64>& gone);
    void notifyChangeObservers(const ChangeSet* changes);

    std::shared_ptr<ObjectStore> m_store;
    QThread* m_thread;
    bool m_isMain;
    mutable QMutex m_nameMutex; // guards the name and the parent
    QString m_workingName;
    std::weak_ptr<ObjectContext> m_parent;
    bool m_invalidated = false;
    std::shared_ptr<SqliteConnection> m_connection;
    // A row's key in the identity map, hashed as itself. Keys are handed out in ascending order and
    // a list is read in key order, so a long read fills neighbouring buckets rather than touching a
    // random cache line per row.
    struct RowKey {
        qint64 pk;
        RowKey(qint64 key) : pk(key) {} // implicit: every lookup passes a row's key as it is
        friend bool operator==(RowKey a, RowKey b) { return a.pk == b.pk; }
        friend size_t qHash(RowKey key, size_t) noexcept { return size_t(key.pk); }
    };
    QHash<RowKey, std::weak_ptr<ManagedObject>> m_objects;
    qsizetype m_sweepAt = 1024;
    std::map<qint64, ObjectPtr> m_inserted;
    std::map<qint64, ObjectPtr> m_updated;
    std::map<qint64, ObjectPtr> m_deleted;
    QList<LinkChange> m_links;
    QSet<qint64> m_discarded; // inserted, then deleted before any save
    QMutex m_inboxMutex;
    QList<ChangeSetPtr> m_inbox;
    bool m_inboxOverflowed = false;
    std::atomic<bool> m_hasInbox{false};
    quint64 m_nextObserver = 1;
    quint64 m_fetchCount = 0;
    quint64 m_rowReadCount = 0;
    QHash<const EntityDescription*, quint64> m_rowsVersions;
    quint64 m_allRowsVersion = 0;
    QList<QPair<quint64, SaveObserver>> m_saveObservers;
    QList<QPair<quint64, SaveObserver>> m_commitObservers;
    QList<QPair<quint64, ChangeObserver>> m_changeObservers;
};

} // namespace pelnix::platform
