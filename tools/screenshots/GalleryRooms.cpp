#include "GalleryRooms.h"
#include "GalleryPictures.h"

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/PLPublicRoom.h"
#include "core/model/PelnixDataModel.h"
#include "core/model/RoomModelServices.h"
#include "core/model/User.h"
#include "foundation/persistence/PLPersistence.h"
#include "foundation/ui/CustomColors.h"
#include "interface/PelnixSetUp.h"
#include "media/PLImageManager.h"
#include "platform/Sandbox.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "ui/rooms/PLChatRoomTableViewCell.h"
#include "ui/rooms/PLChatRoomsTableViewController.h"
#include "ui/rooms/PLOpenGroupsViewController.h"
#include "ui/rooms/PLSideDrawerTabelViewCell.h"
#include "ui/rooms/RoomsScreens.h"
#include "ui/rooms/RoomsTexts.h"
#include "ui/toolkit/PLCustomSearchTextField.h"
#include "ui/toolkit/PLCustomSearchView.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace pelnix::tools {

using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;
using platform::ui::ViewController;

namespace {
constexpr qint32 kAnn = 41;
const QString kGallery = QStringLiteral("GalleryRooms");
const QString kLarge = QStringLiteral("@400x720");

struct Person {
    qint32 id;
    const char* name;
    const char* email;
    const char* colour;
};

const QList<Person>& people() {
    static const QList<Person> list{
        {kAnn, "Ann Lee", "ann@acme.test", "#7b61ff"},    {42, "Bob Martin", "bob@acme.test", "#e0913a"},
        {43, "Carla Diaz", "carla@acme.test", "#2f9e6e"}, {44, "Dev Patel", "dev@acme.test", "#3a7be0"},
        {45, "Erin Walsh", "erin@acme.test", "#c2477a"},  {46, "Farid Haddad", "farid@acme.test", "#8a6d3b"},
        {47, "Grace Kim", "grace@acme.test", "#4aa3a3"},  {48, "", "hugo.stein@acme.test", "#6b7a8f"},
    };
    return list;
}

struct GalleryRoom {
    const char* id;
    const char* name; // empty for one-to-one rooms
    qint32 other;     // the other member of a one-to-one room
    bool annIsAdmin;
    bool picture;
    const char* lastText;
    qint32 sender;
    const char* type;
    qint64 minutesAgo;
    int unread;
};

// Newest first; a mix of groups and one-to-one rooms, of Ann's own posts and others', of today,
// yesterday and older, some unread, some with Ann as admin, two without a picture.
const QList<GalleryRoom>& rooms() {
    static const QList<GalleryRoom> list{
        {"g-design", "Design Team", 0, true, true, "The new icons are in the shared folder", 43, "message", 1,
         3},
        {"o-bob", "", 42, false, true, "Sounds good, see you at ten", 42, "message", 12, 1},
        {"g-ops", "Ops", 0, false, true, "Deploy finished without errors", kAnn, "message", 45, 0},
        {"g-launch", "Launch Plan", 0, true, true, "Dev Patel joined", 44, "joined", 95, 0},
        {"o-carla", "", 43, false, true, "Can you review my draft before lunch?", 43, "message", 180, 12},
        {"g-hike", "Weekend Hike", 0, false, false, "Bring water and a warm jacket", 45, "message", 260, 0},
        {"g-market", "Marketing", 0, true, true, "Budget approved for the spring campaign", kAnn, "message",
         400, 0},
        {"o-dev", "", 44, false, true, "Thanks!", 44, "message", 600, 0},
        {"g-support", "Customer Support", 0, false, true, "Ticket 4711 is solved", 46, "message", 1500, 2},
        {"o-erin", "", 45, false, true, "Lunch tomorrow?", kAnn, "message", 1700, 0},
        {"g-books", "Book Club", 0, false, true, "Next month: a novel about the sea", 47, "message", 1900, 0},
        {"o-hugo", "", 48, false, false, "Sent you the figures", 48, "message", 2100, 5},
        {"g-office", "Office Move", 0, true, true, "Boxes arrive on Monday", kAnn, "message", 3000, 0},
        {"o-farid", "", 46, false, true, "Call me when you are free", 46, "message", 4500, 0},
        {"g-music", "Friday Music", 0, false, true, "Playlist updated", 42, "message", 6000, 0},
        {"o-grace", "", 47, false, true, "Have a nice weekend", 47, "message", 8000, 0},
        {"g-qa", "Quality", 0, false, true, "All checks green", 44, "message", 11000, 0},
        {"g-travel", "Travel Desk", 0, false, true, "Your tickets are booked", 46, "message", 15000, 0},
        {"g-lunch", "Lunch Crew", 0, false, true, "Pizza today?", 45, "message", 21000, 0},
        {"g-archive", "Archive 2023", 0, true, true, "Everything is filed", kAnn, "message", 40000, 0},
    };
    return list;
}

const Person* person(qint32 id) {
    for (const Person& p : people())
        if (p.id == id)
            return &p;
    return nullptr;
}

QString pictureURL(const QString& key) {
    return QStringLiteral("https://pictures.gallery.invalid/%1.png").arg(key);
}

// A round picture with initials, put in the image cache under its address.
void cachePicture(const QString& url, const QString& initials, const QColor& colour) {
    PLImageManager::sharedManager()->imageCache().storeInMemory(PLImageCache::keyForURL(QUrl(url)),
                                                                initialsPicture(initials, colour));
}

QVariantMap userJSON(const Person& p) {
    return {{"id", p.id},
            {"name", QString::fromUtf8(p.name)},
            {"email", QString::fromUtf8(p.email)},
            {"imageUrl", pictureURL(QStringLiteral("user-%1").arg(p.id))}};
}

QVariantMap memberJSON(qint32 id, bool creator) {
    return {{"userId", id},
            {"isCreator", creator ? 1 : 0},
            {"status", "joined"},
            {"user", userJSON(*person(id))}};
}

QVariantMap messageJSON(const QString& roomID, const QString& id, const QString& type, const QString& text,
                        qint32 sender, qint64 date) {
    const Person* from = person(sender);
    return {{"_id", id},
            {"roomId", roomID},
            {"type", type},
            {"text", text},
            {"date", double(date)},
            {"sender", sender},
            {"senderObj", from ? userJSON(*from) : QVariantMap()}};
}

// The rooms list inside its navigation controller, at the gallery size of its identifier.
NavigationController* listInNavigation() {
    return new NavigationController(new PLChatRoomsTableViewController);
}

PLChatRoomsTableViewController* listOf(ViewController* controller) {
    auto* nav = qobject_cast<NavigationController*>(controller);
    return nav ? qobject_cast<PLChatRoomsTableViewController*>(nav->topViewController()) : nullptr;
}

void sized(ViewController* controller, const QString& identifier) {
    if (platform::ui::Window* window = controller->window())
        window->resize(roomsGallerySize(identifier));
}

// The side drawer's rows as a host's table shows them: the current page's row highlighted in the green
// theme and the others plain, the badge narrow, wide and hidden, the last row without its divider.
class DrawerCellsController : public ViewController {
protected:
    QWidget* loadView() override {
        auto* page = new QWidget;
        page->setAutoFillBackground(true);
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 40, 0, 0);
        layout->setSpacing(0);
        struct Row {
            const char* title;
            const char* icon;
            quint64 theme;
            qint64 count;
            bool selected;
        };
        const QList<Row> rows{{"Chats", "drawerChatsIcon", 2, 5, true},
                              {"Public Groups", "drawerGroupsIcon", 1, 999, false},
                              {"Unread", "drawerChatsIcon", 1, 1000, false},
                              {"Settings", "drawerSettingsIcon", 1, 0, false}};
        for (int i = 0; i < rows.size(); ++i) {
            auto* cell = new PLSideDrawerTabelViewCell;
            cell->setObjectName(QStringLiteral("drawerCell.%1").arg(i));
            cell->setFixedHeight(50);
            cell->setThemeType(rows[i].theme);
            cell->showCellWithTitle(QString::fromUtf8(rows[i].title), QString::fromLatin1(rows[i].icon));
            cell->setWithChatCount(rows[i].count);
            if (rows[i].selected)
                cell->setSelected(true);
            if (i == rows.size() - 1)
                cell->hideDivider();
            layout->addWidget(cell);
        }
        layout->addStretch();
        return page;
    }
};
} // namespace

QSize roomsGallerySize(const QString& identifier) {
    return identifier.endsWith(kLarge) ? QSize(400, 720) : QSize(320, 568);
}

QString roomsGallerySearchText() {
    return QStringLiteral("de");
}

QString roomsGalleryFloatingText() {
    return RoomsTexts::localized("Conversation cleared successfully");
}

QStringList prepareRoomsGalleryStore(bool ownSandbox, bool withRooms) {
    static QStringList ids;
    static bool prepared = false;
    if (prepared)
        return ids;
    prepared = true;
    static QTemporaryDir sandbox;
    if (ownSandbox)
        platform::Sandbox::setRoot(sandbox.path());
    PelnixDataModel::registerDeclaration();
    PLManagedObject::initializeDatabase();
    PelnixSetUp::connectImageViews();
    // The colour configuration a host ships names the title colour; the gallery's is a dark grey.
    CustomColors::setNavigationTitleColorSource([] { return QStringLiteral("333333"); });

    auto account = CurrentUserInfo::PS_createEntity();
    auto ann = User::PS_createEntity();
    ann->updateWithDictionary(userJSON(*person(kAnn)));
    account->setUser(ann);
    account->setStatus(3);
    account->save();
    for (const Person& p : people())
        cachePicture(pictureURL(QStringLiteral("user-%1").arg(p.id)),
                     initialsOf(QString::fromUtf8(*p.name ? p.name : p.email)), QColor(p.colour));

    if (!withRooms)
        return ids;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QVariantList list;
    for (const GalleryRoom& room : rooms()) {
        const QString id = QString::fromLatin1(room.id);
        const bool oneToOne = room.other != 0;
        QVariantList members{memberJSON(kAnn, room.annIsAdmin)};
        if (oneToOne) {
            members << memberJSON(room.other, false);
        } else {
            for (qint32 other : {42, 43, 44, 45})
                members << memberJSON(other, !room.annIsAdmin && other == 42);
        }
        const qint64 date = now - room.minutesAgo * 60'000;
        QVariantMap json{{"_id", id},
                         {"name", QString::fromUtf8(room.name)},
                         {"type", oneToOne ? "1" : "0"},
                         {"createDate", double(date - 86'400'000)},
                         {"totalMembers", members.size()},
                         {"members", members},
                         {"mostRecentMessage",
                          messageJSON(id, id + QStringLiteral("-last"), QString::fromLatin1(room.type),
                                      QString::fromUtf8(room.lastText), room.sender, date)}};
        if (!oneToOne && room.picture) {
            json.insert("imgUrl", pictureURL(id));
            cachePicture(pictureURL(id), initialsOf(QString::fromUtf8(room.name)),
                         QColor::fromHsv(int(qHash(id) % 360), 140, 190));
        }
        list << json;
        ids << id;
    }
    ChatRoom::updateChatRoomsWithArray(list);
    // Earlier unread posts make up the badges.
    for (const GalleryRoom& room : rooms()) {
        const auto stored = ChatRoom::chatRoomWithID(QString::fromLatin1(room.id));
        const qint64 date = now - room.minutesAgo * 60'000;
        for (int i = 1; i < room.unread; ++i)
            stored->updateMessageDict(
                messageJSON(stored->roomId(), QStringLiteral("%1-%2").arg(stored->roomId()).arg(i),
                            QStringLiteral("message"), QStringLiteral("Earlier post %1").arg(i),
                            room.other ? room.other : 43, date - i * 1000),
                false, nullptr);
        // The one-to-one rooms' pictures are their people's: no picture for Hugo.
        if (!room.picture && room.other)
            if (const auto other = User::userWithIntID(room.other))
                other->setImageUrl(QString());
        stored->setTempUnreadMessageCount(-1);
        stored->save();
    }
    return ids;
}

void registerRoomsGalleryScreens() {
    RoomsScreens::registerScreens();
    auto* registry = ScreenRegistry::shared();
    const auto list = [](bool empty) {
        return [empty]() -> ViewController* {
            const QStringList ids = prepareRoomsGalleryStore(true);
            // The empty list: the host's filter leaves out every room.
            PelnixGroupFilter::setChatRoomsToFilter(empty ? ids : QStringList(), true);
            return listInNavigation();
        };
    };
    for (const QString& suffix : {QString(), kLarge}) {
        registry->registerScreen(
            kGallery, QStringLiteral("RoomsList") + suffix, list(false),
            [suffix](ViewController* c) { sized(c, QStringLiteral("RoomsList") + suffix); });
        registry->registerScreen(kGallery, QStringLiteral("RoomsListSwiped") + suffix, list(false),
                                 [suffix](ViewController* c) {
                                     sized(c, QStringLiteral("RoomsListSwiped") + suffix);
                                     PLChatRoomsTableViewController* rooms = listOf(c);
                                     // The top row: a group Ann administers, with three options.
                                     for (auto* cell : rooms->tableView()->visibleCells())
                                         if (auto* row = qobject_cast<PLChatRoomTableViewCell*>(cell);
                                             row && rooms->tableView()->indexPathForCell(row)->row == 0)
                                             row->toggleCellState();
                                 });
    }
    // The confirmations the top row's Clear and Leave options ask for.
    for (const bool leave : {false, true}) {
        const QString name = leave ? QStringLiteral("RoomsListLeaveConfirmation")
                                   : QStringLiteral("RoomsListClearConfirmation");
        registry->registerScreen(kGallery, name, list(false), [name, leave](ViewController* c) {
            sized(c, name);
            PLChatRoomsTableViewController* rooms = listOf(c);
            for (auto* cell : rooms->tableView()->visibleCells())
                if (auto* row = qobject_cast<PLChatRoomTableViewCell*>(cell);
                    row && row->chatRoom() && rooms->tableView()->indexPathForCell(row)->row == 0) {
                    if (leave)
                        rooms->closeConversationAndLeave(row->chatRoom()->roomId());
                    else
                        rooms->clearConversation(row->chatRoom()->roomId());
                }
        });
    }
    for (const QString& suffix : {QString(), kLarge}) {
        // Ann has no room at all: a store of her account only.
        const QString noRooms = QStringLiteral("RoomsListNoRooms") + suffix;
        registry->registerScreen(
            kGallery, noRooms,
            []() -> ViewController* {
                prepareRoomsGalleryStore(true, false);
                PelnixGroupFilter::setChatRoomsToFilter({}, true);
                return listInNavigation();
            },
            [noRooms](ViewController* c) { sized(c, noRooms); });
        // The note a finished clear leaves, slid out below the bar.
        const QString floating = QStringLiteral("RoomsListFloatingLabel") + suffix;
        registry->registerScreen(kGallery, floating, list(false), [floating](ViewController* c) {
            sized(c, floating);
            listOf(c)->showFloatingLabelWithMessage(roomsGalleryFloatingText());
        });
    }
    for (const QString& suffix : {QString(), kLarge}) {
        const QString mirrored = QStringLiteral("RoomsListRightToLeft") + suffix;
        registry->registerScreen(kGallery, mirrored, list(false), [mirrored](ViewController* c) {
            // Turned once its rows are laid out, as a host may turn a list already shown.
            sized(c, mirrored);
            c->view()->setLayoutDirection(Qt::RightToLeft);
        });
    }
    registry->registerScreen(kGallery, QStringLiteral("RoomsListEmpty"), list(true),
                             [](ViewController* c) { sized(c, QStringLiteral("RoomsListEmpty")); });
    registry->registerScreen(kGallery, QStringLiteral("RoomsListSearching"), list(false),
                             [](ViewController* c) {
                                 sized(c, QStringLiteral("RoomsListSearching"));
                                 PLChatRoomsTableViewController* rooms = listOf(c);
                                 rooms->setChatRoomsViewState(PLChatRoomsTableViewController::SearchState);
                                 // Typed as a user types, so the field and the list follow each key.
                                 PLCustomSearchTextField* field = rooms->searchView()->searchTextField();
                                 for (const QChar key : roomsGallerySearchText()) {
                                     QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(key));
                                     QCoreApplication::sendEvent(field, &press);
                                     QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(key));
                                     QCoreApplication::sendEvent(field, &release);
                                 }
                             });
    registry->registerScreen(
        kGallery, QStringLiteral("PublicGroups"),
        [] {
            prepareRoomsGalleryStore(true);
            PelnixGroupFilter::setChatRoomsToFilter({}, true);
            return new NavigationController(new PLOpenGroupsViewController);
        },
        [](ViewController* c) {
            sized(c, QStringLiteral("PublicGroups"));
            auto* screen = qobject_cast<PLOpenGroupsViewController*>(
                qobject_cast<NavigationController*>(c)->topViewController());
            QVariantList groups;
            const QList<std::pair<const char*, bool>> offered{{"Design Team", true},   {"Photography", false},
                                                              {"Running Club", false}, {"Ops", true},
                                                              {"Chess", false},        {"Volunteers", false}};
            for (const auto& [name, joined] : offered) {
                const QString id =
                    QStringLiteral("public-%1").arg(QString::fromUtf8(name).toLower().remove(' '));
                // Chess has no picture of its own and shows the placeholder.
                const bool picture = QString::fromUtf8(name) != QLatin1String("Chess");
                if (picture)
                    cachePicture(pictureURL(id), initialsOf(QString::fromUtf8(name)),
                                 QColor::fromHsv(int(qHash(id) % 360), 120, 200));
                groups << QVariantMap{
                    {"_id", id},
                    {"name", QString::fromUtf8(name)},
                    {"imgUrl", picture ? pictureURL(id) : QString()},
                    {"membersUrl", QStringLiteral("https://service.invalid/rooms/%1/members").arg(id)},
                    {"isuserJoined", joined}};
            }
            screen->setOpenGroups(PLPublicRoom::instancesWithArray(groups));
        });
    registry->registerScreen(
        kGallery, QStringLiteral("DrawerCells"), [] { return new DrawerCellsController; },
        [](ViewController* c) { sized(c, QStringLiteral("DrawerCells")); });
}

} // namespace pelnix::tools
