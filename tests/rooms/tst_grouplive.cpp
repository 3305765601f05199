// The group screens end to end against the stand-in, as a user goes through them: a group created
// with two members and a picture, renamed, closed, and another group left. Each step reaches the
// server, and the second member's client, Bob's, sees it on his event stream.
#include "GroupInfoTestKit.h"
#include "core/model/PLAddressBookContact.h"
#include "platform/ui/TextField.h"
#include "ui/rooms/PLNewGroupTableViewController.h"
#include "ui/rooms/PLNewGroupViewController.h"

#include <QApplication>
#include <QJsonDocument>

using namespace pelnix;
using namespace pelnix::test;

namespace {

// Bob's client as far as the event stream goes: every event the service sends him.
struct BobsStream {
    QNetworkAccessManager network;
    QNetworkReply* reply = nullptr;
    QByteArray received;

    explicit BobsStream(const QString& baseUrl) {
        QNetworkRequest request(QUrl(baseUrl + QStringLiteral("events?after=0")));
        request.setRawHeader("Authorization", "Tavrix 42:b0b:echat");
        reply = network.get(request);
        QObject::connect(reply, &QNetworkReply::readyRead, reply, [this] { received += reply->readAll(); });
    }
    ~BobsStream() {
        reply->abort();
        reply->deleteLater();
    }
    // Whether an event of `type` about `roomId` (with `text` in it, when given) has arrived.
    bool saw(const QString& roomId, const QString& type, const QString& text = {}) const {
        for (const QByteArray& line : received.split('\n')) {
            if (!line.startsWith("data: "))
                continue;
            const QVariantMap event = QJsonDocument::fromJson(line.mid(6)).object().toVariantMap();
            const QVariantMap message = event.value("message").toMap();
            const QString room = event.value("roomId", message.value("roomId")).toString();
            const QString kind = message.value("type", event.value("type")).toString();
            if (room == roomId && kind == type && (text.isEmpty() || line.contains(text.toUtf8())))
                return true;
        }
        return false;
    }
};

QVariant person(const char* name, const char* email) {
    return QVariant::fromValue(
        PLAddressBookContact{QString::fromUtf8(name), QString::fromUtf8(email), {}, 0});
}

class Picker : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void dismissPresentingViewControllerAndOpenChatRoom(const QString& roomID) {
        opened = roomID;
    }
    QString opened;
};

bool busyGoes() {
    QCoreApplication::processEvents();
    return QTest::qWaitFor([] { return !PLActivityIndicatorView::isVisible(); }, 20000);
}

int requests(LiveService& service, const std::string& server, const std::string& method,
             const std::string& path) {
    int count = 0;
    for (const auto& logged : service.fixture.server().requestLog())
        count +=
            logged.server == server && logged.method == method && logged.path.find(path) != std::string::npos;
    return count;
}

} // namespace

class TestGroupLive : public QObject {
    Q_OBJECT
private slots:
    void createRenameCloseAndLeaveReachBob();
};

void TestGroupLive::createRenameCloseAndLeaveReachBob() {
    LiveService service(QJsonArray{
        QJsonObject{{"_id", "g-bob"}, {"name", "Bob's"}, {"members", QJsonArray{41, 42}}, {"admin", 42}}});
    FakePictures* pictures = FakePictures::install();
    BobsStream bob(service.fixture.baseUrl());
    QTRY_VERIFY_WITH_TIMEOUT(service.fixture.server().openStreams(42) > 0, 10000);

    // Create: the flow as the contact picker presents it, with a picture chosen in the form.
    Window window;
    window.resize(320, 568);
    auto* presenter = new PlainScreen;
    window.setRootViewController(presenter);
    window.makeKeyAndVisible();
    auto* nav = qobject_cast<NavigationController*>(platform::ui::ScreenRegistry::shared()->instantiate(
        QStringLiteral("Home"), QStringLiteral("PLNewGroupNavigationController")));
    auto* flow = qobject_cast<PLNewGroupViewController*>(nav->topViewController());
    Picker picker;
    flow->setProperty("selectedContactsArray",
                      QVariantList{person("Bob", "bob@acme.test"), person("Carla", "carla@acme.test")});
    flow->setProperty("delegate", QVariant::fromValue<QObject*>(&picker));
    presenter->presentViewController(nav, false);
    QCoreApplication::processEvents();
    platform::ui::TextField* name = flow->form()->groupNameTextField();
    name->setFocus();
    name->insert(QStringLiteral("Launch"));
    name->clearFocus();
    QImage picture(300, 300, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    pictures->answers << QVariantMap{{PLImageSelectionProvider::kEditedImageKey, picture},
                                     {PLImageSelectionProvider::kOriginalImageKey, picture}};
    flow->form()->chooseImage();
    flow->doneButtonClicked();
    QVERIFY(busyGoes());
    QTRY_VERIFY_WITH_TIMEOUT(!picker.opened.isEmpty(), 20000);
    const QString roomId = picker.opened;
    QCOMPARE(requests(service, "s3", "PUT", "/"), 2);
    const auto room = ChatRoom::chatRoomWithID(roomId);
    QVERIFY(room);
    QVERIFY(!room->imageUrl().isEmpty());
    QCOMPARE(room->totalMembers(), qint16(3));
    QTRY_VERIFY_WITH_TIMEOUT(bob.saw(roomId, "joined"), 10000);
    QVERIFY(!bob.saw(roomId, "roomDeleted"));
    presenter->dismissViewController(false);

    // Rename through group information.
    {
        InfoOnScreen screen(roomId, 3);
        QVERIFY(busyGoes());
        screen.info->editGroup();
        PLGroupInfoTableViewCell* cell = screen.cell(1);
        cell->groupNameTextField()->setText(QString());
        cell->configureEditGroupNameCell(QString(), false);
        cell->groupNameTextField()->insert(QStringLiteral("Launch 2"));
        screen.info->groupInforCellDidEndEditingTextField(cell, cell->groupNameTextField());
        screen.info->editGroup();
        QVERIFY(busyGoes());
        QTRY_COMPARE_WITH_TIMEOUT(ChatRoom::chatRoomWithID(roomId)->name(), QStringLiteral("Launch 2"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(bob.saw(roomId, "roomNameUpdate", "Launch 2"), 10000);

        // Close: the admin deletes the group.
        screen.info->didSelectRowAtIndexPath(screen.table(), {0, 6});
        QVERIFY(screen.answer(QStringLiteral("Delete")));
        QVERIFY(busyGoes());
        QTRY_COMPARE(screen.nav->viewControllers().size(), 1);
        QCOMPARE(requests(service, "api", "DELETE", "/rooms/" + roomId.toStdString()), 1);
        QTRY_VERIFY_WITH_TIMEOUT(bob.saw(roomId, "roomDeleted"), 10000);
    }

    // Leave a group Bob runs.
    {
        InfoOnScreen screen(QStringLiteral("g-bob"), 3);
        QVERIFY(busyGoes());
        QCOMPARE(screen.info->groupInfoArray().last(), qint64(PLGroupInfoViewController::LeaveRow));
        screen.info->didSelectRowAtIndexPath(screen.table(), {0, 4});
        QVERIFY(screen.answer(QStringLiteral("Yes")));
        QVERIFY(busyGoes());
        QTRY_COMPARE(screen.nav->viewControllers().size(), 1);
        QCOMPARE(requests(service, "api", "DELETE", "/rooms/g-bob/members/"), 1);
        QTRY_VERIFY_WITH_TIMEOUT(bob.saw(QStringLiteral("g-bob"), "left"), 10000);
        QCOMPARE(ChatRoom::chatRoomWithID("g-bob")->status(), qint16(1));
    }
    PLImageSelectionProvider::setCurrent({});
}

int main(int argc, char** argv) {
    test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestGroupLive t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_grouplive.moc"
