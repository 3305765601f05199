#include "foundation/persistence/PLPersistence.h"

#include "foundation/persistence/PSSaves.h"
#include "platform/Log.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/Sandbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <QThreadPool>
#include <QTimer>

namespace pelnix {

using platform::ObjectModel;
using platform::ObjectStore;

namespace {
// The application-support folder name when the host has no application name.
const QString kFallbackFolderName = QStringLiteral("Pelnix");

struct Stack {
    QMutex mutex;
    QList<QPair<QString, PLPersistence::ModelDeclaration>> declarations;
    std::shared_ptr<const ObjectModel> model;
    std::shared_ptr<ObjectStore> store;
    ContextPtr rootSavingContext;
    std::weak_ptr<platform::ObjectContext> defaultContext;
    bool autoCreateModel = true;
    bool autoCreateCoordinator = false;
    bool deleteOnMismatch = false;
    int loggingLevel = 31;
    QPointer<QObject> errorTarget;
    bool hasErrorTarget = false;
    PLPersistence::ErrorAction errorAction;
};

Stack& stack() {
    static Stack s;
    return s;
}

QString applicationName() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? kFallbackFolderName : name;
}

void post(const char* name, const QVariantMap& info = {}) {
    platform::NotificationCenter::defaultCenter()->post(QString::fromLatin1(name), {}, info);
}

QString address(const void* pointer) {
    return QString::asprintf("%p", pointer);
}

// A new context of the store below the root saving context.
ContextPtr newChildOfRoot(const std::shared_ptr<ObjectStore>& store, const QString& name) {
    auto context = store->newContext(name);
    context->setParentContext(PLPersistence::PS_rootSavingContext());
    return context;
}
} // namespace

void PLPersistence::registerModelDeclaration(const QString& name, ModelDeclaration declaration) {
    QMutexLocker lock(&stack().mutex);
    auto& list = stack().declarations;
    list.removeIf([&](const auto& p) { return p.first == name; });
    list.append({name, std::move(declaration)});
}

std::shared_ptr<const ObjectModel> PLPersistence::mergedModelFromBundles() {
    QList<QPair<QString, ModelDeclaration>> declarations;
    {
        QMutexLocker lock(&stack().mutex);
        declarations = stack().declarations;
    }
    auto model = std::make_shared<ObjectModel>();
    for (const auto& [name, declare] : declarations)
        if (declare)
            declare(*model);
    QString problem;
    if (!model->finish(&problem)) {
        handleErrors(PLError(QStringLiteral("NSCocoaErrorDomain"), 134020, problem));
        return nullptr;
    }
    return model;
}

std::shared_ptr<const ObjectModel> PLPersistence::PS_defaultManagedObjectModel() {
    bool create = false;
    {
        QMutexLocker lock(&stack().mutex);
        if (stack().model || !stack().autoCreateModel)
            return stack().model;
        create = true;
    }
    auto model = create ? mergedModelFromBundles() : nullptr;
    QMutexLocker lock(&stack().mutex);
    if (!stack().model)
        stack().model = model;
    return stack().model;
}

void PLPersistence::PS_setDefaultManagedObjectModel(std::shared_ptr<const ObjectModel> model) {
    QMutexLocker lock(&stack().mutex);
    stack().model = std::move(model);
}

bool PLPersistence::shouldAutoCreateManagedObjectModel() {
    QMutexLocker lock(&stack().mutex);
    return stack().autoCreateModel;
}
void PLPersistence::setShouldAutoCreateManagedObjectModel(bool value) {
    QMutexLocker lock(&stack().mutex);
    stack().autoCreateModel = value;
}
bool PLPersistence::shouldAutoCreateDefaultPersistentStoreCoordinator() {
    QMutexLocker lock(&stack().mutex);
    return stack().autoCreateCoordinator;
}
void PLPersistence::setShouldAutoCreateDefaultPersistentStoreCoordinator(bool value) {
    QMutexLocker lock(&stack().mutex);
    stack().autoCreateCoordinator = value;
}
bool PLPersistence::shouldDeleteStoreOnModelMismatch() {
    QMutexLocker lock(&stack().mutex);
    return stack().deleteOnMismatch;
}
void PLPersistence::setShouldDeleteStoreOnModelMismatch(bool value) {
    QMutexLocker lock(&stack().mutex);
    stack().deleteOnMismatch = value;
}
int PLPersistence::loggingLevel() {
    QMutexLocker lock(&stack().mutex);
    return stack().loggingLevel;
}
void PLPersistence::setLoggingLevel(int level) {
    QMutexLocker lock(&stack().mutex);
    stack().loggingLevel = level;
}

QString PLPersistence::defaultStoreName() {
    QString name = QCoreApplication::applicationName();
    if (name.isEmpty())
        name = QStringLiteral("CoreDataStore.sqlite");
    if (!name.endsWith(QLatin1String("sqlite")))
        name += QStringLiteral(".sqlite");
    return name;
}

void PLPersistence::setupStack(const QString& nameOrPath, bool retryOnce) {
    if (PS_defaultStore())
        return;
    auto store = PS_addSqliteStoreNamed(nameOrPath);
    if (store) {
        auto root = store->newContext(QStringLiteral("PLPersistence Root Saving Context"));
        {
            QMutexLocker lock(&stack().mutex);
            if (stack().store)
                return;
            stack().store = store;
            stack().rootSavingContext = root;
        }
        PS_defaultContext(); // names it, when on the main thread
        return;
    }
    if (retryOnce && QCoreApplication::instance()) {
        // One more attempt half a second later on this thread's event loop; no further retry.
        QTimer::singleShot(500, QCoreApplication::instance(),
                           [nameOrPath] { setupStack(nameOrPath, false); });
    }
}

void PLPersistence::setupCoreDataStack() {
    setupCoreDataStackWithStoreNamed(defaultStoreName());
}
void PLPersistence::setupAutoMigratingCoreDataStack() {
    setupCoreDataStackWithAutoMigratingSqliteStoreNamed(defaultStoreName());
}
void PLPersistence::setupCoreDataStackWithStoreNamed(const QString& storeName) {
    setupStack(storeName, false);
}
void PLPersistence::setupCoreDataStackWithAutoMigratingSqliteStoreNamed(const QString& storeName) {
    setupStack(storeName, true);
}
void PLPersistence::setupCoreDataStackWithInMemoryStore() {
    setupStack(QStringLiteral(":memory:"), false);
}

void PLPersistence::cleanUp() {
    cleanUpErrorHanding();
    cleanUpStack();
    post(kPLPersistenceCleanedUpNotification);
}

void PLPersistence::cleanUpStack() {
    std::shared_ptr<ObjectStore> store;
    {
        QMutexLocker lock(&stack().mutex);
        store.swap(stack().store);
        stack().rootSavingContext.reset();
        stack().defaultContext.reset();
        stack().model.reset();
    }
    if (store) {
        store->clearNonMainThreadContextsCache();
        store->close();
    }
}

QString PLPersistence::currentStack() {
    auto model = PS_defaultManagedObjectModel();
    auto store = PS_defaultStore();
    auto context = PS_defaultContext();
    QString text = QStringLiteral("Current Default Core Data Stack: ---- \n");
    text += QStringLiteral("Model:           %1\n")
                .arg(model ? model->entityNames().join(QStringLiteral(", ")) : QString());
    text += QStringLiteral("Coordinator:     %1\n").arg(store ? QStringLiteral("ObjectStore") : QString());
    text += QStringLiteral("Store:           %1\n").arg(store ? store->path() : QString());
    text += QStringLiteral("Default Context: %1\n").arg(PS_description(context));
    text += QStringLiteral("Context Chain:   \n%1\n").arg(PS_parentChain(context));
    return text;
}

std::shared_ptr<ObjectStore> PLPersistence::PS_defaultStore() {
    QMutexLocker lock(&stack().mutex);
    return stack().store;
}

QString PLPersistence::PS_applicationDocumentsDirectory() {
    return platform::Sandbox::documents();
}

QString PLPersistence::PS_applicationStorageDirectory() {
    return platform::Sandbox::applicationSupport() + QLatin1Char('/') + applicationName();
}

QString PLPersistence::PS_urlForStoreName(const QString& storeName) {
    const QString inDocuments = PS_applicationDocumentsDirectory() + QLatin1Char('/') + storeName;
    if (QFileInfo::exists(inDocuments))
        return inDocuments;
    return PS_applicationStorageDirectory() + QLatin1Char('/') + storeName;
}

bool PLPersistence::PS_createPathToStoreFileIfNeccessary(const QString& storeFile) {
    const QString dir = QFileInfo(storeFile).absolutePath();
    if (QDir().mkpath(dir))
        return true;
    handleErrors(
        PLError(QStringLiteral("NSCocoaErrorDomain"), 512, QStringLiteral("Cannot create %1").arg(dir)));
    return false;
}

std::shared_ptr<ObjectStore> PLPersistence::PS_addSqliteStoreNamed(const QString& nameOrPath) {
    auto model = PS_defaultManagedObjectModel();
    const bool memory = nameOrPath == QLatin1String(":memory:");
    const QString path =
        memory || QDir::isAbsolutePath(nameOrPath) ? nameOrPath : PS_urlForStoreName(nameOrPath);
    if (!memory)
        PS_createPathToStoreFileIfNeccessary(path);
    PLOptionalError error;
    auto store = ObjectStore::open(model, path, &error);
    if (!store && error && shouldDeleteStoreOnModelMismatch() &&
        error->domain == QLatin1String("NSCocoaErrorDomain") &&
        (error->code == 134100 || error->code == 134130) && !memory) {
        post(kPLPersistencePSCMismatchWillDeleteStore);
        const bool removed = QFile::remove(path);
        QFile::remove(path + QStringLiteral("-shm"));
        QFile::remove(path + QStringLiteral("-wal"));
        if (!removed)
            post(kPLPersistencePSCMismatchCouldNotDeleteStore,
                 {{QStringLiteral("Error"), error->debugText()}});
        else
            post(kPLPersistencePSCMismatchDidDeleteStore);
        post(kPLPersistencePSCMismatchWillRecreateStore);
        error.reset();
        store = ObjectStore::open(model, path, &error);
        if (store)
            post(kPLPersistencePSCMismatchDidRecreateStore);
        else
            post(kPLPersistencePSCMismatchCouldNotRecreateStore,
                 {{QStringLiteral("Error"), error ? error->debugText() : QString()}});
    }
    handleErrors(error);
    if (store)
        store->setErrorSink([](const PLError& e) { handleErrors(e); });
    return store;
}

ContextPtr PLPersistence::PS_defaultContext() {
    auto store = PS_defaultStore();
    auto context = store ? store->mainContext() : nullptr;
    if (context && !context->parentContext()) {
        // First use: it takes its place below the root saving context.
        QMutexLocker lock(&stack().mutex);
        if (stack().store == store && !context->parentContext()) {
            context->setWorkingName(QStringLiteral("PLPersistence Default Context"));
            context->setParentContext(stack().rootSavingContext);
            stack().defaultContext = context;
        }
    }
    return context;
}

ContextPtr PLPersistence::PS_rootSavingContext() {
    QMutexLocker lock(&stack().mutex);
    return stack().rootSavingContext;
}

ContextPtr PLPersistence::PS_contextForCurrentThread() {
    auto store = PS_defaultStore();
    auto context = store ? store->contextForCurrentThread() : nullptr;
    if (context && !context->parentContext() && !context->isMainContext()) {
        QMutexLocker lock(&stack().mutex);
        context->setParentContext(stack().defaultContext.lock());
    }
    return context;
}

ContextPtr PLPersistence::PS_context() {
    auto store = PS_defaultStore();
    return store ? newChildOfRoot(store, {}) : nullptr;
}

QString PLPersistence::PS_workingName(const ContextPtr& context) {
    return context ? context->workingName() : QString();
}

void PLPersistence::PS_setWorkingName(const ContextPtr& context, const QString& name) {
    if (context)
        context->setWorkingName(name);
}

QString PLPersistence::PS_description(const ContextPtr& context) {
    if (!context)
        return {};
    return QStringLiteral("<ObjectContext (%1): %2> on %3")
        .arg(address(context.get()), context->workingName(),
             platform::isMainThread() ? QStringLiteral("the main thread")
                                      : QStringLiteral("a background thread"));
}

QString PLPersistence::PS_parentChain(const ContextPtr& context) {
    QString chain = QStringLiteral("\n");
    QSet<const void*> seen; // a tree, but a mistaken loop must not hang diagnostics
    for (ContextPtr c = context; c && !seen.contains(c.get()); c = c->parentContext()) {
        seen.insert(c.get());
        chain +=
            QStringLiteral("- %1 (%2) %3\n")
                .arg(c->workingName(), address(c.get()), c == context ? QStringLiteral("(*)") : QString());
    }
    return chain;
}

void PLPersistence::PS_clearNonMainThreadContextsCache() {
    if (auto store = PS_defaultStore())
        store->clearNonMainThreadContextsCache();
}

void PLPersistence::PS_resetContextForCurrentThread() {
    if (auto context = PS_contextForCurrentThread())
        context->reset();
}

void PLPersistence::PS_clearContextForCurrentThread() {
    ObjectStore::clearContextForCurrentThread();
}

void PLPersistence::PS_resetDefaultContext() {
    platform::runOnMain([] {
        if (auto context = PS_defaultContext())
            context->reset();
    });
}

void PLPersistence::handleErrors(const PLOptionalError& error) {
    if (!error)
        return;
    QPointer<QObject> target;
    ErrorAction action;
    bool hasTarget = false;
    {
        QMutexLocker lock(&stack().mutex);
        target = stack().errorTarget;
        hasTarget = stack().hasErrorTarget;
        action = stack().errorAction;
    }
    if (hasTarget && target && action)
        action(target.data(), *error);
    else
        defaultErrorHandler(*error);
}

void PLPersistence::setErrorHandlerTarget(QObject* target, ErrorAction action) {
    QMutexLocker lock(&stack().mutex);
    stack().errorTarget = target;
    stack().hasErrorTarget = target != nullptr;
    stack().errorAction = std::move(action);
}

QObject* PLPersistence::errorHandlerTarget() {
    QMutexLocker lock(&stack().mutex);
    return stack().errorTarget.data();
}

PLPersistence::ErrorAction PLPersistence::errorHandlerAction() {
    QMutexLocker lock(&stack().mutex);
    return stack().errorAction;
}

void PLPersistence::cleanUpErrorHanding() {
    setErrorHandlerTarget(nullptr, {});
}

void PLPersistence::defaultErrorHandler(const PLError& error) {
    // Diagnostics only: store errors carry SQL text and codes, never bound values.
    platform::Log::debug(QStringLiteral("Persistence error: ") + error.debugText());
}

void PLPersistence::saveWithBlock(Block block, Completion completion) {
    auto store = PS_defaultStore();
    if (!store) {
        if (completion)
            platform::runOnMain([completion] { completion(false, std::nullopt); });
        return;
    }
    QThreadPool::globalInstance()->start(
        [store, block = std::move(block), completion = std::move(completion)] {
            auto context = newChildOfRoot(store, QStringLiteral("saveWithBlock:completion:"));
            if (block)
                block(context);
            PSSaves::PS_saveWithOptions(context, PSSaves::PSSaveOptionParents, completion);
        });
}

void PLPersistence::saveWithBlockAndWait(const Block& block) {
    auto store = PS_defaultStore();
    if (!store)
        return;
    auto context = newChildOfRoot(store, QStringLiteral("saveWithBlockAndWait:"));
    if (block)
        block(context);
    PSSaves::PS_saveToPersistentStoreAndWait(context);
}

void PLPersistence::saveInBackgroundWithBlock(Block block, std::function<void()> completion) {
    auto store = PS_defaultStore();
    if (!store)
        return;
    QThreadPool::globalInstance()->start(
        [store, block = std::move(block), completion = std::move(completion)] {
            auto context = newChildOfRoot(store, QStringLiteral("saveInBackgroundWithBlock:completion:"));
            if (block)
                block(context);
            PSSaves::PS_saveToPersistentStoreAndWait(context);
            if (completion)
                completion(); // on the background thread, right after its save
        });
}

void PLPersistence::saveUsingCurrentThreadContextWithBlock(const Block& block, Completion completion) {
    auto context = PS_contextForCurrentThread();
    if (context) {
        context->setWorkingName(QStringLiteral("saveUsingCurrentThreadContextWithBlock:completion:"));
        if (block)
            block(context);
    }
    PSSaves::PS_saveWithOptions(context, PSSaves::PSSaveOptionParents, std::move(completion));
}

void PLPersistence::saveUsingCurrentThreadContextWithBlockAndWait(const Block& block) {
    auto context = PS_contextForCurrentThread();
    if (!context)
        return;
    context->setWorkingName(QStringLiteral("saveUsingCurrentThreadContextWithBlockAndWait:"));
    if (block)
        block(context);
    PSSaves::PS_saveToPersistentStoreAndWait(context);
}

void PLPersistence::saveInBackgroundUsingCurrentContextWithBlock(
    const Block& block, std::function<void()> completion,
    std::function<void(const PLOptionalError&)> errorHandler) {
    auto context = PS_contextForCurrentThread();
    if (context) {
        context->setWorkingName(
            QStringLiteral("saveInBackgroundUsingCurrentContextWithBlock:completion:errorHandler:"));
        if (block)
            block(context);
    }
    PSSaves::PS_saveToPersistentStoreWithCompletion(
        context, [completion, errorHandler](bool ok, const PLOptionalError& e) {
            if (ok) {
                if (completion)
                    completion();
            } else if (errorHandler) {
                errorHandler(e);
            }
        });
}

} // namespace pelnix
