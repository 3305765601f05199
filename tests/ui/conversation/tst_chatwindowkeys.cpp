// The conversation screens from the keyboard: Tab reaches only what the user sees in the chat window,
// its search and the chatlet picker; a control leaving sight gives its keys to the screen's text.
#include "ClickedWebView.h"
#include "SmartScreensTestWorld.h"

#include "core/api/PLAppConfigurations.h"
#include "core/model/ChatRoomNotifications.h"
#include "core/model/RoomMember.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/Button.h"
#include "platform/ui/TableView.h"
#include "platform/ui/testing/FakeImagePicker.h"
#include "smart/SmartRenderQueue.h"
#include "ui/conversation/ConversationScreens.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowScrollToBottomOrTopView.h"
#include "ui/conversation/PLChatWindowSearchViewController.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLChatletCategoryViewController.h"
#include "ui/conversation/PLChatletChoiceFieldView.h"
#include "ui/conversation/PLChatletFormView.h"
#include "ui/conversation/PLChatletListFieldView.h"
#include "ui/conversation/PLChatletMessageBuilder.h"
#include "ui/conversation/PLDownloadViewerController.h"
#include "ui/conversation/PLMediaDownloading.h"
#include "ui/conversation/PLNewUpdatesNotificationButton.h"
#include "ui/conversation/PLPostChatletViewController.h"
#include "ui/conversation/PLPostToChatView.h"
#include "ui/conversation/PLSmartMessageCell.h"
#include "ui/conversation/PLUploadActionSheet.h"
#include "ui/conversation/PLUploadViewerWithCaptionController.h"
#include "ui/toolkit/PLCustomSearchTextField.h"
#include "ui/toolkit/PLCustomSearchView.h"

#include "KeyChecks.h"
#include "SteppedAnimations.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/NavigationBar.h"
#include "ui/conversation/PLChatMessageWithProfileImageCell.h"

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>

using namespace pelnix;
using namespace pelnix::test;

namespace {

// The picker answers with a picture saved in `folder`, as one chosen from the library.
bool pickerAnswersWithAPicture(const QTemporaryDir& folder) {
    const QString path = folder.filePath(QStringLiteral("harbour.png"));
    QImage picture(320, 240, QImage::Format_RGB32);
    picture.fill(QColor(0x33, 0x66, 0x99));
    if (!picture.save(path))
        return false;
    auto picker = std::make_unique<platform::ui::FakeImagePicker>();
    picker->answer = platform::ui::PickedMedia{path, false, picture, {}};
    platform::ui::ImagePicker::setCurrent(std::move(picker));
    return true;
}

constexpr int kTabPresses = 61;

QString describe(const QWidget* widget) {
    if (!widget)
        return QStringLiteral("nothing");
    QStringList chain;
    for (const QWidget* w = widget; w && chain.size() < 3; w = w->parentWidget())
        chain << QString::fromLatin1(w->metaObject()->className()) + QLatin1Char('/') + w->objectName();
    return chain.join(QStringLiteral(" in "));
}

// What shows of `widget` in its window: its rectangle clipped by every view around it.
QRect shownPart(const QWidget* widget) {
    QWidget* top = widget->window();
    QRect shown(widget->mapTo(top, QPoint()), widget->size());
    for (const QWidget* around = widget->parentWidget(); around; around = around->parentWidget())
        shown &= QRect(around->mapTo(top, QPoint()), around->size());
    return shown;
}

// Visible, inside the window, and not under another view (a bar over the list).
bool seenByTheUser(QWidget* widget) {
    if (!widget->isVisible() || platform::ui::Animator::alpha(widget) <= 0)
        return false;
    const QRect shown = shownPart(widget);
    if (shown.isEmpty())
        return false;
    QWidget* at = widget->window()->childAt(shown.center());
    return at && (at == widget || widget->isAncestorOf(at));
}

QString describeUnseen(QWidget* widget) {
    if (!widget)
        return describe(widget);
    const QRect shown = shownPart(widget);
    if (shown.isEmpty())
        return describe(widget) + QStringLiteral(", out of sight");
    return describe(widget) + QStringLiteral(", under ") +
           describe(widget->window()->childAt(shown.center()));
}

// A download that is done at once: the picture shows in the viewer over the screen that asked.
class ViewingDownload : public PLMediaDownloading {
public:
    void setMessage(const std::shared_ptr<Message>&) override {}
    void downloadMediaFromURL(const QString&, const std::shared_ptr<ChatRoom>&, const QVariantMap&,
                              platform::ui::ViewController* over) override {
        auto* viewer = new PLDownloadViewerController;
        over->presentViewController(viewer, false);
        QImage picture(320, 240, QImage::Format_RGB32);
        picture.fill(QColor(0x99, 0x66, 0x33));
        viewer->showImage(picture);
    }
    void cleanUp() override {}
};

} // namespace

class TestChatWindowKeys : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { world.reset(); }
    void init();
    void cleanup();

    void tabReachesOnlyWhatTheUserSees_data();
    void tabReachesOnlyWhatTheUserSees();
    void aControlLeavingSightGivesTheKeysToTheText();
    void theChatletListTakesUpDownAndReturn();
    void theChatletPickerFromTheKeyboard();
    void aRoomOpenedByAClickHasTheKeysInItsText();
    void thePollFormOpensWithTheKeysInItsFirstField();
    void theTextHasTheKeysAgainWhenThePageAboveIsLeft_data();
    void theTextHasTheKeysAgainWhenThePageAboveIsLeft();
    void aHeldReturnSendsNothingAfterAPageChange();
    void aHeldReturnLeavesTheBlankTextsAlertOpen();
    void aClickOnARowOrItsAvatarLeavesTheKeysInTheText();
    void theUsersPostBringsTheListToItsEndAtOnce();
    void aPageClosedOverTheChatInAHostsWindowLeavesTheHostsFieldAlone_data();
    void aPageClosedOverTheChatInAHostsWindowLeavesTheHostsFieldAlone();

private:
    QPlainTextEdit* text() const { return chat->postToChatView()->messageTextView(); }
    void setAdmin(qint32 admin) {
        for (const auto& member : room->members())
            member->setIsCreator(member->user() && member->user()->userID() == admin);
    }
    QWindow* keys() const { return world->window->windowHandle(); }
    // Tab until `target` has the keys, then Space on it.
    void pressWithTheKeyboard(QWidget* target) {
        for (int i = 0; i < kTabPresses && QApplication::focusWidget() != target; ++i)
            QTest::keyClick(keys(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), target);
        QTest::keyClick(keys(), Qt::Key_Space);
        world->settle();
    }
    void holdKey(Qt::Key key, int repeats) {
        pelnix::test::holdKey(keys(), key, repeats);
        world->settle();
    }
    void typeInto(const QString& typed) {
        for (const QChar c : typed)
            QTest::keyClick(keys(), c.toLatin1());
    }
    // The chatlet button clicked and the poll picked: its form, or null.
    PLPostChatletViewController* openThePollForm();
    // The form opened by a click on the chatlet button, or by Tab and Space on it and Return on the
    // picker's list; then filled and sent from the keyboard.
    void postAPollWithTheKeyboard(bool openedByKeyboard);
    // Opens the room anew and clicks the page of Bob's `message`, which takes the keys.
    void clickThePageOf(const Message::Ptr& message);
    void voteWithTheKeyboard();
    void postAPictureFromItsPreview(bool byKeyboard);
    // The paperclip, then "Choose Existing": the picture's preview, or null when it did not open.
    PLUploadViewerWithCaptionController* openThePickedPicturesPreview();
    void closeAViewer(bool byKeyboard);

    std::unique_ptr<SmartScreensWorld> world;
    ChatRoom::Ptr room;
    PLChatWindowViewController* chat = nullptr;
};

void TestChatWindowKeys::initTestCase() {
    world = std::make_unique<SmartScreensWorld>();
    ConversationScreens::registerScreens();
    world->downloadSmartFixtures();
    // Older messages wait behind "Load More Messages".
    PLAppConfigurations::currentConfiguration()->setProperty("numberOfMessagesLoadedOnce", 20);
    // On the service too: what the tests post goes out once they are done, and a room unknown there
    // would be closed to the user.
    world->seedRoom(QStringLiteral("r1"));
    room = world->importRoom(QStringLiteral("r1"));
    qint64 date = QDateTime::currentMSecsSinceEpoch() - 24 * 3600 * 1000;
    for (int i = 0; i < 40; ++i)
        world
            ->importMessage(room, QStringLiteral("t%1").arg(i), date += 20 * 60000,
                            QStringLiteral("Note %1").arg(i), i % 2 ? kBob : kCarol)
            ->setState(1);
    room->save();
}

void TestChatWindowKeys::init() {
    world->showHost(room);
    chat = new PLChatWindowViewController;
    chat->setChatRoom(room);
    world->navigation->pushViewController(chat, false);
    world->settle();
    QVERIFY(QTest::qWaitForWindowActive(world->window.get()));
}

void TestChatWindowKeys::cleanup() {
    world->window.reset();
    world->settle();
}

void TestChatWindowKeys::tabReachesOnlyWhatTheUserSees_data() {
    QTest::addColumn<QString>("screen");
    QTest::newRow("the chat window as it opens") << "chat";
    QTest::newRow("the chat window, its scroll control slid out") << "chat later";
    QTest::newRow("the chat window scrolled halfway up") << "chat halfway";
    QTest::newRow("the chat window, a message arrived out of sight") << "chat new updates";
    QTest::newRow("the search with its results") << "search";
    QTest::newRow("the chatlet picker") << "chatlets";
    QTest::newRow("a poll's form taller than the window") << "poll form";
    QTest::newRow("a room only its admin posts to") << "admin only";
}

// From the text (or the search field), 61 presses of Tab: each one puts the keys on a control the user
// sees, inside the window and uncovered.
void TestChatWindowKeys::tabReachesOnlyWhatTheUserSees() {
    QFETCH(QString, screen);
    const auto restore = qScopeGuard([this] {
        setAdmin(world->me());
        room->setAdminOnly(false);
        room->save();
    });
    auto* list = chat->collectionView();
    QTest::mouseClick(chat->postToChatView()->messageTextView()->viewport(), Qt::LeftButton);
    if (screen == QLatin1String("chat later")) {
        world->advance(PLChatWindowScrollToBottomOrTopView::kAutoHideMs);
        QVERIFY(!chat->scrollToBottomOrTopView()->isSlidIn());
    } else if (screen == QLatin1String("chat halfway")) {
        list->setContentOffset(QPointF(0, list->maximumContentOffset().y() / 2));
        world->settle();
    } else if (screen == QLatin1String("chat new updates")) {
        list->setContentOffset(QPointF(0, list->maximumContentOffset().y() / 2));
        world->importMessage(room, QStringLiteral("late"), QDateTime::currentMSecsSinceEpoch(),
                             QStringLiteral("Are you there?"), kBob);
        platform::NotificationCenter::defaultCenter()->post(QLatin1String(ChatRoomMessageAddedNotification),
                                                            {}, {{QLatin1String(kMessageIDKey), "late"}});
        world->advance(PLChatWindowViewController::kSettleDelayMs);
        QCOMPARE(chat->unreadMessagesNotificationViewState(),
                 PLChatWindowViewController::kNotificationViewShown);
    } else if (screen == QLatin1String("search")) {
        chat->chatWindowSearchClicked();
        world->settle();
        auto* search =
            qobject_cast<PLChatWindowSearchViewController*>(world->navigation->topViewController());
        QVERIFY(search);
        search->searchView()->searchTextField()->setText(QStringLiteral("Note"));
        search->searchTextFieldDidChange(search->searchView()->searchTextField());
        world->settle();
        QVERIFY(search->searchCollectionView()->numberOfItemsInSection(0) > 0);
        search->searchView()->makeTextFieldFirstResponder();
    } else if (screen == QLatin1String("chatlets")) {
        chat->postChatletButtonClickHandler();
        world->settle();
        QVERIFY(chat->presentedViewController());
    } else if (screen == QLatin1String("admin only")) {
        // Another member administers it: a banner covers the bar.
        setAdmin(kBob);
        room->setAdminOnly(true);
        room->save();
        chat->updateViewForChatRoomStatusAnimated(false);
        QVERIFY(chat->userKickedMessageView());
    } else if (screen == QLatin1String("poll form")) {
        QVERIFY(openThePollForm());
        world->window->resize(320, 300);
        world->settle();
    }
    QWindow* keys = world->window->windowHandle();
    QStringList unseen;
    for (int i = 0; i < kTabPresses; ++i) {
        QTest::keyClick(keys, Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        if (!focus || !seenByTheUser(focus))
            unseen << QStringLiteral("%1: %2").arg(i + 1).arg(describeUnseen(focus));
        // A scrolling view around fields shows no focus of its own.
        else if (qobject_cast<PLChatletFormView*>(focus))
            unseen << QStringLiteral("%1: the form's own view").arg(i + 1);
    }
    QVERIFY2(unseen.isEmpty(), qPrintable(unseen.join(QStringLiteral("; "))));
}

// The keys on a control that goes out of sight come back to the text: on "New Updates" pressed with
// Space (it leaves once pressed), and on the scroll control, which stays while one of its buttons has
// the keys and slides out once they are elsewhere.
void TestChatWindowKeys::aControlLeavingSightGivesTheKeysToTheText() {
    QPlainTextEdit* text = chat->postToChatView()->messageTextView();
    auto* list = chat->collectionView();
    QTest::mouseClick(text->viewport(), Qt::LeftButton);
    list->setContentOffset(QPointF(0, list->maximumContentOffset().y() / 2));
    world->importMessage(room, QStringLiteral("later"), QDateTime::currentMSecsSinceEpoch(),
                         QStringLiteral("Still there?"), kBob);
    platform::NotificationCenter::defaultCenter()->post(QLatin1String(ChatRoomMessageAddedNotification), {},
                                                        {{QLatin1String(kMessageIDKey), "later"}});
    world->advance(PLChatWindowViewController::kSettleDelayMs);
    QWidget* button = chat->unreadMessgesNotifiactionButton();
    QWindow* keys = world->window->windowHandle();
    for (int i = 0; i < kTabPresses && QApplication::focusWidget() != button; ++i)
        QTest::keyClick(keys, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), button);
    QTest::keyClick(keys, Qt::Key_Space);
    world->settle();
    QCOMPARE(chat->unreadMessagesNotificationViewState(),
             PLChatWindowViewController::kNotificationViewHidden);
    QCOMPARE(QApplication::focusWidget(), text);

    auto* control = chat->scrollToBottomOrTopView();
    control->showScrollToBottomOrTopViewAnimated(false);
    QWidget* toTop = control->scrollToTopButton();
    QVERIFY(toTop->isVisible());
    for (int i = 0; i < kTabPresses && QApplication::focusWidget() != toTop; ++i)
        QTest::keyClick(keys, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), toTop);
    world->advance(3 * PLChatWindowScrollToBottomOrTopView::kAutoHideMs);
    QVERIFY(control->isSlidIn());
    QVERIFY(seenByTheUser(toTop));
    text->setFocus(Qt::MouseFocusReason);
    world->advance(PLChatWindowScrollToBottomOrTopView::kAutoHideMs);
    QVERIFY(!control->isSlidIn());

    // Slid out by the list while it has the keys: they come back to the text.
    control->showScrollToBottomOrTopViewAnimated(false);
    toTop->setFocus(Qt::TabFocusReason);
    control->hideScrollToBottomOrTopViewAnimated(false);
    QCOMPARE(QApplication::focusWidget(), text);
}

// A page of three chatlets: Tab puts the keys on the list, which marks its first row; Up and Down move
// the mark within the list, Return picks the marked chatlet, and the mark goes with the keys.
void TestChatWindowKeys::theChatletListTakesUpDownAndReturn() {
    QStringList picked;
    const QVariantList chatlets{QVariantMap{{"name", "poll"}, {"displayname", "Poll"}},
                                QVariantMap{{"name", "location"}, {"displayname", "Location"}},
                                QVariantMap{{"name", "contact"}, {"displayname", "Contact"}}};
    auto* page = new PLChatletCategoryViewController(
        QStringLiteral("Everyday"), chatlets,
        [&picked](const QVariantMap& chatlet) { picked << chatlet.value("name").toString(); });
    world->navigation->pushViewController(page, false);
    world->settle();
    platform::ui::TableView* table = page->tableView();
    QWindow* keys = world->window->windowHandle();
    for (int i = 0; i < 10 && QApplication::focusWidget() != table; ++i)
        QTest::keyClick(keys, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), table);
    const auto marked = [table] {
        const auto row = table->indexPathForSelectedRow();
        return row ? row->row : -1;
    };
    QCOMPARE(marked(), 0);
    QTest::keyClick(keys, Qt::Key_Down);
    QTest::keyClick(keys, Qt::Key_Down);
    QCOMPARE(marked(), 2);
    QTest::keyClick(keys, Qt::Key_Down);
    QCOMPARE(marked(), 2);
    QTest::keyClick(keys, Qt::Key_Up);
    QCOMPARE(marked(), 1);
    QVERIFY(table->cellForRowAtIndexPath(platform::ui::IndexPath::forRow(1))->isSelected());
    QTest::keyClick(keys, Qt::Key_Return);
    QCOMPARE(picked, QStringList{"location"});
    QTest::keyClick(keys, Qt::Key_Tab);
    QVERIFY(QApplication::focusWidget() != table);
    QCOMPARE(marked(), -1);
}

// The picker opened from the room: Tab goes between Cancel, the category tabs and the list, and Return
// on the list opens the marked chatlet's form.
void TestChatWindowKeys::theChatletPickerFromTheKeyboard() {
    chat->postChatletButtonClickHandler();
    world->settle();
    auto* navigation = qobject_cast<platform::ui::NavigationController*>(chat->presentedViewController());
    QVERIFY(navigation);
    auto* picker = qobject_cast<PLPostChatletViewController*>(navigation->topViewController());
    QVERIFY(picker && picker->showsPicker());
    PLChatletCategoryViewController* page = nullptr;
    for (auto* shown : picker->findChildren<PLChatletCategoryViewController*>())
        if (shown->tableView() && shown->tableView()->isVisible())
            page = shown;
    QVERIFY(page);
    // Opened from the keyboard's place, the list has the keys, its first row marked for Return.
    QTRY_COMPARE(QApplication::focusWidget(), page->tableView());
    QCOMPARE(page->tableView()->indexPathForSelectedRow().value_or(platform::ui::IndexPath{0, -1}).row, 0);
    QWindow* keys = world->window->windowHandle();
    QSet<QString> stops;
    for (int i = 0; i < 10; ++i) {
        QTest::keyClick(keys, Qt::Key_Tab);
        stops << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(stops, (QSet<QString>{"navigationBar.left.0", "titleTab.0", "titleTab.1", "chatletTable"}));
    for (int i = 0; i < 10 && QApplication::focusWidget() != page->tableView(); ++i)
        QTest::keyClick(keys, Qt::Key_Tab);
    QCOMPARE(page->tableView()->indexPathForSelectedRow().value_or(platform::ui::IndexPath{0, -1}).row, 0);
    QTest::keyClick(keys, Qt::Key_Return);
    world->settle();
    auto* form = qobject_cast<PLPostChatletViewController*>(navigation->topViewController());
    QVERIFY(form && form != picker && !form->showsPicker());
}

// Opened from the rooms list by a click (the list had the keys), the room has them in its text.
void TestChatWindowKeys::aRoomOpenedByAClickHasTheKeysInItsText() {
    world->navigation->popViewController(false);
    world->settle();
    QWidget* list = world->navigation->topViewController()->view();
    QTest::mouseClick(list, Qt::LeftButton);
    chat = new PLChatWindowViewController;
    chat->setChatRoom(room);
    world->navigation->pushViewController(chat, true);
    world->settle();
    QTRY_COMPARE(QApplication::focusWidget(), text());
    typeInto(QStringLiteral("hi"));
    QCOMPARE(text()->toPlainText(), QStringLiteral("hi"));
}

// The poll's form, picked in the picker opened by the chatlet button, opens with the keys in its
// first field.
void TestChatWindowKeys::thePollFormOpensWithTheKeysInItsFirstField() {
    QTest::mouseClick(text()->viewport(), Qt::LeftButton);
    PLPostChatletViewController* form = openThePollForm();
    QVERIFY(form);
    QWidget* title = form->formView()->fieldView("title")->findChild<QWidget*>(QStringLiteral("input"));
    QTRY_COMPARE(QApplication::focusWidget(), title);
    typeInto(QStringLiteral("Lunch"));
    QTest::keyClick(keys(), Qt::Key_Tab);
    QVERIFY(form->formView()->fieldView("question")->isAncestorOf(QApplication::focusWidget()));
    form->cancelButtonTapped();
    world->settle();
}

void TestChatWindowKeys::theTextHasTheKeysAgainWhenThePageAboveIsLeft_data() {
    QTest::addColumn<QString>("page");
    QTest::newRow("a poll posted with Tab and Space") << "poll";
    QTest::newRow("a vote sent with Tab and Space") << "vote";
    QTest::newRow("a picture posted from its preview by a click") << "picture clicked";
    QTest::newRow("a picture posted from its preview with the keyboard") << "picture keyboard";
    QTest::newRow("the viewer's Done clicked") << "viewer clicked";
    QTest::newRow("the viewer's Done with the keyboard") << "viewer keyboard";
    // Last: the poll it posts takes a page row of its own, under the pages the rows above click.
    QTest::newRow("a poll made with the keyboard alone") << "poll keyboard";
}

// The keys in the room's text, a page opened over the room and left: the next text typed lands in
// the room's text, however the page was left.
void TestChatWindowKeys::theTextHasTheKeysAgainWhenThePageAboveIsLeft() {
    QFETCH(QString, page);
    // Posts wait in the outbox; a picture's link needs the network.
    world->fixture.setOnline(page == QLatin1String("viewer clicked") ||
                             page == QLatin1String("viewer keyboard"));
    const auto online = qScopeGuard([this] { world->fixture.setOnline(true); });
    QTest::mouseClick(text()->viewport(), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), text());
    if (page.startsWith(QLatin1String("poll")))
        postAPollWithTheKeyboard(page.endsWith(QLatin1String("keyboard")));
    else if (page == QLatin1String("vote"))
        voteWithTheKeyboard();
    else if (page.startsWith(QLatin1String("picture")))
        postAPictureFromItsPreview(page.endsWith(QLatin1String("keyboard")));
    else
        closeAViewer(page.endsWith(QLatin1String("keyboard")));
    if (QTest::currentTestFailed())
        return;
    QVERIFY(!chat->presentedViewController());
    QCOMPARE(QApplication::focusWidget(), text());
    typeInto(QStringLiteral("again"));
    QCOMPARE(text()->toPlainText(), QStringLiteral("again"));
}

PLPostChatletViewController* TestChatWindowKeys::openThePollForm() {
    QTest::mouseClick(chat->postToChatView()->postChatletButton(), Qt::LeftButton);
    world->settle();
    auto* navigation = qobject_cast<platform::ui::NavigationController*>(chat->presentedViewController());
    auto* picker =
        navigation ? qobject_cast<PLPostChatletViewController*>(navigation->topViewController()) : nullptr;
    if (!picker)
        return nullptr;
    picker->chatletPicked({{"name", "poll"}});
    world->settle();
    auto* form = qobject_cast<PLPostChatletViewController*>(navigation->topViewController());
    return form && form != picker && form->formView() ? form : nullptr;
}

void TestChatWindowKeys::postAPollWithTheKeyboard(bool openedByKeyboard) {
    PLPostChatletViewController* form = nullptr;
    if (openedByKeyboard) {
        pressWithTheKeyboard(chat->postToChatView()->postChatletButton());
        QTest::keyClick(keys(), Qt::Key_Return);
        world->settle();
        auto* navigation = qobject_cast<platform::ui::NavigationController*>(chat->presentedViewController());
        form = navigation ? qobject_cast<PLPostChatletViewController*>(navigation->topViewController())
                          : nullptr;
        QVERIFY(form && !form->showsPicker());
    } else {
        form = openThePollForm();
    }
    QVERIFY(form);
    QWidget* title = form->formView()->fieldView("title")->findChild<QWidget*>(QStringLiteral("input"));
    for (int i = 0; i < kTabPresses && QApplication::focusWidget() != title; ++i)
        QTest::keyClick(keys(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), title);
    for (const QString& typed : QStringList{"Dinner", "When?", "Seven", "Eight"}) {
        typeInto(typed);
        QTest::keyClick(keys(), Qt::Key_Tab);
    }
    auto* send =
        form->navigationController()->view()->findChild<QWidget*>(QStringLiteral("navigationBar.right.0"));
    QVERIFY(send);
    pressWithTheKeyboard(send);
}

void TestChatWindowKeys::clickThePageOf(const Message::Ptr& message) {
    message->setState(1);
    message->save();
    // A window opened anew, its pages taking the keys when clicked as the engine's do.
    platform::ui::WebView::setMaker([](QWidget* parent) { return new ClickedWebView(parent); });
    const auto fake = qScopeGuard([] {
        platform::ui::WebView::setMaker(
            [](QWidget* parent) { return new platform::ui::FakeWebView(parent); });
    });
    world->navigation->popViewController(false);
    world->settle();
    chat = new PLChatWindowViewController;
    chat->setChatRoom(room);
    world->navigation->pushViewController(chat, false);
    world->settle();
    QVERIFY(QTest::qWaitFor([] { return SmartRenderQueue::shared()->pendingCount() == 0; }));
    world->settle();
    QTest::mouseClick(text()->viewport(), Qt::LeftButton);
    const auto path = platform::ui::IndexPath::forItem(chat->rowList().indexOfMessage(message.get()));
    chat->collectionView()->scrollToItemAtIndexPath(
        path, platform::ui::CollectionView::ScrollPosition::Middle, false);
    world->settle();
    auto* cell = qobject_cast<PLSmartMessageCell*>(chat->collectionView()->cellForItemAtIndexPath(path));
    QVERIFY(cell);
    auto* page = qobject_cast<platform::ui::FakeWebView*>(cell->webView());
    QVERIFY(page);
    page->contentHeight = 150;
    page->finishLoad();
    world->settle();
    // The row took its page's height: the rows are laid out again and may have changed cells.
    chat->collectionView()->scrollToItemAtIndexPath(
        path, platform::ui::CollectionView::ScrollPosition::Middle, false);
    world->settle();
    cell = qobject_cast<PLSmartMessageCell*>(chat->collectionView()->cellForItemAtIndexPath(path));
    QVERIFY(cell);
    page = qobject_cast<platform::ui::FakeWebView*>(cell->webView());
    QVERIFY(page);
    QTest::mouseClick(page, Qt::LeftButton, {}, page->rect().center());
    world->settle();
}

void TestChatWindowKeys::voteWithTheKeyboard() {
    const auto poll = world->importMessage(
        room, QStringLiteral("vote-poll"), QDateTime::currentMSecsSinceEpoch() - 60000,
        PLChatletMessageBuilder::newChatletJSON(
            QStringLiteral("poll"), PLPostChatletViewController::storedForm(QStringLiteral("poll")),
            {{"title", "Lunch"}, {"question", "Where?"}, {"options", QStringList{"Sushi", "Pizza"}}},
            QStringLiteral("F-VOTE")),
        kBob, QStringLiteral("smartmessage"));
    // Its first link: "Vote".
    clickThePageOf(poll);
    auto* navigation = qobject_cast<platform::ui::NavigationController*>(chat->presentedViewController());
    QVERIFY(navigation);
    auto* form = qobject_cast<PLPostChatletViewController*>(navigation->topViewController());
    QVERIFY(form && form->formView());
    auto* choice = qobject_cast<PLChatletChoiceFieldView*>(form->formView()->fieldView("option"));
    QVERIFY(choice);
    pressWithTheKeyboard(choice->choiceButtons().first());
    QVERIFY(choice->choiceButtons().first()->isSelected());
    auto* send = navigation->view()->findChild<QWidget*>(QStringLiteral("navigationBar.right.0"));
    QVERIFY(send);
    pressWithTheKeyboard(send);
    QVERIFY(poll->latestPendingMessage());
}

PLUploadViewerWithCaptionController* TestChatWindowKeys::openThePickedPicturesPreview() {
    QTest::mouseClick(chat->postToChatView()->mediaUploadButton(), Qt::LeftButton);
    world->settle();
    auto* sheet = chat->findChild<PLUploadActionSheet*>();
    if (!sheet || !sheet->actionSheet())
        return nullptr;
    sheet->actionSheet()->tapButtonAtIndex(PLUploadActionSheet::ChooseExistingIndex);
    world->settle();
    return qobject_cast<PLUploadViewerWithCaptionController*>(chat->presentedViewController());
}

void TestChatWindowKeys::postAPictureFromItsPreview(bool byKeyboard) {
    QTemporaryDir folder;
    QVERIFY(pickerAnswersWithAPicture(folder));
    int posted = 0;
    PLUploadActionSheet::setMediaPoster(
        [&posted](const ChatRoom::Ptr&, const QVariantMap&, const QByteArray&) { ++posted; });
    const auto restore = qScopeGuard([] {
        PLUploadActionSheet::setMediaPoster({});
        platform::ui::ImagePicker::setCurrent({});
    });
    auto* preview = openThePickedPicturesPreview();
    QVERIFY(preview);
    if (byKeyboard)
        pressWithTheKeyboard(preview->doneButton());
    else
        QTest::mouseClick(preview->doneButton(), Qt::LeftButton);
    world->settle();
    world->advance(PLUploadActionSheet::kSizeCheckDelayMs);
    QCOMPARE(posted, 1);
}

void TestChatWindowKeys::closeAViewer(bool byKeyboard) {
    // The download done at once: the viewer shows the picture over the window that asked for it.
    PLMediaDownloading::setMaker([] { return std::make_unique<ViewingDownload>(); });
    const auto restore = qScopeGuard([] { PLMediaDownloading::setMaker({}); });
    const auto picture = world->importMessage(
        room, QStringLiteral("viewer-picture"), QDateTime::currentMSecsSinceEpoch() - 30000,
        QJsonDocument(
            QJsonObject{{"formid", "F-PIC"},
                        {"xslt", "image"},
                        {"displayname", "Image"},
                        {"content", QJsonObject{{"media", QJsonArray{QJsonObject{
                                                              {"fileId", "lake"},
                                                              {"fileMime", "image/png"},
                                                              {"fileName", "lake.png"},
                                                              {"fileUrl", "https://files.test/lake.png"},
                                                              {"width", "200"},
                                                              {"height", "150"}}}}}}})
            .toJson(QJsonDocument::Compact),
        kBob, QStringLiteral("smartmessage"));
    clickThePageOf(picture);
    auto* viewer = qobject_cast<PLDownloadViewerController*>(chat->presentedViewController());
    QVERIFY(viewer);
    if (byKeyboard)
        pressWithTheKeyboard(viewer->doneButton());
    else
        QTest::mouseClick(viewer->doneButton(), Qt::LeftButton);
    world->settle();
}

// Return held on the back button of a page over the room pops that page once; its repeats then reach
// the room's text and send nothing: the draft stays.
void TestChatWindowKeys::aHeldReturnSendsNothingAfterAPageChange() {
    QTest::mouseClick(text()->viewport(), Qt::LeftButton);
    typeInto(QStringLiteral("draft"));
    auto* above = new platform::ui::ViewController;
    above->setTitle(QStringLiteral("Above"));
    world->navigation->pushViewController(above, false);
    world->settle();
    auto* back =
        world->navigation->navigationBar()->findChild<QToolButton*>(QStringLiteral("navigationBar.back"));
    QVERIFY(back);
    back->setFocus(Qt::TabFocusReason);
    holdKey(Qt::Key_Return, 20);
    QCOMPARE(world->navigation->topViewController(), chat);
    QCOMPARE(QApplication::focusWidget(), text());
    QCOMPARE(text()->toPlainText(), QStringLiteral("draft"));
}

// Return on a blank text asks "Enter valid message."; held, its repeats do not answer it.
void TestChatWindowKeys::aHeldReturnLeavesTheBlankTextsAlertOpen() {
    QTest::mouseClick(text()->viewport(), Qt::LeftButton);
    typeInto(QStringLiteral("   "));
    holdKey(Qt::Key_Return, 20);
    platform::ui::AlertView* alert = world->topAlert();
    QVERIFY(alert);
    QVERIFY(alert->isVisible());
    QCOMPARE(alert->message(), QStringLiteral("Enter valid message."));
    QTest::keyClick(keys(), Qt::Key_Return);
    QTRY_VERIFY(!world->topAlert());
    QCOMPARE(QApplication::focusWidget(), text());
}

// A click on a text row, or on a sender's picture and back from the page it opens, leaves the keys in
// the room's text, with no ring on what was clicked.
void TestChatWindowKeys::aClickOnARowOrItsAvatarLeavesTheKeysInTheText() {
    QTest::mouseClick(text()->viewport(), Qt::LeftButton);
    auto* list = chat->collectionView();
    QWidget* row = nullptr;
    platform::ui::Button* avatar = nullptr;
    for (auto* cell : list->viewport()->findChildren<PLChatMessageWithProfileImageCell*>()) {
        if (!cell->isVisible())
            continue;
        auto* picture = cell->findChild<platform::ui::Button*>(QStringLiteral("profileImageButton"));
        if (picture && picture->isVisible() && !avatar)
            avatar = picture;
        if (!row)
            row = cell;
    }
    QVERIFY(row);
    QVERIFY(avatar);
    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(row->width() / 2, row->height() / 2));
    world->settle();
    QCOMPARE(QApplication::focusWidget(), text());
    QTest::mouseClick(avatar, Qt::LeftButton);
    world->settle();
    QVERIFY(QApplication::focusWidget() != avatar);
    // The sender's page (here, without the rooms' screens, an alert saying it is not available).
    if (world->topAlert()) {
        QTest::keyClick(keys(), Qt::Key_Return);
        QTRY_VERIFY(!world->topAlert());
    }
    if (world->navigation->topViewController() != chat) {
        world->navigation->popViewController(false);
        world->settle();
    }
    QCOMPARE(QApplication::focusWidget(), text());
    typeInto(QStringLiteral("hi"));
    QCOMPARE(text()->toPlainText(), QStringLiteral("hi"));
}

// With the list scrolled up, the user's own post shows the list's end in the next frame, not after a
// slide that starts later (a press aimed meanwhile would land on another row).
void TestChatWindowKeys::theUsersPostBringsTheListToItsEndAtOnce() {
    world->fixture.setOnline(false);
    const auto online = qScopeGuard([this] { world->fixture.setOnline(true); });
    pelnix::test::SteppedSlides clock;
    auto* list = chat->collectionView();
    list->setContentOffset(QPointF(0, list->maximumContentOffset().y() / 2));
    world->settle();
    QTest::mouseClick(text()->viewport(), Qt::LeftButton);
    typeInto(QStringLiteral("sent"));
    QTest::keyClick(keys(), Qt::Key_Return);
    world->settle();
    clock.step(16);
    QCOMPARE(list->contentOffset().y(), list->maximumContentOffset().y());
    clock.run(800);
    QCOMPARE(list->contentOffset().y(), list->maximumContentOffset().y());
}

void TestChatWindowKeys::aPageClosedOverTheChatInAHostsWindowLeavesTheHostsFieldAlone_data() {
    QTest::addColumn<QString>("page");
    QTest::newRow("the chatlet picker's Cancel") << "chatlets";
    QTest::newRow("the picture preview's Done") << "preview";
}

// The chat in a host's own window, beside a line edit of the host's in its toolbar: a page shown over
// the chat and closed by a click gives the keys back to the chat's text, not to the host's line edit
// (whose text the next letters would replace).
void TestChatWindowKeys::aPageClosedOverTheChatInAHostsWindowLeavesTheHostsFieldAlone() {
    QFETCH(QString, page);
    world->window.reset();
    QMainWindow host;
    auto* hostField = new QLineEdit(QStringLiteral("the host's"));
    host.addToolBar(QStringLiteral("Tools"))->addWidget(hostField);
    auto* root = new ChatletHost;
    root->room = room;
    root->setTitle(QStringLiteral("Ops"));
    std::unique_ptr<platform::ui::NavigationController> container(
        new platform::ui::NavigationController(root));
    chat = new PLChatWindowViewController;
    chat->setChatRoom(room);
    container->pushViewController(chat, false);
    host.setCentralWidget(container->view());
    host.resize(400, 720);
    host.show();
    QApplication::setActiveWindow(&host);
    QVERIFY(QTest::qWaitForWindowActive(&host));
    world->settle();
    QTest::mouseClick(text()->viewport(), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), text());

    QTemporaryDir folder;
    QVERIFY(pickerAnswersWithAPicture(folder));
    PLUploadActionSheet::setMediaPoster([](const ChatRoom::Ptr&, const QVariantMap&, const QByteArray&) {});
    const auto restore = qScopeGuard([&] {
        PLUploadActionSheet::setMediaPoster({});
        platform::ui::ImagePicker::setCurrent({});
        host.takeCentralWidget();
    });
    if (page == QLatin1String("chatlets")) {
        QTest::mouseClick(chat->postToChatView()->postChatletButton(), Qt::LeftButton);
        world->settle();
        auto* navigation = qobject_cast<platform::ui::NavigationController*>(chat->presentedViewController());
        QVERIFY(navigation);
        auto* cancel =
            navigation->navigationBar()->findChild<QToolButton*>(QStringLiteral("navigationBar.left.0"));
        QVERIFY(cancel);
        QTest::mouseClick(cancel, Qt::LeftButton);
    } else {
        auto* preview = openThePickedPicturesPreview();
        QVERIFY(preview);
        QTest::mouseClick(preview->doneButton(), Qt::LeftButton);
    }
    world->settle();
    world->advance(PLUploadActionSheet::kSizeCheckDelayMs);
    QVERIFY(!chat->presentedViewController());
    QCOMPARE(QApplication::focusWidget(), text());
    pelnix::test::typeInto(host.windowHandle(), QStringLiteral("again"));
    QCOMPARE(text()->toPlainText(), QStringLiteral("again"));
    QCOMPARE(hostField->text(), QStringLiteral("the host's"));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestChatWindowKeys t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_chatwindowkeys.moc"
