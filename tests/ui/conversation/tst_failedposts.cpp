// The failed-post choices: the sheet's title and buttons by count and expiry and what each button
// does; the resend's reset of the outbox entries; discard; the restart and the stop of an upload.
// Each sheet and alert acts on the message it was opened for, even when another was opened since,
// the row it came from shows another message now, or the window on its room has closed.

#include "ConversationTestWorld.h"

#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/Button.h"
#include "ui/conversation/ConversationNotifications.h"
#include "ui/conversation/PLPendingMessageIndicatorView.h"
#include "ui/conversation/PLPostFailureHandlerHelper.h"

#include <QApplication>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::ActionSheet;
using platform::ui::AlertView;

namespace {

QStringList buttonsOf(const AlertView* alert) {
    QStringList titles;
    for (int i = 0; i < alert->numberOfButtons(); ++i)
        titles << alert->buttonTitleAtIndex(i);
    return titles;
}

// The choices announced, as (seqId, action).
struct Announcements {
    QList<QPair<QString, int>> seen;
    platform::NotificationCenter::Token token;
    Announcements() {
        token = platform::NotificationCenter::defaultCenter()->addObserver(
            QLatin1String(RetryOrDiscardPendingMessageNotification), [this](const platform::Notification& n) {
                QCOMPARE(n.userInfo.size(), 2);
                seen << qMakePair(
                    n.userInfo.value(QLatin1String(PLFailedPendingMessageKey)).toString(),
                    n.userInfo.value(QLatin1String(PLPendingMessagePostFailureActionTypeKey)).toInt());
            });
    }
    ~Announcements() { platform::NotificationCenter::defaultCenter()->removeObserver(token); }
};

} // namespace

class TestFailedPosts : public QObject {
    Q_OBJECT
private slots:
    void init() {
        world = std::make_unique<ConversationWorld>();
        room = world->importRoom(QStringLiteral("r1"));
        // The outbox stays put unless a test lets it run.
        world->fixture.setOnline(false);
        window = std::make_unique<platform::ui::Window>();
        window->resize(320, 568);
        window->show();
    }
    void cleanup() {
        window.reset();
        room.reset();
        world.reset();
        PLModelManager::resetHooks();
    }

    void sheetByCountAndExpiry_data();
    void sheetByCountAndExpiry();
    void sheetButtons_data();
    void sheetButtons();
    void eachSheetActsOnItsOwnMessage();
    void reusedRowDoesNotRedirectTheSheet();
    void answerForAMessageGoneMeanwhileDoesNothing();
    void resendResetsEveryEntryButTheOneBeingPosted();
    void resendNeedsAFailedEntryAndNoExpiry();
    void discardWithoutEntryAnnouncesNothing();
    void stoppedUploadRestarts();
    void stopConfirmationStopsARunningUpload();

private:
    // A post of the user's own with entries of these (type, state).
    Message::Ptr post(const QList<QPair<qint16, qint16>>& entries, qint16 type = 2) {
        auto message = room->createMessage();
        message->setType(type);
        message->setText(QStringLiteral("post"));
        message->setState(1);
        for (const auto& [entryType, state] : entries)
            room->createPendingMessage(message, entryType, state)->setText(QStringLiteral("post"));
        room->save();
        return message;
    }
    RichMediaInfo::Ptr attach(const PendingMessageInfo::Ptr& entry, qint16 state, qint64 mediaId) {
        // Order numbers come from the account's counter, as the posts' own do.
        auto account = CurrentUserInfo::currentUserInfo();
        account->setRichMediaInfoIdIndex(qMax(account->richMediaInfoIdIndex(), mediaId));
        auto file = RichMediaInfo::PS_createEntity();
        file->setState(state);
        file->setMediaId(mediaId);
        file->setTryCount(2);
        file->setPendingmessage(entry);
        entry->addRichMediaInfoObject(file);
        room->save();
        return file;
    }
    ActionSheet* sheetFor(const Message::Ptr& message) {
        return PLPostFailureHandlerHelper::sharedInstance()->showActionSheetInView(window.get(), message);
    }
    int countUploadPasses() {
        auto counter = std::make_shared<int>(0);
        PLModelManager::hooks().uploadPendingMedia = [counter] { ++*counter; };
        m_uploads = counter;
        return 0;
    }

    std::unique_ptr<ConversationWorld> world;
    std::unique_ptr<platform::ui::Window> window;
    ChatRoom::Ptr room;
    std::shared_ptr<int> m_uploads;
};

void TestFailedPosts::sheetByCountAndExpiry_data() {
    QTest::addColumn<int>("failed");
    QTest::addColumn<bool>("expired");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("buttons");
    QTest::newRow("one failed post") << 1 << false << "" << QStringList{"Resend", "Discard", "Cancel"};
    QTest::newRow("three failed posts")
        << 3 << false << "3 Failed Messages" << QStringList{"Resend all", "Discard all", "Cancel"};
    QTest::newRow("one, expired") << 1 << true << "" << QStringList{"Discard", "Cancel"};
    QTest::newRow("two, expired") << 2 << true << "2 Failed Messages" << QStringList{"Discard all", "Cancel"};
}

void TestFailedPosts::sheetByCountAndExpiry() {
    QFETCH(int, failed);
    QFETCH(bool, expired);
    QFETCH(QString, title);
    QFETCH(QStringList, buttons);
    QList<QPair<qint16, qint16>> entries;
    for (int i = 0; i < failed; ++i)
        entries << qMakePair(qint16(2), qint16(4));
    auto message = post(entries, 1);
    if (expired) {
        message->setLatestAction(QStringLiteral("expired"));
        message->save();
    }
    auto* sheet = sheetFor(message);
    QVERIFY(sheet);
    QCOMPARE(sheet->title(), title);
    QCOMPARE(buttonsOf(sheet), buttons);
    QCOMPARE(sheet->cancelButtonIndex(), buttons.size() - 1);
    QCOMPARE(window->alerts(), QList<AlertView*>{sheet});
}

void TestFailedPosts::sheetButtons_data() {
    QTest::addColumn<bool>("expired");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("action");
    QTest::newRow("first button resends") << false << 0 << int(PLPostFailureHandlerHelper::Resend);
    QTest::newRow("second button discards") << false << 1 << int(PLPostFailureHandlerHelper::Discard);
    QTest::newRow("cancel does nothing") << false << 2 << -1;
    QTest::newRow("expired: first button discards") << true << 0 << int(PLPostFailureHandlerHelper::Discard);
    QTest::newRow("expired: cancel does nothing") << true << 1 << -1;
}

void TestFailedPosts::sheetButtons() {
    QFETCH(bool, expired);
    QFETCH(int, index);
    QFETCH(int, action);
    auto message = post({{0, 4}});
    if (expired) {
        message->setLatestAction(QStringLiteral("expired"));
        message->save();
    }
    const QString seqId = message->latestPendingMessage()->seqId();
    Announcements announced;
    auto* sheet = sheetFor(message);
    QCOMPARE(PLPostFailureHandlerHelper::actionForSheetButton(index, sheet->cancelButtonIndex(), expired),
             action);
    sheet->tapButtonAtIndex(index);
    if (action < 0)
        QVERIFY(announced.seen.isEmpty());
    else
        QCOMPARE(announced.seen, (QList<QPair<QString, int>>{qMakePair(seqId, action)}));
    // With no window on the room, a discard is carried out here.
    QCOMPARE(Message::messageWithID(message->messageId()) == nullptr,
             action == PLPostFailureHandlerHelper::Discard);
}

void TestFailedPosts::eachSheetActsOnItsOwnMessage() {
    auto first = post({{0, 4}});
    auto second = post({{0, 4}});
    auto* firstSheet = sheetFor(first);
    auto* secondSheet = sheetFor(second);
    QVERIFY(firstSheet && secondSheet);
    // The sheet opened first answers last: its own message goes, not the one handled since.
    secondSheet->tapButtonAtIndex(2);
    firstSheet->tapButtonAtIndex(1);
    QCOMPARE(Message::messageWithID(first->messageId()), Message::Ptr());
    QVERIFY(Message::messageWithID(second->messageId()));
    QCOMPARE(second->latestPendingMessage()->state(), qint16(4));
}

void TestFailedPosts::reusedRowDoesNotRedirectTheSheet() {
    auto failed = post({{0, 4}});
    auto other = post({{0, 4}});
    PLPendingMessageIndicatorView indicator(100, window.get());
    indicator.setMessage(failed);
    indicator.show();
    indicator.failureIndicatorButton()->click();
    QCOMPARE(window->alerts().size(), 1);
    auto* sheet = window->alerts().first();
    // The row is reused for another failed post while the sheet is up.
    indicator.prepareForReuse();
    indicator.setMessage(other);
    const qint64 otherOrder = other->latestPendingMessage()->messageId();
    sheet->tapButtonAtIndex(0);
    QCOMPARE(failed->latestPendingMessage()->state(), qint16(1));
    QCOMPARE(other->latestPendingMessage()->state(), qint16(4));
    QCOMPARE(other->latestPendingMessage()->messageId(), otherOrder);
}

void TestFailedPosts::answerForAMessageGoneMeanwhileDoesNothing() {
    auto failed = post({{0, 4}});
    auto* resendSheet = sheetFor(failed);
    auto* discardSheet = sheetFor(failed);
    Announcements announced;
    discardSheet->tapButtonAtIndex(1);
    QCOMPARE(announced.seen.size(), 1);
    // The message is gone: the other sheet's answer changes nothing and announces nothing.
    resendSheet->tapButtonAtIndex(0);
    QCOMPARE(announced.seen.size(), 1);
    QCOMPARE(PendingMessageInfo::PS_countOfEntities(), qint64(0));
}

void TestFailedPosts::resendResetsEveryEntryButTheOneBeingPosted() {
    auto message = post({{4, 4}, {2, 1}, {2, 2}}, 1);
    message->setDate(1000);
    const auto entries = message->pendingMessages();
    auto failedFile = attach(entries[0], 10, 5);
    auto doneFile = attach(entries[0], 9, 6);
    const qint64 postingOrder = entries[2]->messageId();
    QList<qint64> orders;
    for (const auto& entry : entries) {
        entry->setTryCount(3);
        orders << entry->messageId();
    }
    room->save();
    Announcements announced;
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    PLPostFailureHandlerHelper::sharedInstance()->retryFailedPendingMessage(message);
    QCOMPARE(entries[0]->state(), qint16(1));
    QCOMPARE(entries[1]->state(), qint16(1));
    QCOMPARE(entries[2]->state(), qint16(2));
    QCOMPARE(entries[2]->messageId(), postingOrder);
    QCOMPARE(entries[2]->tryCount(), qint16(3));
    for (int i : {0, 1}) {
        QCOMPARE(entries[i]->tryCount(), qint16(0));
        // Fresh order numbers, past every one given before.
        QVERIFY(entries[i]->messageId() > *std::max_element(orders.begin(), orders.end()));
    }
    QVERIFY(entries[1]->messageId() != entries[0]->messageId());
    QCOMPARE(failedFile->state(), qint16(0));
    QCOMPARE(failedFile->mediaId(), qint64(7));
    QCOMPARE(failedFile->tryCount(), qint16(0));
    QCOMPARE(doneFile->state(), qint16(9));
    QCOMPARE(doneFile->mediaId(), qint64(6));
    QVERIFY(message->date() >= before);
    QVERIFY(message->lastUpdatedUserIsMe());
    QCOMPARE(announced.seen,
             (QList<QPair<QString, int>>{qMakePair(message->latestPendingMessage()->seqId(), 1)}));
    // All of it is in the store.
    PLPersistence::PS_defaultContext()->reset();
    QCOMPARE(PendingMessageInfo::PS_countOfEntitiesWithPredicate(platform::PredicateKey("state") == 1),
             qint64(2));
}

void TestFailedPosts::resendNeedsAFailedEntryAndNoExpiry() {
    Announcements announced;
    auto waiting = post({{0, 1}});
    const qint64 order = waiting->latestPendingMessage()->messageId();
    PLPostFailureHandlerHelper::sharedInstance()->retryFailedPendingMessage(waiting);
    QCOMPARE(waiting->latestPendingMessage()->messageId(), order);
    auto expired = post({{2, 4}}, 1);
    expired->setLatestAction(QStringLiteral("expired"));
    expired->save();
    PLPostFailureHandlerHelper::sharedInstance()->retryFailedPendingMessage(expired);
    QCOMPARE(expired->latestPendingMessage()->state(), qint16(4));
    QVERIFY(announced.seen.isEmpty());
}

void TestFailedPosts::discardWithoutEntryAnnouncesNothing() {
    Announcements announced;
    auto message = post({});
    PLPostFailureHandlerHelper::sharedInstance()->discardPendingMessage(message);
    QVERIFY(announced.seen.isEmpty());
    QVERIFY(Message::messageWithID(message->messageId()));
}

void TestFailedPosts::stoppedUploadRestarts() {
    world->fixture.setOnline(true);
    countUploadPasses();
    auto stopped = post({});
    auto entry = room->createPendingMessage(stopped, 3, 5);
    auto second = attach(entry, 0, 8);
    auto first = attach(entry, 0, 7);
    entry->setTryCount(2);
    room->save();
    PLPostFailureHandlerHelper::sharedInstance()->forceRetryUploadingForMessage(stopped);
    QCOMPARE(entry->state(), qint16(1));
    QCOMPARE(entry->tryCount(), qint16(0));
    // The first file gets a new place in the upload order.
    QCOMPARE(first->mediaId(), qint64(9));
    QCOMPARE(second->mediaId(), qint64(8));
    QCOMPARE(*m_uploads, 1);
    // An entry that was not stopped keeps its state, and the outbox and uploads still run.
    auto failed = post({{0, 4}});
    PLPostFailureHandlerHelper::sharedInstance()->forceRetryUploadingForMessage(failed);
    QCOMPARE(failed->latestPendingMessage()->state(), qint16(4));
    QCOMPARE(*m_uploads, 2);
}

void TestFailedPosts::stopConfirmationStopsARunningUpload() {
    world->fixture.setOnline(true);
    countUploadPasses();
    auto uploading = post({});
    auto entry = room->createPendingMessage(uploading, 3, 1);
    attach(entry, 3, 1);
    auto* helper = PLPostFailureHandlerHelper::sharedInstance();
    auto* alert = helper->forceStopUploadingForMessage(window.get(), uploading);
    QVERIFY(alert);
    QCOMPARE(alert->title(), QStringLiteral("Confirm"));
    QCOMPARE(alert->message(), QStringLiteral("Are you sure you want to cancel uploading?"));
    QCOMPARE(buttonsOf(alert), (QStringList{"Cancel", "Yes"}));
    QCOMPARE(alert->tag(), 100);
    alert->tapButtonAtIndex(alert->cancelButtonIndex());
    QCOMPARE(entry->state(), qint16(1));
    QCOMPARE(*m_uploads, 0);
    helper->forceStopUploadingForMessage(window.get(), uploading)->tapButtonAtIndex(1);
    QCOMPARE(entry->state(), qint16(5));
    QCOMPARE(*m_uploads, 1);
    // Once the file is in storage, "Yes" stops nothing; the outbox still runs.
    auto done = post({});
    auto finished = room->createPendingMessage(done, 3, 1);
    attach(finished, 5, 2);
    helper->forceStopUploadingForMessage(window.get(), done)->tapButtonAtIndex(1);
    QCOMPARE(finished->state(), qint16(1));
    QCOMPARE(*m_uploads, 2);
}

int main(int argc, char** argv) {
    prepareTestEnvironment();
    QApplication app(argc, argv);
    TestFailedPosts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_failedposts.moc"
