#pragma once

// What the rooms screens' tests share: a store with the signed-in Ann and rooms imported through the
// core's own room import, the real library started against the stand-in service, the rooms list on
// screen in a navigation controller, and recorders of analytics events and of the contact picker.

#include "FacadeTestKit.h"
#include "core/model/ChatRoom.h"
#include "core/model/ChatRoomNotifications.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/model/PelnixDataModel.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "core/session/PLAppLockSettingsManager.h"
#include "foundation/persistence/PLPersistence.h"
#include "foundation/ui/WidgetServices.h"
#include "interface/PelnixEventTracker.h"
#include "interface/PelnixSetUp.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"
#include "ui/rooms/PLChatRoomTableViewCell.h"
#include "ui/rooms/PLChatRoomsTableViewController.h"
#include "ui/rooms/RoomsScreens.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include <QApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMouseEvent>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

namespace pelnix::test {

using platform::ui::AlertView;
using platform::ui::NavigationController;
using platform::ui::TableView;
using platform::ui::Window;

inline constexpr qint32 kAnn = 41;

// One room as the server's room list describes it.
struct RoomSeed {
    QString id;
    QString name;
    qint64 activity = 0; // creation date, which the list orders by until a message moves it
    bool oneToOne = false;
    qint32 admin = 42;
    QList<qint32> members{kAnn, 42};
    QString imageUrl;
};

inline QVariantMap userJSON(qint32 id) {
    static const QHash<qint32, std::pair<const char*, const char*>> people{
        {kAnn, {"Ann", "ann@acme.test"}}, {42, {"Bob", "bob@acme.test"}}, {43, {"Carla", "carla@acme.test"}}};
    const auto person = people.value(id, {"", ""});
    return {
        {"id", id}, {"name", QString::fromUtf8(person.first)}, {"email", QString::fromUtf8(person.second)}};
}

inline QVariantMap roomJSON(const RoomSeed& seed) {
    QVariantList members;
    for (qint32 id : seed.members)
        members << QVariantMap{
            {"userId", id}, {"isCreator", id == seed.admin ? 1 : 0}, {"user", userJSON(id)}};
    QVariantMap room{{"_id", seed.id},
                     {"name", seed.name},
                     {"type", seed.oneToOne ? "1" : "0"},
                     {"createDate", double(seed.activity)},
                     {"totalMembers", members.size()},
                     {"members", members}};
    if (!seed.imageUrl.isEmpty())
        room.insert("imgUrl", seed.imageUrl);
    return room;
}

// A message of another user (or of Ann) as the stream sends it.
inline QVariantMap messageJSON(const QString& roomID, const QString& id, qint64 date, qint32 sender,
                               const QString& text = QStringLiteral("hello"),
                               const QString& type = "message") {
    return {{"_id", id},
            {"roomId", roomID},
            {"type", type},
            {"text", text},
            {"date", double(date)},
            {"sender", sender},
            {"senderObj", userJSON(sender)}};
}

// A store below a sandbox with the signed-in Ann (41), the network up, animations at once, the
// scheduler on its virtual clock; rooms go in through the core's room-list import.
struct RoomsStore {
    CoreFixture fixture{CoreFixture::Service::None};
    EventRecorder analytics;

    RoomsStore() {
        platform::ui::Animator::setInstant(true);
        platform::ui::Scheduler::shared()->setVirtualClock(true);
        PLAppLockSettingsManager::sharedAppLockSettingsManager()->setShouldShowAppLockScreen(false);
        WidgetServices::install();
        PelnixDataModel::registerDeclaration();
        PLManagedObject::initializeDatabase();
        auto account = CurrentUserInfo::PS_createEntity();
        auto ann = User::PS_createEntity();
        ann->updateWithDictionary(userJSON(kAnn));
        account->setUser(ann);
        account->setStatus(3);
        account->save();
        RoomsScreens::registerScreens();
    }
    ~RoomsStore() {
        PelnixGroupFilter::setChatRoomsToFilter({}, true);
        PLPersistence::cleanUp();
        platform::ui::Scheduler::shared()->setVirtualClock(false);
    }
    void add(const QList<RoomSeed>& seeds) {
        QVariantList list;
        for (const RoomSeed& seed : seeds)
            list << roomJSON(seed);
        ChatRoom::updateChatRoomsWithArray(list);
    }
    // A message imported into the room as the event stream does, then its notification delivered.
    void receive(const QVariantMap& message) {
        ChatRoom::updateRoomWithMessageDict(message);
        settle();
    }
    // Delivers what is queued: the notification, then the list's table update it queued.
    static void settle() {
        for (int turn = 0; turn < 3; ++turn)
            QCoreApplication::processEvents();
    }
};

// The conversation screen as far as the rooms list knows it: a registered screen that takes the room
// as its "roomId" property.
class FakeChatWindow : public platform::ui::ViewController {
    Q_OBJECT
    Q_PROPERTY(QString roomId MEMBER m_chatRoomID)
public:
    QString chatRoomID() const { return m_chatRoomID; }
    static void registerScreen() {
        platform::ui::ScreenRegistry::shared()->registerScreen(QStringLiteral("Home"),
                                                               QStringLiteral("ChatWindowViewController"),
                                                               [] { return new FakeChatWindow; });
    }

private:
    QString m_chatRoomID;
};

// The contact picker as far as its callers know it: it takes its configuration and answers through
// the caller's invokables.
class FakeContactPicker : public platform::ui::ViewController {
    Q_OBJECT
public:
    Q_INVOKABLE void configureWithAddedContacts(const QVariantList& contacts, QObject* owner, bool addMore) {
        added = contacts;
        delegate = owner;
        isPresentedToAddMoreContacts = addMore;
        ++configured;
        last() = this;
    }
    // The picker's answer in add-more mode.
    void addContacts(const QVariantList& contacts) {
        QMetaObject::invokeMethod(delegate, "contactViewControllerAddedContacts", Q_ARG(QObject*, this),
                                  Q_ARG(QVariantList, contacts));
    }
    static QPointer<FakeContactPicker>& last() {
        static QPointer<FakeContactPicker> picker;
        return picker;
    }
    static void registerScreen() {
        platform::ui::ScreenRegistry::shared()->registerScreen(
            QStringLiteral("Home"), QStringLiteral("PLContactsNavigationController"),
            [] { return new NavigationController(new FakeContactPicker); });
    }
    QVariantList added;
    QPointer<QObject> delegate;
    bool isPresentedToAddMoreContacts = false;
    int configured = 0;
};

// Sends a press and release to the widget under `point` of `root`, as a click there would.
inline void clickAt(QWidget* root, QPoint point) {
    QWidget* target = root->childAt(point);
    if (!target)
        target = root;
    const QPointF local = target->mapFrom(root, point);
    QMouseEvent press(QEvent::MouseButtonPress, local, target->mapToGlobal(local), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, target->mapToGlobal(local), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
    QCoreApplication::processEvents();
}

// What a rooms list holds and what its rows show, wherever it is.
struct ShownList {
    PLChatRoomsTableViewController* list = nullptr;

    TableView* table() const { return list->tableView(); }
    // The room IDs the list holds, in row order.
    QStringList rows() const {
        QStringList ids;
        for (const auto& room : list->chatRooms())
            ids << room->roomId();
        return ids;
    }
    // The room IDs the cells on screen show, in row order.
    QStringList shownRows() const {
        QMap<int, QString> byRow;
        for (auto* cell : table()->visibleCells())
            if (auto* row = qobject_cast<PLChatRoomTableViewCell*>(cell))
                byRow.insert(table()->indexPathForCell(row)->row, row->chatRoom()->roomId());
        return byRow.values();
    }
    PLChatRoomTableViewCell* cell(int row) const {
        return qobject_cast<PLChatRoomTableViewCell*>(table()->cellForRowAtIndexPath({0, row}));
    }
};

// The rooms list, made by the registry as its container makes it, at the top of a navigation stack
// in a window of its own (the key window).
struct ListOnScreen : ShownList {
    Window window;
    NavigationController* nav;

    explicit ListOnScreen(QSize size = {320, 568})
        : ShownList{qobject_cast<PLChatRoomsTableViewController*>(
              platform::ui::ScreenRegistry::shared()->instantiate("Home", "PLChatRoomsTableViewController"))},
          nav(new NavigationController(list)) {
        window.resize(size);
        window.setRootViewController(nav);
        window.makeKeyAndVisible();
        QCoreApplication::processEvents();
    }
    AlertView* alert() const { return window.alerts().isEmpty() ? nullptr : window.alerts().last(); }
    // Clicks a row as the user would, at `x` (the middle when negative).
    void clickRow(int row, int x = -1) {
        const QRectF rect = table()->rectForRow({0, row}).translated(-table()->contentOffset());
        clickAt(table()->viewport(), QPoint(x < 0 ? int(rect.center().x()) : x, int(rect.center().y())));
    }
    // The screen pushed over the list or presented by it, if any.
    platform::ui::ViewController* covering() const {
        if (nav->viewControllers().size() > 1)
            return nav->topViewController();
        return nav->presentedViewController() ? nav->presentedViewController()
                                              : list->presentedViewController();
    }
    QStringList alertMessages() const {
        QStringList out;
        for (AlertView* alert : window.alerts())
            out << alert->title() + QStringLiteral(" | ") + alert->message();
        return out;
    }
    QStringList floatingTexts() const {
        QStringList out;
        for (auto* label : list->floatingLabels())
            out << label->text();
        return out;
    }
};

// The real library against the stand-in: Bob (42, token "b0b") in Ann's organisation, the rooms
// seeded on the service, Ann signed in and started, so that the rooms come through the bring-up and
// the event stream is open.
struct LiveService {
    CoreFixture fixture;
    EventRecorder analytics;
    QNetworkAccessManager network;

    explicit LiveService(const QJsonArray& rooms) {
        platform::ui::Animator::setInstant(true);
        PLAppLockSettingsManager::sharedAppLockSettingsManager()->setShouldShowAppLockScreen(false);
        fixture.server().seed(QJsonObject{
            {"org", "acme"},
            {"users",
             QJsonArray{
                 QJsonObject{{"id", 42}, {"email", "bob@acme.test"}, {"name", "Bob"}, {"token", "b0b"}},
                 QJsonObject{{"id", 43}, {"email", "carla@acme.test"}, {"name", "Carla"}, {"token", "c4r"}}}},
            {"rooms", rooms}});
        signIn(fixture);
        bool done = false;
        bool ok = false;
        Pelnix::initWithCompletionHandler([&](bool success, const PLOptionalError&, const QString&) {
            done = true;
            ok = success;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
        QVERIFY(ok);
        QTRY_VERIFY_WITH_TIMEOUT(fixture.server().openStreams(fixture.userID()) > 0, 20000);
        RoomsScreens::registerScreens();
    }
    ~LiveService() {
        PelnixGroupFilter::setChatRoomsToFilter({}, true);
        endSession();
    }
    // A post by another user through the service's own API, as that user's client sends it.
    bool postAs(qint64 userID, const QString& token, const QString& roomID, const QString& text) {
        QNetworkRequest request(
            QUrl(fixture.baseUrl())
                .resolved(QUrl(QStringLiteral("rooms/%1/messages")
                                   .arg(QString::fromUtf8(QUrl::toPercentEncoding(roomID))))));
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QStringLiteral("application/x-www-form-urlencoded"));
        request.setRawHeader("Authorization",
                             QStringLiteral("Tavrix %1:%2:echat").arg(userID).arg(token).toUtf8());
        QUrlQuery form;
        form.addQueryItem(QStringLiteral("type"), QStringLiteral("message"));
        form.addQueryItem(QStringLiteral("text"), QString::fromUtf8(QUrl::toPercentEncoding(text)));
        QNetworkReply* reply = network.post(request, form.toString(QUrl::FullyEncoded).toUtf8());
        QSignalSpy finished(reply, &QNetworkReply::finished);
        const bool answered = finished.wait(10000);
        reply->deleteLater();
        return answered && reply->error() == QNetworkReply::NoError;
    }
    int requests(const std::string& method, const std::string& pathPart) {
        int count = 0;
        for (const auto& r : fixture.server().requestLog())
            if (r.server == "api" && r.method == method && r.path.find(pathPart) != std::string::npos)
                ++count;
        return count;
    }
};

} // namespace pelnix::test
