#pragma once

#include "platform/PLError.h"
#include "platform/store/ChangeSet.h"
#include "platform/store/EntitySql.h"
#include "platform/store/ObjectModel.h"

#include <QLoggingCategory>
#include <QMutex>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <unordered_map>

namespace pelnix::platform {

Q_DECLARE_LOGGING_CATEGORY(lcStore)

class ObjectContext;
class SqliteConnection;

// One open SQLite store (WAL) built from a model: tables are created or extended at open.
//
// Contexts: the main thread's context, one cached context per other thread and new contexts on
// demand. Every context saves straight to the file, serialised by one commit lock; the change set
// of each save is then handed to every other context, which merges it on its own thread before
// its next fetch or save (the main context also at once through its event loop, so a worker's
// notifications queued to the main thread after a save find the main context up to date). A
// worker therefore never waits for the main thread. Per property, a context's unsaved values win
// over merged ones; between two saves of one property the later save wins.
//
// Errors never raise: they go to the error sink (logged by default) and the call returns an
// empty result.
class ObjectStore : public std::enable_shared_from_this<ObjectStore> {
public:
    using ErrorSink = std::function<void(const PLError&)>;

    // Opens (creating when absent) the store at `path`; ":memory:" gives a private in-memory store.
    // The model must be finished. Null with `error` set on failure.
    static std::shared_ptr<ObjectStore> open(std::shared_ptr<const ObjectModel> model, const QString& path,
                                             PLOptionalError* error = nullptr);
    ~ObjectStore();
    ObjectStore(const ObjectStore&) = delete;
    ObjectStore& operator=(const ObjectStore&) = delete;

    // Closes every connection before returning (the files may be deleted afterwards) and makes
    // every context and object of this store inert.
    void close();
    bool isOpen() const { return m_open.load(); }
    QString path() const { return m_path; }
    std::shared_ptr<const ObjectModel> model() const { return m_model; }

    // The main thread's context (null when called on another thread).
    std::shared_ptr<ObjectContext> mainContext();
    // The main context on the main thread; elsewhere the thread's cached context.
    std::shared_ptr<ObjectContext> contextForCurrentThread();
    std::shared_ptr<ObjectContext> newContext(const QString& workingName = {});
    // Every thread builds a fresh context on its next contextForCurrentThread().
    void clearNonMainThreadContextsCache();
    // Forgets the calling thread's cached context.
    static void clearContextForCurrentThread();

    void setErrorSink(ErrorSink sink);
    void reportError(const PLError& error) const;
    static PLError sqlError(int code, const QString& text);

    // Used by contexts.
    qint64 nextPrimaryKey() { return m_nextPrimaryKey.fetch_add(1); }
    std::shared_ptr<SqliteConnection> connect(QString* problem);
    QMutex& commitMutex() { return m_commitMutex; }
    // The statement text of an entity of this store's model.
    const EntitySql& sqlFor(const EntityDescription& entity) const { return m_sql.at(&entity); }
    void publish(const ObjectContext* origin, const ChangeSetPtr& changes);

private:
    struct OpenHandles;
    ObjectStore(std::shared_ptr<const ObjectModel> model, QString path);
    void countOpen(SqliteConnection& connection);
    bool createSchema(QString* problem, int* code);
    void track(const std::shared_ptr<ObjectContext>& context);

    const std::shared_ptr<const ObjectModel> m_model;
    std::unordered_map<const EntityDescription*, EntitySql> m_sql; // read-only once built
    QString m_path;
    QString m_connectPath;
    const quint64 m_serial;
    std::atomic<bool> m_open{false};
    std::atomic<quint32> m_threadCacheVersion{0};
    std::atomic<qint64> m_nextPrimaryKey{1};
    QMutex m_commitMutex;
    const std::shared_ptr<OpenHandles> m_openHandles;
    mutable QMutex m_mutex; // guards what follows
    std::shared_ptr<SqliteConnection> m_admin;
    QList<std::weak_ptr<SqliteConnection>> m_connections;
    QList<std::weak_ptr<ObjectContext>> m_contexts;
    std::shared_ptr<ObjectContext> m_mainContext;
    ErrorSink m_errorSink;
};

} // namespace pelnix::platform
