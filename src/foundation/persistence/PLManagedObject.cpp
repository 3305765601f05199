#include "foundation/persistence/PLManagedObject.h"

#include "foundation/persistence/PLDataImport.h"
#include "foundation/persistence/PLEntityQueries.h"
#include "foundation/persistence/PSSaves.h"

namespace pelnix {

namespace {
const QString kStoreName = QStringLiteral("Pelnix.xcdatamodeld");
}

void PLManagedObject::initializeDatabase() {
    PLPersistence::setShouldAutoCreateManagedObjectModel(false);
    PLPersistence::PS_setDefaultManagedObjectModel(PLPersistence::mergedModelFromBundles());
    PLPersistence::setupCoreDataStackWithAutoMigratingSqliteStoreNamed(kStoreName);
}

void PLManagedObject::save() {
    if (auto* context = managedObjectContext())
        PSSaves::PS_saveToPersistentStoreAndWait(context->shared_from_this());
}

void PLManagedObject::refreshObject() {
    if (auto* context = managedObjectContext())
        context->refreshObject(shared_from_this(), true);
}

void PLManagedObject::updateWithDictionary(const QVariantMap&) {}

bool PLManagedObject::PS_deleteEntity() {
    if (auto* context = managedObjectContext())
        return PS_deleteEntityInContext(context->shared_from_this());
    return true;
}

bool PLManagedObject::PS_deleteEntityInContext(const ContextPtr& context) {
    if (!context)
        return true;
    if (auto local = context->existingObject(entityName(), primaryKey()))
        context->deleteObject(local);
    return true;
}

platform::ObjectPtr PLManagedObject::PS_inContext(const ContextPtr& context) const {
    if (!context || isInert())
        return nullptr;
    return context->existingObject(entityName(), primaryKey());
}

platform::ObjectPtr PLManagedObject::PS_inThreadContext() const {
    return PS_inContext(PLPersistence::PS_contextForCurrentThread());
}

QVariant PLManagedObject::PS_minValueFor(const QString& attribute) const {
    auto* context = managedObjectContext();
    return context ? PLEntityQueries::PS_aggregateOperation(entityName(), QStringLiteral("min:"), attribute,
                                                            {}, context->shared_from_this())
                   : QVariant();
}

QVariant PLManagedObject::PS_maxValueFor(const QString& attribute) const {
    auto* context = managedObjectContext();
    return context ? PLEntityQueries::PS_aggregateOperation(entityName(), QStringLiteral("max:"), attribute,
                                                            {}, context->shared_from_this())
                   : QVariant();
}

platform::ObjectPtr PLManagedObject::PS_objectWithMinValueFor(const QString& attribute,
                                                              const ContextPtr& context) const {
    if (isInert())
        return nullptr;
    using platform::Predicate;
    auto request = PLEntityQueries::PS_requestAllSortedBy(
        entityName(), attribute, true, Predicate::compare(attribute, Predicate::Op::NotEqual, QVariant()));
    return PLEntityQueries::PS_executeFetchRequestAndReturnFirstObject(request, context);
}

bool PLManagedObject::shouldImport(const QVariant&) {
    return true;
}
void PLManagedObject::willImport(const QVariant&) {}
void PLManagedObject::didImport(const QVariant&) {}
bool PLManagedObject::importValue(const QString&, const QVariant&) {
    return false;
}
std::optional<bool> PLManagedObject::shouldImportRelationship(const QString&, const QVariant&) {
    return std::nullopt;
}

bool PLManagedObject::PS_importValuesForKeysWithObject(const QVariant& data) {
    return PLDataImport::PS_importValuesForKeysWithObject(shared_from_this(), data);
}

} // namespace pelnix
