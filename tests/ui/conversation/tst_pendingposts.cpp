// The outbox state inside the cells: the pending indicator's groups, badges, clock and time, and the
// upload view of a picture: its state table, progress, marks, and that it follows one file only.

#include "ConversationTestWorld.h"

#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "foundation/ui/RotationAnimation.h"
#include "media/PLMultiMediaInfo.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "ui/conversation/PLPendingMessageIndicatorView.h"
#include "ui/conversation/PLPendingRichMediaView.h"
#include "ui/conversation/PLRotatingImageView.h"
#include "ui/conversation/PLRoundedCountLabel.h"
#include "ui/toolkit/PLCircularProgressView.h"

#include <QApplication>
#include <QSignalSpy>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::Animator;

namespace {

constexpr int kWidth = 100;
// Outbox entries of a post as (type, state).
using Entries = QList<QPair<qint16, qint16>>;

struct UploadTaps : PLPendingRichMediaViewDelegate {
    int taps = 0;
    void retryOrCancelUploadFromRichMediaView(PLPendingRichMediaView*) override { ++taps; }
};

} // namespace

class TestPendingPosts : public QObject {
    Q_OBJECT
private slots:
    void init() {
        world = std::make_unique<ConversationWorld>();
        room = world->importRoom(QStringLiteral("r1"));
    }
    void cleanup() {
        room.reset();
        world.reset();
    }

    void indicatorGroups_data();
    void indicatorGroups();
    void everyEntryFailedRightAlignsTheFailureGroup();
    void deliveredTimeFadesInAfterATenthOfASecond();
    void compactIndicatorShowsNoTime();
    void rightToLeftMirrorsTheIndicator_data();
    void rightToLeftMirrorsTheIndicator();
    void failureMarkReactsOnlyWhenShown();
    void uploadStates_data();
    void uploadStates();
    void progressRules();
    void startedUploadShowsTheRingAtOnceWhenOnline();
    void forceStoppedUploadShowsTheFailureMark();
    void savedProgressReachesTheView();
    void reconfiguredViewFollowsOnlyTheNewFile();
    void pictureOfNoSizeIsPlacedSafely();

private:
    // A message of the user's own with outbox entries of these (type, state).
    Message::Ptr postWithEntries(const Entries& entries, qint16 messageType = 2) {
        auto message = room->createMessage();
        message->setType(messageType);
        message->setText(QStringLiteral("post"));
        for (const auto& [type, state] : entries)
            room->createPendingMessage(message, type, state);
        room->save();
        return message;
    }
    // A picture post whose file is in `state` at `percent`.
    RichMediaInfo::Ptr pictureFile(qint16 state, qint16 percent, qint16 entryState = 2) {
        auto message = postWithEntries({}, 1);
        auto entry = room->createPendingMessage(message, 3, entryState);
        auto file = RichMediaInfo::PS_createEntity();
        PLMultiMediaInfo info;
        info.fileID = QStringLiteral("f");
        info.preview = QStringLiteral("data:image/jpeg;base64,");
        file->setUploadedMediaInfo(info.representMediaInfoAsString());
        file->setState(state);
        file->setUploadProgress(percent);
        file->setPendingmessage(entry);
        entry->addRichMediaInfoObject(file);
        room->save();
        return file;
    }

    std::unique_ptr<ConversationWorld> world;
    ChatRoom::Ptr room;
};

void TestPendingPosts::indicatorGroups_data() {
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<bool>("clock");
    QTest::addColumn<QString>("waitingBadge");
    QTest::addColumn<bool>("failureMark");
    QTest::addColumn<QString>("failedBadge");
    QTest::addColumn<bool>("rotating");
    using E = Entries;
    QTest::newRow("three waiting replies")
        << E{{2, 1}, {2, 1}, {2, 1}} << true << "3" << false << "" << false;
    QTest::newRow("a waiting post") << E{{0, 1}} << true << "" << false << "" << false;
    QTest::newRow("a post being sent") << E{{0, 2}} << true << "" << false << "" << true;
    QTest::newRow("a failed post") << E{{0, 4}} << true << "" << true << "" << false;
    QTest::newRow("two failed replies") << E{{2, 4}, {2, 4}} << true << "" << true << "2" << false;
    QTest::newRow("one failed, one waiting reply")
        << E{{2, 4}, {2, 1}} << true << "1" << true << "1" << false;
    QTest::newRow("delivered") << E{{0, 3}} << false << "" << false << "" << false;
    QTest::newRow("no entries") << E{} << false << "" << false << "" << false;
}

void TestPendingPosts::indicatorGroups() {
    QFETCH(Entries, entries);
    QFETCH(bool, clock);
    QFETCH(QString, waitingBadge);
    QFETCH(bool, failureMark);
    QFETCH(QString, failedBadge);
    QFETCH(bool, rotating);
    Animator::setInstant(false); // a spin exists only with real animations
    auto message = postWithEntries(entries);
    PLPendingMessageIndicatorView indicator(kWidth);
    indicator.setMessage(message);
    QCOMPARE(!indicator.clockIconImageView()->isHidden(), clock);
    QCOMPARE(!indicator.pendingMessageCountLabel()->isHidden(), !waitingBadge.isEmpty());
    if (!waitingBadge.isEmpty())
        QCOMPARE(indicator.pendingMessageCountLabel()->text(), waitingBadge);
    QCOMPARE(!indicator.failureIndicatorButton()->isHidden(), failureMark);
    QCOMPARE(!indicator.failedPendingMessageCountLabel()->isHidden(), !failedBadge.isEmpty());
    if (!failedBadge.isEmpty())
        QCOMPARE(indicator.failedPendingMessageCountLabel()->text(), failedBadge);
    QCOMPARE(RotationAnimation::isRotating(indicator.clockIconImageView()), rotating);
    QCOMPARE(indicator.timeLabel()->text(), message->chatWindowTimeString());
    Animator::setInstant(true);
}

void TestPendingPosts::everyEntryFailedRightAlignsTheFailureGroup() {
    auto message = postWithEntries({{0, 4}});
    PLPendingMessageIndicatorView indicator(kWidth);
    indicator.setMessage(message);
    QVERIFY(indicator.pendingIndicatorView()->isHidden());
    const double badgeWidth = indicator.failedPendingMessageCountLabel()->width();
    const QRect group = indicator.failedIndicatorView()->geometry();
    QCOMPARE(group.x() + group.width(), qRound(kWidth - 13.0 + (badgeWidth * 0.5 - 1.0)));
    // The badge lies wholly inside its group (never clipped), and a gap parts the time from the mark.
    QVERIFY(QRect(QPoint(), group.size()).contains(indicator.failedPendingMessageCountLabel()->geometry()));
    QVERIFY(group.right() < kWidth);
    const int markLeft = group.x() + indicator.failureIndicatorButton()->x();
    QCOMPARE(indicator.timeLabel()->geometry().right() + 1, markLeft - 4);
    // Not every entry failed: the failure group at the left edge, the waiting group shown.
    indicator.setMessage(postWithEntries({{2, 4}, {2, 1}}));
    QVERIFY(!indicator.pendingIndicatorView()->isHidden());
    QCOMPARE(indicator.failedIndicatorView()->x(), 0);
}

void TestPendingPosts::deliveredTimeFadesInAfterATenthOfASecond() {
    auto message = postWithEntries({{0, 3}});
    PLPendingMessageIndicatorView indicator(kWidth);
    indicator.setMessage(message);
    QCOMPARE(Animator::alpha(indicator.timeLabel()), 0.0);
    ConversationWorld::advance(99);
    QCOMPARE(Animator::alpha(indicator.timeLabel()), 0.0);
    ConversationWorld::advance(1);
    QCOMPARE(Animator::alpha(indicator.timeLabel()), 1.0);
    // While a post is unfinished the time shows at once, left of the clock.
    PLPendingMessageIndicatorView waiting(kWidth);
    waiting.setMessage(postWithEntries({{0, 1}}));
    QCOMPARE(Animator::alpha(waiting.timeLabel()), 1.0);
    QCOMPARE(waiting.timeLabel()->geometry().right() + 1, waiting.pendingIndicatorView()->x() - 5);
}

void TestPendingPosts::compactIndicatorShowsNoTime() {
    PLPendingMessageIndicatorView indicator(40);
    indicator.setIsExtendedTextMessage(true);
    indicator.setMessage(postWithEntries({{0, 3}}));
    QVERIFY(indicator.timeLabel()->isHidden());
    QCOMPARE(platform::ui::Scheduler::shared()->pendingCount(), 0);
}

void TestPendingPosts::rightToLeftMirrorsTheIndicator_data() {
    QTest::addColumn<Entries>("entries");
    QTest::newRow("waiting") << Entries{{0, 1}};
    QTest::newRow("failed") << Entries{{0, 4}};
    QTest::newRow("failed and waiting replies") << Entries{{2, 4}, {2, 1}};
    QTest::newRow("delivered") << Entries{{0, 3}};
}

// Right to left is the mirror image of left to right, view for view, the time at the leading edge.
void TestPendingPosts::rightToLeftMirrorsTheIndicator() {
    QFETCH(Entries, entries);
    const auto message = postWithEntries(entries);
    PLPendingMessageIndicatorView ltr(kWidth);
    ltr.setMessage(message);
    QWidget parent;
    parent.setLayoutDirection(Qt::RightToLeft);
    auto* rtl = new PLPendingMessageIndicatorView(kWidth, &parent);
    rtl->setMessage(message);
    const QList<QPair<QWidget*, QWidget*>> pairs{
        {ltr.failedIndicatorView(), rtl->failedIndicatorView()},
        {ltr.pendingIndicatorView(), rtl->pendingIndicatorView()},
        {ltr.timeLabel(), rtl->timeLabel()},
        {ltr.failureIndicatorButton(), rtl->failureIndicatorButton()},
        {ltr.failedPendingMessageCountLabel(), rtl->failedPendingMessageCountLabel()},
        {ltr.clockIconImageView(), rtl->clockIconImageView()},
        {ltr.pendingMessageCountLabel(), rtl->pendingMessageCountLabel()}};
    for (const auto& [left, right] : pairs) {
        const int width = left->parentWidget()->width();
        QCOMPARE(right->geometry(),
                 QRect(width - left->x() - left->width(), left->y(), left->width(), left->height()));
    }
    QVERIFY(rtl->timeLabel()->alignment() & Qt::AlignLeft);
    QVERIFY(ltr.timeLabel()->alignment() & Qt::AlignRight);
    // Set again on a reused indicator, it stays mirrored once.
    rtl->prepareForReuse();
    rtl->setMessage(message);
    QCOMPARE(rtl->timeLabel()->x(), kWidth - ltr.timeLabel()->x() - ltr.timeLabel()->width());
}

void TestPendingPosts::failureMarkReactsOnlyWhenShown() {
    PLPendingMessageIndicatorView indicator(kWidth);
    QSignalSpy taps(&indicator, &PLPendingMessageIndicatorView::failureIndicatorTapped);
    indicator.setMessage(postWithEntries({{0, 1}}));
    indicator.checkForFailureButtonTap();
    QCOMPARE(taps.size(), 0);
    auto failed = postWithEntries({{0, 4}});
    indicator.setMessage(failed);
    indicator.checkForFailureButtonTap();
    QCOMPARE(taps.size(), 1);
    QCOMPARE(taps.first().first().value<std::shared_ptr<Message>>(), failed);
}

void TestPendingPosts::uploadStates_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("ring");
    QTest::addColumn<QString>("mark");
    // The file at 30 %: the ring shows that, then the state decides.
    QTest::newRow("0 new") << 0 << true << "cancelUpload_icon";
    QTest::newRow("1 fetching credentials") << 1 << false << "";
    QTest::newRow("2 credentials") << 2 << true << "";
    QTest::newRow("3 uploading") << 3 << true << "cancelUpload_icon";
    QTest::newRow("4 upload failed") << 4 << false << "";
    QTest::newRow("5 stored") << 5 << true << "";
    QTest::newRow("6 short URL requested") << 6 << true << "";
    QTest::newRow("7 short URL failed") << 7 << false << "";
    QTest::newRow("8 short URL received") << 8 << true << "";
    QTest::newRow("9 completed") << 9 << true << "";
    QTest::newRow("10 failed") << 10 << false << "";
}

void TestPendingPosts::uploadStates() {
    QFETCH(int, state);
    QFETCH(bool, ring);
    QFETCH(QString, mark);
    auto file = pictureFile(qint16(state), 30, state == 0 ? 1 : 2);
    PLPendingRichMediaView view;
    view.configureWithRichMediaInfo(file, nullptr);
    QCOMPARE(!view.circularProgressView()->isHidden(), ring);
    QCOMPARE(!view.uploadStatusImageView()->isHidden(), !mark.isEmpty());
    if (!mark.isEmpty())
        QCOMPARE(view.uploadStatusImageName(), mark);
    QCOMPARE(view.backgroundColorView()->isHidden(), view.uploadStatusImageView()->isHidden());
}

void TestPendingPosts::progressRules() {
    auto file = pictureFile(3, 0);
    PLPendingRichMediaView view;
    view.configureWithRichMediaInfo(file, nullptr);
    view.updateRichMediaUploadProgress(55, false);
    QCOMPARE(view.circularProgressView()->currentProgress(), 0.55);
    view.updateRichMediaUploadProgress(0, false);
    QCOMPARE(view.circularProgressView()->currentProgress(), 0.55);
    QVERIFY(!view.circularProgressView()->isHidden());
    view.updateRichMediaUploadProgress(100, false);
    QVERIFY(view.circularProgressView()->isHidden());
}

void TestPendingPosts::startedUploadShowsTheRingAtOnceWhenOnline() {
    PLPendingRichMediaView online;
    online.configureWithRichMediaInfo(pictureFile(3, 0), nullptr);
    QVERIFY(!online.circularProgressView()->isHidden());
    QCOMPARE(online.circularProgressView()->currentProgress(), 0.01);
    world->fixture.setOnline(false);
    PLPendingRichMediaView offline;
    offline.configureWithRichMediaInfo(pictureFile(3, 0), nullptr);
    QVERIFY(offline.circularProgressView()->isHidden());
    // A new file offline shows no cancel mark either.
    PLPendingRichMediaView fresh;
    fresh.configureWithRichMediaInfo(pictureFile(0, 0, 1), nullptr);
    QVERIFY(fresh.uploadStatusImageView()->isHidden());
}

void TestPendingPosts::forceStoppedUploadShowsTheFailureMark() {
    UploadTaps taps;
    PLPendingRichMediaView view;
    view.resize(200, 150);
    view.show();
    view.configureWithRichMediaInfo(pictureFile(3, 40, 5), &taps);
    QCOMPARE(view.uploadStatusImageName(), QStringLiteral("upload_failed_icon"));
    QVERIFY(!view.backgroundColorView()->isHidden());
    QTest::mouseClick(view.uploadStatusImageView(), Qt::LeftButton);
    QCOMPARE(taps.taps, 1);
    // A failed post shows its picture only.
    PLPendingRichMediaView failed;
    failed.configureWithRichMediaInfo(pictureFile(10, 0, 4), &taps);
    QVERIFY(failed.uploadStatusImageView()->isHidden());
    QVERIFY(failed.circularProgressView()->isHidden());
}

void TestPendingPosts::savedProgressReachesTheView() {
    auto file = pictureFile(3, 0);
    PLPendingRichMediaView view;
    view.configureWithRichMediaInfo(file, nullptr);
    // As the upload pipeline stores its progress.
    file->setUploadProgress(40);
    file->setState(3);
    file->save();
    QCOMPARE(view.circularProgressView()->currentProgress(), 0.4);
    file->setUploadProgress(100);
    file->setState(8);
    file->save();
    QVERIFY(view.circularProgressView()->isHidden());
    QVERIFY(view.uploadStatusImageView()->isHidden());
}

void TestPendingPosts::reconfiguredViewFollowsOnlyTheNewFile() {
    auto first = pictureFile(3, 10);
    auto second = pictureFile(3, 20);
    PLPendingRichMediaView view;
    view.configureWithRichMediaInfo(first, nullptr);
    view.configureWithRichMediaInfo(second, nullptr);
    QCOMPARE(view.circularProgressView()->currentProgress(), 0.2);
    first->setUploadProgress(90);
    first->save();
    QCOMPARE(view.circularProgressView()->currentProgress(), 0.2);
    second->setUploadProgress(60);
    second->save();
    QCOMPARE(view.circularProgressView()->currentProgress(), 0.6);
    view.configureWithRichMediaInfo(nullptr, nullptr);
    QVERIFY(!view.isObservingFile());
}

void TestPendingPosts::pictureOfNoSizeIsPlacedSafely() {
    const QRectF box(10, 20, 220, 160);
    QCOMPARE(PLPendingRichMediaView::fittedPictureRect(QSizeF(0, 0), box), box);
    QCOMPARE(PLPendingRichMediaView::fittedPictureRect(QSizeF(1600, 0), box), box);
    QCOMPARE(PLPendingRichMediaView::fittedPictureRect(QSizeF(0, 900), box), box);
    QCOMPARE(PLPendingRichMediaView::fittedPictureRect(QSizeF(1600, 1200), box),
             QRectF(10, 20, 213.33333333333334, 160));
    // The row of such a picture has a height of its own.
    QCOMPARE(ChatRoom::displayCellHeightForImageSize(QSizeF(0, 0)), qint16(200));
}

int main(int argc, char** argv) {
    prepareTestEnvironment();
    QApplication app(argc, argv);
    TestPendingPosts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pendingposts.moc"
