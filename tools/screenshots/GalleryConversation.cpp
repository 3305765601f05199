#include "GalleryConversation.h"

#include "DeliveredRowTimes.h"

#include "core/api/PLAppConfigurations.h"
#include "core/model/ChatRoom.h"
#include "core/model/ChatRoomNotifications.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/model/PLModelManager.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "media/PLMultiMediaInfo.h"
#include "platform/NotificationCenter.h"
#include "platform/Sandbox.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/ViewController.h"
#include "ui/conversation/ConversationScreens.h"
#include "ui/conversation/PLBulkUserJoinedMessageCell.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLPostFailureHandlerHelper.h"
#include "ui/conversation/PLPostToChatView.h"

#include <QBuffer>
#include <QDateTime>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

namespace pelnix::tools {

using platform::ui::ScreenRegistry;
using platform::ui::ViewController;

namespace {

const QString kGallery = QStringLiteral("GalleryConversation");
constexpr qint32 kAnn = 41;
constexpr qint32 kBob = 42;
constexpr qint32 kCarol = 43;
constexpr int kSettleMs = 400;

// A store of the gallery's own, made once per process below a temporary sandbox.
class GalleryStore {
public:
    static GalleryStore& shared() {
        static GalleryStore store;
        return store;
    }
    ChatRoom::Ptr room(const QString& id) const { return ChatRoom::chatRoomWithID(id); }

    // A message from Bob arriving now in a busy room, as the model announces it; the ones of earlier
    // showings go first, so every showing starts from the same room.
    QString receiveLateMessage(const QString& roomId) {
        const QString id = QStringLiteral("late-%1-%2").arg(roomId).arg(++m_late);
        receive(room(roomId), id, QDateTime::currentMSecsSinceEpoch(), kBob, QStringLiteral("message"),
                QStringLiteral("Are you coming to the review? It starts in five minutes."));
        platform::NotificationCenter::defaultCenter()->post(QLatin1String(ChatRoomMessageAddedNotification),
                                                            {}, {{QLatin1String(kMessageIDKey), id}});
        return id;
    }
    void forgetLateMessages(const QString& roomId) {
        for (int i = 1; i <= m_late; ++i)
            if (const auto late = Message::messageWithID(QStringLiteral("late-%1-%2").arg(roomId).arg(i)))
                Message::removeMessage(late);
        if (const auto busy = room(roomId))
            busy->save();
    }
    Message::Ptr messageWithText(const QString& roomId, const QString& text) const {
        for (const auto& message : room(roomId)->messages())
            if (message->text() == text)
                return message;
        return nullptr;
    }

private:
    GalleryStore() {
        platform::Sandbox::setRoot(m_sandbox.path());
        PLModelManager::sharedModelManager()->initialize();
        CurrentUserInfo::initializeCurrentUserForSDKWithID(kAnn, QStringLiteral("ann@acme.test"),
                                                           QStringLiteral("gallery"));
        if (const auto me = CurrentUserInfo::currentUserInfo()->user()) {
            me->setProfileName(QStringLiteral("Ann"));
            me->save();
        }
        importRoom(QStringLiteral("empty"), QStringLiteral("New team"));
        fillTeamRoom(importRoom(QStringLiteral("team"), QStringLiteral("Release team")));
        fillLiveRooms();
    }

    // Rooms for the live screens: a busy room to read older rows in, a room only its admin (Bob)
    // posts to, a room deleted on the server, and a poll with three failed answers.
    static void fillLiveRooms() {
        const qint64 today = QDateTime(QDateTime::currentDateTime().date(), QTime(8, 0)).toMSecsSinceEpoch();
        const QStringList lines{QStringLiteral("Morning! Stand-up in ten minutes."),
                                QStringLiteral("I'll be a few minutes late."),
                                QStringLiteral("The build from last night is green."),
                                QStringLiteral("Can someone review the release notes?"),
                                QStringLiteral("Done, two small comments."),
                                QStringLiteral("Thanks, fixing them now.")};
        for (const QString& id : {QStringLiteral("busy"), QStringLiteral("adminonly"),
                                  QStringLiteral("closed"), QStringLiteral("removed")}) {
            auto room = importRoom(id, id == QLatin1String("busy")        ? QStringLiteral("Release team")
                                       : id == QLatin1String("adminonly") ? QStringLiteral("Announcements")
                                       : id == QLatin1String("closed")    ? QStringLiteral("Launch party")
                                                                          : QStringLiteral("Old project"));
            const int count = id == QLatin1String("busy") ? 36 : 8;
            for (int i = 0; i < count; ++i) {
                auto message = receive(room, QStringLiteral("%1-%2").arg(id).arg(i), today + i * 90000,
                                       i % 3 == 0 ? kAnn : (i % 3 == 1 ? kBob : kCarol),
                                       QStringLiteral("message"), lines.at(i % lines.size()));
                message->setState(1);
                message->save();
            }
        }
        auto announcements = ChatRoom::chatRoomWithID(QStringLiteral("adminonly"));
        for (const auto& member : announcements->members())
            member->setIsCreator(member->user() && member->user()->userID() == kBob);
        announcements->setAdminOnly(true);
        announcements->save();
        auto closed = ChatRoom::chatRoomWithID(QStringLiteral("closed"));
        closed->setStatus(3);
        closed->save();
        // Ann was removed from this one: she reads it, with no bar to post from.
        auto removed = ChatRoom::chatRoomWithID(QStringLiteral("removed"));
        removed->setStatus(2);
        removed->save();

        auto uploads = importRoom(QStringLiteral("uploads"), QStringLiteral("Site photos"));
        receive(uploads, QStringLiteral("uploads-0"), today, kBob, QStringLiteral("message"),
                QStringLiteral("Could you send the photos of the site?"));
        pictureUploading(uploads, today + 60000, 0, 10, 4);
        pictureUploading(uploads, today + 120000, 60);

        auto replies = importRoom(QStringLiteral("replies"), QStringLiteral("Lunch poll"));
        receive(replies, QStringLiteral("replies-0"), today, kBob, QStringLiteral("message"),
                QStringLiteral("Where shall we go for lunch on Friday?"))
            ->setState(1);
        auto poll = replies->createMessage();
        poll->setType(1);
        poll->setDisplayName(QStringLiteral("Lunch poll"));
        poll->setHtmlText(
            QStringLiteral("<p><b>Friday lunch</b></p><p>Noodle bar &middot; Pizza &middot; Salads</p>"));
        poll->setDisplayCellHeight(90);
        poll->setDate(today + 60000);
        poll->setState(1);
        for (int i = 0; i < 3; ++i)
            replies->createPendingMessage(poll, 2, 4)->setText(QStringLiteral("{\"answer\":%1}").arg(i));
        replies->save();
    }

    static ChatRoom::Ptr importRoom(const QString& id, const QString& name) {
        const QVariantMap json{
            {"_id", id},
            {"name", name},
            {"type", "2"},
            {"members",
             QVariantList{QVariantMap{{"userId", kAnn}, {"isCreator", 1}},
                          QVariantMap{{"userId", kBob}, {"user", QVariantMap{{"name", "Bob"}}}},
                          QVariantMap{{"userId", kCarol}, {"user", QVariantMap{{"name", "Carol"}}}}}}};
        return ChatRoom::updateChatRoomsWithArray(QVariantList{json}).value(0);
    }

    static QString nameOf(qint32 user) {
        return user == kBob     ? QStringLiteral("Bob")
               : user == kCarol ? QStringLiteral("Carol")
                                : QStringLiteral("Ann");
    }

    static Message::Ptr receive(const ChatRoom::Ptr& room, const QString& id, qint64 date, qint32 sender,
                                const QString& type, const QString& text, const QVariantMap& extra = {}) {
        QVariantMap json{{"_id", id},
                         {"type", type},
                         {"date", double(date)},
                         {"text", text},
                         {"sender", QString::number(sender)},
                         {"senderObj", QVariantMap{{"userId", sender}, {"name", nameOf(sender)}}}};
        for (auto it = extra.begin(); it != extra.end(); ++it)
            json.insert(it.key(), it.value());
        return room->updateMessageDict(json, false, {});
    }

    // A post of the user's own still in the outbox, in the entry state given.
    static Message::Ptr ownPost(const ChatRoom::Ptr& room, qint64 date, const QString& text,
                                qint16 entryState) {
        auto message = room->createMessage();
        message->setType(2);
        message->setText(text);
        message->setDate(date);
        message->setState(1);
        room->createPendingMessage(message, 0, entryState)->setText(text);
        room->save();
        return message;
    }

    static QString previewOfPicture() {
        QImage picture(160, 120, QImage::Format_RGB32);
        QPainter painter(&picture);
        QLinearGradient sky(0, 0, 0, 120);
        sky.setColorAt(0, QColor(0x7F, 0xB8, 0xE6));
        sky.setColorAt(1, QColor(0xD8, 0xEC, 0xF8));
        painter.fillRect(picture.rect(), sky);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x4E, 0x8A, 0x4A));
        painter.drawPolygon(QPolygon({QPoint(0, 120), QPoint(50, 55), QPoint(95, 100), QPoint(130, 70),
                                      QPoint(160, 95), QPoint(160, 120)}));
        painter.setBrush(QColor(0xF2, 0xC1, 0x4E));
        painter.drawEllipse(QPoint(122, 30), 14, 14);
        painter.end();
        QBuffer bytes;
        bytes.open(QIODevice::WriteOnly);
        picture.save(&bytes, "JPEG", 80);
        return PLAppConfigurations::currentConfiguration()->base64Prefix() + QLatin1Char(',') +
               QString::fromLatin1(bytes.data().toBase64());
    }

    // A picture of the user's own post: uploading (file state 3, entry waiting) or, with states 10 and
    // 4, given up after its tries with the post failed.
    static void pictureUploading(const ChatRoom::Ptr& room, qint64 date, int percent, qint16 fileState = 3,
                                 qint16 entryState = 2) {
        const QSizeF size(1600, 1200);
        auto message = room->createMessage();
        message->setType(1);
        message->setDisplayName(QStringLiteral("Rich Media"));
        message->setDisplayCellHeight(ChatRoom::displayCellHeightForImageSize(size));
        message->setDate(date);
        message->setState(1);
        auto entry = room->createPendingMessage(message, 3, entryState);
        auto file = RichMediaInfo::PS_createEntity();
        PLMultiMediaInfo info;
        info.fileID = QStringLiteral("gallery-picture-%1").arg(date);
        info.fileName = info.fileID + QStringLiteral(".jpg");
        info.fileMime = QStringLiteral("image/jpeg");
        info.preview = previewOfPicture();
        info.bigImgSize = size;
        file->setUploadedMediaInfo(info.representMediaInfoAsString());
        file->setState(fileState);
        file->setUploadProgress(qint16(percent));
        file->setMediaId(date);
        file->setPendingmessage(entry);
        entry->addRichMediaInfoObject(file);
        room->save();
    }

    static void fillTeamRoom(const ChatRoom::Ptr& room) {
        const QDateTime now = QDateTime::currentDateTime();
        const qint64 yesterday = QDateTime(now.date().addDays(-1), QTime(9, 30)).toMSecsSinceEpoch();
        const qint64 today = QDateTime(now.date(), QTime(8, 15)).toMSecsSinceEpoch();
        receive(
            room, "j1", yesterday, kBob, "joined", "Bob added 3 people",
            {{"info", QVariantMap{{"users", QVariantList{QVariantMap{{"userId", kAnn}, {"name", "Ann"}},
                                                         QVariantMap{{"userId", kCarol}, {"name", "Carol"}},
                                                         QVariantMap{{"userId", 44}, {"name", "Dave"}}}}}}});
        receive(room, "m1", yesterday + 60000, kBob, "message",
                "Morning all! The release notes are in the shared folder.");
        receive(room, "m2", yesterday + 90000, kBob, "message", "Please have a look before the stand-up.");
        receive(room, "m3", yesterday + 300000, kAnn, "message", "Thanks Bob, reading them now.");
        receive(room, "e1", yesterday + 400000, kCarol, "left", "Dave left the room");
        receive(room, "m4", today, kAnn, "message", "Can someone check the build on the staging box?");
        receive(room, "m5", today + 120000, kCarol, "message", "On it.");
        // What came before was read in an earlier visit.
        for (const char* id : {"j1", "m1", "m2", "e1", "m5"}) {
            const auto seen = Message::messageWithID(QLatin1String(id));
            seen->setState(1);
            seen->save();
        }
        // Unread from here on.
        receive(room, "m6", today + 600000, kBob, "message", "Build is green again.");
        receive(room, "m7", today + 620000, kBob, "message",
                "Deploying at three, notes: https://example.org/release");
        receive(room, "e2", today + 700000, kCarol, "roomNameUpdate",
                "Carol changed the room name to Release team",
                {{"replacements", QVariantMap{{"newName", "Release team"}}}});
        ownPost(room, today + 800000, QStringLiteral("This one did not go through."), 4);
        ownPost(room, today + 860000, QStringLiteral("On my way to the office."), 2);
        pictureUploading(room, today + 900000, 40);
    }

    QTemporaryDir m_sandbox;
    int m_late = 0;
};

const QList<std::pair<QString, QSize>>& screens() {
    static const QList<std::pair<QString, QSize>> list{
        {QStringLiteral("ChatWindowEmpty"), QSize(320, 568)},
        {QStringLiteral("ChatWindowRoom"), QSize(320, 568)},
        {QStringLiteral("ChatWindowRoomAtBottom"), QSize(320, 568)},
        {QStringLiteral("ChatWindowRoom400x720"), QSize(400, 720)},
        {QStringLiteral("ChatWindowRoom1024x768"), QSize(1024, 768)},
        {QStringLiteral("ChatWindowRoomRightToLeft"), QSize(320, 568)},
        {QStringLiteral("ChatWindowRoomProgramRightToLeft"), QSize(320, 568)},
    };
    return list;
}

// The live screens: what changes the window while it is open, each at the reference size, at
// 400 x 720 and at 1024 x 768.
struct LiveScreen {
    QString identifier;
    QSize size;
    QString roomId;
    bool rightToLeft = false;
};

const QList<LiveScreen>& liveScreens() {
    static const QList<LiveScreen> list = [] {
        QList<LiveScreen> screens;
        const QList<std::pair<QString, QString>> kinds{
            {QStringLiteral("ChatWindowNewUpdatesButton"), QStringLiteral("busy")},
            {QStringLiteral("ChatWindowAdminOnlyBanner"), QStringLiteral("adminonly")},
            {QStringLiteral("ChatWindowClosedBanner"), QStringLiteral("closed")},
            {QStringLiteral("ChatWindowRemovedUser"), QStringLiteral("removed")},
            {QStringLiteral("ChatWindowFailedPostSheet"), QStringLiteral("team")},
            {QStringLiteral("ChatWindowFailedPostsSheet"), QStringLiteral("replies")},
            {QStringLiteral("ChatWindowInputBarGrown"), QStringLiteral("busy")},
            {QStringLiteral("ChatWindowPictureUploads"), QStringLiteral("uploads")},
            {QStringLiteral("ChatWindowLoadMoreHeader"), QStringLiteral("busy")},
            {QStringLiteral("ChatWindowJoinedUsersExpanded"), QStringLiteral("team")},
        };
        for (const auto& [name, roomId] : kinds) {
            screens << LiveScreen{name, QSize(320, 568), roomId};
            screens << LiveScreen{name + QStringLiteral("400x720"), QSize(400, 720), roomId};
            // Put into its state at this size: rows filled anew by a later resize would still be
            // fading their times in.
            screens << LiveScreen{name + QStringLiteral("1024x768"), QSize(1024, 768), roomId};
        }
        // Mirrored: the arrow that opens the names at the event box's left.
        screens << LiveScreen{QStringLiteral("ChatWindowJoinedUsersExpandedRightToLeft"), QSize(320, 568),
                              QStringLiteral("team"), true};
        return screens;
    }();
    return list;
}

void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Puts the open window into the state its screen is about.
void showLiveState(PLChatWindowViewController* chat, const LiveScreen& screen) {
    auto& store = GalleryStore::shared();
    const QString& name = screen.identifier;
    if (name.startsWith(QLatin1String("ChatWindowNewUpdatesButton"))) {
        // The user reads older rows when Bob's message comes in; the button follows half a second later.
        chat->collectionView()->setContentOffset(QPointF(0, 120));
        store.receiveLateMessage(screen.roomId);
        settle(PLChatWindowViewController::kSettleDelayMs + 200);
    } else if (name.startsWith(QLatin1String("ChatWindowFailedPostSheet"))) {
        chat->scrollToTopOrBottomView(chat->scrollToBottomOrTopView(), 1);
        PLPostFailureHandlerHelper::sharedInstance()->showActionSheetInView(
            chat->view(),
            store.messageWithText(screen.roomId, QStringLiteral("This one did not go through.")));
    } else if (name.startsWith(QLatin1String("ChatWindowFailedPostsSheet"))) {
        for (const auto& message : store.room(screen.roomId)->messages())
            if (message->failedPendingMessageCount() == 3)
                PLPostFailureHandlerHelper::sharedInstance()->showActionSheetInView(chat->view(), message);
    } else if (name.startsWith(QLatin1String("ChatWindowInputBarGrown"))) {
        auto* field = chat->postToChatView()->messageTextView();
        // Typed to its end: the field shows its last line.
        field->setPlainText(
            QStringLiteral("Notes for the review:\n- the release notes\n- the staging build\n"));
        field->moveCursor(QTextCursor::End);
        field->insertPlainText(QStringLiteral("- the rollback plan\n- who is on call this weekend"));
        // The rows the list now shows fade their times in.
        test::DeliveredRowTimes::await(chat->view()->window());
    } else if (name.startsWith(QLatin1String("ChatWindowLoadMoreHeader"))) {
        // Read up to the oldest loaded row: the header offers the page before it.
        chat->collectionView()->setContentOffset(QPointF(0, 0));
        settle(kSettleMs);
    } else if (name.startsWith(QLatin1String("ChatWindowJoinedUsersExpanded"))) {
        auto* list = chat->collectionView();
        list->setContentOffset(QPointF(0, 0));
        settle(kSettleMs);
        for (int row = 0; row < chat->rowList().count(); ++row)
            if (auto* joined = qobject_cast<PLBulkUserJoinedMessageCell*>(
                    list->cellForItemAtIndexPath(platform::ui::IndexPath::forItem(row)))) {
                chat->arrowIndicatorButtonTappedFrom(joined);
                break;
            }
        settle(kSettleMs);
    }
}

// How the window is mirrored: not at all, in its own view, or in a program right to left as a whole
// (Qt's "-reverse"), where text a painter lays out takes the program's direction.
enum class Mirrored { No, View, Program };

// As a host shows it: pushed over the host's own list in its navigation controller, whose bar carries
// the room's name, search and information.
ViewController* chatWindow(const QString& roomId, Mirrored mirrored) {
    if (mirrored == Mirrored::Program) {
        // For this screen's life only: a gallery test shows other screens after it in its process.
        const Qt::LayoutDirection before = QGuiApplication::layoutDirection();
        QGuiApplication::setLayoutDirection(Qt::RightToLeft);
        ViewController* shown = chatWindow(roomId, Mirrored::No);
        QObject::connect(shown, &QObject::destroyed,
                         [before] { QGuiApplication::setLayoutDirection(before); });
        return shown;
    }
    auto* hostList = new ViewController;
    hostList->setTitle(QStringLiteral("Chats"));
    auto* navigation = new platform::ui::NavigationController(hostList);
    auto* controller = new PLChatWindowViewController;
    controller->setChatRoom(GalleryStore::shared().room(roomId));
    navigation->pushViewController(controller, false);
    if (mirrored == Mirrored::View)
        navigation->view()->setLayoutDirection(Qt::RightToLeft);
    return navigation;
}

} // namespace

PLChatWindowViewController* conversationGalleryChatWindow(ViewController* controller) {
    auto* navigation = qobject_cast<platform::ui::NavigationController*>(controller);
    return qobject_cast<PLChatWindowViewController*>(navigation ? navigation->topViewController()
                                                                : controller);
}

void openConversationGalleryStore() {
    GalleryStore::shared();
}

QSize conversationGallerySize(const QString& identifier) {
    for (const auto& [name, size] : screens())
        if (name == identifier)
            return size;
    for (const LiveScreen& screen : liveScreens())
        if (screen.identifier == identifier)
            return screen.size;
    return QSize(320, 568);
}

void registerConversationGalleryScreens() {
    // The chat window's own entry is listed with the gallery's, before any screen is made.
    ConversationScreens::registerScreens();
    auto* registry = ScreenRegistry::shared();
    for (const auto& [name, size] : screens()) {
        const QString identifier = name;
        const QSize windowSize = size;
        const QString roomId =
            identifier == QLatin1String("ChatWindowEmpty") ? QStringLiteral("empty") : QStringLiteral("team");
        const Mirrored mirrored = identifier.endsWith(QLatin1String("ProgramRightToLeft")) ? Mirrored::Program
                                  : identifier.endsWith(QLatin1String("RightToLeft"))      ? Mirrored::View
                                                                                           : Mirrored::No;
        const bool atBottom = identifier.endsWith(QLatin1String("AtBottom"));
        registry->registerScreen(
            kGallery, identifier, [roomId, mirrored] { return chatWindow(roomId, mirrored); },
            [windowSize, atBottom](ViewController* controller) {
                // Shown at the size this screen is about, whatever window the tool made.
                if (QWidget* window = controller->view()->window())
                    window->resize(windowSize);
                auto* chat = conversationGalleryChatWindow(controller);
                if (atBottom)
                    chat->scrollToTopOrBottomView(chat->scrollToBottomOrTopView(), 1);
                // The times of delivered messages fade in a moment after their rows show.
                test::DeliveredRowTimes::await(chat->view()->window());
            });
    }
    for (const LiveScreen& screen : liveScreens()) {
        const QString roomId = screen.roomId;
        const Mirrored mirrored = screen.rightToLeft ? Mirrored::View : Mirrored::No;
        registry->registerScreen(
            kGallery, screen.identifier,
            [roomId, mirrored] {
                GalleryStore::shared().forgetLateMessages(roomId);
                return chatWindow(roomId, mirrored);
            },
            [screen](ViewController* controller) {
                if (QWidget* window = controller->view()->window())
                    window->resize(screen.size);
                settle(kSettleMs);
                showLiveState(conversationGalleryChatWindow(controller), screen);
            });
    }
}

} // namespace pelnix::tools
