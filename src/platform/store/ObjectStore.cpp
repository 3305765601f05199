#include "platform/store/ObjectStore.h"

#include "platform/Log.h"
#include "platform/MainThread.h"
#include "platform/store/ObjectContext.h"
#include "platform/store/SqlQueryBuilder.h"
#include "platform/store/SqliteConnection.h"

#include <QCoreApplication>
#include <QSet>
#include <QWaitCondition>
#include <algorithm>
#include <sqlite3.h>

namespace pelnix::platform {

Q_LOGGING_CATEGORY(lcStore, "pelnix.store", QtWarningMsg)

namespace {
// Schema version of the tables this code writes, kept in PRAGMA user_version.
constexpr int kSchemaVersion = 1;
std::atomic<quint64> g_nextSerial{1};

struct ThreadContextCache {
    quint64 storeSerial = 0;
    quint32 version = 0;
    std::shared_ptr<ObjectContext> context;
};
thread_local ThreadContextCache t_cache;

using Q = SqlQueryBuilder;

// DDL cannot take bound parameters: defaults come from the compiled-in model, quoted here.
QString literal(const AttributeDescription& a) {
    const QVariant& v = a.defaultValue;
    if (v.isNull())
        return QStringLiteral("NULL");
    switch (a.type) {
    case AttributeType::String: {
        QString s = v.toString();
        s.replace(QLatin1Char('\''), QLatin1String("''"));
        return QLatin1Char('\'') + s + QLatin1Char('\'');
    }
    case AttributeType::Binary:
        return QStringLiteral("X'") + QString::fromLatin1(v.toByteArray().toHex()) + QLatin1Char('\'');
    case AttributeType::Double:
        return QString::number(v.toDouble(), 'g', 17);
    default:
        return QString::number(v.toLongLong());
    }
}

QString columnDefinition(const AttributeDescription& a) {
    static const char* types[] = {"INTEGER", "INTEGER", "INTEGER", "REAL", "INTEGER", "TEXT", "BLOB"};
    QString def = Q::quoted(a.name) + QLatin1Char(' ') + QLatin1String(types[int(a.type)]);
    if (a.isScalar())
        def += QStringLiteral(" NOT NULL");
    return def + QStringLiteral(" DEFAULT ") + literal(a);
}
} // namespace

// The store's SQLite handles that are still open. close() cannot reach a connection whose last
// owner has just let it go on another thread (its weak pointer has expired, its destructor is still
// closing the file), so it waits for this count to reach zero instead. SQLite keeps its locks, its
// deferred descriptors and its log index per file identity in the process: a handle still closing
// the deleted file would hand that state to a new file that reuses the identity, and every
// connection of the new store would then fail with a disk I/O error.
struct ObjectStore::OpenHandles {
    QMutex mutex;
    QWaitCondition noneOpen;
    int count = 0;

    void opened() {
        QMutexLocker lock(&mutex);
        ++count;
    }
    void closed() {
        QMutexLocker lock(&mutex);
        if (--count == 0)
            noneOpen.wakeAll();
    }
    void waitUntilNoneOpen() {
        QMutexLocker lock(&mutex);
        while (count > 0)
            noneOpen.wait(&mutex);
    }
};

ObjectStore::ObjectStore(std::shared_ptr<const ObjectModel> model, QString path)
    : m_model(std::move(model)), m_path(std::move(path)), m_serial(g_nextSerial.fetch_add(1)),
      m_openHandles(std::make_shared<OpenHandles>()) {
    m_connectPath = m_path == QLatin1String(":memory:")
                        ? QStringLiteral("file:pelnix-memory-%1?mode=memory&cache=shared").arg(m_serial)
                        : m_path;
    m_errorSink = [](const PLError& e) { Log::debug(QStringLiteral("Object store: ") + e.debugText()); };
    for (const auto& e : m_model->entities())
        m_sql.try_emplace(e.get(), *e, *m_model);
}

ObjectStore::~ObjectStore() {
    close();
}

PLError ObjectStore::sqlError(int code, const QString& text) {
    return PLError(QStringLiteral("NSSQLiteErrorDomain"), code, text);
}

std::shared_ptr<ObjectStore> ObjectStore::open(std::shared_ptr<const ObjectModel> model, const QString& path,
                                               PLOptionalError* error) {
    if (!model || !model->isFinished()) {
        if (error)
            *error = PLError(QStringLiteral("NSCocoaErrorDomain"), 134020,
                             QStringLiteral("The model is not finished."));
        return nullptr;
    }
    std::shared_ptr<ObjectStore> store(new ObjectStore(std::move(model), path));
    QString problem;
    store->m_admin = std::make_shared<SqliteConnection>();
    if (!store->m_admin->open(store->m_connectPath, &problem)) {
        if (error)
            *error = sqlError(store->m_admin->lastErrorCode(), problem);
        return nullptr;
    }
    store->countOpen(*store->m_admin);
    int code = 0;
    if (!store->createSchema(&problem, &code)) {
        store->m_admin->close();
        if (error)
            *error = code == 134100 ? PLError(QStringLiteral("NSCocoaErrorDomain"), code, problem)
                                    : sqlError(code, problem);
        return nullptr;
    }
    store->m_open = true;
    return store;
}

bool ObjectStore::createSchema(QString* problem, int* code) {
    SqliteConnection& db = *m_admin;
    QMutexLocker lock(&db.mutex());
    auto failed = [&] {
        *problem = db.lastError();
        *code = db.lastErrorCode();
        db.exec(QStringLiteral("ROLLBACK"));
        return false;
    };
    if (!db.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return failed();
    const int version = db.scalar(QStringLiteral("PRAGMA user_version")).toInt();
    if (version > kSchemaVersion) {
        db.exec(QStringLiteral("ROLLBACK"));
        *problem = QStringLiteral("The store was written by a newer model (version %1).").arg(version);
        *code = 134100;
        return false;
    }
    qint64 maxKey = 0;
    for (const auto& e : m_model->entities()) {
        const QString table = Q::quoted(e->name());
        QStringList cols{QStringLiteral("pk INTEGER PRIMARY KEY")};
        for (const auto& a : e->attributes())
            cols << columnDefinition(a);
        for (const auto& r : e->relationships())
            if (!r.toMany)
                cols << Q::quoted(r.name) + QStringLiteral(" INTEGER");
        if (!db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)")
                         .arg(table, cols.join(QStringLiteral(", ")))))
            return failed();
        // A newer model may bring new columns: add what the table lacks.
        QSet<QString> existing;
        sqlite3_stmt* info = db.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)"), {e->name()});
        bool row = info != nullptr;
        while (row && db.step(info, &row))
            if (row)
                existing.insert(SqliteConnection::columnValue(info, 0).toString());
        for (const auto& a : e->attributes())
            if (!existing.contains(a.name) &&
                !db.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(table, columnDefinition(a))))
                return failed();
        for (const auto& r : e->relationships())
            if (!r.toMany && !existing.contains(r.name) &&
                !db.exec(
                    QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 INTEGER").arg(table, Q::quoted(r.name))))
                return failed();
        QStringList indexed;
        for (const auto& a : e->attributes())
            if (a.indexed)
                indexed << a.name;
        for (const auto& r : e->relationships())
            if (!r.toMany && std::none_of(e->indexes().cbegin(), e->indexes().cend(),
                                          [&r](const QStringList& index) { return index.first() == r.name; }))
                indexed << r.name;
        QList<QStringList> indexes;
        for (const QString& c : indexed)
            indexes << QStringList{c};
        indexes << e->indexes();
        for (const QStringList& index : std::as_const(indexes)) {
            QStringList columns;
            for (const QString& c : index)
                columns << Q::quoted(c);
            const QString name = e->name() + QLatin1Char('_') + index.join(QLatin1Char('_'));
            if (!db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)")
                             .arg(Q::quoted(name), table, columns.join(QStringLiteral(", ")))))
                return failed();
        }
        maxKey =
            std::max(maxKey, db.scalar(QStringLiteral("SELECT max(pk) FROM %1").arg(table)).toLongLong());
    }
    for (const auto* r : m_model->joinRelationships()) {
        const QString table = Q::quoted(r->joinTable);
        if (!db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (a INTEGER NOT NULL, b INTEGER NOT NULL, "
                                    "PRIMARY KEY (a, b)) WITHOUT ROWID")
                         .arg(table)) ||
            !db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (b, a)")
                         .arg(Q::quoted(r->joinTable + QStringLiteral("_b")), table)))
            return failed();
    }
    if (!db.exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion)) ||
        !db.exec(QStringLiteral("COMMIT")))
        return failed();
    m_nextPrimaryKey = maxKey + 1;
    return true;
}

void ObjectStore::close() {
    std::shared_ptr<ObjectContext> main;
    QList<std::shared_ptr<SqliteConnection>> connections;
    {
        QMutexLocker lock(&m_mutex);
        if (!m_open.exchange(false) && !m_admin)
            return;
        main.swap(m_mainContext);
        for (const auto& w : std::as_const(m_connections))
            if (auto c = w.lock())
                connections << c;
        m_connections.clear();
        if (m_admin)
            connections << m_admin;
        m_admin.reset();
    }
    // Each connection is closed under its own lock, so a worker mid-query finishes first.
    for (const auto& c : connections) {
        QMutexLocker lock(&c->mutex());
        c->close();
    }
    m_openHandles->waitUntilNoneOpen();
    if (main) {
        // The main context's objects become inert on the main thread, where they are used.
        if (isMainThread() || !QCoreApplication::instance())
            main->reset();
        else
            runOnMain([main] { main->reset(); });
    }
}

std::shared_ptr<SqliteConnection> ObjectStore::connect(QString* problem) {
    if (!m_open.load()) {
        *problem = QStringLiteral("The store is closed.");
        return nullptr;
    }
    // Opened under the store's lock, so that no open straddles a close: a connection opened while
    // the store closes and its files are deleted would keep the deleted file open, and SQLite, which
    // shares its locks and log index per file identity, would hand that stale state to the
    // connections of a new file that reuses the identity (every one of them then fails with a disk
    // I/O error).
    QMutexLocker lock(&m_mutex);
    if (!m_open.load()) {
        *problem = QStringLiteral("The store is closed.");
        return nullptr;
    }
    auto c = std::make_shared<SqliteConnection>();
    if (!c->open(m_connectPath, problem))
        return nullptr;
    countOpen(*c);
    m_connections.removeIf([](const auto& w) { return w.expired(); });
    m_connections << c;
    return c;
}

void ObjectStore::countOpen(SqliteConnection& connection) {
    m_openHandles->opened();
    connection.setOnClosed([handles = m_openHandles] { handles->closed(); });
}

void ObjectStore::track(const std::shared_ptr<ObjectContext>& context) {
    QMutexLocker lock(&m_mutex);
    m_contexts.removeIf([](const auto& w) { return w.expired(); });
    m_contexts << context;
}

std::shared_ptr<ObjectContext> ObjectStore::mainContext() {
    if (!isMainThread())
        return nullptr;
    QMutexLocker lock(&m_mutex);
    if (!m_mainContext && m_open.load()) {
        m_mainContext =
            std::make_shared<ObjectContext>(shared_from_this(), QStringLiteral("Main Context"), true);
        m_contexts.removeIf([](const auto& w) { return w.expired(); });
        m_contexts << m_mainContext;
    }
    return m_mainContext;
}

std::shared_ptr<ObjectContext> ObjectStore::contextForCurrentThread() {
    if (isMainThread())
        return mainContext();
    const quint32 version = m_threadCacheVersion.load();
    if (t_cache.context && t_cache.storeSerial == m_serial && t_cache.version == version)
        return t_cache.context;
    t_cache.context = newContext(QStringLiteral("Thread Context"));
    t_cache.storeSerial = m_serial;
    t_cache.version = version;
    return t_cache.context;
}

std::shared_ptr<ObjectContext> ObjectStore::newContext(const QString& workingName) {
    auto context = std::make_shared<ObjectContext>(shared_from_this(), workingName, false);
    track(context);
    return context;
}

void ObjectStore::clearNonMainThreadContextsCache() {
    m_threadCacheVersion.fetch_add(1);
}

void ObjectStore::clearContextForCurrentThread() {
    t_cache = ThreadContextCache();
}

void ObjectStore::setErrorSink(ErrorSink sink) {
    QMutexLocker lock(&m_mutex);
    m_errorSink = std::move(sink);
}

void ObjectStore::reportError(const PLError& error) const {
    ErrorSink sink;
    {
        QMutexLocker lock(&m_mutex);
        sink = m_errorSink;
    }
    if (sink)
        sink(error);
}

void ObjectStore::publish(const ObjectContext* origin, const ChangeSetPtr& changes) {
    QList<std::shared_ptr<ObjectContext>> targets;
    {
        QMutexLocker lock(&m_mutex);
        for (const auto& w : std::as_const(m_contexts))
            if (auto c = w.lock(); c && c.get() != origin)
                targets << c;
    }
    for (const auto& c : targets) {
        c->enqueueChanges(changes);
        if (c->isMainContext()) {
            // Queued now, so it runs before anything the saving thread queues to main afterwards.
            std::weak_ptr<ObjectContext> weak = c;
            runOnMain([weak] {
                if (auto main = weak.lock())
                    main->processPendingMerges();
            });
        }
    }
}

} // namespace pelnix::platform
