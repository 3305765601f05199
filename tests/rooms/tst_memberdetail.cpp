// Member detail with the library started against the stand-in: what each details reply shows and
// offers, the zero-height rows, the taps (mail, call, invitation, picture), and clearing, deleting and
// starting a conversation as the server answers them.
#include "DirectionalControls.h"
#include "MembersTestKit.h"
#include "foundation/DocumentSaver.h"
#include "platform/ui/Label.h"
#include "platform/ui/testing/RecordingSystemServices.h"
#include "ui/conversation/ConversationScreenInputs.h"
#include "ui/rooms/PLActiveMembersViewController.h"
#include "ui/rooms/PLGroupInfoViewController.h"
#include "ui/rooms/PLGroupMembersViewController.h"
#include "ui/rooms/PLGroupMemeberDetailTableViewController.h"

#include <QApplication>
#include <QDir>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::Label;
using platform::ui::ScreenRegistry;
using standin::FaultInjector;
using Detail = PLGroupMemeberDetailTableViewController;

namespace {
// Server round trips on a loaded machine take their time; the live kit waits as long.
constexpr int kServerWaitMs = 20000;

QJsonArray seededRooms() {
    return QJsonArray{
        QJsonObject{{"_id", "o-bob"}, {"type", "1"}, {"members", QJsonArray{41, 42}}, {"admin", 42}},
        QJsonObject{
            {"_id", "g-open"}, {"name", "Open"}, {"members", QJsonArray{41, 42, 43, 44}}, {"admin", 42}},
        QJsonObject{{"_id", "g-hidden"},
                    {"name", "Hidden"},
                    {"members", QJsonArray{41, 42, 43}},
                    {"admin", 42},
                    {"hideMemberProfile", 1}},
        QJsonObject{{"_id", "o-invited"},
                    {"type", "1"},
                    {"name", "Phil"},
                    {"members", QJsonArray{41}},
                    {"admin", 41}}};
}

// The profile image viewer as member detail knows it: what it was asked to show.
class FakeViewer : public platform::ui::ViewController {
    Q_OBJECT
public:
    Q_INVOKABLE void showProfileImageWithThumbNailImage(const QImage& thumbnail, const QString& big,
                                                        const QRectF& frame) {
        shown() << big;
        Q_UNUSED(thumbnail);
        Q_UNUSED(frame);
    }
    static QStringList& shown() {
        static QStringList urls;
        return urls;
    }
};

// Made and handed its inputs as the chat window does it: by the registry and by property.
Detail* detailFor(const QString& roomID, qint32 userID, bool oneToOne = false, bool options = false) {
    using namespace ConversationScreenInputs;
    auto* detail = qobject_cast<Detail*>(ScreenRegistry::shared()->instantiate("Home", Detail::kIdentifier));
    detail->setProperty(kRoomId, roomID);
    if (userID)
        detail->setProperty(kUserId, userID);
    detail->setProperty(kIsOneToOneChat, oneToOne);
    detail->setProperty(kShouldShowGroupInfoOptions, options);
    return detail;
}

qreal heightOf(Detail* detail, int row) {
    return detail->heightForRowAtIndexPath(detail->tableView(), {0, row});
}
} // namespace

class TestMemberDetail : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ScreenRegistry::shared()->clear();
        service = std::make_unique<LiveService>(seededRooms());
        service->fixture.server().seed(
            QJsonObject{{"users", QJsonArray{QJsonObject{{"id", 44},
                                                         {"email", "dora@acme.test"},
                                                         {"name", "Dora"},
                                                         {"phone", "5550100"},
                                                         {"countryCode", "1"},
                                                         {"phoneVerified", true},
                                                         {"imageUrl", "https://pictures.test/dora.png"}}}}});
        FakeChatWindow::registerScreen();
        ScreenRegistry::shared()->registerScreen(
            "PLProfileImageViewController", "PLProfileImageViewController", [] { return new FakeViewer; });
        FakeViewer::shown().clear();
        auto services = std::make_unique<platform::ui::RecordingSystemServices>();
        system = services.get();
        platform::ui::SystemServices::setCurrent(std::move(services));
    }
    void cleanup() {
        service.reset();
        ScreenRegistry::shared()->clear();
        platform::ui::SystemServices::setCurrent(nullptr);
    }

    void shownDetails_data();
    void shownDetails();
    void detailsFromTheServer();
    void rowsWithoutHeight();
    void tapsOnMailAndPhone();
    void aPhoneInviteeOfAOneMemberRoomIsInvitedBySms();
    void actionsUseTheAddressShown_data();
    void actionsUseTheAddressShown();
    void aReversedAddressShowsAsItIsSent();
    void thePictureOpensTheViewerWithTheRightAddress_data();
    void thePictureOpensTheViewerWithTheRightAddress();
    void missingContactInfoSaysSorryUnlessProfilesAreHidden();
    void startingAConversationOpensItFromTheRoomsList();
    void startingAConversationFromMembersPresentedOverGroupInfo();
    void clearTellsTheCallerAndPops();
    void deleteRemovesMediaOnlyAfterTheServerAccepted();
    void deleteLeavesByTheStack_data();
    void deleteLeavesByTheStack();
    void deleteFromAPresentedStackOfTwoDismissesIt();
    void offlineTheDetailsAreNotAsked();

private:
    std::unique_ptr<LiveService> service;
    platform::ui::RecordingSystemServices* system = nullptr;
};

void TestMemberDetail::shownDetails_data() {
    QTest::addColumn<QVariantMap>("details");
    QTest::addColumn<bool>("oneToOne");
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("phone");
    QTest::addColumn<bool>("startHidden");
    const QVariantMap full{{"name", "Bob"},
                           {"email", "bob@acme.test"},
                           {"phone", "5550101"},
                           {"countryCode", "44"},
                           {"isPhoneVerified", true}};
    QVariantMap unverified = full;
    unverified.insert("isPhoneVerified", false);
    QVariantMap noEmail = full;
    noEmail.remove("email");
    QTest::newRow("everything") << full << false << "bob@acme.test"
                                << "+445550101" << false;
    QTest::newRow("phone not verified") << unverified << false << "bob@acme.test"
                                        << "NA" << false;
    QTest::newRow("no e-mail") << noEmail << false << "NA"
                               << "+445550101" << true;
    QTest::newRow("\"Phone\" alone") << QVariantMap{{"name", "Bob"}, {"Phone", "5550101"}} << false << "NA"
                                     << "NA" << true;
    QTest::newRow("own details") << QVariantMap{{"name", "Ann"}, {"email", "ann@acme.test"}} << false
                                 << "ann@acme.test"
                                 << "NA" << true;
    QTest::newRow("one-to-one") << full << true << "bob@acme.test"
                                << "+445550101" << true;
}

void TestMemberDetail::shownDetails() {
    QFETCH(QVariantMap, details);
    QFETCH(bool, oneToOne);
    // No user: nothing is fetched and the rows wait for the details given here.
    Detail* detail = detailFor("g-open", 0, oneToOne);
    OnScreen shown(detail, 1);
    for (int row = 0; row < Detail::kRowCount; ++row)
        QCOMPARE(heightOf(detail, row), 0.0);
    detail->showMemberDetailsForDictionary(details);
    QCOMPARE(detail->memberNameLabel()->text(), details.value("name").toString());
    QTEST(detail->emaillabel()->text(), "email");
    QTEST(detail->phoneNumberLabel()->text(), "phone");
    QTEST(heightOf(detail, Detail::StartConversationRow) == 0, "startHidden");
    QVERIFY(heightOf(detail, Detail::CoverRow) > 0);
    QCOMPARE(heightOf(detail, Detail::EmailRow), Detail::kRowHeight);
    // Without the group's options there is neither clear nor delete.
    QCOMPARE(heightOf(detail, Detail::ClearConversationRow), 0.0);
    QCOMPARE(heightOf(detail, Detail::DeleteConversationRow), 0.0);
    // A tap on a hidden start row starts nothing.
    detail->selectRow(Detail::StartConversationRow);
    QTEST(!shown.alert() || shown.alert()->title() != QLatin1String("Confirm"), "startHidden");
}

void TestMemberDetail::detailsFromTheServer() {
    Detail* detail = detailFor("g-open", 44);
    OnScreen shown(detail, 1);
    QVERIFY(PLActivityIndicatorView::isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(detail->memberNameLabel()->text(), QStringLiteral("Dora"), kServerWaitMs);
    QCOMPARE(detail->emaillabel()->text(), QStringLiteral("dora@acme.test"));
    QCOMPARE(detail->phoneNumberLabel()->text(), QStringLiteral("+15550100"));
    QVERIFY(!detail->isRowHidden(Detail::StartConversationRow));
    QCOMPARE(detail->thumbnailURL(), QStringLiteral("https://pictures.test/dora.png"));
    QCOMPARE(service->requests("GET", "/rooms/g-open/members/44"), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!PLActivityIndicatorView::isVisible(), kServerWaitMs);

    // A refusal says the server's words and leaves the rows hidden.
    service->fixture.server().addFault(
        {"/rooms/g-open/members/42", "GET", 1, FaultInjector::Mode::ErrorEnvelope});
    Detail* refused = detailFor("g-open", 42);
    shown.nav->pushViewController(refused, false);
    QTRY_VERIFY_WITH_TIMEOUT(shown.alert(), kServerWaitMs);
    QCOMPARE(shown.alert()->title(), QStringLiteral("Failed"));
    QCOMPARE(shown.alert()->message(), QStringLiteral("injected"));
    QVERIFY(refused->isRowHidden(Detail::EmailRow));
}

void TestMemberDetail::rowsWithoutHeight() {
    Detail* oneToOne = detailFor("o-bob", 0, true, true);
    OnScreen shown(oneToOne, 1);
    oneToOne->showMemberDetailsForDictionary({{"name", "Bob"}, {"email", "bob@acme.test"}});
    QCOMPARE(heightOf(oneToOne, Detail::StartConversationRow), 0.0);
    QCOMPARE(heightOf(oneToOne, Detail::ClearConversationRow), Detail::kRowHeight);
    QCOMPARE(heightOf(oneToOne, Detail::DeleteConversationRow), Detail::kRowHeight);
    // An address that needs two lines makes its row 15 taller.
    oneToOne->showMemberDetailsForDictionary(
        {{"name", "Bob"}, {"email", "firstname.middlename.lastname.department@subsidiary.example.test"}});
    QCOMPARE(heightOf(oneToOne, Detail::EmailRow), Detail::kRowHeight + Detail::kTallEmailExtra);
}

void TestMemberDetail::tapsOnMailAndPhone() {
    Detail* detail = detailFor("g-open", 0);
    OnScreen shown(detail, 1);
    detail->showMemberDetailsForDictionary(
        {{"name", "Bob"}, {"email", "bob@acme.test"}, {"phone", "5550101"}});
    // An unverified phone reads "NA": nothing to call.
    detail->selectRow(Detail::PhoneRow);
    QVERIFY(system->opened.isEmpty());
    QVERIFY(!shown.alert());
    detail->selectRow(Detail::EmailRow);
    QCOMPARE(system->mails.size(), 1);
    QCOMPARE(system->mails.first().toRecipients, QStringList{"bob@acme.test"});
    system->mailAvailable = false;
    detail->selectRow(Detail::EmailRow);
    QCOMPARE(shown.alertText(), QStringLiteral("Failed | Email is not supported in your device!"));
    shown.alert()->tapButtonAtIndex(0);

    // The number becomes the tel: address's path, whatever it holds.
    detail->showMemberDetailsForDictionary(
        {{"name", "Bob"}, {"phone", "555 0101?x=1#y"}, {"countryCode", "1"}, {"isPhoneVerified", true}});
    detail->selectRow(Detail::PhoneRow);
    QCOMPARE(system->opened.size(), 1);
    const QUrl call = system->opened.first();
    QCOMPARE(call.scheme(), QStringLiteral("tel"));
    QCOMPARE(call.path(), QStringLiteral("+1555 0101?x=1#y"));
    QVERIFY(!call.hasQuery() && !call.hasFragment() && call.host().isEmpty());
    // No e-mail: "NA", and a tap writes nothing.
    detail->selectRow(Detail::EmailRow);
    QCOMPARE(system->mails.size(), 1);
}

void TestMemberDetail::aPhoneInviteeOfAOneMemberRoomIsInvitedBySms() {
    Outcome invited;
    QVERIFY(ChatRoom::chatRoomWithID("o-invited")
                ->addContacts({PLAddressBookContact{"Phil", QString(), "+15550199", 0}}, invited.handler()));
    QTRY_COMPARE_WITH_TIMEOUT(invited.calls, 1, kServerWaitMs);
    Detail* detail = detailFor("o-invited", 0, true, true);
    OnScreen shown(detail, 1);
    QTRY_VERIFY_WITH_TIMEOUT(detail->shouldShowInviteOption(), kServerWaitMs);
    QCOMPARE(detail->memberNameLabel()->text(), QStringLiteral("Phil"));
    QCOMPARE(detail->emaillabel()->text(), QStringLiteral("Invite"));
    QCOMPARE(detail->phoneNumberLabel()->text(), QStringLiteral("+15550199"));
    QVERIFY(detail->isRowHidden(Detail::StartConversationRow));
    detail->selectRow(Detail::EmailRow);
    QCOMPARE(shown.alertText(),
             QStringLiteral(
                 "Invite | This contact is not on Pelnix yet. You might want to invite him/her again."));
    QCOMPARE(shown.alert()->tag(), int(Detail::InviteAlertTag));
    shown.alert()->tapButtonAtIndex(1);
    QCOMPARE(system->texts.size(), 1);
    QCOMPARE(system->texts.first().recipients, QStringList{"+15550199"});
    // The number itself calls.
    detail->selectRow(Detail::PhoneRow);
    QCOMPARE(system->opened.value(0).path(), QStringLiteral("+15550199"));
}

void TestMemberDetail::actionsUseTheAddressShown_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("control");
    for (const char* action : {"mail", "call", "invite"})
        for (const auto& [name, code] : directionalControls())
            QTest::addRow("%s, %s", action, name) << QString::fromLatin1(action) << int(code);
}

// A directional control in an address or a number from the server never reaches the mail, the call
// or the text message, and the row shows what they use.
void TestMemberDetail::actionsUseTheAddressShown() {
    QFETCH(QString, action);
    QFETCH(int, control);
    const QChar c(control);
    Detail* detail = nullptr;
    if (action == QLatin1String("invite")) {
        Outcome invited;
        QVERIFY(ChatRoom::chatRoomWithID("o-invited")
                    ->addContacts({PLAddressBookContact{"Phil", QString(), "+1555" + QString(c) + "0199", 0}},
                                  invited.handler()));
        QTRY_COMPARE_WITH_TIMEOUT(invited.calls, 1, kServerWaitMs);
        detail = detailFor("o-invited", 0, true, true);
    } else {
        detail = detailFor("g-open", 0);
    }
    OnScreen shown(detail, 1);
    if (action == QLatin1String("mail")) {
        detail->showMemberDetailsForDictionary(
            {{"name", "Eve"}, {"email", c + QStringLiteral("moc.evil@xyz")}});
        QCOMPARE(detail->emaillabel()->text(), QStringLiteral("moc.evil@xyz"));
        detail->selectRow(Detail::EmailRow);
        QCOMPARE(system->mails.size(), 1);
        QCOMPARE(system->mails.first().toRecipients, QStringList{detail->emaillabel()->text()});
        // The start row asks about the same address.
        detail->selectRow(Detail::StartConversationRow);
        QCOMPARE(shown.alert()->message(),
                 QStringLiteral("Do you want to start conversation with moc.evil@xyz ?"));
    } else if (action == QLatin1String("call")) {
        detail->showMemberDetailsForDictionary({{"name", "Eve"},
                                                {"phone", "555" + QString(c) + "0100"},
                                                {"countryCode", QString(c) + "1"},
                                                {"isPhoneVerified", true}});
        QCOMPARE(detail->phoneNumberLabel()->text(), QStringLiteral("+15550100"));
        detail->selectRow(Detail::PhoneRow);
        QCOMPARE(system->opened.size(), 1);
        QCOMPARE(system->opened.first().toString(QUrl::FullyDecoded), QStringLiteral("tel:+15550100"));
        QCOMPARE(system->opened.first().path(), detail->phoneNumberLabel()->text());
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(detail->shouldShowInviteOption(), kServerWaitMs);
        QCOMPARE(detail->phoneNumberLabel()->text(), QStringLiteral("+15550199"));
        detail->selectRow(Detail::EmailRow);
        shown.alert()->tapButtonAtIndex(1);
        QCOMPARE(system->texts.size(), 1);
        QCOMPARE(system->texts.first().recipients, QStringList{detail->phoneNumberLabel()->text()});
    }
}

// By pixels: an address with a right-to-left override shows as the address the mail goes to, not as
// the reversed "zyx@live.com" it would otherwise read as.
void TestMemberDetail::aReversedAddressShowsAsItIsSent() {
    Detail* detail = detailFor("g-open", 0);
    OnScreen shown(detail, 1);
    detail->showMemberDetailsForDictionary(
        {{"name", "Eve"}, {"email", QString(QChar(0x202E)) + QStringLiteral("moc.evil@xyz")}});
    QCoreApplication::processEvents();
    Label* label = detail->emaillabel();
    const auto drawing = [](QWidget* widget) {
        QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        widget->render(&image, {}, {}, QWidget::DrawChildren);
        return image;
    };
    const auto drawn = [label, &drawing](const QString& text) {
        Label same(text);
        same.setFont(label->font());
        same.setTextColor(label->textColor());
        same.setAlignment(label->alignment());
        same.setNumberOfLines(label->numberOfLines());
        same.resize(label->size());
        return drawing(&same);
    };
    const QImage shownImage = drawing(label);
    QCOMPARE(shownImage, drawn(QStringLiteral("moc.evil@xyz")));
    QVERIFY(shownImage != drawn(QStringLiteral("zyx@live.com")));
}

void TestMemberDetail::thePictureOpensTheViewerWithTheRightAddress_data() {
    QTest::addColumn<QString>("small");
    QTest::addColumn<QString>("big");
    QTest::addColumn<QString>("opened");
    const QString small = "https://pictures.test/bob.png";
    QTest::newRow("own big picture") << small << "https://pictures.test/bob-big.png"
                                     << "https://pictures.test/bob-big.png";
    QTest::newRow("no big picture") << small << "" << small;
    QTest::newRow("big placeholder") << small << "https://pictures.test/images/pattern.png" << small;
    QTest::newRow("small placeholder") << "https://pictures.test/profiles/dummy/profile.png"
                                       << ""
                                       << "";
    QTest::newRow("no picture") << ""
                                << ""
                                << "";
}

void TestMemberDetail::thePictureOpensTheViewerWithTheRightAddress() {
    QFETCH(QString, small);
    QFETCH(QString, big);
    QFETCH(QString, opened);
    Detail* detail = detailFor("g-open", 0);
    OnScreen shown(detail, 1);
    detail->showMemberDetailsForDictionary(
        {{"name", "Bob"}, {"email", "bob@acme.test"}, {"imageUrl", small}, {"bigImgUrl", big}});
    detail->profileImageTapped({10, 10});
    QCOMPARE(FakeViewer::shown(), opened.isEmpty() ? QStringList() : QStringList{opened});
}

void TestMemberDetail::missingContactInfoSaysSorryUnlessProfilesAreHidden() {
    Detail* open = detailFor("g-open", 0);
    OnScreen shown(open, 1);
    open->showMemberDetailsForDictionary({{"name", "Bob"}});
    QCOMPARE(shown.alertText(),
             QStringLiteral("Sorry! | Contact info is not available for members of Open/Public groups."));
    shown.alert()->tapButtonAtIndex(0);
    Detail* hidden = detailFor("g-hidden", 0);
    shown.nav->pushViewController(hidden, false);
    hidden->showMemberDetailsForDictionary({{"name", "Bob"}});
    QVERIFY(!shown.alert());
}

void TestMemberDetail::startingAConversationOpensItFromTheRoomsList() {
    ListOnScreen rooms;
    Detail* detail = detailFor("g-open", 0);
    rooms.nav->pushViewController(new platform::ui::ViewController, false);
    rooms.nav->pushViewController(detail, false);
    detail->showMemberDetailsForDictionary({{"name", "Dora"}, {"email", "dora@acme.test"}});
    detail->selectRow(Detail::StartConversationRow);
    AlertView* confirm = rooms.alert();
    QCOMPARE(confirm->message(), QStringLiteral("Do you want to start conversation with dora@acme.test ?"));
    QCOMPARE(confirm->tag(), int(Detail::StartAlertTag));
    confirm->tapButtonAtIndex(1);
    QTRY_COMPARE_WITH_TIMEOUT(rooms.nav->viewControllers().size(), 2, kServerWaitMs);
    auto* chat = qobject_cast<FakeChatWindow*>(rooms.nav->topViewController());
    QVERIFY(chat);
    const auto room = ChatRoom::chatRoomWithID(chat->chatRoomID());
    QVERIFY(room);
    QCOMPARE(room->name(), QStringLiteral("dora@acme.test"));
    QCOMPARE(service->requests("POST", "/rooms"), 1);

    // Without a rooms list below, the room opens over the first screen of the stack.
    Detail* elsewhere = detailFor("g-open", 0);
    OnScreen other(elsewhere, 2);
    platform::ui::ViewController* first = other.nav->viewControllers().first();
    elsewhere->showMemberDetailsForDictionary({{"name", "Dora"}, {"email", "dora@acme.test"}});
    elsewhere->startConversation();
    QTRY_COMPARE_WITH_TIMEOUT(service->requests("POST", "/rooms"), 2, kServerWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!PLActivityIndicatorView::isVisible(), kServerWaitMs);
    QTRY_COMPARE(other.nav->viewControllers().size(), 2);
    QCOMPARE(other.nav->viewControllers().first(), first);
    auto* opened = qobject_cast<FakeChatWindow*>(other.nav->topViewController());
    QVERIFY(opened);
    QCOMPARE(ChatRoom::chatRoomWithID(opened->chatRoomID())->name(), QStringLiteral("dora@acme.test"));
    QTRY_VERIFY(opened->view()->isVisible());
}

void TestMemberDetail::startingAConversationFromMembersPresentedOverGroupInfo() {
    // The rooms list, the conversation and its group information, as the user came there; the
    // members screen presented over the group information, and a member's detail opened from it.
    ListOnScreen rooms;
    rooms.list->openChatRoomWithID("g-open");
    QTRY_VERIFY(qobject_cast<FakeChatWindow*>(rooms.nav->topViewController()));
    // Guarded: popped with the pages over the new conversation, it is deleted while the test waits.
    QPointer<PLGroupInfoViewController> info = qobject_cast<PLGroupInfoViewController*>(
        ScreenRegistry::shared()->instantiate("Home", PLGroupInfoViewController::kIdentifier));
    info->setRoomId("g-open");
    rooms.nav->pushViewController(info, false);
    QCoreApplication::processEvents();
    info->editMembers();
    auto* membersStack = qobject_cast<NavigationController*>(info->presentedViewController());
    QVERIFY(membersStack);
    auto* members = qobject_cast<PLGroupMembersViewController*>(membersStack->topViewController());
    QVERIFY(members);
    QTRY_VERIFY(members->activeMembersViewController() &&
                members->activeMembersViewController()->isViewLoaded());
    PLActiveMembersViewController* active = members->activeMembersViewController();
    const auto shown = active->shownMembers();
    const auto dora = std::find_if(shown.cbegin(), shown.cend(), [](const auto& member) {
        return member->user() && member->user()->userID() == 44;
    });
    QVERIFY(dora != shown.cend());
    active->didSelectRowAtIndexPath(active->activeMembersTableView(), {0, int(dora - shown.cbegin())});
    Detail* detail = nullptr;
    QTRY_VERIFY((detail = qobject_cast<Detail*>(membersStack->topViewController())));
    QTRY_VERIFY_WITH_TIMEOUT(!detail->isRowHidden(Detail::StartConversationRow), kServerWaitMs);

    detail->selectRow(Detail::StartConversationRow);
    rooms.alert()->tapButtonAtIndex(1);
    QTRY_COMPARE_WITH_TIMEOUT(service->requests("POST", "/rooms"), 1, kServerWaitMs);
    // The new room's conversation, opened from the rooms list with nothing over it.
    QTRY_VERIFY_WITH_TIMEOUT((!info || !info->presentedViewController()) &&
                                 rooms.nav->viewControllers().size() == 2,
                             kServerWaitMs);
    auto* chat = qobject_cast<FakeChatWindow*>(rooms.nav->topViewController());
    QVERIFY(chat);
    QCOMPARE(ChatRoom::chatRoomWithID(chat->chatRoomID())->name(), QStringLiteral("dora@acme.test"));
    QVERIFY(!rooms.nav->presentedViewController());
    QTRY_VERIFY(chat->view()->isVisible());
}

void TestMemberDetail::clearTellsTheCallerAndPops() {
    QVERIFY(service->postAs(42, "b0b", "o-bob", "hello"));
    QTRY_VERIFY_WITH_TIMEOUT(!ChatRoom::chatRoomWithID("o-bob")->allMessages().isEmpty(), kServerWaitMs);
    Detail* detail = detailFor("o-bob", 0, true, true);
    QList<bool> told;
    // Handed over as the chat window hands it.
    detail->setProperty(
        ConversationScreenInputs::kMemberDetailCompletion,
        QVariant::fromValue(PLConversationClearedHandler([&told](bool cleared) { told << cleared; })));
    OnScreen shown(detail, 1);
    detail->showMemberDetailsForDictionary({{"name", "Bob"}, {"email", "bob@acme.test"}});
    detail->selectRow(Detail::ClearConversationRow);
    QCOMPARE(shown.alert()->title(), QStringLiteral("Clear Conversation"));
    QCOMPARE(shown.alert()->tag(), int(Detail::ClearAlertTag));
    shown.alert()->tapButtonAtIndex(0);
    QCOMPARE(told, QList<bool>{true});
    QTRY_COMPARE_WITH_TIMEOUT(shown.nav->viewControllers().size(), 1, kServerWaitMs);
    QVERIFY(ChatRoom::chatRoomWithID("o-bob")->allMessages().isEmpty());
    QCOMPARE(service->analytics.last("Clear conversation").value("success"), QVariant("Success"));
}

void TestMemberDetail::deleteRemovesMediaOnlyAfterTheServerAccepted() {
    const QString media = DocumentSaver::createDirectoryWithName("o-bob");
    service->fixture.server().addFault(
        {"/rooms/o-bob/members/41", "DELETE", 1, FaultInjector::Mode::ErrorEnvelope});
    Detail* detail = detailFor("o-bob", 0, true, true);
    OnScreen shown(detail, 2);
    detail->showMemberDetailsForDictionary({{"name", "Bob"}, {"email", "bob@acme.test"}});
    detail->selectRow(Detail::DeleteConversationRow);
    QCOMPARE(shown.alert()->title(), QStringLiteral("Delete and Leave"));
    shown.alert()->tapButtonAtIndex(0);
    QTRY_COMPARE_WITH_TIMEOUT(shown.alertText(), QStringLiteral(" | injected"), kServerWaitMs);
    QVERIFY(QDir(media).exists());
    QCOMPARE(shown.nav->topViewController(), detail);
    QCOMPARE(service->analytics.last("Delete conv & leave").value("success"), QVariant(false));
    shown.alert()->tapButtonAtIndex(0);

    detail->selectRow(Detail::DeleteConversationRow);
    shown.alert()->tapButtonAtIndex(0);
    QTRY_COMPARE_WITH_TIMEOUT(shown.nav->viewControllers().size(), 1, kServerWaitMs);
    QVERIFY(!QDir(media).exists());
    QCOMPARE(service->requests("DELETE", "/rooms/o-bob/members/41"), 2);
    QCOMPARE(service->analytics.last("Delete conv & leave").value("success"), QVariant(true));
    QTRY_VERIFY_WITH_TIMEOUT(!PLActivityIndicatorView::isVisible(), kServerWaitMs);
}

void TestMemberDetail::deleteLeavesByTheStack_data() {
    QTest::addColumn<int>("below");
    QTest::addColumn<int>("left");
    QTest::newRow("stack of 3") << 2 << 1;
    QTest::newRow("stack of 4") << 3 << 2;
}

void TestMemberDetail::deleteLeavesByTheStack() {
    QFETCH(int, below);
    Detail* detail = detailFor("o-bob", 0, true, true);
    OnScreen shown(detail, below);
    detail->showMemberDetailsForDictionary({{"name", "Bob"}, {"email", "bob@acme.test"}});
    detail->selectRow(Detail::DeleteConversationRow);
    shown.alert()->tapButtonAtIndex(0);
    QTRY_VERIFY_WITH_TIMEOUT(!PLActivityIndicatorView::isVisible(), kServerWaitMs);
    QTEST(int(shown.nav->viewControllers().size()), "left");
}

void TestMemberDetail::deleteFromAPresentedStackOfTwoDismissesIt() {
    auto* root = new platform::ui::ViewController;
    OnScreen host(root);
    Detail* detail = detailFor("o-bob", 0, true, true);
    auto* stack = new NavigationController(new platform::ui::ViewController);
    stack->pushViewController(detail, false);
    root->presentViewController(stack, false);
    QCoreApplication::processEvents();
    detail->showMemberDetailsForDictionary({{"name", "Bob"}, {"email", "bob@acme.test"}});
    detail->selectRow(Detail::DeleteConversationRow);
    host.alert()->tapButtonAtIndex(0);
    QTRY_VERIFY_WITH_TIMEOUT(!root->presentedViewController(), kServerWaitMs);
    QCOMPARE(ChatRoom::chatRoomWithID("o-bob")->status(), qint16(1));
}

void TestMemberDetail::offlineTheDetailsAreNotAsked() {
    service->fixture.setOnline(false);
    Detail* detail = detailFor("g-open", 44);
    OnScreen shown(detail, 1);
    QCOMPARE(shown.alertText(),
             QStringLiteral("Failed | Unable to fetch details.Please check your network connectivity"));
    QCOMPARE(service->requests("GET", "/rooms/g-open/members/44"), 0);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestMemberDetail t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_memberdetail.moc"
