// Around the chat window's list: the room-state banners by role and status and on the model's
// notifications, the input bar's growth and its place over the keyboard, the entry points to screens
// other parts of the library provide (through the screen registry, or a "not available" alert), the
// navigation bar by how the window is shown, group information, member detail, the own profile, and
// the label that confirms a cleared conversation.

#include "ConversationTestWorld.h"

#include "core/model/ChatRoomNotifications.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RoomMember.h"
#include "core/session/PelnixInfo.h"
#include "interface/Pelnix.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/StoryboardSegue.h"
#include "ui/conversation/ConversationScreenInputs.h"
#include "ui/conversation/ConversationScreens.h"
#include "ui/conversation/PLChatWindowSearchViewController.h"
#include "ui/conversation/PLPostToChatView.h"
#include "ui/conversation/PLRoomStateBannerView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QWindow>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::AlertView;
using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;
using platform::ui::ViewController;

namespace {

// A screen of another part of the library, as the registry would make it.
class FakeScreen : public ViewController {
    Q_OBJECT
public:
    using ViewController::ViewController;
    Q_INVOKABLE void showActionSheet() { ++shows; }
    int shows = 0;
    static inline int made = 0;
};

ScreenRegistry::Factory fake() {
    return [] {
        ++FakeScreen::made;
        return new FakeScreen;
    };
}

const QString kHome = QStringLiteral("Home");

void makeAdmin(const ChatRoom::Ptr& room, qint32 admin) {
    for (const auto& member : room->members())
        member->setIsCreator(member->user() && member->user()->userID() == admin);
    room->save();
}

} // namespace

class TestChatWindowBar : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ScreenRegistry::shared()->clear();
        FakeScreen::made = 0;
        world = std::make_unique<ConversationWorld>();
        room = world->importRoom(QStringLiteral("r1"));
    }
    void cleanup() {
        room.reset();
        world.reset();
        ScreenRegistry::shared()->clear();
        Pelnix::setNavigationItemLeftBarButtonItems({});
        Pelnix::shouldHideCancelButton(false);
    }

    void bannersByRoleAndStatus_data();
    void bannersByRoleAndStatus();
    void kickedAndClosedNotificationsChangeTheBar();
    void adminRoleMovingToTheUserRemovesTheBanner();
    void barGrowsWithTheTextUpToItsMaximum();
    void grownFieldShowsItsLinesFromTheFirst_data();
    void grownFieldShowsItsLinesFromTheFirst();
    void barRidesOnTheKeyboard();
    void entryPointsWithoutTheirScreensSayNotAvailable_data();
    void entryPointsWithoutTheirScreensSayNotAvailable();
    void attachmentSheetIsMadeOnceAndShownOnEveryTap();
    void chatletComposerPostsThroughTheWindow();
    void sharedContactIsPostedAsASmartMessage();
    void leftItemsByHowTheWindowIsShown();
    void groupInformationAndTheClearedLabel();
    void oneToOneMemberDetailNeedsTheNetwork();
    void avatarTapsOpenMemberDetailOrTheOwnProfile();
    void searchGetsTheRoomAndRefreshesReadStateOnReturn();
    void theTextKeepsTheKeysWhateverBarButtonIsClicked_data();
    void theTextKeepsTheKeysWhateverBarButtonIsClicked();
    void returnSendsAsSendDoesAndShiftReturnStartsALine_data();
    void returnSendsAsSendDoesAndShiftReturnStartsALine();
    void returnWhileAnInputMethodComposesSendsNothing();
    void tabStillReachesTheBarsButtons();

private:
    // The window on `room` as the root of a navigation stack in a phone-sized window.
    PLChatWindowViewController* openInNavigation(const ChatRoom::Ptr& shown) {
        world->window = std::make_unique<platform::ui::Window>();
        world->window->resize(320, 568);
        auto* chat = new PLChatWindowViewController;
        chat->setChatRoom(shown);
        world->window->setRootViewController(new NavigationController(chat));
        world->window->show();
        return chat;
    }

    std::unique_ptr<ConversationWorld> world;
    ChatRoom::Ptr room;
};

void TestChatWindowBar::bannersByRoleAndStatus_data() {
    QTest::addColumn<bool>("adminOnly");
    QTest::addColumn<bool>("userIsAdmin");
    QTest::addColumn<int>("status");
    QTest::addColumn<unsigned>("state");
    QTest::addColumn<QString>("banner");
    QTest::addColumn<bool>("barOnScreen");
    QTest::newRow("anyone posts") << false << false << 0 << 1u << "" << true;
    QTest::newRow("admin only, another admin")
        << true << false << 0 << 5u << PLRoomStateBannerView::kUserKickedMessageView << true;
    QTest::newRow("admin only, the user is admin") << true << true << 0 << 1u << "" << true;
    QTest::newRow("removed") << false << false << 2 << 3u << "" << false;
    QTest::newRow("removed from an admin-only room") << true << false << 2 << 7u << "" << false;
    QTest::newRow("deleted on the server")
        << false << false << 3 << 9u << PLRoomStateBannerView::kRoomClosedMessageView << true;
    QTest::newRow("deleted, admin only")
        << true << false << 3 << 13u << PLRoomStateBannerView::kRoomClosedMessageView << true;
}

void TestChatWindowBar::bannersByRoleAndStatus() {
    QFETCH(bool, adminOnly);
    QFETCH(bool, userIsAdmin);
    QFETCH(int, status);
    QFETCH(unsigned, state);
    QFETCH(QString, banner);
    QFETCH(bool, barOnScreen);
    makeAdmin(room, userIsAdmin ? world->me() : kBob);
    room->setAdminOnly(adminOnly);
    room->setStatus(qint16(status));
    room->save();
    auto* chat = world->open(room);
    QCOMPARE(chat->chatWindowState(), state);
    QWidget* bar = chat->postToChatView();
    const int height = chat->view()->height();
    QCOMPARE(chat->userKickedMessageView() ? chat->userKickedMessageView()->objectName() : QString(), banner);
    if (barOnScreen) {
        QCOMPARE(bar->geometry().bottom(), height - 1);
    } else {
        QCOMPARE(bar->y(), height);
        QCOMPARE(chat->collectionView()->contentInset().bottom(), 0.0);
    }
    if (!banner.isEmpty()) {
        // Over the whole bar, which takes no typing under it.
        QCOMPARE(chat->userKickedMessageView()->geometry(), bar->rect());
        QVERIFY(chat->userKickedMessageView()->isVisible());
        QVERIFY(!chat->postToChatView()->messageTextView()->isEnabled());
    }
    QCOMPARE(chat->postToChatView()->messageTextView()->isEnabled(), state == 1u);
}

void TestChatWindowBar::kickedAndClosedNotificationsChangeTheBar() {
    auto* chat = world->open(room);
    QCOMPARE(chat->chatWindowState(), 1u);
    auto* center = platform::NotificationCenter::defaultCenter();
    room->setStatus(2);
    room->save();
    center->post(QLatin1String(ChatRoomKickedNotification), {}, {{QLatin1String(kChatRoomIDKey), "r1"}});
    QCOMPARE(chat->chatWindowState(), 3u);
    QCOMPARE(static_cast<QWidget*>(chat->postToChatView())->y(), chat->view()->height());
    room->setStatus(3);
    room->save();
    center->post(QLatin1String(ChatRoomClosedNotification), {}, {{QLatin1String(kChatRoomIDKey), "r1"}});
    QCOMPARE(chat->chatWindowState(), 9u);
    QCOMPARE(chat->userKickedMessageView()->objectName(), PLRoomStateBannerView::kRoomClosedMessageView);
    QCOMPARE(static_cast<QWidget*>(chat->postToChatView())->geometry().bottom(), chat->view()->height() - 1);
}

void TestChatWindowBar::adminRoleMovingToTheUserRemovesTheBanner() {
    makeAdmin(room, kBob);
    room->setAdminOnly(true);
    room->save();
    auto* chat = world->open(room);
    QVERIFY(chat->userKickedMessageView());
    QPointer<QWidget> banner = chat->userKickedMessageView();
    makeAdmin(room, world->me());
    auto* center = platform::NotificationCenter::defaultCenter();
    // Another room's update changes nothing here.
    center->post(QLatin1String(ChatRoomUpdatedNotification), {}, {{QLatin1String(kChatRoomIDKey), "r2"}});
    QVERIFY(chat->userKickedMessageView());
    center->post(QLatin1String(ChatRoomUpdatedNotification), {}, {{QLatin1String(kChatRoomIDKey), "r1"}});
    QCOMPARE(chat->chatWindowState(), 1u);
    QVERIFY(!chat->userKickedMessageView());
    QTRY_VERIFY(!banner);
    QVERIFY(chat->postToChatView()->messageTextView()->isEnabled());
}

void TestChatWindowBar::barGrowsWithTheTextUpToItsMaximum() {
    auto* chat = world->open(room);
    QWidget* bar = chat->postToChatView();
    auto* field = chat->postToChatView()->messageTextView();
    const int bottom = bar->geometry().bottom();
    QCOMPARE(bar->height(), PLPostToChatView::kDefaultHeight);
    QTest::keyClicks(field, QStringLiteral("One line"));
    QCOMPARE(bar->height(), PLPostToChatView::kDefaultHeight);
    QList<int> heights;
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(field, QStringLiteral("more"));
        heights << bar->height();
        // It grows upwards, and the list ends at its top.
        QCOMPARE(bar->geometry().bottom(), bottom);
        QCOMPARE(chat->collectionView()->contentInset().bottom(), qreal(bar->height()));
    }
    QVERIFY(heights.first() > PLPostToChatView::kDefaultHeight);
    QVERIFY(std::is_sorted(heights.begin(), heights.end()));
    QCOMPARE(heights.last(), PLChatWindowViewController::kMaximumBarHeight);
    // A final line break opens a line of its own.
    field->setPlainText(QStringLiteral("One line"));
    const int oneLine = bar->height();
    field->setPlainText(QStringLiteral("One line\n"));
    QVERIFY(bar->height() > oneLine);
    // Emptied, it goes back to its own height, never below.
    chat->postToChatView()->reset();
    QCOMPARE(bar->height(), PLPostToChatView::kDefaultHeight);
    QCOMPARE(bar->geometry().bottom(), bottom);
}

void TestChatWindowBar::grownFieldShowsItsLinesFromTheFirst_data() {
    QTest::addColumn<bool>("animated");
    QTest::newRow("growing at once") << false;
    QTest::newRow("growing as the user sees it") << true;
}

void TestChatWindowBar::grownFieldShowsItsLinesFromTheFirst() {
    QFETCH(bool, animated);
    platform::ui::Animator::setInstant(!animated);
    auto* chat = world->open(room);
    QWidget* bar = chat->postToChatView();
    auto* field = chat->postToChatView()->messageTextView();
    field->setFocus();
    const auto inView = [field](const QRect& line) {
        return line.top() >= 0 && line.bottom() < field->viewport()->height();
    };
    const auto firstLine = [field] { return field->cursorRect(QTextCursor(field->document())); };
    QTest::keyClicks(field, QStringLiteral("text"));
    int previous = bar->height();
    // Each line typed grows the bar until it fits; the first line stays in view with the caret's.
    for (int lines = 2; lines <= 4; ++lines) {
        QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
        const int grown = chat->postToChatViewHeightForText(field->toPlainText());
        QVERIFY(grown > previous);
        QTRY_COMPARE(bar->height(), grown);
        previous = grown;
        QVERIFY2(inView(firstLine()), qPrintable(QStringLiteral("%1 lines").arg(lines)));
        QVERIFY2(inView(field->cursorRect()), qPrintable(QStringLiteral("%1 lines").arg(lines)));
        QTest::keyClicks(field, QString::number(lines));
        QVERIFY2(inView(firstLine()), qPrintable(QStringLiteral("%1 lines, typed on").arg(lines)));
    }
    // Past the bar's maximum the caret's line stays in view.
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(field, QStringLiteral("more"));
    }
    QTRY_COMPARE(bar->height(), PLChatWindowViewController::kMaximumBarHeight);
    QVERIFY(inView(field->cursorRect()));
    platform::ui::Animator::setInstant(true);
}

void TestChatWindowBar::barRidesOnTheKeyboard() {
    for (int i = 0; i < 30; ++i)
        world->importMessage(room, QStringLiteral("m%1").arg(i), at(2024, 3, 12, 9, i), "Hello", kBob)
            ->setState(1);
    room->save();
    auto* chat = world->open(room);
    auto* list = chat->collectionView();
    list->setContentOffset(QPointF(0, 0));
    QWidget* bar = chat->postToChatView();
    const int height = chat->view()->height();
    platform::ui::KeyboardMonitor::shared()->show(216, world->window.get());
    QCOMPARE(bar->geometry().bottom(), height - 216 - 1);
    QCOMPARE(list->contentInset().bottom(), qreal(216 + bar->height()));
    // The list shows its end above the keyboard.
    QCOMPARE(list->indexPathsForVisibleItems().last().item(), chat->rowList().count() - 1);
    platform::ui::KeyboardMonitor::shared()->hide();
    QCOMPARE(bar->geometry().bottom(), height - 1);
    QCOMPARE(list->contentInset().bottom(), qreal(bar->height()));
}

void TestChatWindowBar::entryPointsWithoutTheirScreensSayNotAvailable_data() {
    QTest::addColumn<QString>("entry");
    QTest::newRow("attachments") << "attachments";
    QTest::newRow("chatlets") << "chatlets";
    QTest::newRow("search") << "search";
    QTest::newRow("group information") << "group";
    QTest::newRow("profile") << "profile";
}

void TestChatWindowBar::entryPointsWithoutTheirScreensSayNotAvailable() {
    QFETCH(QString, entry);
    auto* chat = world->open(room);
    if (entry == QLatin1String("attachments"))
        chat->postToChatView()->uploadMediaButtonClicked();
    else if (entry == QLatin1String("chatlets"))
        chat->postToChatView()->postChatletsButtonClicked();
    else if (entry == QLatin1String("search"))
        chat->chatWindowSearchClicked();
    else if (entry == QLatin1String("group"))
        chat->showGroupInfo();
    else
        chat->profileImageClickedForUser(nullptr);
    const auto alerts = world->window->alerts();
    QCOMPARE(alerts.size(), 1);
    QCOMPARE(alerts.first()->title(), QStringLiteral("Failed"));
    QCOMPARE(alerts.first()->message(), QStringLiteral("This is not available in this version."));
    QCOMPARE(alerts.first()->buttonTitleAtIndex(0), QStringLiteral("OK"));
}

void TestChatWindowBar::attachmentSheetIsMadeOnceAndShownOnEveryTap() {
    ScreenRegistry::shared()->registerScreen(kHome, QStringLiteral("PLUploadActionSheet"), fake());
    auto* chat = world->open(room);
    chat->postToChatView()->uploadMediaButtonClicked();
    chat->postToChatView()->uploadMediaButtonClicked();
    QCOMPARE(FakeScreen::made, 1);
    auto* sheet = chat->findChild<FakeScreen*>();
    QVERIFY(sheet);
    QCOMPARE(sheet->shows, 2);
    QCOMPARE(sheet->property(ConversationScreenInputs::kRoomId).toString(), QStringLiteral("r1"));
    QCOMPARE(sheet->property(ConversationScreenInputs::kPostChatletDelegate).value<QObject*>(), chat);
    QCOMPARE(sheet->property(ConversationScreenInputs::kInViewController).value<QObject*>(), chat);
    QVERIFY(world->window->alerts().isEmpty());
}

void TestChatWindowBar::chatletComposerPostsThroughTheWindow() {
    world->fixture.setOnline(false);
    auto* chat = world->open(room);
    PLPostChatletDelegate* delegate = chat;
    QCOMPARE(delegate->currentChatRoom(), room);
    delegate->postChatletToChatWindow(QStringLiteral("{\"displayname\":\"Poll\",\"formid\":\"f1\"}"), nullptr,
                                      {});
    QCOMPARE(chat->rowList().count(), 2);
    const auto posted = chat->rowList().at(1).message();
    QCOMPARE(posted->type(), qint16(1));
    QCOMPARE(posted->displayName(), QStringLiteral("Poll"));
    QCOMPARE(posted->pendingMessages().size(), 1);
    // An answer to a smart message goes to that message.
    delegate->postChatletToChatWindow(QStringLiteral("{\"displayname\":\"Poll\"}"), posted, {});
    QCOMPARE(posted->pendingMessages().size(), 2);
    QCOMPARE(posted->latestPendingMessage()->type(), qint16(2));
}

void TestChatWindowBar::sharedContactIsPostedAsASmartMessage() {
    world->fixture.setOnline(false);
    auto* chat = world->open(room);
    PLShareContactDelegate* delegate = chat;
    delegate->selectedContact({}, 7);
    QCOMPARE(chat->rowList().count(), 0);
    delegate->selectedContact({{"pl", "{\"name\": \"Dana\", \"phone\": \"+1 555 0100\"}"}, {"name", "Dana"}},
                              7);
    QCOMPARE(chat->rowList().count(), 2);
    const auto posted = chat->rowList().at(1).message();
    QCOMPARE(posted->type(), qint16(1));
    QVERIFY(posted->latestPendingMessage()->text().contains(QStringLiteral("Dana")));
}

void TestChatWindowBar::leftItemsByHowTheWindowIsShown() {
    world->window = std::make_unique<platform::ui::Window>();
    world->window->resize(320, 568);
    auto* chat = new PLChatWindowViewController;
    chat->setChatRoom(room);
    auto* navigation = new NavigationController(chat);
    auto* presenter = new FakeScreen;
    world->window->setRootViewController(presenter);
    world->window->show();
    presenter->presentViewController(navigation, false);
    QCoreApplication::processEvents();
    QCOMPARE(chat->title(), QStringLiteral("Ops"));
    // Alone on its stack: "Cancel", which closes the presented window.
    auto* cancel =
        qobject_cast<platform::ui::Button*>(chat->navigationItem()->leftBarButtonItem()->customView());
    QVERIFY(cancel);
    QCOMPARE(cancel->titleForState(platform::ui::Button::State::Normal), QStringLiteral("Cancel"));
    QCOMPARE(chat->navigationItem()->rightBarButtonItems(),
             (QList<platform::ui::BarButtonItem*>{chat->groupInfoButton(), chat->searchButton()}));
    cancel->click();
    QTRY_VERIFY(!presenter->presentedViewController());

    // The host's own items instead.
    auto* hostItem = new platform::ui::BarButtonItem(QStringLiteral("Back"), [] {});
    Pelnix::setNavigationItemLeftBarButtonItems({QVariant::fromValue<QObject*>(hostItem)});
    auto* second = new PLChatWindowViewController;
    second->setChatRoom(room);
    auto* secondNavigation = new NavigationController(second);
    presenter->presentViewController(secondNavigation, false);
    QCOMPARE(second->navigationItem()->leftBarButtonItem()->title(), QStringLiteral("Back"));
    presenter->dismissViewController(false);

    // Pushed over another screen: nothing on the left.
    Pelnix::setNavigationItemLeftBarButtonItems({});
    auto* pushed = new PLChatWindowViewController;
    pushed->setChatRoom(room);
    auto* stack = new NavigationController(new FakeScreen);
    presenter->presentViewController(stack, false);
    stack->pushViewController(pushed, false);
    QVERIFY(pushed->navigationItem()->leftBarButtonItems().isEmpty());
    delete hostItem;
}

void TestChatWindowBar::groupInformationAndTheClearedLabel() {
    auto* registry = ScreenRegistry::shared();
    registry->registerScreen(kHome, PLChatWindowViewController::kIdentifier,
                             [] { return new PLChatWindowViewController; });
    registry->registerScreen(kHome, QStringLiteral("PLGroupInfoViewController"), fake());
    registry->registerSegue(kHome, PLChatWindowViewController::kIdentifier, QStringLiteral("GroupInfoSegue"),
                            QStringLiteral("PLGroupInfoViewController"),
                            platform::ui::StoryboardSegue::Kind::Push);
    world->window = std::make_unique<platform::ui::Window>();
    world->window->resize(320, 568);
    auto* chat = qobject_cast<PLChatWindowViewController*>(
        registry->instantiate(kHome, PLChatWindowViewController::kIdentifier));
    chat->setChatRoom(room);
    auto* navigation = new NavigationController(chat);
    world->window->setRootViewController(navigation);
    world->window->show();
    chat->showGroupInfo();
    auto* info = qobject_cast<FakeScreen*>(navigation->topViewController());
    QVERIFY(info);
    QCOMPARE(info->property(ConversationScreenInputs::kRoomId).toString(), QStringLiteral("r1"));
    const auto cleared =
        info->property(ConversationScreenInputs::kGroupInfoCompletion).value<PLConversationClearedHandler>();
    QVERIFY(cleared);
    cleared(false);
    QVERIFY(!chat->needToRefeshView());
    navigation->popViewController(false);
    cleared(true);
    QVERIFY(chat->needToRefeshView());
    auto* label = chat->view()->findChild<QLabel*>(QStringLiteral("floatingLabel"));
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("Conversation cleared successfully"));
    QCOMPARE(label->y(), 0);
    QCOMPARE(label->height(), 40);
    QVERIFY(qAbs(2 * label->x() + label->width() - chat->view()->width()) <= 1);
    ConversationWorld::advance(1999);
    QVERIFY(chat->view()->findChild<QLabel*>(QStringLiteral("floatingLabel")));
    ConversationWorld::advance(1);
    QTRY_VERIFY(!chat->view()->findChild<QLabel*>(QStringLiteral("floatingLabel")));
}

void TestChatWindowBar::oneToOneMemberDetailNeedsTheNetwork() {
    ScreenRegistry::shared()->registerScreen(kHome, QStringLiteral("PLGroupMemeberDetailTableViewController"),
                                             fake());
    const QVariantMap json{
        {"_id", "d1"},
        {"name", ""},
        {"type", "1"},
        {"members", QVariantList{QVariantMap{{"userId", QString::number(world->me())}},
                                 QVariantMap{{"userId", kBob}, {"user", QVariantMap{{"name", "Bob"}}}}}}};
    auto direct = ChatRoom::updateChatRoomsWithArray(QVariantList{json}).value(0);
    QVERIFY(direct->isOneToOne());
    auto* chat = openInNavigation(direct);
    auto* navigation = chat->navigationController();
    world->fixture.setOnline(false);
    chat->showGroupInfo();
    QCOMPARE(world->window->alerts().size(), 1);
    QCOMPARE(world->window->alerts().first()->title(), QStringLiteral("Failed"));
    QCOMPARE(world->window->alerts().first()->message(),
             QStringLiteral("Unable to fetch details.Please check your network connectivity"));
    QCOMPARE(FakeScreen::made, 0);
    world->window->alerts().first()->tapButtonAtIndex(0);
    world->fixture.setOnline(true);
    chat->showGroupInfo();
    auto* detail = qobject_cast<FakeScreen*>(navigation->topViewController());
    QVERIFY(detail);
    using namespace ConversationScreenInputs;
    QCOMPARE(detail->property(kUserId).toInt(), kBob);
    QCOMPARE(detail->property(kRoomId).toString(), QStringLiteral("d1"));
    QCOMPARE(detail->property(kIsOneToOneChat).toBool(), true);
    QCOMPARE(detail->property(kShouldShowGroupInfoOptions).toBool(), true);
    QVERIFY(detail->property(kMemberDetailCompletion).value<PLConversationClearedHandler>());
}

void TestChatWindowBar::avatarTapsOpenMemberDetailOrTheOwnProfile() {
    auto* registry = ScreenRegistry::shared();
    registry->registerScreen(kHome, QStringLiteral("PLGroupMemeberDetailTableViewController"), fake());
    registry->registerScreen(kHome, QStringLiteral("PLUserProfileNavigationController"),
                             [] { return new NavigationController(new FakeScreen); });
    auto* chat = openInNavigation(room);
    auto* navigation = chat->navigationController();
    chat->profileImageClickedForUser(User::userWithIntID(kBob));
    auto* detail = qobject_cast<FakeScreen*>(navigation->topViewController());
    QVERIFY(detail);
    QCOMPARE(detail->property(ConversationScreenInputs::kUserId).toInt(), kBob);
    QCOMPARE(detail->property(ConversationScreenInputs::kShouldShowGroupInfoOptions).toBool(), false);
    QCOMPARE(detail->property(ConversationScreenInputs::kIsOneToOneChat).toBool(), false);
    navigation->popViewController(false);
    // The own picture: the profile screen itself, pushed onto this stack.
    chat->profileImageClickedForUser(CurrentUserInfo::currentUserInfo()->user());
    auto* profile = qobject_cast<FakeScreen*>(navigation->topViewController());
    QVERIFY(profile);
    QCOMPARE(profile->property(ConversationScreenInputs::kProfileNavigationType).toLongLong(), 1);
    QCOMPARE(navigation->viewControllers().size(), 2);
}

void TestChatWindowBar::searchGetsTheRoomAndRefreshesReadStateOnReturn() {
    ConversationScreens::registerScreens();
    auto* chat = openInNavigation(room);
    auto* navigation = chat->navigationController();
    chat->chatWindowSearchClicked();
    auto* search = qobject_cast<PLChatWindowSearchViewController*>(navigation->topViewController());
    QVERIFY(search);
    QCOMPARE(search->chatRoom(), room);
    // Rows read in the search show as read when the window comes back.
    QVERIFY(chat->needToReloadVisibleCellReadState());
}

namespace {

// Keys typed as the user types them: to the window, which hands them to its focus widget.
void typeInto(QWindow* window, const QString& text) {
    for (const QChar c : text)
        QTest::keyClick(window, c.toLatin1());
}

} // namespace

void TestChatWindowBar::theTextKeepsTheKeysWhateverBarButtonIsClicked_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("typed"); // before the click
    QTest::addColumn<bool>("alert");
    QTest::addColumn<QString>("left"); // in the field, once "again" is typed after the click
    QTest::newRow("Send") << "sendButton"
                          << "Hello " << false << "again";
    QTest::newRow("attachments") << "mediaUploadButton"
                                 << "" << false << "again";
    QTest::newRow("chatlets, not available here") << "postChatletButton"
                                                  << "Hello " << true << "Hello again";
    QTest::newRow("the host's Menu") << "navigationBar.left.0"
                                     << "Hello " << false << "Hello again";
    QTest::newRow("group information, not available here") << "navigationBar.right.0"
                                                           << "Hello " << true << "Hello again";
}

// A user who once pressed Tab types, clicks a button of the bars and types on: the keys are in the
// text, and no button holds them (Qt would draw its focus frame).
void TestChatWindowBar::theTextKeepsTheKeysWhateverBarButtonIsClicked() {
    QFETCH(QString, button);
    QFETCH(QString, typed);
    QFETCH(bool, alert);
    QFETCH(QString, left);
    world->fixture.setOnline(false); // posts wait in the outbox
    ScreenRegistry::shared()->registerScreen(kHome, QStringLiteral("PLUploadActionSheet"), fake());
    int menuTaps = 0;
    platform::ui::BarButtonItem menu(QStringLiteral("Menu"), [&menuTaps] { ++menuTaps; });
    Pelnix::setNavigationItemLeftBarButtonItems({QVariant::fromValue<QObject*>(&menu)});
    auto* chat = openInNavigation(room);
    QVERIFY(QTest::qWaitForWindowActive(world->window.get()));
    QWindow* keys = world->window->windowHandle();
    QPlainTextEdit* field = chat->postToChatView()->messageTextView();
    QTest::keyClick(keys, Qt::Key_Tab);
    QTest::mouseClick(field->viewport(), Qt::LeftButton);
    typeInto(keys, typed);

    auto* target = world->window->findChild<QAbstractButton*>(button);
    QVERIFY(target && target->isVisible());
    QTest::mouseClick(target, Qt::LeftButton);
    if (alert) {
        QCOMPARE(world->window->alerts().size(), 1);
        QTest::keyClick(keys, Qt::Key_Return);
        QVERIFY(world->window->alerts().isEmpty());
    }
    QCOMPARE(menuTaps, button.contains(QLatin1String("left")) ? 1 : 0);
    QCOMPARE(QApplication::focusWidget(), field);
    typeInto(keys, QStringLiteral("again"));
    QCOMPARE(field->toPlainText(), left);
    const bool sent = button == QLatin1String("sendButton");
    QCOMPARE(Message::PS_countOfEntities(), qint64(sent ? 1 : 0));
    if (sent)
        QCOMPARE(Message::PS_findFirst()->text(), QStringLiteral("Hello"));
}

void TestChatWindowBar::returnSendsAsSendDoesAndShiftReturnStartsALine_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("sendEnabled");
    QTest::addColumn<QString>("posted"); // null: nothing
    QTest::addColumn<QString>("left");   // in the field after the key
    QTest::addColumn<QString>("alert");  // empty: none
    const int none = Qt::NoModifier;
    const int key = Qt::Key_Return;
    const int enter = Qt::Key_Enter;
    const QString hello = QStringLiteral("Hello there");
    QTest::newRow("Return") << hello << key << none << true << hello << ""
                            << "";
    QTest::newRow("keypad Enter") << hello << enter << int(Qt::KeypadModifier) << true << hello << ""
                                  << "";
    QTest::newRow("Ctrl+Return") << hello << key << int(Qt::ControlModifier) << true << hello << ""
                                 << "";
    QTest::newRow("trimmed at both ends, as by Send")
        << "  Hello there " << key << none << true << hello << ""
        << "";
    QTest::newRow("Shift+Return") << hello << key << int(Qt::ShiftModifier) << true << QString()
                                  << "Hello there\n"
                                  << "";
    QTest::newRow("Shift+keypad Enter") << hello << enter << int(Qt::ShiftModifier | Qt::KeypadModifier)
                                        << true << QString() << "Hello there\n"
                                        << "";
    QTest::newRow("blanks only") << "   " << key << none << true << QString() << ""
                                 << "Enter valid message.";
    QTest::newRow("nothing typed") << "" << key << none << true << QString() << ""
                                   << "";
    QTest::newRow("Send disabled") << hello << key << none << false << QString() << hello << "";
}

void TestChatWindowBar::returnSendsAsSendDoesAndShiftReturnStartsALine() {
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, sendEnabled);
    QFETCH(QString, posted);
    QFETCH(QString, left);
    QFETCH(QString, alert);
    world->fixture.setOnline(false); // posts wait in the outbox
    auto* chat = world->open(room);
    QVERIFY(QTest::qWaitForWindowActive(world->window.get()));
    QWindow* keys = world->window->windowHandle();
    QPlainTextEdit* field = chat->postToChatView()->messageTextView();
    chat->postToChatView()->sendButton()->setEnabled(sendEnabled);
    QTest::mouseClick(field->viewport(), Qt::LeftButton);
    typeInto(keys, typed);
    QTest::keyClick(keys, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

    QCOMPARE(Message::PS_countOfEntities(), qint64(posted.isNull() ? 0 : 1));
    if (!posted.isNull())
        QCOMPARE(Message::PS_findFirst()->text(), posted);
    QCOMPARE(field->toPlainText(), left);
    const auto alerts = world->window->alerts();
    QCOMPARE(alerts.size(), alert.isEmpty() ? 0 : 1);
    if (!alert.isEmpty()) {
        QCOMPARE(alerts.first()->message(), alert);
        QTest::keyClick(keys, Qt::Key_Return);
        QVERIFY(world->window->alerts().isEmpty());
    }
    // The next text lands in the field, on a line of its own after Shift+Return.
    typeInto(keys, QStringLiteral("next"));
    QCOMPARE(field->toPlainText(), left + QStringLiteral("next"));
}

void TestChatWindowBar::returnWhileAnInputMethodComposesSendsNothing() {
    world->fixture.setOnline(false); // posts wait in the outbox
    auto* chat = world->open(room);
    QVERIFY(QTest::qWaitForWindowActive(world->window.get()));
    QWindow* keys = world->window->windowHandle();
    QPlainTextEdit* field = chat->postToChatView()->messageTextView();
    QTest::mouseClick(field->viewport(), Qt::LeftButton);
    typeInto(keys, QStringLiteral("Hi "));
    QInputMethodEvent composing(QStringLiteral("\u304B"), {});
    QCoreApplication::sendEvent(field, &composing);
    QTest::keyClick(keys, Qt::Key_Return);
    QCOMPARE(Message::PS_countOfEntities(), qint64(0));
    QCOMPARE(field->toPlainText(), QStringLiteral("Hi "));
    QInputMethodEvent committed;
    committed.setCommitString(QStringLiteral("\u304B"));
    QCoreApplication::sendEvent(field, &committed);
    QTest::keyClick(keys, Qt::Key_Return);
    QCOMPARE(Message::PS_countOfEntities(), qint64(1));
    QCOMPARE(Message::PS_findFirst()->text(), QStringLiteral("Hi \u304B"));
}

// Keyboard users keep the buttons: Tab goes from the text to them, and Send pressed with Space gives
// the keys back to the text as it hides.
void TestChatWindowBar::tabStillReachesTheBarsButtons() {
    world->fixture.setOnline(false); // posts wait in the outbox
    auto* chat = world->open(room);
    QVERIFY(QTest::qWaitForWindowActive(world->window.get()));
    QWindow* keys = world->window->windowHandle();
    PLPostToChatView* bar = chat->postToChatView();
    QTest::mouseClick(bar->messageTextView()->viewport(), Qt::LeftButton);
    typeInto(keys, QStringLiteral("Hello"));
    QTest::keyClick(keys, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), bar->postChatletButton());
    QTest::keyClick(keys, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), bar->sendButton());
    QTest::keyClick(keys, Qt::Key_Space);
    QCOMPARE(Message::PS_countOfEntities(), qint64(1));
    QVERIFY(bar->sendButton()->isHidden());
    QCOMPARE(QApplication::focusWidget(), bar->messageTextView());
}

int main(int argc, char** argv) {
    prepareTestEnvironment();
    QApplication app(argc, argv);
    TestChatWindowBar test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_chatwindowbar.moc"
