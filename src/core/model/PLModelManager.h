#pragma once

#include "core/model/EventStreamLineAssembler.h"
#include "core/model/PLModelManagerHooks.h"
#include "platform/PLError.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QTimer;

namespace pelnix {

namespace platform {
class SerialQueue;
}
class PLEventsAPIService;

inline constexpr char PLPelnixWillBeginDatabaseUpgradeNotification[] =
    "DatabaseWillBeginDatabaseUpgradeNotification";
inline constexpr char PLDatabaseUpgradedNotification[] = "DatabaseUpgradedNotification";
inline constexpr char PLPelnixCompletedUpgradingDatabaseNotification[] = "DatabaseUpgradedNotification";
// The end of the bring-up: no user info on success, {"Error", "Msg"} on failure.
inline constexpr char PLChatRoomsFetchedNotification[] = "ChatRoomsFetchedNotification";
inline constexpr char PLApplicationDidEnterBackgroundNotification[] =
    "UIApplicationDidEnterBackgroundNotification";
inline constexpr char PLApplicationWillEnterForegroundNotification[] =
    "UIApplicationWillEnterForegroundNotification";

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

    // Set by the chat window; also read by the outbox on the event queue.
    QString activeRoomID() const;
    void setActiveRoomID(const QString& roomID);
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
    // The outbox's start-up clean-up: completed entries go, interrupted posts are sent again (their
    // sequence ID keeps the server from storing them twice).
    static void prepareOutbox();
    // One outbox pass: rooms post their first waiting entry, oldest first, until three rooms are
    // posting (those still waiting for an answer included). Offline: nothing.
    void postPendingMessages();
    // Posts sent without answer go back in line (or fail once out of tries), then a posting pass;
    // on the server's "welcome" and when the stream has been quiet for a while.
    void rearmUnansweredPosts(bool fromWelcome);
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

    // Runs a pending upgrade; when the bring-up stopped in state 3 for it, runs the bring-up again and
    // announces the end of start-up (a failed upgrade ends it with an error).
    void performUpgrade();

    // Bring-up: the re-entrant step function and its steps. Answers the resulting state; non-zero
    // means "ChatRoomsFetchedNotification" will report the end.
    qint64 checkAppSatusAndProceed();
    void updateStyleSheets();
    void startFetchingXSLT();
    void updateFormJSONs();
    void startFetchingRooms();

    // The event stream.
    void startPersistentConnectionForUpdates();
    // Closes the stream; no reconnect follows.
    void stopPersistentConnectionForUpdates();
    bool isEventStreamConnected() const;
    // A reconnect of the stream is waiting for its delay.
    bool isEventStreamReconnectPending() const;
    // One piece of the stream's body, as the connection delivered it (main thread).
    void processData(const QByteArray& chunk);
    // Applies a batch in order (event queue).
    void processEventJSONs(const QList<QVariantMap>& events);
    // Stores the event's date as the resume point (main thread).
    void updatePrivateEventTime(const QVariantMap& event);
    void resetSentButResponseNotReceivedTypePendingMessagesIfNeeded();

    // Life cycle and network: the outbox's start-up and the upload pass.
    void prepareAndStartPostingPendingMessages();
    void uploadRichMediaFilesToCloud();

    // The calls into the outbox, the room operations and the smart-message downloads.
    static PLModelManagerHooks& hooks();
    static void resetHooks();

    // The stream's timers: the quiet time before unanswered posts are re-armed, and the reconnect
    // back-off (first delay, doubling up to the cap). Tests shorten them.
    struct StreamTimings {
        int rearmMs = 10000;
        int firstRetryMs = 1000;
        int maxRetryMs = 30000;
    };
    static void setStreamTimings(const StreamTimings& timings);
    static StreamTimings streamTimings();

signals:
    void appConfigurationStateChanged(qint64 state);
    void progressChanged(double progress);

private:
    PLModelManager();
    ~PLModelManager() override;

    void upgradeToVersion3();
    void upgradeToVersion4();
    void upgradeToVersion8();

    // Queues performUpgrade() for the main thread's next turn, once however often it is asked.
    void scheduleUpgrade();
    void registerForNetworkUpdatesAndNotifications();
    void postStartUpSucceeded();
    // "Msg" is `message`, else the localized `fallbackKey`. Queued when the caller has not yet
    // learned that start-up is under way.
    void postStartUpFailed(const PLOptionalError& error, const QString& message, const QString& fallbackKey,
                           bool queued = false);
    void streamEnded();
    // A piece of a stream the server refused with an error status.
    void processRefusedData(const QByteArray& chunk);
    // The server said the credentials are no longer valid: the stream stops and the session ends.
    void endSessionRefusedByServer();
    void restartRearmTimer();

    mutable QMutex m_activeRoomMutex;
    QString m_activeRoomID;
    bool m_localAddressBookSynched = false;
    quint64 m_requestID = 0;
    qint64 m_appConfigurationState = 0;
    double m_progress = 0.0;
    double m_needsUpgrade = 0.0;
    bool m_upgradeScheduled = false;
    bool m_validJSON = true;
    platform::SerialQueue* m_eventQueue = nullptr;

    PLEventsAPIService* m_events = nullptr;
    EventStreamLineAssembler m_lines;
    QTimer* m_rearmTimer = nullptr;
    QTimer* m_reconnectTimer = nullptr;
    int m_retryDelayMs = 0;
    // The current connection delivered at least one event: its end is followed by an immediate retry.
    bool m_streamDeliveredEvents = false;
    // This bring-up run already reported that a download could not start.
    bool m_notStartedReported = false;
};

} // namespace pelnix
