#pragma once

#include "platform/store/EntityDescription.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <memory>
#include <type_traits>
#include <vector>

namespace pelnix::platform {

class ObjectContext;
class ManagedObject;
using ObjectPtr = std::shared_ptr<ManagedObject>;

// The allocator of an object's values. It runs a value's destructor only where the value holds
// something to release: a row's values are mostly numbers and empty ones, whose destructor is a call
// into Qt that does nothing, and a list of a thousand rows has tens of thousands of them.
template <class T> struct SlotAllocator : std::allocator<T> {
    SlotAllocator() = default;
    template <class U> SlotAllocator(const SlotAllocator<U>&) noexcept {}
    template <class U> struct rebind { using other = SlotAllocator<U>; };
    template <class U> void destroy(U* p) {
        if constexpr (std::is_same_v<U, QVariant>) {
            const QVariant::Private& d = p->data_ptr();
            const auto* type = d.typeInterface();
            if (!d.is_shared && (!type || !type->dtor))
                return;
        }
        p->~U();
    }
};
// The values of an object's slots, in slot order.
using SlotValues = std::vector<QVariant, SlotAllocator<QVariant>>;

// One flag per slot of an object, held inline for up to 64 slots (every entity of the library's
// model), so that reading a row allocates nothing for them.
class SlotFlags {
public:
    SlotFlags() = default;
    SlotFlags(size_t count, bool value) { assign(count, value); }
    void assign(size_t count, bool value);
    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    void clear() { *this = SlotFlags(); }
    bool operator[](size_t i) const { return i < kInline ? (m_bits >> i) & 1u : bool(m_more[i - kInline]); }
    void set(size_t i, bool value);
    bool any() const;
    bool all() const;

private:
    static constexpr size_t kInline = 64;
    size_t m_size = 0;
    quint64 m_bits = 0;
    std::vector<bool> m_more;
};

// One row of the object graph, registered in exactly one context (one instance per row per context).
//
// Entity classes derive from it and add typed accessors over the generic ones:
//
//   class ChatRoom : public ManagedObject {
//   public:
//       QString roomId() const { return value<QString>("roomId"); }
//       void setRoomId(const QString& id) { setValue("roomId", id); }
//       std::shared_ptr<User> user() const { return object<User>("user"); }
//       QList<std::shared_ptr<RoomMember>> members() const { return objects<RoomMember>("members"); }
//   };
//
// Objects are used on their context's thread only. Changes persist nothing until the context is
// saved. Once the store is closed an object still held is inert: reads give the empty value and
// writes are ignored. Unknown keys read as empty values as well.
//
// A fetch that names the properties it reads gives partial objects: the other slots of the row are
// read the first time anything reads or writes one of them, so a partial object reads and writes
// as a whole one does.
class ManagedObject : public std::enable_shared_from_this<ManagedObject> {
public:
    ManagedObject() = default;
    virtual ~ManagedObject() = default;
    ManagedObject(const ManagedObject&) = delete;
    ManagedObject& operator=(const ManagedObject&) = delete;

    const EntityDescription* entity() const { return m_entity; }
    QString entityName() const { return m_entity ? m_entity->name() : QString(); }
    // Permanent from creation; unique across the store.
    qint64 primaryKey() const { return m_primaryKey; }
    // Null once the object is inert.
    ObjectContext* managedObjectContext() const;
    bool isInert() const;
    bool isInserted() const { return m_inserted; }
    bool isDeleted() const { return m_deleted; }
    bool hasChanges() const;
    // Keys changed since the last save (attributes and to-one relationships).
    QStringList changedKeys() const;

    QVariant value(const QString& key) const;
    template <class T> T value(const QString& key) const { return value(key).template value<T>(); }

    // Where an attribute's value lives in objects of one entity. A caller that always reads the same
    // key keeps one (per thread) and reads without looking the name up again.
    struct SlotCache {
        const EntityDescription* entity = nullptr;
        int slot = -1;
    };
    // value(key) through `cache`; the reference holds until the object changes or goes.
    const QVariant& attributeValue(const QString& key, SlotCache& cache) const;
    // A slot's value as an accessor's type: integers stored as 64-bit, and text, read without the
    // metatype conversion.
    template <class T> static T converted(const QVariant& value) {
        // The type a slot holds is told inline (typeId() is a call into Qt per read).
        const auto holds = [&value](auto type) {
            return value.data_ptr().typeInterface() == QMetaType::fromType<decltype(type)>().iface();
        };
        if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>)
            return holds(qlonglong()) ? T(value.data_ptr().get<qlonglong>()) : T(value.toLongLong());
        else if constexpr (std::is_same_v<T, QString>)
            return holds(QString()) ? value.data_ptr().get<QString>() : value.toString();
        else if constexpr (std::is_same_v<T, bool>)
            return holds(bool()) ? value.data_ptr().get<bool>() : value.toBool();
        else
            return value.template value<T>();
    }
    void setValue(const QString& key, const QVariant& value);

    // A value through to-one relationships: "room.status".
    QVariant valueForKeyPath(const QString& keyPath) const;

    ObjectPtr object(const QString& relationship) const;
    template <class T> std::shared_ptr<T> object(const QString& relationship) const {
        return std::dynamic_pointer_cast<T>(object(relationship));
    }
    // Sets a to-one relationship and its inverse.
    void setObject(const QString& relationship, const ObjectPtr& target);

    // A to-many relationship in primary-key order, including this context's unsaved changes.
    QList<ObjectPtr> objects(const QString& relationship) const;
    template <class T> QList<std::shared_ptr<T>> objects(const QString& relationship) const {
        QList<std::shared_ptr<T>> out;
        for (const auto& o : objects(relationship))
            if (auto t = std::dynamic_pointer_cast<T>(o))
                out << t;
        return out;
    }
    void addObject(const QString& relationship, const ObjectPtr& target);
    void removeObject(const QString& relationship, const ObjectPtr& target);

    // Foreign key of a to-one relationship (0 when none).
    qint64 foreignKey(const QString& relationship) const;

    // False while some slot of the row has not been read yet.
    bool isWhole() const { return m_loaded.empty(); }

protected:
    // The raw slot value (attribute value or foreign key) without the liveness check.
    const QVariant& slotValue(int slot) const;

private:
    friend class ObjectContext;

    bool live() const;
    bool isLoaded(int slot) const { return m_loaded.empty() || m_loaded[size_t(slot)]; }
    // Reads the slots not loaded yet when `slot` is one of them (a live object only).
    void loadSlot(int slot) const;
    // Marks a slot as holding the stored (or a newer) value.
    void markLoaded(int slot);
    void setSlot(int slot, const QVariant& value, bool markChanged);
    // This context's instance of `target` for `r`, or null (refused and logged) when there is none.
    ObjectPtr localCopy(const RelationshipDescription& r, const ManagedObject& target) const;
    void setToOne(const RelationshipDescription& r, const ObjectPtr& target, bool maintainInverse);
    void becomeInert();

    const EntityDescription* m_entity = nullptr;
    ObjectContext* m_context = nullptr;
    qint64 m_primaryKey = 0;
    SlotValues m_values;
    SlotFlags m_changed;
    // Empty once every slot holds its value; otherwise which slots do.
    SlotFlags m_loaded;
    bool m_inserted = false;
    bool m_deleted = false;
};

} // namespace pelnix::platform
