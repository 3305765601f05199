// The chat window's smart-message parts: a page's height resizes its row and is saved, a page's links
// go to the link actions, the chatlet button opens the composer, and what it composes goes into the
// room's outbox as a new chatlet or as a reply.
#include "SmartScreensTestWorld.h"

#include "core/api/PLAppConfigurations.h"
#include "core/model/PendingMessageInfo.h"
#include "foundation/persistence/PLPersistence.h"
#include "platform/ui/BarButtonItem.h"
#include "smart/MessageLinkProcessing.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLChatletFormView.h"
#include "ui/conversation/PLChatletListFieldView.h"
#include "ui/conversation/PLChatletMessageBuilder.h"
#include "ui/conversation/PLChatletTextFieldView.h"
#include "ui/conversation/PLLinkDisplayHelper.h"
#include "ui/conversation/PLPostChatletViewController.h"
#include "ui/conversation/PLReplyWebViewController.h"
#include "ui/conversation/PLSmartMessageCell.h"
#include "ui/toolkit/PLCustomTextField.h"

#include <QApplication>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::FakeWebView;
using platform::ui::IndexPath;
using platform::ui::NavigationController;

class TestChatWindowChatlets : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        world = std::make_unique<SmartScreensWorld>();
        world->downloadSmartFixtures();
        room = world->importRoom(QStringLiteral("r1"));
        poll = world->importMessage(
            room, QStringLiteral("p1"), QDateTime::currentMSecsSinceEpoch() - 60000,
            PLChatletMessageBuilder::newChatletJSON(
                QStringLiteral("poll"), PLPostChatletViewController::storedForm(QStringLiteral("poll")),
                {{"title", "Lunch"}, {"question", "Where?"}, {"options", QStringList{"Café", "Dock"}}},
                QStringLiteral("F-CW")),
            kBob, QStringLiteral("smartmessage"));
    }
    void cleanupTestCase() { world.reset(); }
    void init() {
        world->showHost(room);
        chat = new PLChatWindowViewController;
        chat->setChatRoom(room);
        world->navigation->pushViewController(chat, false);
        world->settle();
    }
    void cleanup() {
        world->window.reset();
        world->settle();
    }

    void aPageHeightResizesItsRowAndIsSaved();
    void pageLinksGoToTheLinkActions();
    void theChatletButtonComposesIntoTheRoom();
    void aReplyGoesOutAsAReplyToItsChatlet();

private:
    PLSmartMessageCell* pollCell() {
        const int row = chat->rowList().indexOfMessage(poll.get());
        return qobject_cast<PLSmartMessageCell*>(
            chat->collectionView()->cellForItemAtIndexPath(IndexPath::forItem(row)));
    }

    std::unique_ptr<SmartScreensWorld> world;
    ChatRoom::Ptr room;
    Message::Ptr poll;
    PLChatWindowViewController* chat = nullptr;
};

void TestChatWindowChatlets::aPageHeightResizesItsRowAndIsSaved() {
    PLSmartMessageCell* cell = pollCell();
    QVERIFY(cell);
    const int row = chat->rowList().indexOfMessage(poll.get());
    QCOMPARE(chat->collectionView()->rectForRow(IndexPath::forItem(row)).height(),
             PLSmartMessageCell::defaultCellHeight());
    auto* page = qobject_cast<FakeWebView*>(cell->webView());
    page->scriptResult = 260.0;
    page->finishLoad();
    world->settle();
    QCOMPARE(chat->collectionView()->rectForRow(IndexPath::forItem(row)).height(), cell->cellHeight());
    QVERIFY(cell->isPageShown());
    // Saved: another context reads it from the file.
    const auto stored =
        Message::messageWithFormID(QStringLiteral("F-CW"), PLPersistence::PS_rootSavingContext());
    QCOMPARE(stored->displayCellHeight(), qint16(cell->cellHeight()));
}

void TestChatWindowChatlets::pageLinksGoToTheLinkActions() {
    PLSmartMessageCell* cell = pollCell();
    auto* page = qobject_cast<FakeWebView*>(cell->webView());
    const QString base = PLAppConfigurations::currentConfiguration()->baseURL();
    const QString details = QJsonDocument::fromJson(poll->text().toUtf8())
                                .object()
                                .value("links")
                                .toArray()
                                .at(1)
                                .toObject()
                                .value("href")
                                .toString();
    QVERIFY(!page->tapLink(QUrl(base).resolved(QUrl(details))));
    world->settle();
    auto* opened = qobject_cast<PLReplyWebViewController*>(world->navigation->topViewController());
    QVERIFY(opened);
    QCOMPARE(opened->linkType(), int(PLLinkTypeDetails));
    QCOMPARE(opened->message(), poll);
    QVERIFY(chat->linkDisplayHelper());
    QCOMPARE(chat->linkDisplayHelper()->postChatletDelegate(), static_cast<PLPostChatletDelegate*>(chat));
    world->navigation->popViewController(false);
    // A mail link goes to the system's composer.
    QVERIFY(!page->tapLink(QUrl(QStringLiteral("mailto:bob@acme.test"))));
    world->settle();
    QCOMPARE(world->services->mails.size(), 1);
    QCOMPARE(world->services->mails.first().toRecipients, QStringList{"bob@acme.test"});
}

void TestChatWindowChatlets::theChatletButtonComposesIntoTheRoom() {
    world->fixture.setOnline(false); // the post waits in the outbox
    chat->postChatletButtonClickHandler();
    auto* navigation = qobject_cast<NavigationController*>(chat->presentedViewController());
    QVERIFY(navigation);
    auto* picker = qobject_cast<PLPostChatletViewController*>(navigation->topViewController());
    QVERIFY(picker && picker->showsPicker());
    QCOMPARE(picker->postChatletDelegate(), static_cast<PLPostChatletDelegate*>(chat));
    picker->chatletPicked({{"name", "poll"}});
    auto* form = qobject_cast<PLPostChatletViewController*>(navigation->topViewController());
    qobject_cast<PLChatletTextFieldView*>(form->formView()->fieldView("title"))
        ->setText(QStringLiteral("Dinner"));
    qobject_cast<PLChatletTextFieldView*>(form->formView()->fieldView("question"))
        ->setText(QStringLiteral("When?"));
    auto* options = qobject_cast<PLChatletListFieldView*>(form->formView()->fieldView("options"));
    options->entryFields()[0]->setText(QStringLiteral("Seven"));
    options->entryFields()[1]->setText(QStringLiteral("Eight"));
    const int rowsBefore = chat->rowList().count();
    form->sendBarButtonItem()->trigger();
    world->settle();
    QVERIFY(!chat->presentedViewController());
    QVERIFY(chat->rowList().count() > rowsBefore);
    const auto posted = chat->rowList().at(chat->rowList().count() - 1).message();
    QVERIFY(posted);
    QCOMPARE(posted->type(), qint16(1));
    const auto entry = posted->latestPendingMessage();
    QVERIFY(entry);
    QCOMPARE(entry->type(), qint16(1));
    QVERIFY(entry->text().contains(QLatin1String("Dinner")));
    auto* cell = qobject_cast<PLSmartMessageCell*>(
        chat->collectionView()->cellForItemAtIndexPath(IndexPath::forItem(chat->rowList().count() - 1)));
    QVERIFY(cell);
    QCOMPARE(cell->postingChatletTextLabel()->text(), QStringLiteral("Posting 'Poll' chatlet"));
    world->fixture.setOnline(true);
}

void TestChatWindowChatlets::aReplyGoesOutAsAReplyToItsChatlet() {
    world->fixture.setOnline(false);
    const QString reply =
        PLChatletMessageBuilder::replyJSON(QStringLiteral("poll"), QStringLiteral("F-CW"), {{"option", "1"}});
    chat->postChatletToChatWindow(reply, poll, {});
    const auto entry = poll->latestPendingMessage();
    QVERIFY(entry);
    QCOMPARE(entry->type(), qint16(2));
    QCOMPARE(entry->text(), reply);
    world->fixture.setOnline(true);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestChatWindowChatlets t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_chatwindowchatlets.moc"
