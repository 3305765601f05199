#pragma once

#include "platform/PLError.h"
#include "platform/store/ObjectContext.h"
#include "platform/store/ObjectStore.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

namespace pelnix {

using ContextPtr = std::shared_ptr<platform::ObjectContext>;

inline constexpr const char* kPLPersistenceCleanedUpNotification = "kPLPersistenceCleanedUpNotification";
inline constexpr const char* kPLPersistencePSCMismatchWillDeleteStore =
    "kPLPersistencePSCMismatchWillDeleteStore";
inline constexpr const char* kPLPersistencePSCMismatchDidDeleteStore =
    "kPLPersistencePSCMismatchDidDeleteStore";
inline constexpr const char* kPLPersistencePSCMismatchCouldNotDeleteStore =
    "kPLPersistencePSCMismatchCouldNotDeleteStore";
inline constexpr const char* kPLPersistencePSCMismatchWillRecreateStore =
    "kPLPersistencePSCMismatchWillRecreateStore";
inline constexpr const char* kPLPersistencePSCMismatchDidRecreateStore =
    "kPLPersistencePSCMismatchDidRecreateStore";
inline constexpr const char* kPLPersistencePSCMismatchCouldNotRecreateStore =
    "kPLPersistencePSCMismatchCouldNotRecreateStore";

// The process-wide persistence stack: the model, the one store ("coordinator" and "persistent
// store" are one object here), its contexts and the error sink. Set up on the main thread.
//
// The model comes from the declarations registered with registerModelDeclaration() (what the
// model resources of the bundles are elsewhere); initializeDatabase merges them.
class PLPersistence {
public:
    using ModelDeclaration = std::function<void(platform::ObjectModel&)>;
    using ErrorAction = std::function<void(QObject* target, const PLError& error)>;
    using Completion = std::function<void(bool success, const PLOptionalError& error)>;

    // Model
    static void registerModelDeclaration(const QString& name, ModelDeclaration declaration);
    static std::shared_ptr<const platform::ObjectModel> mergedModelFromBundles();
    static std::shared_ptr<const platform::ObjectModel> PS_defaultManagedObjectModel();
    static void PS_setDefaultManagedObjectModel(std::shared_ptr<const platform::ObjectModel> model);
    static bool shouldAutoCreateManagedObjectModel();
    static void setShouldAutoCreateManagedObjectModel(bool value);
    static bool shouldAutoCreateDefaultPersistentStoreCoordinator();
    static void setShouldAutoCreateDefaultPersistentStoreCoordinator(bool value);
    static bool shouldDeleteStoreOnModelMismatch();
    static void setShouldDeleteStoreOnModelMismatch(bool value);
    // Kept for hosts that set it (31 until they do); the store's own logging goes by its category.
    static int loggingLevel();
    static void setLoggingLevel(int level);

    // Stack
    static void setupCoreDataStack();
    static void setupAutoMigratingCoreDataStack();
    static void setupCoreDataStackWithStoreNamed(const QString& storeName);
    static void setupCoreDataStackWithAutoMigratingSqliteStoreNamed(const QString& storeName);
    static void setupCoreDataStackWithInMemoryStore();
    // The application's name with the "sqlite" extension (it is kept when already there).
    static QString defaultStoreName();
    // Closes the store (every connection, before any file may be deleted), drops the contexts and
    // the error sink, then posts "kPLPersistenceCleanedUpNotification".
    static void cleanUp();
    static void cleanUpStack();
    static QString currentStack();
    static int version() { return 230; }

    // Store
    static std::shared_ptr<platform::ObjectStore> PS_defaultStore();
    // Opens a store file by name (or absolute path); with the mismatch flag on, a store written by
    // an incompatible model is deleted and made again.
    static std::shared_ptr<platform::ObjectStore> PS_addSqliteStoreNamed(const QString& nameOrPath);
    // Documents/<name> when that file exists, else Application Support/<application name>/<name>.
    static QString PS_urlForStoreName(const QString& storeName);
    static QString PS_applicationDocumentsDirectory();
    static QString PS_applicationStorageDirectory();
    static bool PS_createPathToStoreFileIfNeccessary(const QString& storeFile);

    // Contexts. The tree: the root saving context ("PLPersistence Root Saving Context"), the
    // default (main-thread) context below it ("PLPersistence Default Context"), one context per
    // other thread below the default one, and new contexts below the root. Every context saves
    // straight to the store; the tree names where each one belongs.
    static ContextPtr PS_defaultContext();
    // Made with the stack on the main thread, and used there.
    static ContextPtr PS_rootSavingContext();
    static ContextPtr PS_contextForCurrentThread();
    // A new context on the store, for the calling thread, below the root saving context.
    static ContextPtr PS_context();
    // "Untitled Context" when the context has no name.
    static QString PS_workingName(const ContextPtr& context);
    static void PS_setWorkingName(const ContextPtr& context, const QString& name);
    // "<ObjectContext (address): working name> on the main thread" (or "on a background thread",
    // for the calling thread).
    static QString PS_description(const ContextPtr& context);
    // "\n", then "- name (address) (*)\n" for the context and "- name (address) \n" for each parent.
    static QString PS_parentChain(const ContextPtr& context);
    static void PS_clearNonMainThreadContextsCache();
    static void PS_resetContextForCurrentThread();
    static void PS_clearContextForCurrentThread();
    static void PS_resetDefaultContext();

    // Errors: the sink every store failure reaches. Silent unless a target and action are set.
    static void handleErrors(const PLOptionalError& error);
    static void setErrorHandlerTarget(QObject* target, ErrorAction action);
    static QObject* errorHandlerTarget();
    static ErrorAction errorHandlerAction();
    static void cleanUpErrorHanding();
    static void defaultErrorHandler(const PLError& error);

    // Block-based saves. The block gets the context to work in; completions run on the main thread.
    using Block = std::function<void(const ContextPtr& context)>;
    static void saveWithBlock(Block block, Completion completion = {});
    static void saveWithBlockAndWait(const Block& block);
    static void saveInBackgroundWithBlock(Block block, std::function<void()> completion = {});
    static void saveUsingCurrentThreadContextWithBlock(const Block& block, Completion completion = {});
    static void saveUsingCurrentThreadContextWithBlockAndWait(const Block& block);
    static void
    saveInBackgroundUsingCurrentContextWithBlock(const Block& block, std::function<void()> completion,
                                                 std::function<void(const PLOptionalError&)> errorHandler);

private:
    static void setupStack(const QString& nameOrPath, bool retryOnce);
};

} // namespace pelnix
