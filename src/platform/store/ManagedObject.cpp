#include "platform/store/ManagedObject.h"

#include "platform/store/ObjectContext.h"
#include "platform/store/ObjectStore.h"

#include <algorithm>

namespace pelnix::platform {

void SlotFlags::assign(size_t count, bool value) {
    m_size = count;
    const size_t inlineCount = std::min(count, kInline);
    m_bits = value ? (inlineCount == kInline ? ~quint64(0) : (quint64(1) << inlineCount) - 1) : 0;
    m_more.assign(count > kInline ? count - kInline : 0, value);
}

void SlotFlags::set(size_t i, bool value) {
    if (i >= kInline) {
        m_more[i - kInline] = value;
        return;
    }
    const quint64 bit = quint64(1) << i;
    m_bits = value ? m_bits | bit : m_bits & ~bit;
}

bool SlotFlags::any() const {
    return m_bits != 0 || std::find(m_more.begin(), m_more.end(), true) != m_more.end();
}

bool SlotFlags::all() const {
    const size_t inlineCount = std::min(m_size, kInline);
    const quint64 full = inlineCount == kInline ? ~quint64(0) : (quint64(1) << inlineCount) - 1;
    return m_bits == full && std::find(m_more.begin(), m_more.end(), false) == m_more.end();
}

bool ManagedObject::live() const {
    return m_context && m_context->isLive();
}

ObjectContext* ManagedObject::managedObjectContext() const {
    return live() ? m_context : nullptr;
}

bool ManagedObject::isInert() const {
    return !live();
}

bool ManagedObject::hasChanges() const {
    if (!live())
        return false;
    return m_inserted || m_deleted || m_changed.any();
}

QStringList ManagedObject::changedKeys() const {
    QStringList keys;
    if (!live())
        return keys;
    for (size_t s = 0; s < m_changed.size(); ++s)
        if (m_changed[s])
            keys << m_entity->columnForSlot(int(s));
    return keys;
}

void ManagedObject::loadSlot(int slot) const {
    if (!isLoaded(slot) && live())
        m_context->loadRest(const_cast<ManagedObject&>(*this));
}

void ManagedObject::markLoaded(int slot) {
    if (m_loaded.empty())
        return;
    m_loaded.set(size_t(slot), true);
    if (m_loaded.all())
        m_loaded.clear();
}

const QVariant& ManagedObject::slotValue(int slot) const {
    loadSlot(slot);
    return m_values[size_t(slot)];
}

QVariant ManagedObject::value(const QString& key) const {
    if (!live())
        return {};
    if (const auto* a = m_entity->attributeNamed(key)) {
        loadSlot(a->slot);
        return m_values[size_t(a->slot)];
    }
    return {};
}

const QVariant& ManagedObject::attributeValue(const QString& key, SlotCache& cache) const {
    static const QVariant empty;
    if (!live())
        return empty;
    if (cache.entity != m_entity) {
        const auto* a = m_entity->attributeNamed(key);
        cache = {m_entity, a ? a->slot : -1};
    }
    if (cache.slot < 0)
        return empty;
    loadSlot(cache.slot);
    return m_values[size_t(cache.slot)];
}

void ManagedObject::setValue(const QString& key, const QVariant& value) {
    if (!live())
        return;
    if (const auto* a = m_entity->attributeNamed(key))
        setSlot(a->slot, a->coerce(value), true);
}

void ManagedObject::setSlot(int slot, const QVariant& value, bool markChanged) {
    loadSlot(slot); // the stored value decides whether this is a change
    QVariant& current = m_values[size_t(slot)];
    if (current.isNull() == value.isNull() && current == value)
        return; // an unchanged value is not a change (and does not hide other contexts' saves)
    current = value;
    if (markChanged && !m_inserted && !m_deleted) {
        m_changed.set(size_t(slot), true);
        m_context->objectDidChange(*this);
    }
}

QVariant ManagedObject::valueForKeyPath(const QString& keyPath) const {
    if (!live())
        return {};
    const int dot = int(keyPath.indexOf(QLatin1Char('.')));
    if (dot < 0) {
        if (m_entity->attributeNamed(keyPath))
            return value(keyPath);
        const qint64 fk = foreignKey(keyPath);
        return fk ? QVariant(qlonglong(fk)) : QVariant();
    }
    const ObjectPtr next = object(keyPath.left(dot));
    return next ? next->valueForKeyPath(keyPath.mid(dot + 1)) : QVariant();
}

qint64 ManagedObject::foreignKey(const QString& relationship) const {
    if (!live())
        return 0;
    const auto* r = m_entity->relationshipNamed(relationship);
    if (!r || r->toMany)
        return 0;
    loadSlot(r->slot);
    const qint64 fk = m_values[size_t(r->slot)].toLongLong();
    return fk && !m_context->isPendingDelete(fk) ? fk : 0;
}

ObjectPtr ManagedObject::object(const QString& relationship) const {
    if (!live())
        return nullptr;
    const auto* r = m_entity->relationshipNamed(relationship);
    if (!r || r->toMany)
        return nullptr;
    return m_context->objectForKey(r->destination, foreignKey(relationship));
}

void ManagedObject::setObject(const QString& relationship, const ObjectPtr& target) {
    if (!live())
        return;
    const auto* r = m_entity->relationshipNamed(relationship);
    if (!r || r->toMany)
        return;
    ObjectPtr local = target ? localCopy(*r, *target) : nullptr;
    if (target && !local)
        return;
    setToOne(*r, local, true);
}

ObjectPtr ManagedObject::localCopy(const RelationshipDescription& r, const ManagedObject& target) const {
    ObjectPtr local;
    if (target.m_context == m_context)
        local = std::const_pointer_cast<ManagedObject>(target.shared_from_this());
    else if (target.m_context && target.m_context->store() == m_context->store())
        local = m_context->objectForKey(r.destination, target.m_primaryKey); // objects never cross contexts
    if (local && local->m_entity == r.destination)
        return local;
    // An object not saved yet in its own context (or of another store) has no row here: linking
    // to it would store a key that leads nowhere.
    const QString problem = QStringLiteral("Refused to link %1.%2 to a %3 that this context cannot see "
                                           "(unsaved in another context, deleted, or of another store).")
                                .arg(entityName(), r.name, target.entityName());
    qCWarning(lcStore).noquote() << problem;
    if (auto store = m_context->store())
        store->reportError(PLError(QStringLiteral("NSCocoaErrorDomain"), 133000, problem));
    return nullptr;
}

void ManagedObject::setToOne(const RelationshipDescription& r, const ObjectPtr& target,
                             bool maintainInverse) {
    const QVariant newKey = target ? QVariant(qlonglong(target->m_primaryKey)) : QVariant();
    if (maintainInverse && r.inverse && !r.inverse->toMany) {
        // One-to-one: both sides keep a key; the old partners let go.
        ObjectPtr old = object(r.name);
        if (old && old != target)
            old->setToOne(*r.inverse, nullptr, false);
        if (target) {
            ObjectPtr theirs = target->object(r.inverse->name);
            if (theirs && theirs.get() != this)
                theirs->setToOne(r, nullptr, false);
            target->setToOne(*r.inverse, std::const_pointer_cast<ManagedObject>(shared_from_this()), false);
        }
    }
    setSlot(r.slot, newKey, true);
}

QList<ObjectPtr> ManagedObject::objects(const QString& relationship) const {
    if (!live())
        return {};
    const auto* r = m_entity->relationshipNamed(relationship);
    if (!r || !r->toMany)
        return {};
    return m_context->relatedObjects(*this, *r);
}

void ManagedObject::addObject(const QString& relationship, const ObjectPtr& target) {
    if (!live() || !target)
        return;
    const auto* r = m_entity->relationshipNamed(relationship);
    if (!r || !r->toMany)
        return;
    ObjectPtr local = localCopy(*r, *target);
    if (!local)
        return;
    if (r->isManyToMany())
        m_context->changeLink(*r, *this, *local, true);
    else
        local->setToOne(*r->inverse, shared_from_this(), true);
}

void ManagedObject::removeObject(const QString& relationship, const ObjectPtr& target) {
    if (!live() || !target)
        return;
    const auto* r = m_entity->relationshipNamed(relationship);
    if (!r || !r->toMany || target->m_context != m_context)
        return;
    if (r->isManyToMany())
        m_context->changeLink(*r, *this, *target, false);
    else if (target->foreignKey(r->inverse->name) == m_primaryKey)
        target->setToOne(*r->inverse, nullptr, true);
}

void ManagedObject::becomeInert() {
    m_context = nullptr;
    m_values.assign(m_values.size(), QVariant());
    m_changed.assign(m_changed.size(), false);
    m_loaded.clear();
}

} // namespace pelnix::platform
