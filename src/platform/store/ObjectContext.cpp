#include "platform/store/ObjectContext.h"

#include "platform/MainThread.h"
#include "platform/store/ObjectStore.h"
#include "platform/store/RowBatch.h"
#include "platform/store/SqlQueryBuilder.h"
#include "platform/store/SqliteConnection.h"

#include <QSet>
#include <QStringBuilder>
#include <algorithm>
#include <numeric>
#include <sqlite3.h>

namespace pelnix::platform {

namespace {
const QString kDomain = QStringLiteral("NSCocoaErrorDomain");
using Q = SqlQueryBuilder;

QString sqlFunction(const QString& function) {
    static const QStringList known{"max", "min", "sum", "avg", "count"};
    QString name = function;
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return known.contains(name) ? name : QString();
}

// A column's value as the attribute holds it (null `a`: a foreign key).
template <class Row> QVariant columnValue(const AttributeDescription* a, const Row& row, int column) {
    if (!a)
        return storedValue(row, column);
    // The usual pairs of column and attribute type, read as coerce() would give them.
    switch (row.type(column)) {
    case SQLITE_NULL:
        return a->isScalar() ? a->defaultValue : QVariant();
    case SQLITE_INTEGER: {
        const qint64 v = row.integer(column);
        switch (a->type) {
        case AttributeType::Int16:
            return QVariant(qlonglong(qint16(v)));
        case AttributeType::Int32:
            return QVariant(qlonglong(qint32(v)));
        case AttributeType::Int64:
            return QVariant(qlonglong(v));
        case AttributeType::Bool:
            return QVariant(v != 0);
        case AttributeType::Double:
            return QVariant(double(v));
        default:
            break;
        }
        break;
    }
    case SQLITE_FLOAT:
        if (a->type == AttributeType::Double)
            return QVariant(row.real(column));
        break;
    case SQLITE_TEXT:
        if (a->type == AttributeType::String)
            return QVariant(QString::fromUtf8(row.bytes(column)));
        break;
    default:
        break;
    }
    return a->coerce(storedValue(row, column));
}

// columnValue() appended to `values`, built in its place (no temporary to move and destroy: a list
// of a thousand rows holds tens of thousands of values).
template <class Row>
void appendColumnValue(SlotValues& values, const AttributeDescription* a, const Row& row, int column) {
    const int type = row.type(column);
    if (type == SQLITE_NULL) {
        if (a && a->isScalar())
            values.emplace_back(a->defaultValue);
        else
            values.emplace_back();
        return;
    }
    if (!a && type == SQLITE_INTEGER) {
        values.emplace_back(qlonglong(row.integer(column)));
        return;
    }
    if (a && type == SQLITE_INTEGER) {
        const qint64 v = row.integer(column);
        switch (a->type) {
        case AttributeType::Int16:
            values.emplace_back(qlonglong(qint16(v)));
            return;
        case AttributeType::Int32:
            values.emplace_back(qlonglong(qint32(v)));
            return;
        case AttributeType::Int64:
            values.emplace_back(qlonglong(v));
            return;
        case AttributeType::Bool:
            values.emplace_back(v != 0);
            return;
        case AttributeType::Double:
            values.emplace_back(double(v));
            return;
        default:
            break;
        }
    }
    if (a && type == SQLITE_TEXT && a->type == AttributeType::String) {
        values.emplace_back(QString::fromUtf8(row.bytes(column)));
        return;
    }
    values.push_back(columnValue(a, row, column));
}

// The slot values of a row of a SELECT of EntitySql::select().
template <class Row> SlotValues rowValues(const EntityDescription& entity, const Row& row) {
    SlotValues values;
    values.reserve(size_t(entity.slotCount()));
    for (int s = 0; s < entity.slotCount(); ++s)
        appendColumnValue(values, entity.attributeForSlot(s), row, s + 1);
    return values;
}

// The same of the columns of `fetched` (slots in ascending order), from `firstColumn` on: the other
// slots hold nothing until loaded.
template <class Row>
SlotValues rowValues(const EntityDescription& entity, const Row& row, const QList<int>& fetched,
                     int firstColumn = 1) {
    SlotValues values;
    values.reserve(size_t(entity.slotCount()));
    qsizetype next = 0;
    for (int s = 0; s < entity.slotCount(); ++s) {
        if (next < fetched.size() && fetched[next] == s)
            appendColumnValue(values, entity.attributeForSlot(s), row, int(next++) + firstColumn);
        else
            values.emplace_back();
    }
    Q_ASSERT(next == fetched.size());
    return values;
}

// Rows a read copies out of SQLite at a time (see RowBatch).
constexpr int kRowsPerBatch = 64;

// A new row's values: attributes take the first slots, in order; the foreign keys after them start empty.
SlotValues defaultValues(const EntityDescription& entity) {
    SlotValues values;
    values.reserve(size_t(entity.slotCount()));
    for (const auto& a : entity.attributes())
        values.push_back(a.defaultValue);
    values.resize(size_t(entity.slotCount()));
    return values;
}
} // namespace

ObjectContext::ObjectContext(std::shared_ptr<ObjectStore> store, QString workingName, bool isMain)
    : m_store(std::move(store)), m_thread(QThread::currentThread()), m_isMain(isMain),
      m_workingName(std::move(workingName)) {}

ObjectContext::~ObjectContext() {
    detachAll();
}

bool ObjectContext::isLive() const {
    return !m_invalidated && m_store && m_store->isOpen();
}

void ObjectContext::checkThread() const {
    Q_ASSERT_X(QThread::currentThread() == m_thread, "ObjectContext",
               "used from a thread it does not belong to");
}

QString ObjectContext::workingName() const {
    QMutexLocker lock(&m_nameMutex);
    return m_workingName.isEmpty() ? QStringLiteral("Untitled Context") : m_workingName;
}

void ObjectContext::setWorkingName(const QString& name) {
    QMutexLocker lock(&m_nameMutex);
    m_workingName = name;
}

std::shared_ptr<ObjectContext> ObjectContext::parentContext() const {
    QMutexLocker lock(&m_nameMutex);
    return m_parent.lock();
}

void ObjectContext::setParentContext(const std::shared_ptr<ObjectContext>& parent) {
    QMutexLocker lock(&m_nameMutex);
    m_parent = parent;
}

void ObjectContext::fail(PLOptionalError* error, const PLError& e) const {
    if (m_store)
        m_store->reportError(e);
    if (error)
        *error = e;
}

std::shared_ptr<SqliteConnection> ObjectContext::connection(PLOptionalError* error) {
    if (!isLive()) {
        fail(error, PLError(kDomain, 134060, QStringLiteral("The store is closed.")));
        return nullptr;
    }
    if (!m_connection) {
        QString problem;
        m_connection = m_store->connect(&problem);
        if (!m_connection) {
            fail(error, PLError(kDomain, 134060, problem));
            return nullptr;
        }
    }
    return m_connection;
}

ObjectPtr ObjectContext::registered(qint64 primaryKey) const {
    auto it = m_objects.find(primaryKey);
    return it == m_objects.end() ? nullptr : it->lock();
}

void ObjectContext::registerObject(const ObjectPtr& object) {
    m_objects.insert(object->m_primaryKey, object);
    if (m_objects.size() > m_sweepAt)
        sweep();
}

void ObjectContext::sweep() {
    for (auto it = m_objects.begin(); it != m_objects.end();)
        it = it->expired() ? m_objects.erase(it) : std::next(it);
    m_sweepAt = std::max<qsizetype>(1024, m_objects.size() * 2);
}

ObjectPtr ObjectContext::materialize(const EntityDescription* entity, qint64 pk, SlotValues&& values,
                                     const SlotFlags& loaded) {
    if (auto existing = registered(pk))
        return existing->m_deleted ? nullptr : existing;
    return materializeNew(entity, pk, std::move(values), loaded);
}

ObjectPtr ObjectContext::materializeNew(const EntityDescription* entity, qint64 pk, SlotValues&& values,
                                        const SlotFlags& loaded) {
    ObjectPtr object = newObject(entity, pk, std::move(values), loaded);
    registerObject(object);
    return object;
}

ObjectPtr ObjectContext::newObject(const EntityDescription* entity, qint64 pk, SlotValues&& values,
                                   const SlotFlags& loaded) {
    ObjectPtr object = entity->instantiate();
    object->m_entity = entity;
    object->m_context = this;
    object->m_primaryKey = pk;
    object->m_values = std::move(values);
    object->m_changed.assign(size_t(entity->slotCount()), false);
    object->m_loaded = loaded;
    return object;
}

const EntitySql& ObjectContext::sql(const EntityDescription& entity) const {
    return m_store->sqlFor(entity);
}

ObjectPtr ObjectContext::insertObject(const QString& entityName) {
    checkThread();
    processPendingMerges();
    const auto* entity = m_store ? m_store->model()->entityNamed(entityName) : nullptr;
    if (!entity || !isLive()) {
        fail(nullptr,
             PLError(kDomain, 134000, QStringLiteral("No entity %1 in an open store.").arg(entityName)));
        return nullptr;
    }
    ObjectPtr object = materialize(entity, m_store->nextPrimaryKey(), defaultValues(*entity));
    object->m_inserted = true;
    m_inserted.emplace(object->m_primaryKey, object);
    return object;
}

void ObjectContext::deleteObject(const ObjectPtr& object) {
    checkThread();
    if (!object || object->m_context != this || object->m_deleted)
        return;
    object->m_deleted = true;
    m_updated.erase(object->m_primaryKey);
    if (object->m_inserted) {
        // Never stored: forgetting it is enough.
        m_inserted.erase(object->m_primaryKey);
        m_discarded.insert(object->m_primaryKey);
        m_objects.remove(object->m_primaryKey);
        object->becomeInert();
        return;
    }
    m_deleted.emplace(object->m_primaryKey, object);
}

ObjectPtr ObjectContext::objectForKey(const EntityDescription* entity, qint64 primaryKey) {
    if (!entity || primaryKey <= 0 || !isLive())
        return nullptr;
    if (auto existing = registered(primaryKey))
        return existing->m_deleted ? nullptr : existing;
    auto db = connection(nullptr);
    if (!db)
        return nullptr;
    ++m_rowReadCount;
    QMutexLocker lock(&db->mutex());
    sqlite3_stmt* stmt = db->statement(sql(*entity).selectByKey());
    if (stmt)
        sqlite3_bind_int64(stmt, 1, primaryKey);
    bool row = false;
    if (!stmt || !db->step(stmt, &row)) {
        fail(nullptr, ObjectStore::sqlError(db->lastErrorCode(), db->lastError()));
        return nullptr;
    }
    if (!row)
        return nullptr;
    auto values = rowValues(*entity, StatementRow(stmt));
    sqlite3_reset(stmt);
    return materialize(entity, primaryKey, std::move(values));
}

ObjectPtr ObjectContext::objectFromStoredValues(const EntityDescription* entity, qint64 primaryKey,
                                                SlotValues&& values, const SlotFlags& loaded) {
    checkThread();
    if (!entity || primaryKey <= 0 || !isLive() || values.size() != size_t(entity->slotCount()) ||
        (!loaded.empty() && loaded.size() != values.size()))
        return nullptr;
    return materialize(entity, primaryKey, std::move(values), loaded.all() ? SlotFlags() : loaded);
}

ObjectPtr ObjectContext::existingObject(const QString& entityName, qint64 primaryKey,
                                        PLOptionalError* error) {
    checkThread();
    processPendingMerges();
    const auto* entity = m_store ? m_store->model()->entityNamed(entityName) : nullptr;
    if (!entity) {
        fail(error, PLError(kDomain, 133000, QStringLiteral("No entity %1.").arg(entityName)));
        return nullptr;
    }
    return objectForKey(entity, primaryKey);
}

const EntityDescription* ObjectContext::entityForRequest(const QString& name, PLOptionalError* error) {
    checkThread();
    processPendingMerges();
    const auto* entity = m_store ? m_store->model()->entityNamed(name) : nullptr;
    if (!entity)
        fail(error, PLError(kDomain, 134000, QStringLiteral("No entity %1.").arg(name)));
    return entity;
}

std::optional<QList<ObjectPtr>> ObjectContext::executeFetchRequest(const FetchRequest& request,
                                                                   PLOptionalError* error) {
    return executeFetchRequestWithCompanions(request, {}, error);
}

std::optional<QList<ObjectPtr>> ObjectContext::executeFetchRequestWithCompanions(const FetchRequest& request,
                                                                                 const CompanionSink& found,
                                                                                 PLOptionalError* error) {
    return fetchWithCompanions(request, found ? &found : nullptr, nullptr, error);
}

std::optional<QList<ObjectPtr>> ObjectContext::executeFetchRequestWithCompanionValues(
    const FetchRequest& request, const CompanionValuesSink& found, PLOptionalError* error) {
    return fetchWithCompanions(request, nullptr, found ? &found : nullptr, error);
}

std::optional<QList<ObjectPtr>> ObjectContext::fetchWithCompanions(const FetchRequest& request,
                                                                   const CompanionSink* found,
                                                                   const CompanionValuesSink* values,
                                                                   PLOptionalError* error) {
    ++m_fetchCount;
    const auto* entity = entityForRequest(request.entityName, error);
    if (!entity)
        return std::nullopt;
    SqlQueryBuilder b(*entity);
    b.setListJoinsAllowed(true);
    QString problem;
    const QString where = request.predicate.toSql(b, &problem);
    QStringList order;
    for (const auto& s : request.sortDescriptors) {
        const QString col = b.column(s.key);
        if (col.isEmpty()) {
            problem = QStringLiteral("%1 has no sort key %2").arg(entity->name(), s.key);
            break;
        }
        order << col + (s.ascending ? QStringLiteral(" ASC") : QStringLiteral(" DESC"));
    }
    std::optional<QList<int>> fetched;
    if (problem.isEmpty() && !where.isEmpty())
        fetched = slotsToFetch(*entity, request.propertiesToFetch, &problem);
    std::optional<CompanionRead> companion;
    if (problem.isEmpty() && !where.isEmpty() && (found || values) && request.companion) {
        companion = companionRead(*entity, *request.companion, &problem);
        if (companion) {
            // The row's attribute is read with the row, to tell an unsaved change of it.
            if (!fetched->isEmpty() && !fetched->contains(companion->attributeSlot)) {
                fetched->insert(std::lower_bound(fetched->begin(), fetched->end(), companion->attributeSlot),
                                companion->attributeSlot);
                if (fetched->size() == entity->slotCount())
                    fetched->clear();
            }
            companion->attributeColumn =
                1 + int(fetched->isEmpty() ? companion->attributeSlot
                                           : fetched->indexOf(companion->attributeSlot));
            companion->firstColumn = 1 + int(fetched->isEmpty() ? entity->slotCount() : fetched->size());
            companion->found = found;
            companion->values = values;
        }
    }
    if (where.isEmpty() || !problem.isEmpty()) {
        fail(error, PLError(kDomain, 134000, problem));
        return std::nullopt;
    }
    const bool narrow = !fetched->isEmpty();
    // Ties go by primary key in the direction of the last key, so an index on that key serves the order.
    const bool lastDescending =
        !request.sortDescriptors.isEmpty() && !request.sortDescriptors.last().ascending;
    order << (lastDescending ? QStringLiteral("t0.pk DESC") : QStringLiteral("t0.pk"));
    auto db = connection(error);
    if (!db)
        return std::nullopt;

    // Rows whose stored values are not what this context sees are placed from memory: this
    // entity's unsaved rows, and saved rows whose key paths pass through a row changed here.
    std::map<qint64, ObjectPtr> inMemory;
    for (const auto* set : {&m_inserted, &m_updated, &m_deleted})
        for (const auto& [pk, o] : *set)
            if (o->m_entity == entity)
                inMemory.emplace(pk, o);
    const EntitySql& statements = sql(*entity);
    QList<QVariant> linkBinds;
    const QString linked = linkedRowsCondition(b, &linkBinds);
    if (!linked.isEmpty()) {
        const QString text = statements.select() % b.joins() % QLatin1String(" WHERE ") % linked;
        auto rows = readRows(*db, *entity, text, b.joinBinds() + linkBinds, error);
        if (!rows)
            return std::nullopt;
        for (const auto& o : *rows)
            inMemory.emplace(o->m_primaryKey, o);
    }

    QList<QVariant> binds = b.binds();
    QLatin1String limit;
    if (request.fetchLimit > 0) {
        // Rows placed from memory may leave the result: fetch enough to make up for them.
        limit = QLatin1String(" LIMIT ?");
        binds << QVariant(qlonglong(request.fetchLimit + qsizetype(inMemory.size())));
    }
    // An order on integer keys is cheaper to give here than through SQLite's sorter, which copies
    // every row whole into a temporary tree; a limit needs the order in SQL.
    const std::optional<RowOrder> orderHere =
        request.fetchLimit > 0
            ? std::nullopt
            : rowOrderInMemory(*entity, request.sortDescriptors, narrow ? &*fetched : nullptr);
    QString rowsSelect = narrow ? statements.selectSlots(*fetched) : statements.select();
    if (companion) {
        // The companion as one more row of the join: the first stored one by key, so that a key
        // several rows share still gives one row here.
        const EntitySql& theirs = sql(*companion->entity);
        const QList<int>& ownSlots = narrow ? *fetched : statements.allSlots();
        rowsSelect = QLatin1String("SELECT ") % statements.columns(QStringLiteral("t0"), ownSlots) %
                     QLatin1String(", ") % theirs.columns(QStringLiteral("c0"), companion->readSlots) %
                     QLatin1String(" FROM ") % statements.table() % QLatin1String(" AS t0 LEFT JOIN ") %
                     theirs.table() % QLatin1String(" AS c0 ON c0.pk = (SELECT pk FROM ") % theirs.table() %
                     QLatin1String(" WHERE ") % Q::quoted(request.companion->key) % QLatin1String(" = t0.") %
                     Q::quoted(request.companion->attribute) % QLatin1String(" ORDER BY pk LIMIT 1)");
    }
    const QString select = rowsSelect % b.joins() % QLatin1String(" WHERE ") % where;
    const QString sqlOrder = QLatin1String(" ORDER BY ") % order.join(QStringLiteral(", "));
    const CompanionRead* companionPtr = companion ? &*companion : nullptr;
    bool orderLost = false;
    auto stored =
        readRows(*db, *entity, orderHere ? select : select % sqlOrder % limit, binds, error,
                 narrow ? &*fetched : nullptr, orderHere ? &*orderHere : nullptr, &orderLost, companionPtr);
    if (orderLost) {
        stored = readRows(*db, *entity, select % sqlOrder % limit, binds, error, narrow ? &*fetched : nullptr,
                          nullptr, nullptr, companionPtr);
    }
    if (!stored)
        return std::nullopt;
    if (inMemory.empty())
        return stored;

    bool changed = false;
    QList<ObjectPtr> result;
    result.reserve(stored->size());
    for (const auto& o : std::as_const(*stored)) {
        if (inMemory.count(o->m_primaryKey))
            changed = true;
        else
            result << o;
    }
    for (const auto& [pk, o] : inMemory) {
        if (o->m_deleted || !request.predicate.evaluate(*o))
            continue;
        result << o;
        changed = true;
    }
    if (changed)
        std::stable_sort(result.begin(), result.end(), [&](const ObjectPtr& x, const ObjectPtr& y) {
            return SortDescriptor::compare(*x, *y, request.sortDescriptors) < 0;
        });
    if (request.fetchLimit > 0 && result.size() > request.fetchLimit)
        result.resize(request.fetchLimit);
    return result;
}

std::optional<QList<int>> ObjectContext::slotsToFetch(const EntityDescription& entity,
                                                      const QStringList& properties, QString* problem) const {
    QList<int> fetched;
    if (properties.isEmpty())
        return fetched;
    std::vector<bool> wanted(size_t(entity.slotCount()), false);
    for (const QString& name : properties) {
        if (const auto* a = entity.attributeNamed(name))
            wanted[size_t(a->slot)] = true;
        else if (const auto* r = entity.relationshipNamed(name); r && !r->toMany)
            wanted[size_t(r->slot)] = true;
        else if (!r) {
            *problem = QStringLiteral("%1 has no property %2 to fetch").arg(entity.name(), name);
            return std::nullopt;
        }
        // A to-many relationship has no column: it is read when asked for, as always.
    }
    for (int s = 0; s < entity.slotCount(); ++s)
        if (wanted[size_t(s)])
            fetched << s;
    if (fetched.size() == entity.slotCount())
        fetched.clear();
    return fetched;
}

std::optional<ObjectContext::CompanionRead>
ObjectContext::companionRead(const EntityDescription& entity, const FetchRequest::Companion& companion,
                             QString* problem) const {
    CompanionRead read;
    read.entity = m_store->model()->entityNamed(companion.entityName);
    const auto* attribute = entity.attributeNamed(companion.attribute);
    const auto* key = read.entity ? read.entity->attributeNamed(companion.key) : nullptr;
    if (!attribute || !key) {
        *problem = QStringLiteral("%1 has no companion %2.%3 for its %4")
                       .arg(entity.name(), companion.entityName, companion.key, companion.attribute);
        return std::nullopt;
    }
    read.attributeSlot = attribute->slot;
    read.keySlot = key->slot;
    auto wanted = slotsToFetch(*read.entity, companion.properties + QStringList{companion.key}, problem);
    if (!wanted)
        return std::nullopt;
    read.readSlots = wanted->isEmpty() ? sql(*read.entity).allSlots() : *wanted;
    if (!wanted->isEmpty()) {
        read.loaded.assign(size_t(read.entity->slotCount()), false);
        for (int s : read.readSlots)
            read.loaded.set(size_t(s), true);
    }
    read.keyFromRow = key->type == attribute->type;
    if (read.keyFromRow)
        read.readSlots.removeOne(read.keySlot);
    for (const QString& name : companion.properties) {
        const auto* a = read.entity->attributeNamed(name);
        const auto* r = a ? nullptr : read.entity->relationshipNamed(name);
        const int slot = a ? a->slot : r && !r->toMany ? r->slot : -1;
        const qsizetype at = read.readSlots.indexOf(slot);
        read.propertyColumns << (slot == read.keySlot && read.keyFromRow ? -1 : at < 0 ? -2 : int(at) + 1);
        read.propertyAttributes << a;
    }
    return read;
}

QVariant ObjectContext::StoredCompanion::value(int index) const {
    const int column = m_read.propertyColumns.value(index, -2);
    const BatchRow stored(m_batch, m_row);
    if (column == -1)
        return columnValue(m_read.propertyAttributes[index], stored, m_read.attributeColumn);
    if (column < 0)
        return {}; // a to-many relationship, or no property of that index
    return columnValue(m_read.propertyAttributes[index], stored, m_read.firstColumn + column);
}

void ObjectContext::handCompanion(const CompanionRead& companion, const RowBatch& batch, int rowIndex,
                                  ManagedObject& row, bool rowIsNew) {
    if (companion.found) {
        if (ObjectPtr found = readCompanion(companion, batch, rowIndex, row, rowIsNew))
            (*companion.found)(row, std::move(found));
        return;
    }
    const BatchRow stored(batch, rowIndex);
    if (stored.type(companion.firstColumn) == SQLITE_NULL) {
        (*companion.values)(row, nullptr, nullptr);
        return;
    }
    const qint64 pk = stored.integer(companion.firstColumn);
    const auto entry = m_objects.constFind(pk);
    if (ObjectPtr held = entry == m_objects.cend() ? nullptr : entry->lock()) {
        // The context's object decides, as for an object read.
        held = readCompanion(companion, batch, rowIndex, row, rowIsNew);
        (*companion.values)(row, held, nullptr);
        return;
    }
    // The join matched the row's stored attribute; a row that holds another value of it has none.
    if (!rowIsNew && row.isLoaded(companion.attributeSlot) &&
        row.m_values[size_t(companion.attributeSlot)] !=
            columnValue(row.m_entity->attributeForSlot(companion.attributeSlot), stored,
                        companion.attributeColumn)) {
        (*companion.values)(row, nullptr, nullptr);
        return;
    }
    const StoredCompanion values(batch, rowIndex, companion, pk);
    (*companion.values)(row, nullptr, &values);
}

ObjectPtr ObjectContext::readCompanion(const CompanionRead& companion, const RowBatch& batch, int rowIndex,
                                       const ManagedObject& row, bool rowIsNew) {
    const BatchRow stored(batch, rowIndex);
    if (stored.type(companion.firstColumn) == SQLITE_NULL)
        return nullptr;
    const qint64 pk = stored.integer(companion.firstColumn);
    const AttributeDescription* attribute = row.m_entity->attributeForSlot(companion.attributeSlot);
    std::weak_ptr<ManagedObject>& entry = m_objects[pk];
    ObjectPtr found = entry.lock();
    const bool isNew = !found;
    if (isNew) {
        auto values = rowValues(*companion.entity, stored, companion.readSlots, companion.firstColumn + 1);
        if (companion.keyFromRow)
            values[size_t(companion.keySlot)] =
                rowIsNew ? row.m_values[size_t(companion.attributeSlot)]
                         : columnValue(attribute, stored, companion.attributeColumn);
        found = newObject(companion.entity, pk, std::move(values), companion.loaded);
        entry = found;
    }
    if (found->m_deleted || found->m_entity != companion.entity)
        return nullptr;
    if (rowIsNew && isNew)
        return found; // both as stored: the join matched them
    // What this context holds on either side; a slot not read yet holds what is stored, which the
    // join matched to the row's stored attribute.
    const auto seen = [&stored, &companion, attribute](const ManagedObject& object, int slot) {
        return object.isLoaded(slot) ? object.m_values[size_t(slot)]
                                     : columnValue(attribute, stored, companion.attributeColumn);
    };
    return seen(row, companion.attributeSlot) == seen(*found, companion.keySlot) ? found : nullptr;
}

std::optional<ObjectContext::RowOrder> ObjectContext::rowOrderInMemory(const EntityDescription& entity,
                                                                       const QList<SortDescriptor>& sorts,
                                                                       const QList<int>* fetched) {
    RowOrder order;
    for (const auto& s : sorts) {
        const auto* a = entity.attributeNamed(s.key);
        if (!a || (a->type != AttributeType::Int16 && a->type != AttributeType::Int32 &&
                   a->type != AttributeType::Int64 && a->type != AttributeType::Bool))
            return std::nullopt;
        const qsizetype column = fetched ? fetched->indexOf(a->slot) : a->slot;
        if (column < 0)
            return std::nullopt; // not read by this statement
        order.columns << int(column) + 1;
        order.ascending << s.ascending;
    }
    return order;
}

std::optional<QList<ObjectPtr>> ObjectContext::readRows(SqliteConnection& db, const EntityDescription& entity,
                                                        const QString& sql, const QList<QVariant>& binds,
                                                        PLOptionalError* error, const QList<int>* fetched,
                                                        const RowOrder* order, bool* orderLost,
                                                        const CompanionRead* companion) {
    SlotFlags loaded;
    if (fetched) {
        loaded.assign(size_t(entity.slotCount()), false);
        for (int s : *fetched)
            loaded.set(size_t(s), true);
    }
    QList<ObjectPtr> out;
    // The key values of each object of `out`, as SQLite would compare them: NULL (none) before any
    // integer.
    std::vector<std::optional<qint64>> keys;
    const qsizetype keyCount = order ? order->columns.size() : 0;
    {
        QMutexLocker lock(&db.mutex());
        sqlite3_stmt* stmt = db.prepare(sql, binds);
        if (!stmt) {
            fail(error, ObjectStore::sqlError(db.lastErrorCode(), db.lastError()));
            return std::nullopt;
        }
        RowBatch batch;
        while (!batch.isDone()) {
            if (!batch.fill(db, stmt, kRowsPerBatch)) {
                fail(error, ObjectStore::sqlError(db.lastErrorCode(), db.lastError()));
                return std::nullopt;
            }
            // Room for the batch's objects in the identity map at once, not by doubling as they come.
            m_objects.reserve(m_objects.size() + batch.rowCount() * (companion ? 2 : 1));
            for (int r = 0; r < batch.rowCount(); ++r) {
                const BatchRow stored(batch, r);
                const qint64 pk = stored.integer(0);
                // One probe of the identity map finds the row's object or the place of a new one.
                std::weak_ptr<ManagedObject>& entry = m_objects[pk];
                ObjectPtr o = entry.lock();
                const bool isNew = !o;
                if (isNew) {
                    o = newObject(&entity, pk,
                                  fetched ? rowValues(entity, stored, *fetched) : rowValues(entity, stored),
                                  loaded);
                    entry = o;
                }
                if (companion && !o->m_deleted)
                    handCompanion(*companion, batch, r, *o, isNew);
                if (m_objects.size() > m_sweepAt)
                    sweep();
                if (o->m_deleted)
                    continue;
                for (qsizetype k = 0; k < keyCount; ++k) {
                    const int column = order->columns[k];
                    switch (stored.type(column)) {
                    case SQLITE_NULL:
                        keys.emplace_back();
                        break;
                    case SQLITE_INTEGER:
                        keys.emplace_back(stored.integer(column));
                        break;
                    default: // a value of another type in an integer column: SQLite orders it
                        if (!batch.isDone())
                            sqlite3_reset(stmt);
                        if (orderLost)
                            *orderLost = true;
                        return QList<ObjectPtr>();
                    }
                }
                out << std::move(o);
            }
        }
    }
    if (order && out.size() > 1) {
        const bool keyAscending = order->ascending.isEmpty() || order->ascending.last();
        // Sorted by what decides most comparisons, held inline: the first key and the primary key.
        struct Row {
            std::optional<qint64> first;
            qint64 pk;
            qsizetype index;
        };
        std::vector<Row> rows;
        rows.reserve(size_t(out.size()));
        for (qsizetype i = 0; i < out.size(); ++i)
            rows.push_back({keyCount ? keys[size_t(i * keyCount)] : std::nullopt, out[i]->m_primaryKey, i});
        const auto before = [](const std::optional<qint64>& a, const std::optional<qint64>& b,
                               bool ascending) {
            const bool less = !a || (b && *a < *b); // NULL first
            return less == ascending;
        };
        std::sort(rows.begin(), rows.end(), [&](const Row& x, const Row& y) {
            if (keyCount && x.first != y.first)
                return before(x.first, y.first, order->ascending[0]);
            for (qsizetype k = 1; k < keyCount; ++k) {
                const auto& a = keys[size_t(x.index * keyCount + k)];
                const auto& b = keys[size_t(y.index * keyCount + k)];
                if (a != b)
                    return before(a, b, order->ascending[k]);
            }
            return (x.pk < y.pk) == keyAscending;
        });
        std::vector<qsizetype> byOrder;
        byOrder.reserve(rows.size());
        for (const Row& row : rows)
            byOrder.push_back(row.index);
        QList<ObjectPtr> ordered;
        ordered.reserve(out.size());
        for (const qsizetype i : byOrder)
            ordered << std::move(out[i]);
        out = std::move(ordered);
    }
    return out;
}

QString ObjectContext::linkedRowsCondition(const SqlQueryBuilder& b, QList<QVariant>* binds) const {
    QStringList terms;
    for (const auto& [alias, joined] : b.joinedEntities()) {
        QStringList keys;
        for (const auto* set : {&m_updated, &m_deleted})
            for (const auto& [pk, o] : *set)
                if (o->m_entity == joined)
                    keys << QString::number(pk);
        if (keys.isEmpty())
            continue;
        // One bound JSON array, however many keys.
        terms << QStringLiteral("%1.pk IN (SELECT value FROM json_each(?))").arg(alias);
        *binds << QVariant(QLatin1Char('[') + keys.join(QLatin1Char(',')) + QLatin1Char(']'));
    }
    return terms.join(QStringLiteral(" OR "));
}

std::optional<qint64> ObjectContext::countForFetchRequest(const FetchRequest& request,
                                                          PLOptionalError* error) {
    const auto* entity = entityForRequest(request.entityName, error);
    if (!entity)
        return std::nullopt;
    SqlQueryBuilder b(*entity);
    QString problem;
    const QString where = request.predicate.toSql(b, &problem);
    // Unsaved changes that the count may see are counted through a fetch.
    bool pending = false;
    for (const auto* set : {&m_inserted, &m_updated, &m_deleted})
        for (const auto& [pk, o] : *set)
            pending = pending || o->m_entity == entity;
    QList<QVariant> unused;
    if (!where.isEmpty() && (pending || !linkedRowsCondition(b, &unused).isEmpty())) {
        auto all = executeFetchRequest(request, error);
        return all ? std::optional<qint64>(all->size()) : std::nullopt;
    }
    if (where.isEmpty()) {
        fail(error, PLError(kDomain, 134000, problem));
        return std::nullopt;
    }
    auto db = connection(error);
    if (!db)
        return std::nullopt;
    QMutexLocker lock(&db->mutex());
    const QString text = QLatin1String("SELECT count(*) FROM ") % sql(*entity).table() %
                         QLatin1String(" AS t0") % b.joins() % QLatin1String(" WHERE ") % where;
    const QVariant v = db->scalar(text, b.binds());
    if (!v.isValid()) {
        fail(error, ObjectStore::sqlError(db->lastErrorCode(), db->lastError()));
        return std::nullopt;
    }
    const qint64 n = v.toLongLong();
    return request.fetchLimit > 0 ? std::min<qint64>(n, request.fetchLimit) : n;
}

QVariant ObjectContext::aggregate(const QString& entityName, const QString& function,
                                  const QString& attribute, const Predicate& predicate,
                                  PLOptionalError* error) {
    auto rows = aggregateGrouped(entityName, function, attribute, predicate, QString(), error);
    return rows && !rows->isEmpty() ? rows->first().toMap().value(QStringLiteral("result")) : QVariant();
}

std::optional<QVariantList> ObjectContext::aggregateGrouped(const QString& entityName,
                                                            const QString& function, const QString& attribute,
                                                            const Predicate& predicate,
                                                            const QString& groupBy, PLOptionalError* error) {
    checkThread();
    processPendingMerges();
    const auto* entity = m_store ? m_store->model()->entityNamed(entityName) : nullptr;
    const QString fn = sqlFunction(function);
    if (!entity || fn.isEmpty()) {
        fail(error, PLError(kDomain, 134000,
                            QStringLiteral("Cannot aggregate %1 of %2.").arg(function, entityName)));
        return std::nullopt;
    }
    SqlQueryBuilder b(*entity);
    QString problem;
    ResolvedKeyPath resolved;
    const QString col = b.column(attribute, &resolved);
    const QString groupCol = groupBy.isEmpty() ? QString() : b.column(groupBy);
    const QString where = predicate.toSql(b, &problem);
    if (col.isEmpty() || where.isEmpty() || (!groupBy.isEmpty() && groupCol.isEmpty())) {
        fail(error, PLError(kDomain, 134000,
                            problem.isEmpty() ? QStringLiteral("%1 has no key %2").arg(entityName, attribute)
                                              : problem));
        return std::nullopt;
    }
    QString text = QStringLiteral("SELECT %1(%2)%3 FROM %4 AS t0%5 WHERE %6")
                       .arg(fn, col, groupCol.isEmpty() ? QString() : QStringLiteral(", ") + groupCol,
                            sql(*entity).table(), b.joins(), where);
    if (!groupCol.isEmpty())
        text += QStringLiteral(" GROUP BY ") + groupCol + QStringLiteral(" ORDER BY ") + groupCol;
    auto db = connection(error);
    if (!db)
        return std::nullopt;
    QMutexLocker lock(&db->mutex());
    sqlite3_stmt* stmt = db->prepare(text, b.binds());
    QVariantList out;
    bool row = stmt != nullptr;
    while (row) {
        if (!db->step(stmt, &row)) {
            stmt = nullptr;
            break;
        }
        if (!row)
            break;
        QVariant result = SqliteConnection::columnValue(stmt, 0);
        if (result.isNull())
            continue; // an aggregate over no row gives none
        // A sum keeps SQLite's 64-bit integer: in the attribute's own type it could wrap.
        if (resolved.attribute && (fn == QLatin1String("max") || fn == QLatin1String("min")))
            result = resolved.attribute->coerce(result);
        QVariantMap map{{QStringLiteral("result"), result}};
        if (!groupCol.isEmpty())
            map.insert(groupBy, SqliteConnection::columnValue(stmt, 1));
        out << map;
    }
    if (!stmt) {
        fail(error, ObjectStore::sqlError(db->lastErrorCode(), db->lastError()));
        return std::nullopt;
    }
    return out;
}

bool ObjectContext::hasChanges() const {
    return !m_inserted.empty() || !m_updated.empty() || !m_deleted.empty() || !m_links.isEmpty();
}

QList<ObjectPtr> ObjectContext::insertedObjects() const {
    QList<ObjectPtr> out;
    for (const auto& [pk, o] : m_inserted)
        out << o;
    return out;
}

QList<ObjectPtr> ObjectContext::updatedObjects() const {
    QList<ObjectPtr> out;
    for (const auto& [pk, o] : m_updated)
        out << o;
    return out;
}

QList<ObjectPtr> ObjectContext::deletedObjects() const {
    QList<ObjectPtr> out;
    for (const auto& [pk, o] : m_deleted)
        out << o;
    return out;
}

void ObjectContext::objectDidChange(ManagedObject& object) {
    if (!object.m_inserted && !object.m_deleted)
        m_updated.emplace(object.m_primaryKey, object.shared_from_this());
}

void ObjectContext::loadRest(ManagedObject& object) {
    checkThread();
    if (object.m_loaded.empty())
        return;
    // Whole from here on, also when the read fails: the failure is reported once, not at every read.
    const SlotFlags loaded = std::exchange(object.m_loaded, SlotFlags());
    const auto* e = object.m_entity;
    SlotValues values;
    if (auto db = connection(nullptr)) {
        ++m_rowReadCount;
        QMutexLocker lock(&db->mutex());
        sqlite3_stmt* stmt = db->statement(sql(*e).selectByKey());
        if (stmt)
            sqlite3_bind_int64(stmt, 1, object.m_primaryKey);
        bool row = false;
        if (!stmt || !db->step(stmt, &row)) {
            fail(nullptr, ObjectStore::sqlError(db->lastErrorCode(), db->lastError()));
        } else if (!row) {
            const QString problem = QStringLiteral("The row of %1 %2 was gone when its other values were "
                                                   "read; they read as defaults.")
                                        .arg(e->name())
                                        .arg(object.m_primaryKey);
            qCWarning(lcStore).noquote() << problem;
            fail(nullptr, PLError(kDomain, 133000, problem));
        } else {
            values = rowValues(*e, StatementRow(stmt));
        }
        if (stmt)
            sqlite3_reset(stmt);
    }
    if (values.empty()) // the failure is reported: the store's defaults
        values = defaultValues(*e);
    // Loaded slots may hold merged or unsaved values newer than what the row held when it was read.
    for (size_t s = 0; s < loaded.size(); ++s)
        if (!loaded[s] && !object.m_changed[s])
            object.m_values[s] = std::move(values[s]);
}

bool ObjectContext::writeChanges(SqliteConnection& db, ChangeSet& changes) {
    // A stored foreign key of 0 is no object.
    auto bindSlot = [](sqlite3_stmt* stmt, int index, const EntityDescription& e, int slot,
                       const QVariant& v) {
        return slot >= int(e.attributes().size()) && v.toLongLong() == 0
                   ? sqlite3_bind_null(stmt, index) == SQLITE_OK
                   : SqliteConnection::bindValue(stmt, index, v);
    };
    auto failed = [&](sqlite3_stmt* stmt) {
        db.fail(QString::fromUtf8(sqlite3_sql(stmt)));
        return false;
    };
    changes.inserted.reserve(qsizetype(m_inserted.size()));
    // Rows come in key order, mostly runs of one entity: the last statement serves the next row.
    const EntityDescription* insertEntity = nullptr;
    sqlite3_stmt* insert = nullptr;
    for (const auto& [pk, o] : m_inserted) {
        const auto* e = o->m_entity;
        if (e != insertEntity) {
            insert = db.statement(sql(*e).insert());
            if (!insert)
                return false;
            insertEntity = e;
        }
        if (sqlite3_bind_int64(insert, 1, pk) != SQLITE_OK)
            return failed(insert);
        for (int s = 0; s < e->slotCount(); ++s)
            if (!bindSlot(insert, s + 2, *e, s, o->m_values[size_t(s)]))
                return failed(insert);
        if (!db.run(insert))
            return false;
        changes.inserted << ChangeSet::Row{e, pk};
    }
    for (const auto& [pk, o] : m_updated) {
        const auto* e = o->m_entity;
        const EntitySql& statements = sql(*e);
        QString text = QLatin1String("UPDATE ") % statements.table() % QLatin1String(" SET ");
        ChangeSet::Update update{e, pk, {}};
        for (int s = 0; s < e->slotCount(); ++s) {
            if (!o->m_changed[size_t(s)])
                continue;
            if (!update.values.isEmpty())
                text += QLatin1String(", ");
            text += statements.assignment(s);
            update.values.append({s, o->m_values[size_t(s)]});
        }
        if (update.values.isEmpty())
            continue;
        text += QLatin1String(" WHERE pk = ?");
        sqlite3_stmt* stmt = db.statement(text);
        if (!stmt)
            return false;
        int index = 1;
        for (const auto& [slot, value] : std::as_const(update.values))
            if (!bindSlot(stmt, index++, *e, slot, value))
                return failed(stmt);
        if (sqlite3_bind_int64(stmt, index, pk) != SQLITE_OK)
            return failed(stmt);
        if (!db.run(stmt))
            return false;
        changes.updated << update;
    }
    for (const auto& link : std::as_const(m_links)) {
        if (m_deleted.count(link.a) || m_deleted.count(link.b) || m_discarded.contains(link.a) ||
            m_discarded.contains(link.b))
            continue;
        const QString table = Q::quoted(link.joinSide->joinTable);
        const QString text = link.add
                                 ? QStringLiteral("INSERT OR IGNORE INTO %1 (a, b) VALUES (?, ?)").arg(table)
                                 : QStringLiteral("DELETE FROM %1 WHERE a = ? AND b = ?").arg(table);
        if (!db.exec(text, {QVariant(qlonglong(link.a)), QVariant(qlonglong(link.b))}))
            return false;
    }
    for (const auto& [pk, o] : m_deleted) {
        const EntitySql& statements = sql(*o->m_entity);
        // Nullify every reference to the row, then drop it.
        for (const auto& reference : statements.references()) {
            sqlite3_stmt* stmt = db.statement(reference.clear);
            if (!stmt)
                return false;
            sqlite3_bind_int64(stmt, 1, pk);
            if (reference.relationship->toMany) {
                if (!db.run(stmt))
                    return false;
                continue;
            }
            // The rows that lose their reference go out as updates, so every context clears it in
            // memory as well.
            bool row = true;
            while (row) {
                if (!db.step(stmt, &row))
                    return false;
                const qint64 holder = row ? sqlite3_column_int64(stmt, 0) : 0;
                if (row && !m_deleted.count(holder))
                    changes.updated << ChangeSet::Update{
                        reference.holder, holder, {{reference.relationship->slot, QVariant()}}};
            }
        }
        sqlite3_stmt* stmt = db.statement(statements.deleteByKey());
        if (!stmt)
            return false;
        sqlite3_bind_int64(stmt, 1, pk);
        if (!db.run(stmt))
            return false;
        changes.deleted << ChangeSet::Row{o->m_entity, pk};
    }
    return true;
}

bool ObjectContext::save(PLOptionalError* error) {
    checkThread();
    processPendingMerges();
    if (!hasChanges())
        return false;
    auto db = connection(error);
    if (!db)
        return false;
    bool durable = false;
    for (const auto* set : {&m_inserted, &m_updated, &m_deleted})
        durable = durable || std::any_of(set->begin(), set->end(), [](const auto& entry) {
                      return entry.second->m_entity->isDurable();
                  });

    auto changes = std::make_shared<ChangeSet>();
    changes->origin = this;
    {
        // One writer at a time, and change sets are published in commit order.
        QMutexLocker commit(&m_store->commitMutex());
        QMutexLocker lock(&db->mutex());
        if (durable)
            db->exec(QStringLiteral("PRAGMA synchronous=FULL"));
        bool ok = db->exec(QStringLiteral("BEGIN IMMEDIATE"));
        ok = ok && writeChanges(*db, *changes);
        ok = ok && db->exec(QStringLiteral("COMMIT"));
        const PLError failure = ObjectStore::sqlError(db->lastErrorCode(), db->lastError());
        if (!ok && db->handle() && !sqlite3_get_autocommit(db->handle()))
            db->exec(QStringLiteral("ROLLBACK"));
        if (durable)
            db->exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        if (!ok) {
            // Nothing was written; the pending changes stay for the next attempt.
            fail(error, failure);
            return false;
        }
        m_store->publish(this, changes);
        const auto committed = m_commitObservers;
        for (const auto& [token, observer] : committed)
            observer(changes);
    }

    for (const auto& [pk, o] : m_inserted)
        o->m_inserted = false;
    for (const auto& [pk, o] : m_updated)
        o->m_changed.assign(o->m_changed.size(), false);
    for (const auto& [pk, o] : m_deleted) {
        m_objects.remove(pk);
        o->becomeInert();
    }
    // Written values, and the references the deletes cleared.
    for (const auto& u : changes->updated)
        if (auto o = registered(u.primaryKey))
            for (const auto& [slot, value] : u.values) {
                o->m_values[size_t(slot)] = value;
                o->markLoaded(slot);
            }
    m_inserted.clear();
    m_updated.clear();
    m_deleted.clear();
    m_links.clear();
    m_discarded.clear();
    rowsChanged(*changes);
    const auto observers = m_saveObservers;
    for (const auto& [token, observer] : observers)
        observer(changes);
    notifyChangeObservers(changes.get());
    return true;
}

void ObjectContext::refreshObject(const ObjectPtr& object, bool mergeChanges) {
    checkThread();
    processPendingMerges();
    if (!object || object->m_context != this || object->m_inserted)
        return;
    const auto* e = object->m_entity;
    auto db = connection(nullptr);
    if (!db)
        return;
    QMutexLocker lock(&db->mutex());
    sqlite3_stmt* stmt = db->statement(sql(*e).selectByKey());
    if (stmt)
        sqlite3_bind_int64(stmt, 1, object->m_primaryKey);
    bool row = false;
    if (!stmt || !db->step(stmt, &row)) {
        fail(nullptr, ObjectStore::sqlError(db->lastErrorCode(), db->lastError()));
        return;
    }
    if (!row)
        return;
    auto values = rowValues(*e, StatementRow(stmt));
    sqlite3_reset(stmt);
    for (int s = 0; s < e->slotCount(); ++s) {
        if (mergeChanges && object->m_changed[size_t(s)])
            continue;
        object->m_values[size_t(s)] = values[size_t(s)];
        object->m_changed.set(size_t(s), false);
    }
    object->m_loaded.clear(); // changed slots were loaded before they changed
    if (!mergeChanges)
        m_updated.erase(object->m_primaryKey);
}

void ObjectContext::detachAll() {
    ++m_allRowsVersion;
    for (auto it = m_objects.begin(); it != m_objects.end(); ++it)
        if (auto o = it->lock())
            o->becomeInert();
    for (const auto* set : {&m_inserted, &m_updated, &m_deleted})
        for (const auto& [pk, o] : *set)
            o->becomeInert();
    m_objects.clear();
    m_inserted.clear();
    m_updated.clear();
    m_deleted.clear();
    m_links.clear();
    m_discarded.clear();
}

void ObjectContext::reset() {
    checkThread();
    detachAll();
    QMutexLocker lock(&m_inboxMutex);
    m_inbox.clear();
    m_inboxOverflowed = false;
    m_hasInbox = false;
}

void ObjectContext::mergeChanges(const ChangeSet& changes) {
    if (changes.origin == this)
        return;
    rowsChanged(changes);
    for (const auto& u : changes.updated) {
        auto o = registered(u.primaryKey);
        if (!o || o->m_deleted)
            continue;
        for (const auto& [slot, value] : u.values)
            if (!o->m_changed[size_t(slot)]) { // this context's unsaved value wins
                o->m_values[size_t(slot)] = value;
                o->markLoaded(slot);
            }
    }
    QSet<qint64> gone;
    for (const auto& d : changes.deleted)
        gone.insert(d.primaryKey);
    forgetDeletedRows(gone);
    notifyChangeObservers(&changes);
}

void ObjectContext::rowsChanged(const ChangeSet& changes) {
    for (const auto& u : changes.updated)
        ++m_rowsVersions[u.entity];
    for (const auto& d : changes.deleted)
        ++m_rowsVersions[d.entity];
}

void ObjectContext::resynchronize() {
    ++m_allRowsVersion;
    // Every row this context holds or its unsaved changes point at, by entity.
    QHash<const EntityDescription*, QSet<qint64>> keys;
    for (auto it = m_objects.begin(); it != m_objects.end();) {
        auto o = it->lock();
        if (!o) {
            it = m_objects.erase(it);
            continue;
        }
        if (!o->m_inserted)
            keys[o->m_entity].insert(o->m_primaryKey);
        ++it;
    }
    for (const auto* set : {&m_inserted, &m_updated})
        for (const auto& [pk, o] : *set)
            for (const auto& r : o->m_entity->relationships())
                if (const qint64 fk = r.toMany ? 0 : o->m_values[size_t(r.slot)].toLongLong();
                    fk && !m_inserted.count(fk))
                    keys[r.destination].insert(fk);
    qCDebug(lcStore) << "merges dropped; re-reading" << m_objects.size() << "objects";
    auto db = connection(nullptr);
    if (!db)
        return;
    QSet<qint64> gone;
    for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
        const EntityDescription& entity = *it.key();
        QStringList list;
        for (qint64 k : it.value())
            list << QString::number(k);
        QSet<qint64> missing = it.value();
        QMutexLocker lock(&db->mutex());
        sqlite3_stmt* stmt =
            db->prepare(sql(entity).selectByKeys(),
                        {QVariant(QLatin1Char('[') + list.join(QLatin1Char(',')) + QLatin1Char(']'))});
        bool row = stmt != nullptr;
        while (row) {
            if (!db->step(stmt, &row)) {
                fail(nullptr, ObjectStore::sqlError(db->lastErrorCode(), db->lastError()));
                return; // nothing is forgotten on a failed read
            }
            if (!row)
                break;
            const qint64 pk = sqlite3_column_int64(stmt, 0);
            missing.remove(pk);
            auto o = registered(pk);
            if (!o || o->m_deleted)
                continue;
            auto values = rowValues(entity, StatementRow(stmt));
            for (int s = 0; s < entity.slotCount(); ++s)
                if (!o->m_changed[size_t(s)])
                    o->m_values[size_t(s)] = std::move(values[size_t(s)]);
            o->m_loaded.clear();
        }
        if (!stmt) {
            fail(nullptr, ObjectStore::sqlError(db->lastErrorCode(), db->lastError()));
            return;
        }
        gone.unite(missing);
    }
    forgetDeletedRows(gone);
    notifyChangeObservers(nullptr);
}

void ObjectContext::forgetDeletedRows(const QSet<qint64>& gone) {
    if (gone.isEmpty())
        return;
    for (qint64 pk : gone) {
        auto o = registered(pk);
        if (!o || o->m_inserted)
            continue;
        m_updated.erase(pk);
        m_deleted.erase(pk);
        m_objects.remove(pk);
        o->becomeInert();
    }
    // An unsaved reference to a row deleted elsewhere goes too: saved, it would dangle.
    for (const auto* set : {&m_inserted, &m_updated})
        for (const auto& [pk, o] : *set)
            for (const auto& r : o->m_entity->relationships())
                if (!r.toMany && gone.contains(o->m_values[size_t(r.slot)].toLongLong()))
                    o->m_values[size_t(r.slot)] = QVariant();
}

void ObjectContext::enqueueChanges(const ChangeSetPtr& changes) {
    QMutexLocker lock(&m_inboxMutex);
    // A context that does not run for a while (a cached thread context whose thread idles) would
    // hold every save's changes: past the bound it drops them and re-reads on its next use.
    if (!m_inboxOverflowed &&
        m_inbox.size() >= (m_isMain ? kMaxPendingMergesOfMainContext : kMaxPendingMerges)) {
        m_inbox.clear();
        m_inbox.squeeze();
        m_inboxOverflowed = true;
    }
    if (!m_inboxOverflowed)
        m_inbox << changes;
    m_hasInbox = true;
}

qsizetype ObjectContext::pendingMergeCount() {
    QMutexLocker lock(&m_inboxMutex);
    return m_inbox.size();
}

void ObjectContext::processPendingMerges() {
    if (!m_hasInbox.load())
        return;
    QList<ChangeSetPtr> inbox;
    bool overflowed = false;
    {
        QMutexLocker lock(&m_inboxMutex);
        inbox.swap(m_inbox);
        overflowed = std::exchange(m_inboxOverflowed, false);
        m_hasInbox = false;
    }
    // After an overflow, reading now covers the dropped changes and those still queued.
    if (overflowed)
        resynchronize();
    else
        for (const auto& c : inbox)
            mergeChanges(*c);
}

quint64 ObjectContext::addSaveObserver(SaveObserver observer) {
    const quint64 token = m_nextObserver++;
    m_saveObservers.append({token, std::move(observer)});
    return token;
}

void ObjectContext::removeSaveObserver(quint64 token) {
    m_saveObservers.removeIf([token](const auto& p) { return p.first == token; });
}

quint64 ObjectContext::addCommitObserver(SaveObserver observer) {
    const quint64 token = m_nextObserver++;
    m_commitObservers.append({token, std::move(observer)});
    return token;
}

void ObjectContext::removeCommitObserver(quint64 token) {
    m_commitObservers.removeIf([token](const auto& p) { return p.first == token; });
}

quint64 ObjectContext::addChangeObserver(ChangeObserver observer) {
    checkThread();
    const quint64 token = m_nextObserver++;
    m_changeObservers.append({token, std::move(observer)});
    return token;
}

void ObjectContext::removeChangeObserver(quint64 token) {
    m_changeObservers.removeIf([token](const auto& p) { return p.first == token; });
}

void ObjectContext::notifyChangeObservers(const ChangeSet* changes) {
    if (m_changeObservers.isEmpty())
        return;
    // An observer may remove itself or another one: each is looked up again before its call.
    const auto observers = m_changeObservers;
    for (const auto& [token, observer] : observers) {
        const quint64 t = token;
        if (std::any_of(m_changeObservers.cbegin(), m_changeObservers.cend(),
                        [t](const auto& p) { return p.first == t; }))
            observer(changes);
    }
}

QList<ObjectPtr> ObjectContext::relatedObjects(const ManagedObject& object,
                                               const RelationshipDescription& r) {
    QList<ObjectPtr> out;
    if (!r.toMany || !r.inverse || !isLive())
        return out;
    if (!r.isManyToMany()) {
        FetchRequest request;
        request.entityName = r.destination->name();
        request.predicate =
            Predicate::compareObject(r.inverse->name, Predicate::Op::Equal,
                                     std::const_pointer_cast<ManagedObject>(object.shared_from_this()));
        return executeFetchRequest(request).value_or(QList<ObjectPtr>());
    }
    processPendingMerges();
    QList<qint64> keys;
    if (!object.m_inserted) {
        auto db = connection(nullptr);
        if (!db)
            return out;
        QMutexLocker lock(&db->mutex());
        sqlite3_stmt* stmt = db->prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                                             .arg(r.otherColumn, Q::quoted(r.joinTable), r.ownColumn),
                                         {QVariant(qlonglong(object.m_primaryKey))});
        bool row = stmt != nullptr;
        while (row && db->step(stmt, &row))
            if (row)
                keys << sqlite3_column_int64(stmt, 0);
    }
    const bool ownIsA = r.ownColumn == QLatin1String("a");
    const auto* joinSide = ownIsA ? &r : r.inverse;
    for (const auto& link : std::as_const(m_links)) {
        if (link.joinSide != joinSide || (ownIsA ? link.a : link.b) != object.m_primaryKey)
            continue;
        const qint64 other = ownIsA ? link.b : link.a;
        keys.removeAll(other);
        if (link.add)
            keys << other;
    }
    std::sort(keys.begin(), keys.end());
    for (qint64 k : keys)
        if (auto o = objectForKey(r.destination, k))
            out << o;
    return out;
}

void ObjectContext::changeLink(const RelationshipDescription& r, const ManagedObject& owner,
                               const ManagedObject& target, bool add) {
    if (!r.isManyToMany())
        return;
    const bool ownIsA = r.ownColumn == QLatin1String("a");
    LinkChange link{ownIsA ? &r : r.inverse, ownIsA ? owner.m_primaryKey : target.m_primaryKey,
                    ownIsA ? target.m_primaryKey : owner.m_primaryKey, add};
    m_links << link;
}

} // namespace pelnix::platform
