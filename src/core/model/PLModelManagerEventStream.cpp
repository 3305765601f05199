// The event stream: one long GET whose body carries every change made by others. Pieces arrive on
// the main thread and are cut into events there; events are applied in order on the serial queue
// "Event Precessing"; the resume point moves after each applied batch.

#include "core/model/CurrentUserInfo.h"
#include "core/model/PLModelManager.h"
#include "core/model/User.h"

#include "core/api/PLEventsAPIService.h"
#include "foundation/DateAdditions.h"
#include "foundation/PLReachabilityResponder.h"
#include "foundation/SafeReaders.h"
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"

#include <QLoggingCategory>
#include <QMutex>
#include <QPointer>
#include <QTimer>

Q_LOGGING_CATEGORY(lcEventStream, "pelnix.modelmanager.stream", QtWarningMsg)

namespace pelnix {

namespace {

// The stream asks again for the last five seconds: events stored by the server just before a
// reconnect are not missed (their import is idempotent).
constexpr qint64 kResumeOverlapMs = 5000;

QMutex g_timingsMutex;
PLModelManager::StreamTimings g_timings;

using SafeKVC::doubleForKey;
using SafeKVC::stringForKey;

bool isOnline() {
    return PLReachabilityResponder::sharedInstance()->networkStatus() != 0;
}

} // namespace

void PLModelManager::setStreamTimings(const StreamTimings& timings) {
    QMutexLocker lock(&g_timingsMutex);
    g_timings = timings;
}

PLModelManager::StreamTimings PLModelManager::streamTimings() {
    QMutexLocker lock(&g_timingsMutex);
    return g_timings;
}

bool PLModelManager::isEventStreamConnected() const {
    return m_events && m_events->isConnected();
}

bool PLModelManager::isEventStreamReconnectPending() const {
    return m_reconnectTimer && m_reconnectTimer->isActive();
}

void PLModelManager::startPersistentConnectionForUpdates() {
    Q_ASSERT(platform::isMainThread());
    if (!isOnline())
        return;
    const auto account = CurrentUserInfo::currentUserInfo();
    if (!account || account->status() == 4)
        return;
    if (needsUpgrade() != 0.0 || account->status() < 2 || !account->roomsFetched()) {
        checkAppSatusAndProceed();
        return;
    }
    if (!m_events) {
        m_events = new PLEventsAPIService(this);
        QPointer<PLModelManager> self(this);
        m_events->setProgressHandler([self](const QByteArray& chunk, const PLOptionalError& error) {
            if (!self)
                return;
            if (error)
                self->processRefusedData(chunk);
            else
                self->processData(chunk);
        });
        m_events->setCompletionHandler([self](const QByteArray&, const PLOptionalError&) {
            if (self)
                self->streamEnded();
        });
        m_rearmTimer = new QTimer(this);
        m_rearmTimer->setSingleShot(true);
        connect(m_rearmTimer, &QTimer::timeout, this,
                [this] { resetSentButResponseNotReceivedTypePendingMessagesIfNeeded(); });
        m_reconnectTimer = new QTimer(this);
        m_reconnectTimer->setSingleShot(true);
        connect(m_reconnectTimer, &QTimer::timeout, this, [this] {
            if (isOnline())
                startPersistentConnectionForUpdates();
        });
    }
    m_reconnectTimer->stop();
    setRequestID(0);
    m_lines.reset();
    m_streamDeliveredEvents = false;
    m_events->stopService();
    // With no event seen yet (time 0), everything: from the start of time, not before it.
    m_events->setAfterTimeLine(qMax<qint64>(0, account->privateEventTime() - kResumeOverlapMs));
    m_events->setCurrentTime(DateAdditions::getCurrentDateString());
    m_events->startService();
    qCDebug(lcEventStream) << "stream opened after" << m_events->afterTimeLine();
}

void PLModelManager::stopPersistentConnectionForUpdates() {
    Q_ASSERT(platform::isMainThread());
    if (m_reconnectTimer)
        m_reconnectTimer->stop();
    if (m_events)
        m_events->stopService();
}

// The server closed the stream or the connection failed. A stream that carried events is opened
// again at once; one that ended without any (refused, or closed right away) waits a growing delay,
// so a server that keeps refusing is not hammered.
void PLModelManager::streamEnded() {
    const auto account = CurrentUserInfo::currentUserInfo();
    if (!isOnline() || !account || account->status() == 4)
        return; // a session the server ended stays ended
    const StreamTimings timings = streamTimings();
    if (m_streamDeliveredEvents || m_retryDelayMs == 0) {
        // The next end without events waits the first delay.
        m_retryDelayMs = timings.firstRetryMs;
        m_reconnectTimer->start(0);
        return;
    }
    qCDebug(lcEventStream) << "stream ended without events; retry in" << m_retryDelayMs << "ms";
    m_reconnectTimer->start(m_retryDelayMs);
    m_retryDelayMs = qMin(m_retryDelayMs * 2, timings.maxRetryMs);
}

void PLModelManager::processData(const QByteArray& chunk) {
    Q_ASSERT(platform::isMainThread());
    setValidJSON(true);
    const EventStreamLineAssembler::Result result = m_lines.append(chunk);
    if (result.notAuthenticated)
        return endSessionRefusedByServer();
    if (result.events.isEmpty())
        return;
    m_streamDeliveredEvents = true;
    m_retryDelayMs = 0;
    m_eventQueue->async([self = QPointer<PLModelManager>(this), events = result.events] {
        if (self)
            self->processEventJSONs(events);
    });
}

// A refused stream's body (an error status) is never read as events: an error page or a refusal
// envelope is no event data. Whatever the status, though, it can carry the server's answer that the
// credentials are no longer valid.
void PLModelManager::processRefusedData(const QByteArray& chunk) {
    Q_ASSERT(platform::isMainThread());
    if (m_lines.append(chunk).notAuthenticated)
        endSessionRefusedByServer();
}

void PLModelManager::endSessionRefusedByServer() {
    qCWarning(lcEventStream) << "the stream refused the credentials; the session ends";
    setValidJSON(false);
    stopPersistentConnectionForUpdates();
    if (const auto account = CurrentUserInfo::currentUserInfo())
        account->handleDeletedFromOrg();
}

void PLModelManager::processEventJSONs(const QList<QVariantMap>& events) {
    Q_ASSERT(m_eventQueue->isCurrent());
    const auto applyRoomEvent = hooks().applyRoomEvent;
    QPointer<PLModelManager> self(this);
    // The main thread's part of the events applied since the last hop: restart the quiet timer and
    // move the resume point to the last one's date. Queued, so the queue never waits on the main
    // thread; it runs after the main-thread work those events queued.
    const QVariantMap* lastApplied = nullptr;
    const auto flush = [&] {
        if (!lastApplied)
            return;
        platform::runOnMain([self, event = *lastApplied] {
            if (!self)
                return;
            self->restartRearmTimer();
            self->updatePrivateEventTime(event);
        });
        lastApplied = nullptr;
    };
    for (const QVariantMap& event : events) {
        const QString type = stringForKey(event, QStringLiteral("type"));
        if (type == QLatin1String("welcome")) {
            flush();
            platform::runOnMain([self] {
                if (!self)
                    return;
                hooks().rearmUnansweredPosts(true);
                hooks().postPendingMessages();
            });
            continue;
        }
        if (type == QLatin1String("echatcontact")) {
            if (event.contains(QStringLiteral("message")))
                User::applyContactEvent(event);
        } else if (type == QLatin1String("userremoved")) {
            User::applyContactEvent(event);
            // The account itself left the organisation: the session is over, and so is its stream.
            const qint32 removed = SafeKVC::intForKeyPath(event, QStringLiteral("message.userId"));
            if (removed != 0 && removed == CurrentUserInfo::currentUserID())
                platform::runOnMain([self] {
                    if (self)
                        self->stopPersistentConnectionForUpdates();
                });
        } else if (applyRoomEvent) {
            applyRoomEvent(event);
        }
        lastApplied = &event;
    }
    flush();
}

void PLModelManager::restartRearmTimer() {
    if (!m_rearmTimer)
        return;
    m_rearmTimer->start(streamTimings().rearmMs);
}

void PLModelManager::updatePrivateEventTime(const QVariantMap& event) {
    Q_ASSERT(platform::isMainThread());
    const auto account = CurrentUserInfo::currentUserInfo();
    if (!account)
        return;
    const qint64 date = qint64(doubleForKey(event, QStringLiteral("date")));
    if (date != 0)
        account->setPrivateEventTime(date);
    account->save();
}

void PLModelManager::resetSentButResponseNotReceivedTypePendingMessagesIfNeeded() {
    Q_ASSERT(platform::isMainThread());
    hooks().rearmUnansweredPosts(false);
    hooks().postPendingMessages();
}

} // namespace pelnix
