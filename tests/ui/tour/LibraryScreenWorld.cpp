#include "LibraryScreenWorld.h"

#include "DeliveredRowTimes.h"
#include "FacadeTestKit.h"
#include "MediaSamples.h"
#include "NmeaSentence.h"
#include "SmartLinkInfo.h"

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/PLModelManager.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "core/session/PLAppLockSettingsManager.h"
#include "foundation/PLKeychainAccessHelper.h"
#include "platform/AddressBook.h"
#include "platform/SerialQueue.h"
#include "platform/ui/DocumentPageCanvas.h"
#include "platform/ui/DocumentPreview.h"
#include "platform/ui/MapView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/PositioningLocationProvider.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/WebView.h"
#include "platform/ui/Window.h"
#include "platform/ui/testing/BlankPictureCheck.h"
#include "smart/PLChatletCategoryItems.h"
#include "smart/SmartBringUpDownloads.h"
#include "ui/account/PLPickerInfo.h"
#include "ui/account/PLVerifyPhoneNumberViewController.h"
#include "ui/contacts/PLContactsViewController.h"
#include "ui/conversation/PLAddressBookContactViewController.h"
#include "ui/conversation/PLChatWindowSearchViewController.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLChatletMessageBuilder.h"
#include "ui/conversation/PLChooseLocationViewController.h"
#include "ui/conversation/PLContactDetailViewController.h"
#include "ui/conversation/PLDownloadViewerController.h"
#include "ui/conversation/PLInternalLinkWebViewController.h"
#include "ui/conversation/PLLocationViewController.h"
#include "ui/conversation/PLPostChatletViewController.h"
#include "ui/conversation/PLReplyWebViewController.h"
#include "ui/conversation/PLUploadActionSheet.h"
#include "ui/conversation/PLUploadViewerWithCaptionController.h"
#include "ui/rooms/PLActiveMembersViewController.h"
#include "ui/rooms/PLGroupInfoViewController.h"
#include "ui/rooms/PLGroupMembersViewController.h"
#include "ui/rooms/PLGroupMemeberDetailTableViewController.h"
#include "ui/rooms/PLMakeAdminViewController.h"
#include "ui/rooms/PLNewGroupMembersViewController.h"
#include "ui/rooms/PLOpenGroupsViewController.h"
#include "ui/rooms/PLPendingMembersViewController.h"
#include "ui/rooms/PLProfileImageViewController.h"
#include "ui/rooms/PLSelectAdminViewController.h"
#include "ui/shell/PelnixCustomViewController.h"
#include "ui/shell/PelnixViewController.h"
#include "ui/toolkit/PLActivityIndicatorView.h"
#include "ui/toolkit/PLCustomSearchTextField.h"
#include "ui/toolkit/PLCustomSearchView.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <atomic>

namespace pelnix::test {

using platform::ui::ViewController;

namespace {

constexpr qint32 kBob = 42;
constexpr qint32 kCarol = 43;
constexpr int kWaitMs = 20000;

const QString kPublicRoomID = QStringLiteral("tour-book-club");

template <typename T> T* as(ViewController* screen) {
    return qobject_cast<T*>(screen);
}

QString nameOf(qint32 user) {
    return user == kBob     ? QStringLiteral("Bob")
           : user == kCarol ? QStringLiteral("Carol")
                            : QStringLiteral("Ann");
}

QByteArray card(const char* first, const char* last, const char* values) {
    return QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:") + last + ";" + first + ";;;\r\n" + values +
           "END:VCARD\r\n";
}

// Runs the event loop, painting `window` (maps ask for their tiles as they paint), until `ready`.
bool paintUntil(platform::ui::Window& window, const std::function<bool()>& ready) {
    return QTest::qWaitFor(
        [&] {
            window.grab();
            return ready();
        },
        kWaitMs);
}

// Waits until `ready` holds on two checks in a row, with the event loop turned between them: work a
// screen queues on its way to done (a permission answer, a deferred read) has then shown itself.
bool steadily(const std::function<bool()>& ready) {
    bool before = false;
    return QTest::qWaitFor(
        [&] {
            const bool now = ready();
            return std::exchange(before, now) && now;
        },
        kWaitMs);
}

} // namespace

LibraryScreenWorld::LibraryScreenWorld() {
    signIn(fixture);
    completeSetUp();
    PelnixStateManager::sharedStateManagerInstance()->initializeDatabase();
    PLAppLockSettingsManager::sharedAppLockSettingsManager()->setShouldShowAppLockScreen(false);
    // The account's row at once, as a finished start-up leaves it: screens that read it do not see
    // the bring-up arrive while they are shown.
    CurrentUserInfo::initializeCurrentUserForSDKWithID(qint32(fixture.userID()), fixture.email(),
                                                       fixture.token());
    if (const auto me = CurrentUserInfo::currentUserInfo()->user()) {
        me->setProfileName(QStringLiteral("Ann"));
        me->save();
    }
    seedConversation();

    // Where the location screens find the user: a receiver's log of one fix in Bengaluru.
    const QString log = m_files.filePath(QStringLiteral("position.nmea"));
    QFile file(log);
    if (file.open(QIODevice::WriteOnly))
        file.write(nmeaSentence("GPRMC,101500.00,A,1258.5780,N,07735.5740,E,0.0,0.0,060326,,,A"));
    file.close();
    platform::ui::LocationProvider::setMaker([log](QObject* parent) {
        return platform::ui::PositioningLocationProvider::fromNmeaFile(log, parent);
    });
}

LibraryScreenWorld::~LibraryScreenWorld() {
    PLActivityIndicatorView::dismiss();
    platform::ui::LocationProvider::setMaker({});
    if (m_addressBook) {
        platform::AddressBook::sharedAddressBook()->stopWatching();
        platform::AddressBook::sharedAddressBook()->setFolder({});
    }
    PLPersistence::cleanUp();
    PLModelManager::destroySharedInstance();
    PelnixStateManager::destroyStateManager();
    PLKeychainAccessHelper::dropKeychainInstanceForTesting();
}

// Bob and Carol, the tour's room of the three that Ann administers, a public room she may join, and
// the room's conversation as the event stream brings it.
void LibraryScreenWorld::seedConversation() {
    const auto person = [](qint32 id, const char* name, const char* email) {
        return QJsonObject{{"id", id}, {"email", email}, {"name", name}};
    };
    fixture.server().seed(
        QJsonObject{{"org", "acme"},
                    {"users", QJsonArray{person(kBob, "Bob", "bob@acme.test"),
                                         person(kCarol, "Carol", "carol@acme.test")}},
                    {"rooms", QJsonArray{QJsonObject{{"_id", kRoomID},
                                                     {"name", "Tour"},
                                                     {"members", QJsonArray{fixture.userID(), kBob, kCarol}},
                                                     {"admin", fixture.userID()}},
                                         QJsonObject{{"_id", kPublicRoomID},
                                                     {"name", "Book club"},
                                                     {"members", QJsonArray{kBob, kCarol}},
                                                     {"public", true}}}}});
    QVariantList members;
    for (const qint32 id : {qint32(fixture.userID()), kBob, kCarol})
        members << QVariantMap{
            {"userId", id},
            {"isCreator", id == fixture.userID() ? 1 : 0},
            {"user",
             QVariantMap{{"id", id}, {"name", nameOf(id)}, {"email", nameOf(id).toLower() + "@acme.test"}}}};
    const auto room = ChatRoom::updateChatRoomsWithArray(QVariantList{QVariantMap{{"_id", kRoomID},
                                                                                  {"name", "Tour"},
                                                                                  {"type", "2"},
                                                                                  {"activityDate", 3000},
                                                                                  {"totalMembers", 3},
                                                                                  {"members", members}}})
                          .value(0);
    if (!room)
        return;
    const qint64 morning = QDateTime(QDate(2026, 3, 6), QTime(9, 10)).toMSecsSinceEpoch();
    const QList<std::pair<qint32, QString>> lines{
        {kBob, QStringLiteral("Morning! The site visit moved to 10:30.")},
        {kCarol, QStringLiteral("Thanks, I will bring the drawings for the north wall.")},
        {qint32(fixture.userID()), QStringLiteral("Great, see you at the gate.")},
        {kBob, QStringLiteral("Parking is on the north side of the site.")},
    };
    qint64 date = morning;
    int n = 0;
    for (const auto& [sender, text] : lines) {
        room->updateMessageDict(
            QVariantMap{{"_id", QStringLiteral("tour-m%1").arg(++n)},
                        {"type", "message"},
                        {"date", double(date += 60000)},
                        {"text", text},
                        {"sender", QString::number(sender)},
                        {"senderObj", QVariantMap{{"userId", sender}, {"name", nameOf(sender)}}}},
            false, {});
    }
}

// Two people without an account invited to the room, as Ann's client invites them.
bool LibraryScreenWorld::inviteTwo() {
    if (m_invited)
        return true;
    Outcome added;
    const auto room = ChatRoom::chatRoomWithID(kRoomID);
    m_invited =
        room &&
        room->addContacts(
            {PLAddressBookContact{QStringLiteral("Dee"), QStringLiteral("dee@partner.test"), QString(), 0},
             PLAddressBookContact{QStringLiteral("Phil"), QString(), QStringLiteral("+14155550132"), 0}},
            added.handler()) &&
        QTest::qWaitFor([&added] { return added.calls > 0; }, kWaitMs) && added.success;
    return m_invited;
}

// The stand-in's stylesheets, forms and chatlet catalogue, as the bring-up stores them.
bool LibraryScreenWorld::downloadSmartFixtures() {
    if (m_smartFixtures)
        return true;
    int done = 0;
    bool ok = true;
    const auto count = [&done, &ok](bool success, const PLOptionalError&, const QString&) {
        ++done;
        ok = ok && success;
    };
    SmartBringUpDownloads::startFetchingXSLT(count);
    SmartBringUpDownloads::updateFormJSONs(count);
    PLChatletCategoryItems::updateChaletsWithCompletionHandler([&done, &ok](bool success) {
        ++done;
        ok = ok && success;
    });
    m_smartFixtures = QTest::qWaitFor([&done] { return done == 3; }, kWaitMs) && ok;
    return m_smartFixtures;
}

void LibraryScreenWorld::fillAddressBook() {
    if (m_addressBook)
        return;
    m_addressBook = true;
    const QString folder = m_files.filePath(QStringLiteral("contacts"));
    QDir().mkpath(folder);
    const QList<std::pair<QString, QByteArray>> cards{
        {"asha.vcf", card("Asha", "Rao", "TEL;TYPE=CELL:+1 555 0100\r\nEMAIL:asha@example.test\r\n")},
        {"bob.vcf", card("Bob", "Stone", "EMAIL:bob@acme.test\r\n")},
        {"dee.vcf", card("Dee", "Lopez", "TEL;TYPE=WORK:+1 555 0142\r\n")},
        {"marek.vcf", card("Marek", "Novak", "EMAIL:marek@example.test\r\nTEL:+420 555 0177\r\n")},
    };
    for (const auto& [name, text] : cards) {
        QFile file(folder + QLatin1Char('/') + name);
        if (file.open(QIODevice::WriteOnly))
            file.write(text);
    }
    auto* book = platform::AddressBook::sharedAddressBook();
    book->setFolder(folder);
    book->setAuthorizationStatus(platform::AddressBook::Authorization::Authorized);
}

// Bob's poll in the room, as the stream brings it.
Message::Ptr LibraryScreenWorld::poll() {
    const auto room = ChatRoom::chatRoomWithID(kRoomID);
    if (m_poll || !room || !downloadSmartFixtures())
        return m_poll;
    const QString json = PLChatletMessageBuilder::newChatletJSON(
        QStringLiteral("poll"), PLPostChatletViewController::storedForm(QStringLiteral("poll")),
        {{"title", "Team lunch"},
         {"question", "Where shall we go on Friday?"},
         {"options", QStringList{"Harbour café", "Dock canteen", "Noodle bar"}}},
        QStringLiteral("tour-poll"));
    m_poll = room->updateMessageDict(
        QVariantMap{{"_id", "tour-poll-message"},
                    {"type", "smartmessage"},
                    {"date", double(QDateTime(QDate(2026, 3, 6), QTime(9, 30)).toMSecsSinceEpoch())},
                    {"text", json},
                    {"sender", QString::number(kBob)},
                    {"senderObj", QVariantMap{{"userId", kBob}, {"name", "Bob"}}}},
        false, {});
    return m_poll;
}

QString LibraryScreenWorld::writeSamples() {
    if (m_picture.isEmpty()) {
        m_picture = m_files.filePath(QStringLiteral("5F2C0D1E.jpg"));
        QFile file(m_picture);
        if (file.open(QIODevice::WriteOnly))
            file.write(samples::stripesJpeg(QSize(1024, 768), {QColor(0, 122, 255), QColor(255, 204, 0),
                                                               QColor(52, 199, 89), QColor(255, 59, 48)}));
        m_pdf = samples::makePdf(m_files.filePath(QStringLiteral("Travel policy.pdf")));
    }
    return m_picture;
}

ViewController* LibraryScreenWorld::frontScreen(ViewController* controller) {
    for (int depth = 0; controller && depth < 4; ++depth) {
        if (auto* navigation = qobject_cast<platform::ui::NavigationController*>(controller)) {
            controller = navigation->topViewController();
            continue;
        }
        if (qobject_cast<PelnixViewController*>(controller) ||
            qobject_cast<PelnixCustomViewController*>(controller)) {
            const auto children = controller->childViewControllers();
            controller = children.isEmpty() ? nullptr : children.first();
            continue;
        }
        break;
    }
    return controller;
}

namespace {

// The screens that are never the top of a navigation stack of their own: parts of another screen (a
// members tab, the new group form, the host's drawer and landing page in the root container), and
// screens presented on their own with their own top (the download viewer, the attempts-exceeded page,
// the phone verification with its close button).
const QStringList kShownAlone{
    QStringLiteral("SDKTest/GalleryLanding"),
    QStringLiteral("Home/ActiveMembersViewController"),
    QStringLiteral("Home/PendingMembersViewController"),
    QStringLiteral("Home/PLNewGroupTableViewController"),
    QStringLiteral("Home/PLNewGroupTableViewController_RTL"),
    QStringLiteral("Home/PLSideDrawerTableViewController"),
    QStringLiteral("Home/PLDownloadViewerController"),
    QStringLiteral("Login/PLVerifyExceedsLimitControllerID"),
    QStringLiteral("Home/PLVerifyPhoneNumberViewController"),
};
// The library's screens that are only ever pushed over another screen, so shown with a way back.
const QStringList kShownPushed{
    QStringLiteral("Home/PLGroupMemeberDetailTableViewController"),
    QStringLiteral("PLSelectAdminViewController/PLSelectAdminViewController"),
    QStringLiteral("Login/PLEmailVerificationID"),
};

} // namespace

bool LibraryScreenWorld::isShownAlone(const QString& storyboard, const QString& identifier) {
    return kShownAlone.contains(storyboard + QLatin1Char('/') + identifier);
}

ViewController* LibraryScreenWorld::asShown(const QString& storyboard, const QString& identifier,
                                            ViewController* controller) {
    if (!controller)
        return nullptr;
    const QString name = storyboard + QLatin1Char('/') + identifier;
    if (storyboard.startsWith(QLatin1String("Gallery")) ||
        qobject_cast<platform::ui::NavigationController*>(controller) || kShownAlone.contains(name))
        return controller;
    if (kShownPushed.contains(name)) {
        auto* navigation = new platform::ui::NavigationController(new ViewController);
        navigation->pushViewController(controller, false);
        return navigation;
    }
    return storyboard != identifier ? new platform::ui::NavigationController(controller) : controller;
}

QString LibraryScreenWorld::stage(ViewController* front, const QString& state) {
    const auto room = ChatRoom::chatRoomWithID(kRoomID);
    if (auto* chat = as<PLChatWindowViewController>(front)) {
        chat->setChatRoom(room);
    } else if (auto* search = as<PLChatWindowSearchViewController>(front)) {
        search->setChatRoom(room);
    } else if (auto* verification = as<PLVerifyPhoneNumberViewController>(front)) {
        // Opened as the profile opens it: with its close button, the one way back.
        verification->setShowsCloseButton(true);
        // The number the user has just registered, which the code was sent to.
        if (const auto account = CurrentUserInfo::currentUserInfo()) {
            account->setCountryCode(QStringLiteral("1"));
            account->setPhoneNumber(QStringLiteral("4155550118"));
            account->save();
        }
    } else if (auto* info = as<PLGroupInfoViewController>(front)) {
        info->setRoomId(kRoomID);
    } else if (auto* members = as<PLGroupMembersViewController>(front)) {
        if (!inviteTwo())
            return QStringLiteral("the invitations were not made");
        members->configureWithChatRoom(room);
    } else if (auto* active = as<PLActiveMembersViewController>(front)) {
        active->configureWithChatRoom(room);
    } else if (auto* pending = as<PLPendingMembersViewController>(front)) {
        if (!inviteTwo())
            return QStringLiteral("the invitations were not made");
        pending->configureWithChatRoom(room, true);
    } else if (auto* detail = as<PLGroupMemeberDetailTableViewController>(front)) {
        detail->setUserID(kBob);
        detail->setRoomID(kRoomID);
    } else if (auto* select = as<PLSelectAdminViewController>(front)) {
        select->setCurrentRoom(room);
    } else if (auto* make = as<PLMakeAdminViewController>(front)) {
        make->setCurrentRoom(room);
        make->setSelectedMember(RoomMember::roomMemberWithRoom(room, User::userWithIntID(kBob)));
    } else if (auto* chosen = as<PLNewGroupMembersViewController>(front)) {
        chosen->setSelectedContactsArray({QVariant::fromValue(User::userWithIntID(kBob)),
                                          QVariant::fromValue(User::userWithIntID(kCarol))});
    } else if (as<PLPostChatletViewController>(front)) {
        if (!downloadSmartFixtures())
            return QStringLiteral("the chatlet catalogue did not download");
    } else if (as<PLAddressBookContactViewController>(front)) {
        fillAddressBook();
    } else if (as<PLContactsViewController>(front)) {
        // A host that offers the service's people and the address book.
        Pelnix::setShowContactOptions(PLContactsViewController::ActiveUsersSource |
                                      PLContactsViewController::AddressBookSource);
        fillAddressBook();
    } else if (auto* person = as<PLContactDetailViewController>(front)) {
        fillAddressBook();
        const auto people = platform::AddressBook::sharedAddressBook()->people();
        if (!people.isEmpty())
            person->configureWithContactRecordID(people.first().recordID, nullptr);
    } else if (auto* browser = as<PLInternalLinkWebViewController>(front)) {
        m_peer = std::make_unique<LoopbackPeer>();
        m_peer->bodies[QStringLiteral("/notes")] =
            "<html><body style=\"margin:0;font-family:'DejaVu Sans'\">"
            "<div style=\"background:#007aff;color:white;padding:20px;font-size:22px\">Site notes</div>"
            "<div style=\"padding:16px;font-size:15px;color:#333\"><p>The north wall is poured; forms come "
            "off on Friday.</p><p>Parking is on the north side of the site.</p></div></body></html>";
        browser->configureWithLinkURL(QUrl(m_peer->url(QStringLiteral("/notes"))),
                                      QStringLiteral("Site notes"));
    } else if (auto* details = as<PLReplyWebViewController>(front)) {
        const auto message = poll();
        if (!message)
            return QStringLiteral("no poll to show");
        details->setMessage(message);
        details->setLinkType(7);
        details->setLinkInfo(linkInfoOf(message, QStringLiteral("details")));
    } else if (auto* viewer = as<PLDownloadViewerController>(front)) {
        writeSamples();
        if (room) {
            auto message = room->createMessage();
            message->setType(1);
            message->setDisplayName(state == kPdfState ? QStringLiteral("Travel policy")
                                                       : QStringLiteral("Site photo"));
            room->save();
            // The viewer holds its message weakly.
            m_shownMessages << message;
            viewer->setCurrentMessage(message);
        }
    } else if (auto* sheet = as<PLUploadActionSheet>(front)) {
        sheet->setRoomId(kRoomID);
        sheet->setInViewController(sheet);
    } else if (auto* caption = as<PLUploadViewerWithCaptionController>(front)) {
        caption->setPickerSelection({{PLPickerInfo::kMediaTypeKey, PLPickerInfo::kImageType},
                                     {PLPickerInfo::kOriginalImageKey, QImage(writeSamples())}});
    }
    return {};
}

QString LibraryScreenWorld::settle(ViewController* front, platform::ui::Window& window,
                                   const QString& state) {
    // Every page on screen counts as drawn once its load has ended (the load starts as the screen
    // appears) and it has painted.
    QList<std::pair<platform::ui::WebView*, std::shared_ptr<bool>>> pages;
    for (platform::ui::WebView* web : window.findChildren<platform::ui::WebView*>()) {
        if (!web->isVisibleTo(&window))
            continue;
        auto ended = std::make_shared<bool>(false);
        QObject::connect(web, &platform::ui::WebView::didFinishLoad, web, [ended] { *ended = true; });
        QObject::connect(web, &platform::ui::WebView::didFailLoad, web, [ended] { *ended = true; });
        pages.append({web, ended});
    }
    platform::ui::Screenshot::settle();
    if (auto* search = as<PLChatWindowSearchViewController>(front)) {
        if (search->searchView())
            QTest::keyClicks(search->searchView()->searchTextField(), QStringLiteral("north"));
    } else if (auto* viewer = as<PLDownloadViewerController>(front)) {
        const bool pdf = state == kPdfState;
        viewer->showDownloadForPath(pdf ? m_pdf : m_picture,
                                    {{"fileMime", pdf ? "application/pdf" : "image/jpeg"},
                                     {"caption", pdf ? "" : "The new entrance, seen from the car park"}});
        if (!QTest::qWaitFor([viewer] { return viewer->currentViewer() != nullptr; }, kWaitMs))
            return QStringLiteral("the viewer did not open its file");
    } else if (auto* sheet = as<PLUploadActionSheet>(front)) {
        sheet->showActionSheet();
    } else if (auto* picker = as<PLContactsViewController>(front)) {
        // The service's people and the address book are read as the picker appears.
        if (!steadily([picker] {
                return !picker->pelnixContacts().isEmpty() && !picker->addressBookContacts().isEmpty() &&
                       !picker->isWaitingForContacts() && !picker->isReadingAddressBook();
            }))
            return QStringLiteral("the picker listed nobody");
    } else if (auto* groups = as<PLOpenGroupsViewController>(front)) {
        // Fetched a moment after the screen appears.
        if (!QTest::qWaitFor([groups] { return !groups->openGroups().isEmpty(); }, kWaitMs))
            return QStringLiteral("no public group arrived");
    } else if (auto* picture = as<PLProfileImageViewController>(front)) {
        picture->showProfileImageWithThumbNailImage(QImage(writeSamples()), QString(), QRectF());
    }
    if (!steadily([] { return !PLActivityIndicatorView::isVisible(); }))
        return QStringLiteral("the busy overlay stayed");
    // What the screen queued on the model's event queue (a room's first unread count, say) is
    // announced before the picture, so that a badge shows in every run or in none.
    if (PLModelManager* model = PLModelManager::sharedModelManager()) {
        const auto drained = std::make_shared<std::atomic<bool>>(false);
        model->dataProcessingQueue()->async([drained] { drained->store(true); });
        if (!QTest::qWaitFor([drained] { return drained->load(); }, kWaitMs))
            return QStringLiteral("the model's event queue stayed busy");
        QCoreApplication::processEvents();
    }
    for (const auto& [web, ended] : pages) {
        if (!QTest::qWaitFor([ended = ended] { return *ended; }, kWaitMs))
            return QStringLiteral("a page did not load");
        if (!QTest::qWaitFor(
                [web] { return !platform::ui::BlankPictureCheck::isFlat(web->grab().toImage()); }, kWaitMs))
            return QStringLiteral("a page did not paint");
    }
    // Document pages are drawn off the main thread.
    for (platform::ui::DocumentPreview* preview : window.findChildren<platform::ui::DocumentPreview*>()) {
        if (preview->isVisibleTo(&window) &&
            !QTest::qWaitFor([preview] { return preview->isLoaded() && preview->canvas()->isSettled(); },
                             kWaitMs))
            return QStringLiteral("a document's pages were not drawn");
    }
    for (platform::ui::MapView* map : window.findChildren<platform::ui::MapView*>()) {
        if (map->isVisibleTo(&window) && !paintUntil(window, [map] { return map->areVisibleTilesLoaded(); }))
            return QStringLiteral("the map's tiles did not load");
    }
    // Delivered rows fade their times in a moment after they are laid out.
    if (!DeliveredRowTimes::await(&window))
        return QStringLiteral("the delivered rows' times did not show");
    platform::ui::Screenshot::settle();
    return {};
}

} // namespace pelnix::test
