// The conversation screens from the keyboard: Tab reaches only what the user sees in the chat window,
// its search and the chatlet picker; a control leaving sight gives its keys to the screen's text.
#include "SmartScreensTestWorld.h"

#include "core/api/PLAppConfigurations.h"
#include "core/model/ChatRoomNotifications.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/Button.h"
#include "platform/ui/TableView.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowScrollToBottomOrTopView.h"
#include "ui/conversation/PLChatWindowSearchViewController.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLChatletCategoryViewController.h"
#include "ui/conversation/PLChatletFormView.h"
#include "ui/conversation/PLNewUpdatesNotificationButton.h"
#include "ui/conversation/PLPostChatletViewController.h"
#include "ui/conversation/PLPostToChatView.h"
#include "ui/toolkit/PLCustomSearchTextField.h"
#include "ui/toolkit/PLCustomSearchView.h"

#include <QApplication>
#include <QPlainTextEdit>

using namespace pelnix;
using namespace pelnix::test;

namespace {

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

private:
    std::unique_ptr<SmartScreensWorld> world;
    ChatRoom::Ptr room;
    PLChatWindowViewController* chat = nullptr;
};

void TestChatWindowKeys::initTestCase() {
    world = std::make_unique<SmartScreensWorld>();
    world->downloadSmartFixtures();
    // Older messages wait behind "Load More Messages".
    PLAppConfigurations::currentConfiguration()->setProperty("numberOfMessagesLoadedOnce", 20);
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
}

// From the text (or the search field), 61 presses of Tab: each one puts the keys on a control the user
// sees, inside the window and uncovered.
void TestChatWindowKeys::tabReachesOnlyWhatTheUserSees() {
    QFETCH(QString, screen);
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
    } else if (screen == QLatin1String("poll form")) {
        chat->postChatletButtonClickHandler();
        world->settle();
        auto* navigation = qobject_cast<platform::ui::NavigationController*>(chat->presentedViewController());
        QVERIFY(navigation);
        qobject_cast<PLPostChatletViewController*>(navigation->topViewController())
            ->chatletPicked({{"name", "poll"}});
        world->settle();
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

// The picker opened from the room: Tab goes between Cancel and the list alone, and Return on the list
// opens the marked chatlet's form.
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
    QWindow* keys = world->window->windowHandle();
    QSet<QString> stops;
    for (int i = 0; i < 10; ++i) {
        QTest::keyClick(keys, Qt::Key_Tab);
        stops << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(stops, (QSet<QString>{"navigationBar.left.0", "chatletTable"}));
    for (int i = 0; i < 10 && QApplication::focusWidget() != page->tableView(); ++i)
        QTest::keyClick(keys, Qt::Key_Tab);
    QCOMPARE(page->tableView()->indexPathForSelectedRow().value_or(platform::ui::IndexPath{0, -1}).row, 0);
    QTest::keyClick(keys, Qt::Key_Return);
    world->settle();
    auto* form = qobject_cast<PLPostChatletViewController*>(navigation->topViewController());
    QVERIFY(form && form != picker && !form->showsPicker());
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestChatWindowKeys t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_chatwindowkeys.moc"
