#pragma once

#include "foundation/persistence/PLPersistence.h"
#include "platform/store/ManagedObject.h"

#include <QVariantMap>
#include <optional>

namespace pelnix {

// The base of every entity class: the instance operations each entity inherits (save,
// refreshObject, updateWithDictionary, delete, move to another context) and the hooks of the
// dictionary import. Entity classes derive from PLEntity<T>, which adds the class operations.
class PLManagedObject : public platform::ManagedObject {
public:
    // Builds the stack from the registered model declarations and opens "Pelnix.xcdatamodeld".
    // A second call without cleanUp between keeps the open store and its contexts.
    static void initializeDatabase();

    // Saves this object's context to the store and returns once it is written; silent on failure.
    void save();
    // Re-reads the stored values and keeps the unsaved changes.
    void refreshObject();
    // Entity classes replace it with their JSON import.
    virtual void updateWithDictionary(const QVariantMap& dictionary);

    // Deletes from the object's own context (nothing is saved). Always YES.
    bool PS_deleteEntity();
    bool PS_deleteEntityInContext(const ContextPtr& context);
    // The same row as registered in another context, or null.
    platform::ObjectPtr PS_inContext(const ContextPtr& context) const;
    platform::ObjectPtr PS_inThreadContext() const;

    // The smallest and largest saved value of an attribute over this entity's rows (none when no
    // row holds one), read in this object's context.
    QVariant PS_minValueFor(const QString& attribute) const;
    QVariant PS_maxValueFor(const QString& attribute) const;
    // The object of this entity that holds the smallest value of the attribute (ties: the oldest
    // row), or null; a null context means the current thread's.
    platform::ObjectPtr PS_objectWithMinValueFor(const QString& attribute,
                                                 const ContextPtr& context = {}) const;

    // Import hooks (the "shouldImport:", "willImport:", "didImport:", "import<Key>:" and
    // "shouldImport<Relationship>:" operations). importValue returns true when it took the value.
    virtual bool shouldImport(const QVariant& data);
    virtual void willImport(const QVariant& data);
    virtual void didImport(const QVariant& data);
    virtual bool importValue(const QString& key, const QVariant& value);
    virtual std::optional<bool> shouldImportRelationship(const QString& relationship,
                                                         const QVariant& related);

    // Fills the object from key-value data; NO when shouldImport refused.
    bool PS_importValuesForKeysWithObject(const QVariant& data);
};

} // namespace pelnix
