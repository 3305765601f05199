#include "core/model/PLModelManager.h"

#include "core/model/CurrentUserInfo.h"
#include "core/model/PelnixDataModel.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "core/model/RoomModelServices.h"
#include "core/model/User.h"

#include "core/api/PLAPIService.h"
#include "core/api/PLAppConfigurations.h"
#include "core/session/PelnixStateManager.h"
#include "foundation/PLKeychainAccessHelper.h"
#include "foundation/StandardFolders.h"
#include "foundation/persistence/PSSaves.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/Sandbox.h"
#include "platform/SerialQueue.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTimer>
#include <atomic>

Q_LOGGING_CATEGORY(lcModelManager, "pelnix.modelmanager", QtWarningMsg)

namespace pelnix {

namespace {

const QString kStoreName = QStringLiteral("Pelnix.xcdatamodeld");

// Read from the event queue too (the room model's services).
std::atomic<PLModelManager*> g_shared = nullptr;

Q_GLOBAL_STATIC(PLModelManager::FileRemover, g_fileRemover)

bool removeFile(const QString& path) {
    return *g_fileRemover ? (*g_fileRemover)(path) : QFile::remove(path);
}

// True when `path` lies strictly below the sandbox root (links resolved).
bool isInsideSandbox(const QString& path) {
    const QString root = QFileInfo(platform::Sandbox::root()).canonicalFilePath();
    const QString target = QFileInfo(path).canonicalFilePath();
    return !root.isEmpty() && !target.isEmpty() && target.startsWith(root + QLatin1Char('/'));
}

} // namespace

PLModelManager::PLModelManager() {
    Q_ASSERT(platform::isMainThread());
    m_eventQueue = new platform::SerialQueue(QStringLiteral("Event Precessing"), this);
    registerForNetworkUpdatesAndNotifications();
}

PLModelManager::~PLModelManager() {
    platform::NotificationCenter::defaultCenter()->removeObservers(this);
    // The queue's running block may still read this object: it finishes before the members go.
    delete m_eventQueue;
    m_eventQueue = nullptr;
}

PLModelManager* PLModelManager::sharedModelManager() {
    Q_ASSERT(platform::isMainThread());
    if (!g_shared.load()) {
        registerModelLayer();
        g_shared = new PLModelManager;
        // The event queue's thread stops with the application, before the process's globals go:
        // a block still running as they were destroyed read freed memory.
        static bool endsWithTheApplication = false;
        if (!std::exchange(endsWithTheApplication, true) && QCoreApplication::instance())
            qAddPostRoutine(&PLModelManager::destroySharedInstance);
    }
    return g_shared.load();
}

bool PLModelManager::hasSharedInstance() {
    return g_shared.load() != nullptr;
}

void PLModelManager::destroySharedInstance() {
    Q_ASSERT(platform::isMainThread());
    PLModelManager* manager = g_shared.exchange(nullptr);
    if (!manager)
        return;
    manager->stopPersistentConnectionForUpdates();
    delete manager;
}

void PLModelManager::registerModelLayer() {
    PelnixDataModel::registerDeclaration();
    registerPostingServices();
    PLAPIService::setAccountCredentialsSource([] {
        PLAccountCredentials credentials;
        if (const auto row = CurrentUserInfo::storedCurrentUserInfo()) {
            credentials.tavrixToken = row->tavrixToken();
            if (const auto me = row->user()) {
                credentials.userID = me->userID();
                credentials.email = me->email();
                credentials.profileName = me->profileName();
            }
        }
        return credentials;
    });
    PLAppConfigurations::setAccountOverridesSource([] {
        PLAccountConfigurationOverrides overrides;
        if (const auto row = CurrentUserInfo::storedCurrentUserInfo()) {
            overrides.userConfigBaseURL = row->userConfigBaseURL();
            overrides.userConfigPNCertificateName = row->userConfigPNCertificateName();
            overrides.userConfigPictureBucketName = row->userConfigPictureBucketName();
        }
        return overrides;
    });
    PelnixStateManager::setDatabaseInitializer([] { sharedModelManager()->initialize(); });
    PelnixStateManager::setAccountInitializer(&CurrentUserInfo::initializeCurrentUserForSDKWithID);

    auto& services = RoomModelServices::shared();
    services.currentUserID = &CurrentUserInfo::currentUserID;
    services.userWithID = [](const QVariant& id) { return User::userWithID(id); };
    services.activeRoomID = [] {
        PLModelManager* manager = g_shared.load();
        return manager ? manager->activeRoomID() : QString();
    };
    services.addToDataProcessingQueue = [](std::function<void()> block) {
        if (PLModelManager* manager = g_shared.load())
            manager->addToDataProcessingQueue(std::move(block));
        else
            block();
    };
    services.isDataProcessingThread = [] {
        PLModelManager* manager = g_shared.load();
        return !manager || manager->dataProcessingQueue()->isCurrent();
    };
}

QString PLModelManager::activeRoomID() const {
    QMutexLocker lock(&m_activeRoomMutex);
    return m_activeRoomID;
}

void PLModelManager::setActiveRoomID(const QString& roomID) {
    QMutexLocker lock(&m_activeRoomMutex);
    m_activeRoomID = roomID;
}

void PLModelManager::setAppConfigurationState(qint64 state) {
    if (m_appConfigurationState == state)
        return;
    m_appConfigurationState = state;
    emit appConfigurationStateChanged(state);
}

void PLModelManager::setProgress(double progress) {
    if (qFuzzyCompare(m_progress, progress))
        return;
    m_progress = progress;
    emit progressChanged(progress);
}

void PLModelManager::addToDataProcessingQueue(std::function<void()> block) {
    m_eventQueue->async(std::move(block));
}

void PLModelManager::suspendDataProcessingQueue() {
    m_eventQueue->suspend();
}

void PLModelManager::resumeDataProcessingQueue() {
    m_eventQueue->resume();
}

void PLModelManager::initialize() {
    Q_ASSERT(platform::isMainThread());
    registerModelLayer();
    PLManagedObject::initializeDatabase();
    const auto row = CurrentUserInfo::currentUserInfo();
    if (!row) {
        qCWarning(lcModelManager) << "the store did not open";
        return;
    }
    if (row->status() == 0) {
        cleanupPreviousVersionData();
        row->setVersion(PelnixDataModel::kSchemaVersion);
        row->save();
    } else if (row->status() >= 2 && row->version() < PelnixDataModel::kSchemaVersion) {
        m_needsUpgrade = 1.0;
    }
    if (row->status() != 3)
        PLKeychainAccessHelper::clearOldPasscodeFromKeyChain();
}

void PLModelManager::checkForUpgradeForSDK() {
    if (m_needsUpgrade == 0.0)
        return;
    scheduleUpgrade();
}

void PLModelManager::scheduleUpgrade() {
    // The facade's launch and the bring-up both ask for it in the same turn: one run serves both, so
    // whichever asked, the bring-up waiting in state 3 goes on once it is done.
    if (std::exchange(m_upgradeScheduled, true))
        return;
    QTimer::singleShot(0, this, [this] {
        m_upgradeScheduled = false;
        performUpgrade();
    });
}

void PLModelManager::upgrade() {
    Q_ASSERT(platform::isMainThread());
    auto* center = platform::NotificationCenter::defaultCenter();
    center->post(QString::fromLatin1(PLPelnixWillBeginDatabaseUpgradeNotification));
    const auto row = CurrentUserInfo::currentUserInfo();
    for (int v = (row ? row->version() : PelnixDataModel::kSchemaVersion) + 1;
         v <= PelnixDataModel::kSchemaVersion; ++v)
        upgradeToCoreDataVersion(v);
    center->post(QString::fromLatin1(PLDatabaseUpgradedNotification));
    if (!row)
        return;
    row->setVersion(PelnixDataModel::kSchemaVersion);
    // The steps save nothing themselves: this one save commits them with the version stamp.
    PLOptionalError error;
    const auto context = PLPersistence::PS_defaultContext();
    if (context && !context->save(&error) && error) {
        qCWarning(lcModelManager) << "the upgrade was not stored:" << error->localizedDescription;
        return; // still pending: the next start runs it again whole
    }
    m_needsUpgrade = 0.0;
}

bool PLModelManager::upgradeToCoreDataVersion(int version) {
    switch (version) {
    case 3:
        upgradeToVersion3();
        return true;
    case 4:
        upgradeToVersion4();
        return true;
    case 5:
    case 6:
    case 7:
        return true; // no data change
    case 8:
        upgradeToVersion8();
        return true;
    default:
        return false;
    }
}

QStringList PLModelManager::previousVersionDefaultsKeys() {
    return {QStringLiteral("UserDefaultsKey"),    QStringLiteral("userRegistryKey"),
            QStringLiteral("MemberJoined"),       QStringLiteral("ChatletReloaded"),
            QStringLiteral("Reminder_Date"),      QStringLiteral("MemberLeft"),
            QStringLiteral("XSLTDownLoaded"),     QStringLiteral("recentmsgLocaltime"),
            QStringLiteral("k_Contacts_Fetched"), QStringLiteral("Current Version"),
            QStringLiteral("recentmsgLocalid"),   QStringLiteral("InviteShown")};
}

bool PLModelManager::isUpgradedFromVersion2x() {
    return !platform::UserDefaults::value(QStringLiteral("UserDefaultsKey")).toByteArray().isEmpty();
}

void PLModelManager::cleanupPreviousVersionDefaults() {
    for (const QString& key : previousVersionDefaultsKeys())
        platform::UserDefaults::remove(key);
    platform::UserDefaults::synchronize();
}

void PLModelManager::cleanupPreviousVersionData() {
    if (!isUpgradedFromVersion2x())
        return;
    // Only ever inside the library's own sandbox, and never the open store's own files.
    QStringList keep;
    if (const auto store = PLPersistence::PS_defaultStore()) {
        const QString path = QFileInfo(store->path()).canonicalFilePath();
        keep << path << path + QStringLiteral("-wal") << path + QStringLiteral("-shm");
    }
    const auto spared = [&keep](const QFileInfo& entry) {
        const QString path = entry.canonicalFilePath();
        for (const QString& kept : keep)
            if (path == kept || (entry.isDir() && kept.startsWith(path + QLatin1Char('/'))))
                return true;
        return false;
    };
    const QString documents = StandardFolders::publicDataPath();
    if (isInsideSandbox(documents)) {
        const auto entries = QDir(documents).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                           QDir::NoDotAndDotDot);
        for (const QFileInfo& entry : entries) {
            if (spared(entry))
                continue;
            if (entry.isDir() && !entry.isSymLink())
                QDir(entry.absoluteFilePath()).removeRecursively();
            else
                QFile::remove(entry.absoluteFilePath());
        }
    }
    const QString parent = QFileInfo(StandardFolders::privateDataPath()).absolutePath();
    if (isInsideSandbox(parent)) {
        const auto entries = QDir(parent).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QFileInfo& entry : entries)
            if (!spared(entry))
                QFile::remove(entry.absoluteFilePath());
    }
}

PLOptionalError PLModelManager::cleanAndResetupDB() {
    Q_ASSERT(platform::isMainThread());
    const auto store = PLPersistence::PS_defaultStore();
    const QString storePath = store ? store->path() : PLPersistence::PS_urlForStoreName(kStoreName);
    PLPersistence::cleanUp();
    m_needsUpgrade = 0.0;
    QString failed;
    for (const QString& path :
         {storePath, storePath + QStringLiteral("-wal"), storePath + QStringLiteral("-shm")}) {
        if (QFileInfo::exists(path) && !removeFile(path))
            failed = path;
    }
    if (!failed.isEmpty()) {
        // Reopening over a half-deleted store could mix old and new data: the store stays closed
        // and every store access answers empty until the next start.
        const PLError error(QStringLiteral("NSCocoaErrorDomain"), 512,
                            QStringLiteral("The store file %1 could not be deleted.").arg(failed));
        qCWarning(lcModelManager) << error.localizedDescription;
        return error;
    }
    initialize();
    if (!PLPersistence::PS_defaultStore())
        return PLError(QStringLiteral("NSCocoaErrorDomain"), 256,
                       QStringLiteral("The store could not be opened."));
    return std::nullopt;
}

void PLModelManager::removeAllPendingAndRichMediaInfoMessages() {
    PendingMessageInfo::PS_truncateAll();
    RichMediaInfo::PS_truncateAll();
    if (const auto context = PLPersistence::PS_defaultContext())
        context->save();
}

void PLModelManager::setFileRemover(FileRemover remover) {
    *g_fileRemover = std::move(remover);
}

} // namespace pelnix
