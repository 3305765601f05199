// The chat window's smart-message parts: a page's height resizes its row and is saved, and so does its
// height at a new width of the window, with the user's place kept; a page's links go to the link
// actions, the chatlet button opens the composer, and what it composes goes into the room's outbox as
// a new chatlet or as a reply; a form filled with the keyboard gives the keys back to the room's text;
// page rows reused while the list moves only load their next pages.
#include "ClickedWebView.h"
#include "SmartScreensTestWorld.h"

#include "core/api/PLAppConfigurations.h"
#include "core/model/PendingMessageInfo.h"
#include "foundation/persistence/PLPersistence.h"
#include "platform/ui/BarButtonItem.h"
#include "smart/MessageLinkProcessing.h"
#include "smart/SmartMessageRenderer.h"
#include "smart/SmartRenderQueue.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLChatletFormView.h"
#include "ui/conversation/PLChatletListFieldView.h"
#include "ui/conversation/PLChatletMessageBuilder.h"
#include "ui/conversation/PLChatletTextFieldView.h"
#include "ui/conversation/PLLinkDisplayHelper.h"
#include "ui/conversation/PLMediaDownloading.h"
#include "ui/conversation/PLPostChatletViewController.h"
#include "ui/conversation/PLPostToChatView.h"
#include "ui/conversation/PLReplyWebViewController.h"
#include "ui/conversation/PLSmartMessageCell.h"
#include "ui/toolkit/PLCustomTextField.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPlainTextEdit>
#include <QScopeGuard>

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
    void aPageLaidOutAtANewWidthIsMeasuredAgain();
    void pagesMeasuredAtANewWidthKeepThePlaceTheUserHadThen();
    void pageLinksGoToTheLinkActions();
    void theChatletButtonComposesIntoTheRoom();
    void aReplyGoesOutAsAReplyToItsChatlet();
    void theFormTakesTabFieldByFieldAndSendGivesTheKeysBack();
    void aClickOnAPictureWhileTheTextHasTheKeysOpensItWhereItIs();
    void pageRowsReusedWhileTheListMovesOnlyLoadTheirNextPages();

private:
    // A room of its own with Bob's texts (20 minutes apart, each in its own row), then his polls, then
    // `textsAfter` more texts; its chat window opened in the window, 320 points wide.
    QList<Message::Ptr> openRoomWithPolls(const QString& id, int textsBefore, int polls, int textsAfter) {
        const auto own = world->importRoom(id);
        qint64 date = QDateTime::currentMSecsSinceEpoch() - 24 * 3600 * 1000;
        const auto text = [&](int i) {
            world->importMessage(own, QStringLiteral("%1-t%2").arg(id).arg(i), date += 20 * 60000,
                                 QStringLiteral("Note %1").arg(i), kBob);
        };
        for (int i = 0; i < textsBefore; ++i)
            text(i);
        QList<Message::Ptr> made;
        for (int i = 0; i < polls; ++i)
            made << world->importMessage(
                own, QStringLiteral("%1-p%2").arg(id).arg(i), date += 20 * 60000,
                PLChatletMessageBuilder::newChatletJSON(
                    QStringLiteral("poll"), PLPostChatletViewController::storedForm(QStringLiteral("poll")),
                    {{"title", "Lunch"}, {"question", "Where?"}, {"options", QStringList{"Café", "Dock"}}},
                    QStringLiteral("F-%1-%2").arg(id).arg(i)),
                kBob, QStringLiteral("smartmessage"));
        for (int i = 0; i < textsAfter; ++i)
            text(textsBefore + i);
        world->showHost(own);
        chat = new PLChatWindowViewController;
        chat->setChatRoom(own);
        world->navigation->pushViewController(chat, false);
        settleRenderings();
        // The window settles on its first unread row before pages may take it to its bottom.
        world->advance(5000);
        world->settle();
        return made;
    }
    IndexPath pathOf(const Message::Ptr& message) {
        return IndexPath::forItem(chat->rowList().indexOfMessage(message.get()));
    }
    // Smart messages render off the main thread: a page whose HTML came after the test finished its
    // load would load again under the test's feet.
    void settleRenderings() {
        world->settle();
        QVERIFY(QTest::qWaitFor([] { return SmartRenderQueue::shared()->pendingCount() == 0; }));
        world->settle();
    }
    // The page of `message`, scrolled into view, loaded as `height` points tall.
    FakeWebView* loadPage(const Message::Ptr& message, qreal height) {
        chat->collectionView()->scrollToItemAtIndexPath(
            pathOf(message), platform::ui::CollectionView::ScrollPosition::Middle, false);
        settleRenderings();
        auto* cell = qobject_cast<PLSmartMessageCell*>(
            chat->collectionView()->cellForItemAtIndexPath(pathOf(message)));
        auto* page = cell ? qobject_cast<FakeWebView*>(cell->webView()) : nullptr;
        if (!page)
            return nullptr;
        page->contentHeight = height;
        page->finishLoad();
        world->settle();
        return page;
    }
    // The engine laid `page` out at its view's width again, and found it `height` points tall.
    void layOutAgain(FakeWebView* page, qreal height) {
        page->contentHeight = height;
        page->reportContentSize(QSizeF(page->width(), qMax<qreal>(height, page->height())));
        world->settle();
    }
    qreal rowHeight(const Message::Ptr& message) {
        return chat->collectionView()->rectForRow(pathOf(message)).height();
    }
    qreal topOnScreen(const Message::Ptr& message) {
        return chat->collectionView()->rectForRow(pathOf(message)).top() -
               chat->collectionView()->contentOffset().y();
    }

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
    page->contentHeight = 260.0;
    page->finishLoad();
    world->settle();
    QCOMPARE(chat->collectionView()->rectForRow(IndexPath::forItem(row)).height(), cell->cellHeight());
    QVERIFY(cell->isPageShown());
    // Saved: another context reads it from the file.
    const auto stored =
        Message::messageWithFormID(QStringLiteral("F-CW"), PLPersistence::PS_rootSavingContext());
    QCOMPARE(stored->displayCellHeight(), qint16(cell->cellHeight()));
}

// A page's height depends on its width: laid out again by the engine at the window's new width, it is
// measured again, and its row takes the new height, which the message keeps. Laid out again at the
// width it was measured at (its own height changed), it is not.
void TestChatWindowChatlets::aPageLaidOutAtANewWidthIsMeasuredAgain() {
    const auto polls = openRoomWithPolls(QStringLiteral("w1"), 3, 1, 0);
    const Message::Ptr poll = polls.first();
    FakeWebView* page = loadPage(poll, 200);
    QVERIFY(page);
    const auto heightFor = [](qreal page) {
        return PLSmartMessageCell::defaultCellHeight() - PLSmartMessageCell::kDefaultWebViewHeight + page -
               (PLSmartMessageCell::kRepliedByHeight + 15);
    };
    QCOMPARE(rowHeight(poll), heightFor(200));
    // Measured once by its load.
    QCOMPARE(page->contentMeasures, 1);

    world->window->resize(500, 568);
    world->settle();
    layOutAgain(page, 150);
    QCOMPARE(page->contentMeasures, 2);
    QCOMPARE(page->height(), 150);
    QCOMPARE(rowHeight(poll), heightFor(150));
    QCOMPARE(poll->displayCellHeight(), qint16(heightFor(150)));
    const auto stored =
        Message::messageWithFormID(QStringLiteral("F-w1-0"), PLPersistence::PS_rootSavingContext());
    QCOMPARE(stored->displayCellHeight(), qint16(heightFor(150)));

    // The view took the new height: no new width, nothing measured.
    layOutAgain(page, 150);
    QCOMPARE(page->contentMeasures, 2);
    // Never less room than a load gives.
    world->window->resize(320, 568);
    world->settle();
    layOutAgain(page, 20);
    QCOMPARE(page->contentMeasures, 3);
    QCOMPARE(rowHeight(poll), heightFor(PLSmartMessageCell::kDefaultWebViewHeight));
}

// The user reads the first poll at the top of the list when the window gets wider. Measured again,
// that poll shrinks so much that for a moment the list ends on screen; the second poll then grows.
// The list does not take that moment for the user being at its bottom: the first poll stays at the
// top. Scrolled by the user, the list follows its bottom again.
void TestChatWindowChatlets::pagesMeasuredAtANewWidthKeepThePlaceTheUserHadThen() {
    const auto polls = openRoomWithPolls(QStringLiteral("w2"), 12, 2, 3);
    FakeWebView* first = loadPage(polls[0], 400);
    FakeWebView* second = loadPage(polls[1], 59);
    QVERIFY(first && second);
    auto* list = chat->collectionView();
    list->scrollToItemAtIndexPath(pathOf(polls[0]), platform::ui::CollectionView::ScrollPosition::Top, false);
    world->settle();
    QVERIFY(!list->followsBottom());
    const qreal reading = topOnScreen(polls[0]);

    world->window->resize(400, 568);
    world->settle();
    QCOMPARE(topOnScreen(polls[0]), reading);
    layOutAgain(first, 59);
    const IndexPath last = IndexPath::forItem(chat->rowList().count() - 1);
    QVERIFY(list->rectForRow(last).bottom() <= list->contentOffset().y() + list->viewport()->height());
    layOutAgain(second, 400);
    QCOMPARE(second->height(), 400);
    QCOMPARE(topOnScreen(polls[0]), reading);
    QVERIFY(!list->followsBottom());

    // The user scrolls to the bottom: a page that grows there keeps the list at its bottom.
    list->scrollToBottomAnimated(false);
    world->settle();
    QVERIFY(list->followsBottom());
    world->window->resize(320, 568);
    world->settle();
    layOutAgain(second, 500);
    QCOMPARE(list->contentOffset().y(), list->maximumContentOffset().y());
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

namespace {

void typeInto(QWindow* window, const QString& text) {
    for (const QChar c : text)
        QTest::keyClick(window, c.toLatin1());
}

bool holdsFocus(const QWidget* widget) {
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == widget || widget->isAncestorOf(focus));
}

} // namespace

// A desktop user composes a poll with the keyboard: Tab goes from field to field (the question's
// lines included) and, the poll sent with the bar's Send, the keys are back in the room's text.
void TestChatWindowChatlets::theFormTakesTabFieldByFieldAndSendGivesTheKeysBack() {
    world->fixture.setOnline(false);
    // A room of its own: the rooms the other tests post to are not the service's, which removes the
    // user from them once the posts go out.
    openRoomWithPolls(QStringLiteral("keys"), 1, 0, 0);
    QVERIFY(QTest::qWaitForWindowActive(world->window.get()));
    QWindow* keys = world->window->windowHandle();
    QPlainTextEdit* text = chat->postToChatView()->messageTextView();
    QTest::mouseClick(text->viewport(), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), text);
    QTest::mouseClick(chat->postToChatView()->postChatletButton(), Qt::LeftButton);
    world->settle();
    auto* navigation = qobject_cast<NavigationController*>(chat->presentedViewController());
    QVERIFY(navigation);
    qobject_cast<PLPostChatletViewController*>(navigation->topViewController())
        ->chatletPicked({{"name", "poll"}});
    world->settle();
    auto* form = qobject_cast<PLPostChatletViewController*>(navigation->topViewController());
    PLChatletFormView* fields = form->formView();
    auto* options = qobject_cast<PLChatletListFieldView*>(fields->fieldView("options"));
    QWidget* title = fields->fieldView("title")->findChild<QWidget*>(QStringLiteral("input"));
    QVERIFY(title);
    QTest::mouseClick(title, Qt::LeftButton);
    typeInto(keys, QStringLiteral("Dinner"));
    QTest::keyClick(keys, Qt::Key_Tab);
    QVERIFY(holdsFocus(fields->fieldView("question")));
    typeInto(keys, QStringLiteral("When?"));
    QTest::keyClick(keys, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), options->entryFields()[0]);
    typeInto(keys, QStringLiteral("Seven"));
    QTest::keyClick(keys, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), options->entryFields()[1]);
    typeInto(keys, QStringLiteral("Eight"));
    QTest::keyClick(keys, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("addEntryButton"));
    QTest::keyClick(keys, Qt::Key_Space);
    QCOMPARE(options->entryFields().size(), 3);
    QCOMPARE(QApplication::focusWidget(), options->entryFields()[2]);
    typeInto(keys, QStringLiteral("Nine"));
    QTest::keyClick(keys, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("addEntryButton"));
    QCOMPARE(options->value().toStringList(), (QStringList{"Seven", "Eight", "Nine"}));
    QCOMPARE(qobject_cast<PLChatletTextFieldView*>(fields->fieldView("question"))->text(),
             QStringLiteral("When?"));

    auto* send = navigation->view()->findChild<QAbstractButton*>(QStringLiteral("navigationBar.right.0"));
    QVERIFY(send && send->isVisible());
    QTest::mouseClick(send, Qt::LeftButton);
    world->settle();
    QVERIFY(!chat->presentedViewController());
    QCOMPARE(QApplication::focusWidget(), text);
    typeInto(keys, QStringLiteral("again"));
    QCOMPARE(text->toPlainText(), QStringLiteral("again"));
    world->fixture.setOnline(true);
}

namespace {

// A download that only records what it was asked for.
class RecordingDownload : public PLMediaDownloading {
public:
    explicit RecordingDownload(QStringList* urls) : m_urls(urls) {}
    void setMessage(const std::shared_ptr<Message>&) override {}
    void downloadMediaFromURL(const QString& url, const std::shared_ptr<ChatRoom>&, const QVariantMap&,
                              platform::ui::ViewController*) override {
        *m_urls << url;
    }
    void cleanUp() override {}

private:
    QStringList* m_urls;
};

} // namespace

// Ann sends a text (the keys stay in it), scrolls up to Bob's picture and clicks it: the list stays
// where she has it at the press and at the release, and the picture opens. A desktop's keyboard
// never closes, so nothing the text's keys do may move the list under the pointer.
void TestChatWindowChatlets::aClickOnAPictureWhileTheTextHasTheKeysOpensItWhereItIs() {
    QStringList downloads;
    PLMediaDownloading::setMaker([&downloads] { return std::make_unique<RecordingDownload>(&downloads); });
    platform::ui::WebView::setMaker([](QWidget* parent) { return new ClickedWebView(parent); });
    const auto restore = qScopeGuard([] {
        PLMediaDownloading::setMaker({});
        platform::ui::WebView::setMaker([](QWidget* parent) { return new FakeWebView(parent); });
    });
    world->seedRoom(QStringLiteral("pictures"));
    const auto own = world->importRoom(QStringLiteral("pictures"));
    qint64 date = QDateTime::currentMSecsSinceEpoch() - 24 * 3600 * 1000;
    for (int i = 0; i < 6; ++i)
        world
            ->importMessage(own, QStringLiteral("before-%1").arg(i), date += 20 * 60000,
                            QStringLiteral("Note %1").arg(i), kBob)
            ->setState(1);
    const QString fileUrl = QStringLiteral("https://files.test/lake.png");
    const Message::Ptr picture = world->importMessage(
        own, QStringLiteral("pic"), date += 20 * 60000,
        QJsonDocument(
            QJsonObject{{"formid", "F-PIC"},
                        {"xslt", "image"},
                        {"displayname", "Image"},
                        {"content", QJsonObject{{"media", QJsonArray{QJsonObject{{"fileId", "lake"},
                                                                                 {"fileMime", "image/png"},
                                                                                 {"fileName", "lake.png"},
                                                                                 {"fileUrl", fileUrl},
                                                                                 {"width", "200"},
                                                                                 {"height", "150"}}}}}}})
            .toJson(QJsonDocument::Compact),
        kBob, QStringLiteral("smartmessage"));
    for (int i = 0; i < 12; ++i)
        world
            ->importMessage(own, QStringLiteral("after-%1").arg(i), date += 20 * 60000,
                            QStringLiteral("Note %1").arg(i), kBob)
            ->setState(1);
    picture->setState(1);
    own->save();
    world->showHost(own);
    chat = new PLChatWindowViewController;
    chat->setChatRoom(own);
    world->navigation->pushViewController(chat, false);
    settleRenderings();
    QVERIFY(QTest::qWaitForWindowActive(world->window.get()));
    QWindow* keys = world->window->windowHandle();
    QPlainTextEdit* text = chat->postToChatView()->messageTextView();
    QTest::mouseClick(text->viewport(), Qt::LeftButton);
    typeInto(keys, QStringLiteral("hello"));
    QTest::keyClick(keys, Qt::Key_Return);
    world->settle();
    QCOMPARE(QApplication::focusWidget(), text);

    FakeWebView* page = loadPage(picture, 150);
    QVERIFY(page);
    auto* list = chat->collectionView();
    QVERIFY(list->contentOffset().y() > 0 &&
            list->contentOffset().y() < list->maximumContentOffset().y() - 100);
    const QPointF reading = list->contentOffset();
    const QPoint centre = page->rect().center();
    QTest::mousePress(page, Qt::LeftButton, {}, centre);
    world->settle();
    QCOMPARE(list->contentOffset(), reading);
    QTest::mouseRelease(page, Qt::LeftButton, {}, centre);
    world->settle();
    QCOMPARE(list->contentOffset(), reading);
    QCOMPARE(downloads, QStringList{fileUrl});

    // A click on a text row with the keys in the text: the list stays where it is.
    QTest::mouseClick(text->viewport(), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), text);
    QWidget* note = list->cellForItemAtIndexPath(pathOf(Message::messageWithID(QStringLiteral("before-5"))));
    QVERIFY(note && note->isVisible());
    QTest::mousePress(note, Qt::LeftButton, {}, note->rect().center());
    world->settle();
    QCOMPARE(list->contentOffset(), reading);
    QTest::mouseRelease(note, Qt::LeftButton, {}, note->rect().center());
    world->settle();
    QCOMPARE(list->contentOffset(), reading);
}

namespace {
// Counts the hide and show events of the pages it watches, and their loads stopped.
class PageEvents : public QObject {
public:
    int hides = 0;
    int shows = 0;
    int stopped = 0;
    void watch(FakeWebView* page) {
        if (page->property("pageEventsWatched").toBool())
            return;
        page->setProperty("pageEventsWatched", true);
        page->installEventFilter(this);
        connect(page, &platform::ui::WebView::didFailLoad, this, [this](const PLError& error) {
            stopped += error.code == platform::ui::WebView::CancelledError ? 1 : 0;
        });
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        hides += event->type() == QEvent::Hide ? 1 : 0;
        shows += event->type() == QEvent::Show ? 1 : 0;
        return QObject::eventFilter(watched, event);
    }
};
} // namespace

// The engine hears of every hide, show and stop of a page: a page row that leaves the list while it
// moves waits shown for its next row, whose page replaces its own in one load; once the list rests,
// the pages waiting are hidden.
void TestChatWindowChatlets::pageRowsReusedWhileTheListMovesOnlyLoadTheirNextPages() {
    const auto polls = openRoomWithPolls(QStringLiteral("m1"), 0, 40, 0);
    // Rendered, as the library renders what it receives.
    for (const auto& poll : polls)
        poll->setHtmlText(SmartMessageRenderer::htmlString(poll));
    auto* list = chat->collectionView();
    list->setContentOffset(QPointF(0, 0));
    world->settle();
    PageEvents events;
    const auto watchPages = [&] {
        for (auto* page : list->findChildren<FakeWebView*>())
            events.watch(page);
    };
    watchPages();
    // The cells not on screen: waiting while the list moves, hidden once it rests.
    const auto waiting = [list] {
        QList<PLSmartMessageCell*> out;
        for (auto* cell : list->findChildren<PLSmartMessageCell*>())
            if (!list->visibleCells().contains(cell))
                out << cell;
        return out;
    };
    const auto hidden = [](const QList<PLSmartMessageCell*>& cells) {
        return std::all_of(cells.cbegin(), cells.cend(), [](auto* cell) { return cell->isHidden(); });
    };
    int rowsShown = 0;
    bool waitedShown = false;
    for (int y = 0; y <= list->maximumContentOffset().y(); y += 90) {
        list->setContentOffset(QPointF(0, y));
        watchPages();
        waitedShown = waitedShown || !hidden(waiting());
        for (auto* cell : list->visibleCells())
            if (auto* smart = qobject_cast<PLSmartMessageCell*>(cell)) {
                QVERIFY(polls.contains(smart->message()));
                ++rowsShown;
            }
    }
    QVERIFY(rowsShown > 40);
    QCOMPARE(events.hides, 0);
    QCOMPARE(events.shows, 0);
    QCOMPARE(events.stopped, 0);
    QVERIFY(waitedShown);

    list->setContentOffset(QPointF(0, list->maximumContentOffset().y() - 200));
    QVERIFY(!waiting().isEmpty());
    QTRY_VERIFY(hidden(waiting()));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestChatWindowChatlets t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_chatwindowchatlets.moc"
