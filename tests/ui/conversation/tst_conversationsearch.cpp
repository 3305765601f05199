// Conversation search: matching by text and sender ("Me" for the user), the results band, the same
// cells as the chat window, read marking, the side control, and leaving by cancel or by a link.
#include "SmartScreensTestWorld.h"

#include "platform/ui/KeyboardMonitor.h"
#include "ui/conversation/PLBulkUserJoinedMessageCell.h"
#include "ui/conversation/PLChatWindowSearchViewController.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLExtendedTextMessageCell.h"
#include "ui/conversation/PLSmartMessageCell.h"
#include "ui/conversation/PLTextMessageCell.h"
#include "ui/toolkit/PLCustomSearchTextField.h"

#include <QApplication>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::IndexPath;

namespace {
constexpr qint32 kMei = 44;
constexpr qint64 kMinute = 60 * 1000;
} // namespace

class TestConversationSearch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { world.reset(); }
    void init();
    void cleanup();

    void anEmptyFieldShowsNothing();
    void matchesAreCountedInTheBand_data();
    void matchesAreCountedInTheBand();
    void meWithoutAProfileNameFindsNoSender();
    void resultsUseTheChatWindowsCells();
    void matchesSeenForAWhileTurnRead();
    void theKeyboardInsetsTheResults();
    void aLinkInAResultGoesBackToTheChatWindowOnce();
    void cancelLeavesAfterHalfASecond();

private:
    void type(const QString& text) {
        search->searchView()->searchTextField()->setText(text);
        search->searchTextFieldDidChange(search->searchView()->searchTextField());
    }
    QStringList resultIds() const {
        QStringList ids;
        for (const auto& message : search->messages())
            ids << message->messageId();
        return ids;
    }

    std::unique_ptr<SmartScreensWorld> world;
    ChatRoom::Ptr room;
    PLChatWindowViewController* chat = nullptr;
    PLChatWindowSearchViewController* search = nullptr;
    QList<QPair<QString, Message::Ptr>> completions;
};

void TestConversationSearch::initTestCase() {
    world = std::make_unique<SmartScreensWorld>();
    world->downloadSmartFixtures();
    room = world->importRoom(QStringLiteral("r1"));
    const qint64 start = QDateTime::currentMSecsSinceEpoch() - 60 * kMinute;
    world->importMessage(room, "m1", start, QStringLiteral("Meeting at noon"), kBob);
    world->importMessage(room, "m2", start + kMinute, QStringLiteral("ok"), world->me());
    world->importMessage(room, "m3", start + kMinute + 1000, QStringLiteral("see you"), world->me());
    world->importMessage(room, "m4", start + 2 * kMinute, QStringLiteral("lunch?"), kCarol);
    const QVariantMap mei{{"_id", "m5"},
                          {"type", "message"},
                          {"date", double(start + 3 * kMinute)},
                          {"text", "hello"},
                          {"sender", QString::number(kMei)},
                          {"senderObj", QVariantMap{{"userId", kMei}, {"name", "Mei"}}}};
    room->updateMessageDict(mei, false, {});
    world->importMessage(room, "m6", start + 4 * kMinute,
                         QStringLiteral(R"({"formid":"F-S","xslt":"poll","content":{"title":"Pizza"}})"),
                         kBob, QStringLiteral("smartmessage"));
    room->save();
}

void TestConversationSearch::init() {
    completions.clear();
    world->showHost(room);
    chat = new PLChatWindowViewController;
    chat->setChatRoom(room);
    world->navigation->pushViewController(chat, false);
    world->settle();
    chat->chatWindowSearchClicked();
    world->settle();
    search = qobject_cast<PLChatWindowSearchViewController*>(world->navigation->topViewController());
    QVERIFY(search);
    // What the chat window would do with a link: recorded here.
    search->setCompletion(
        [this](const QString& url, const Message::Ptr& message) { completions << qMakePair(url, message); });
}

void TestConversationSearch::cleanup() {
    world->window.reset();
    world->settle();
}

void TestConversationSearch::anEmptyFieldShowsNothing() {
    QCOMPARE(search->chatRoom(), room);
    QCOMPARE(search->originalMessages().size(), 6);
    QVERIFY(search->searchView()->isVisible());
    QCOMPARE(search->searchView()->placeholderText(), QStringLiteral("Enter search text here"));
    QVERIFY(!search->resultsHolderView()->isVisible());
    QCOMPARE(search->searchCollectionView()->numberOfItemsInSection(0), 0);
    type(QStringLiteral("lunch"));
    QVERIFY(search->resultsHolderView()->isVisible());
    type(QString());
    QVERIFY(!search->resultsHolderView()->isVisible());
    QCOMPARE(search->searchCollectionView()->numberOfItemsInSection(0), 0);
}

void TestConversationSearch::matchesAreCountedInTheBand_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QString>("band");
    QTest::newRow("one") << "LUNCH" << QStringList{"m4"} << "1 result found";
    QTest::newRow("text or sender") << "o" << QStringList{"m1", "m2", "m3", "m4", "m5", "m6"}
                                    << "6 results found";
    QTest::newRow("none") << "zebra" << QStringList{} << "No results found";
    QTest::newRow("sender name") << "carol" << QStringList{"m4"} << "1 result found";
    // "Me": texts holding "me" in any case, and the user's own messages.
    QTest::newRow("Me") << "Me" << QStringList{"m1", "m2", "m3"} << "3 results found";
    // "me": texts holding "me", and senders whose names hold "me".
    QTest::newRow("me") << "me" << QStringList{"m1", "m5"} << "2 results found";
    QTest::newRow("JSON key of a smart message") << "formid" << QStringList{"m6"} << "1 result found";
}

void TestConversationSearch::matchesAreCountedInTheBand() {
    QFETCH(QString, typed);
    QFETCH(QStringList, ids);
    QFETCH(QString, band);
    type(typed);
    QCOMPARE(resultIds(), ids);
    QCOMPARE(search->searchResultsLabel()->text(), band);
    QCOMPARE(search->searchCollectionView()->numberOfItemsInSection(0), int(ids.size()));
}

void TestConversationSearch::meWithoutAProfileNameFindsNoSender() {
    const auto me = CurrentUserInfo::currentUserInfo()->user();
    me->setProfileName(QString());
    type(QStringLiteral("Me"));
    me->setProfileName(QStringLiteral("Ann"));
    QCOMPARE(resultIds(), QStringList{"m1"});
}

void TestConversationSearch::resultsUseTheChatWindowsCells() {
    // Grouped in the chat window, grouped here.
    auto own = Message::messageWithID("m3");
    QCOMPARE(own->textMessageState(), 1);
    type(QStringLiteral("e"));
    auto* list = search->searchCollectionView();
    QVERIFY(qobject_cast<PLTextMessageCell*>(list->cellForItemAtIndexPath(IndexPath::forItem(0))));
    const int ownRow = int(resultIds().indexOf("m3"));
    QVERIFY(
        qobject_cast<PLExtendedTextMessageCell*>(list->cellForItemAtIndexPath(IndexPath::forItem(ownRow))));
    const int smartRow = int(resultIds().indexOf("m6"));
    QVERIFY(smartRow >= 0);
    auto* smart =
        qobject_cast<PLSmartMessageCell*>(list->cellForItemAtIndexPath(IndexPath::forItem(smartRow)));
    QVERIFY(smart);
    QCOMPARE(list->rectForRow(IndexPath::forItem(smartRow)).height(),
             PLSmartMessageCell::defaultCellHeight());
    // Its page's height resizes the row.
    auto* page = qobject_cast<platform::ui::FakeWebView*>(smart->webView());
    page->contentHeight = 300.0;
    page->finishLoad();
    world->settle();
    QCOMPARE(list->rectForRow(IndexPath::forItem(smartRow)).height(), smart->cellHeight());
    QVERIFY(smart->isPageShown());
}

void TestConversationSearch::matchesSeenForAWhileTurnRead() {
    auto bob = Message::messageWithID("m1");
    bob->setState(0);
    bob->save();
    type(QStringLiteral("Meeting"));
    world->advance(PLChatWindowSearchViewController::kResetDelayMs);
    QCOMPARE(bob->state(), qint16(0));
    world->advance(PLChatWindowSearchViewController::kReadDelayMs);
    QCOMPARE(bob->state(), qint16(1));
}

void TestConversationSearch::theKeyboardInsetsTheResults() {
    platform::ui::KeyboardMonitor::shared()->show(216, world->window.get());
    QCOMPARE(search->searchCollectionView()->contentInset().top(),
             PLChatWindowSearchViewController::kResultsBandHeight);
    QVERIFY(search->searchCollectionView()->contentInset().bottom() > 0);
    platform::ui::KeyboardMonitor::shared()->hide();
    QCOMPARE(search->searchCollectionView()->contentInset().bottom(), 0);
}

void TestConversationSearch::aLinkInAResultGoesBackToTheChatWindowOnce() {
    type(QStringLiteral("Pizza"));
    auto* smart = qobject_cast<PLSmartMessageCell*>(
        search->searchCollectionView()->cellForItemAtIndexPath(IndexPath::forItem(0)));
    QVERIFY(smart);
    auto* page = qobject_cast<platform::ui::FakeWebView*>(smart->webView());
    QVERIFY(!page->tapLink(QUrl(QStringLiteral("https://example.test/a"))));
    QVERIFY(!page->tapLink(QUrl(QStringLiteral("https://example.test/b"))));
    world->settle();
    QCOMPARE(completions.size(), 1);
    QCOMPARE(completions.first().first, QStringLiteral("https://example.test/a"));
    QCOMPARE(completions.first().second->messageId(), QStringLiteral("m6"));
    QCOMPARE(world->navigation->topViewController(), chat);
}

void TestConversationSearch::cancelLeavesAfterHalfASecond() {
    type(QStringLiteral("ok"));
    QTest::mouseClick(search->searchView()->cancelButton(), Qt::LeftButton);
    world->advance(PLChatWindowSearchViewController::kCancelDelayMs - 1);
    QCOMPARE(world->navigation->topViewController(), search);
    world->advance(1);
    world->settle();
    QCOMPARE(world->navigation->topViewController(), chat);
    QVERIFY(completions.isEmpty());
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestConversationSearch t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_conversationsearch.moc"
