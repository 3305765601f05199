#pragma once

#include "platform/PLError.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace pelnix {

namespace platform {
class SerialQueue;
}
class RichMediaInfo;

inline constexpr char PLPelnixWillBeginDatabaseUpgradeNotification[] =
    "DatabaseWillBeginDatabaseUpgradeNotification";
inline constexpr char PLDatabaseUpgradedNotification[] = "DatabaseUpgradedNotification";
inline constexpr char PLPelnixCompletedUpgradingDatabaseNotification[] = "DatabaseUpgradedNotification";

// The one object that runs the messaging core. This file pair holds the object and its store duties:
// opening the store, the schema version check and upgrade, the clean-up of what the previous major
// version left behind, and the wipe-and-reopen of the store. Main thread, except the event queue.
class PLModelManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(qint64 appConfigurationState READ appConfigurationState WRITE setAppConfigurationState NOTIFY
                   appConfigurationStateChanged)
    Q_PROPERTY(double progress READ progress WRITE setProgress NOTIFY progressChanged)
public:
    // The shared instance, made on first use (main thread).
    static PLModelManager* sharedModelManager();
    static bool hasSharedInstance();
    static void destroySharedInstance();

    // Connects the model layer to the layers below it that cannot call up: the store's model
    // declaration, the request core's credentials, the configuration's account overrides and the
    // session's database and account initialisers. Safe to call again.
    static void registerModelLayer();

    QString activeRoomID() const { return m_activeRoomID; }
    void setActiveRoomID(const QString& roomID) { m_activeRoomID = roomID; }
    bool localAddressBookSynched() const { return m_localAddressBookSynched; }
    void setLocalAddressBookSynched(bool synched) { m_localAddressBookSynched = synched; }
    quint64 requestID() const { return m_requestID; }
    void setRequestID(quint64 id) { m_requestID = id; }
    qint64 appConfigurationState() const { return m_appConfigurationState; }
    void setAppConfigurationState(qint64 state);
    double progress() const { return m_progress; }
    void setProgress(double progress);
    // Non-zero while a schema upgrade is pending.
    double needsUpgrade() const { return m_needsUpgrade; }
    bool validJSON() const { return m_validJSON; }
    void setValidJSON(bool valid) { m_validJSON = valid; }

    // The serial queue "Event Precessing" and its counted suspension.
    platform::SerialQueue* dataProcessingQueue() const { return m_eventQueue; }
    void addToDataProcessingQueue(std::function<void()> block);
    void suspendDataProcessingQueue();
    void resumeDataProcessingQueue();

    // Posting
    // Start-up of the outbox: completed entries dropped, interrupted posts put back in line, then
    // a posting pass and an upload pass.
    void prepareAndStartPostingPendingMessages();
    // One outbox pass: the first waiting post of at most three rooms, oldest first. Offline: nothing.
    void postPendingMessages();
    // One upload pass: at most three uploads started. Offline: nothing.
    void uploadRichMediaFilesToCloud();
    // Posts sent without answer go back in line (or fail once out of tries), then a posting pass;
    // on the server's "welcome" and when the stream has been quiet for a while.
    void rearmUnansweredPosts(bool fromWelcome);
    // The media pipeline starts one upload; false when it started none.
    using UploadStarter = std::function<bool(const std::shared_ptr<RichMediaInfo>& media)>;
    static void setUploadStarter(UploadStarter starter);
    // Installs the room server operations and the outbox into the room model's services.
    static void registerPostingServices();

    // Opens the store and checks the stored schema version.
    void initialize();
    // Runs a pending upgrade on the main thread's next turn.
    void checkForUpgradeForSDK();
    // Posts the two notifications around the steps from the stored version up to the current one,
    // then stamps the version. Steps and stamp are committed together, so an interrupted upgrade
    // leaves the old version and runs again whole.
    void upgrade();
    // One upgrade step; false when there is no step for that version.
    bool upgradeToCoreDataVersion(int version);

    static bool isUpgradedFromVersion2x();
    static void cleanupPreviousVersionDefaults();
    // Only for an installation of the previous major version; acts inside the sandbox root only.
    void cleanupPreviousVersionData();
    // Closes the store, deletes its files and opens a fresh one. When a file cannot be deleted the
    // store stays closed and the error says which.
    PLOptionalError cleanAndResetupDB();
    void removeAllPendingAndRichMediaInfoMessages();

    // The file deletion the wipe uses (QFile::remove by default).
    using FileRemover = std::function<bool(const QString& path)>;
    static void setFileRemover(FileRemover remover);
    // The user-defaults keys of the previous major version, in the order they are removed.
    static QStringList previousVersionDefaultsKeys();

signals:
    void appConfigurationStateChanged(qint64 state);
    void progressChanged(double progress);

private:
    PLModelManager();
    ~PLModelManager() override;

    void upgradeToVersion3();
    void upgradeToVersion4();
    void upgradeToVersion8();

    QString m_activeRoomID;
    bool m_localAddressBookSynched = false;
    quint64 m_requestID = 0;
    qint64 m_appConfigurationState = 0;
    double m_progress = 0.0;
    double m_needsUpgrade = 0.0;
    bool m_validJSON = true;
    platform::SerialQueue* m_eventQueue = nullptr;
};

} // namespace pelnix
