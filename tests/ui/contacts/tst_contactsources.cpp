// The contact picker's sources and list: which sources the host's options choose, what is left out
// (room members, invitees, the signed-in user), the host's contacts, the users' fetch and its failure,
// the address book and its refusal, merging, sections, the index and row heights.
#include "ContactsTestKit.h"
#include "GeneratedCards.h"
#include "HeldThreadPool.h"
#include "core/model/PLAddressBookHelper.h"
#include "core/model/RoomMember.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationItem.h"
#include "ui/contacts/PLContactsSectionHeaderView.h"
#include "ui/contacts/PLContactsTableViewCell.h"
#include "ui/toolkit/PLCustomSeparatorView.h"
#include "ui/toolkit/PLRoundImageView.h"

#include <QProcess>
#include <cstdio>

using namespace pelnix;
using namespace pelnix::test;

Q_DECLARE_METATYPE(QList<PLPelnixContact>)

namespace {
// The five first people of the book give seven entries: five addresses and two numbers.
constexpr int kBookPeople = 5;
constexpr int kBookEntries = 7;

QVariant bookEntry(const QString& name, const QString& email, const QString& phone) {
    return QVariant::fromValue(PLAddressBookContact{name, email, phone, 0});
}

QVariant hostContact(const QString& name, const QString& email, const QString& phone) {
    return QVariant::fromValue(PLPelnixContact{name, email, phone});
}

QVariant storedUser(qint32 id, const QString& name, const QString& email) {
    auto user = User::userWithIntID(id);
    if (!user) {
        user = User::PS_createEntity();
        user->updateWithDictionary(userJSON(id, name, email));
    }
    return QVariant::fromValue(user);
}

int countOf(const QList<PLPickerContact>& contacts, PLPickerContact::Kind kind) {
    return int(std::count_if(contacts.cbegin(), contacts.cend(),
                             [kind](const PLPickerContact& c) { return c.kind() == kind; }));
}

// Set in the environment of a run of this program that opens the picker on the address book, as a
// host does, and ends as a host's program ends.
const char* const kOpenPickerVariable = "PELNIX_TEST_OPEN_PICKER";

int openPickerAndEnd() {
    ContactsWorld world(1);
    world.writeBook(kBookPeople);
    PickerOnScreen screen;
    // As a host: nothing waits for the reading thread (a wait for it would end it).
    QCoreApplication::processEvents();
    Scheduler::shared()->advance(PLContactsViewController::kAddressBookReadDelayMs);
    const bool read = QTest::qWaitFor([&] { return !screen.picker->addressBookContacts().isEmpty(); }, 10000);
    std::printf("book entries: %d\n", read ? int(screen.picker->addressBookContacts().size()) : 0);
    return 0;
}

QStringList details(const QList<PLPickerContact>& contacts) {
    QStringList out;
    for (const PLPickerContact& c : contacts)
        out << c.profileName() + QLatin1Char('/') + (c.email().isEmpty() ? c.phone() : c.email());
    return out;
}
} // namespace

class TestContactSources : public QObject {
    Q_OBJECT
private slots:
    void sourcesByOptions_data();
    void sourcesByOptions();
    void usersWaitForTheFetch();
    void failedFetchTakesTheIndicatorDown();
    void closedPickerTakesItsIndicatorAlong();
    void exclusionLists_data();
    void exclusionLists();
    void hostContacts_data();
    void hostContacts();
    void addressBookLeavesOutMembersAndOwnAddress();
    void emptyNumberHidesNoPhoneEntry();
    void sameNameAndAddressShowOnce();
    void sectionIndex_data();
    void sectionIndex();
    void sectionsHeadersAndRowHeights();
    void refusedAddressBookIsReported();
    void cancelDismissesWithoutAnswer();
    void theBookArrivesWhileTheOtherSourcesShow();
    void aProgramThatOpenedThePickerEndsQuietly();
};

void TestContactSources::sourcesByOptions_data() {
    QTest::addColumn<quint64>("options");
    QTest::addColumn<int>("bookRows");
    QTest::addColumn<int>("userRows");
    QTest::addColumn<int>("hostRows");
    QTest::newRow("0 nothing") << quint64(0) << 0 << 0 << 0;
    QTest::newRow("1 address book") << quint64(1) << kBookEntries << 0 << 0;
    QTest::newRow("2 users") << quint64(2) << 0 << 2 << 0;
    QTest::newRow("3 users and address book") << quint64(3) << kBookEntries << 2 << 0;
    QTest::newRow("4 host") << quint64(4) << 0 << 0 << 1;
    QTest::newRow("5 address book and host") << quint64(5) << kBookEntries << 0 << 1;
    QTest::newRow("6 users and host") << quint64(6) << 0 << 2 << 1;
    QTest::newRow("7 all three") << quint64(7) << kBookEntries << 2 << 1;
    QTest::newRow("8 unknown source") << quint64(8) << 0 << 0 << 0;
    QTest::newRow("9 unknown with the book's bit") << quint64(9) << 0 << 0 << 0;
    QTest::newRow("15 unknown with every bit") << quint64(15) << 0 << 0 << 0;
}

void TestContactSources::sourcesByOptions() {
    QFETCH(quint64, options);
    QFETCH(int, bookRows);
    QFETCH(int, userRows);
    QFETCH(int, hostRows);
    ContactsWorld world(options);
    world.writeBook(kBookPeople);
    world.storeUsers({userJSON(42, "Bob", "bob@acme.test"), userJSON(44, "Dev", "dev@acme.test")});
    world.host.contacts = QList<PLPelnixContact>{{"Hal", "hal@host.test", ""}};
    PickerOnScreen screen;
    screen.finishLoading();

    QList<PLPickerContact> listed;
    for (const auto& section : screen.picker->sections())
        listed += section;
    QCOMPARE(countOf(listed, PLPickerContact::Kind::AddressBook), bookRows);
    QCOMPARE(countOf(listed, PLPickerContact::Kind::User), userRows);
    QCOMPARE(countOf(listed, PLPickerContact::Kind::Host), hostRows);
    QVERIFY(!PLActivityIndicatorView::isVisible());
    // An empty offer still takes typed addresses.
    QVERIFY(screen.picker->addContactsTextField()->isEnabled());
}

void TestContactSources::usersWaitForTheFetch() {
    ContactsWorld world(3);
    world.seedColleagues();
    world.writeBook(kBookPeople);
    CurrentUserInfo::currentUserInfo()->setPrivateEventTime(700);
    CurrentUserInfo::currentUserInfo()->save();
    world.fixture.server().addFault({"/contacts", "GET", 1, standin::FaultInjector::Mode::Hold});
    {
        PickerOnScreen screen;
        QTRY_COMPARE(world.fixture.server().heldCount(), 1);
        QVERIFY(screen.picker->isWaitingForContacts());
        QVERIFY(PLActivityIndicatorView::isVisible());
        QVERIFY(screen.picker->pelnixContacts().isEmpty());

        world.fixture.server().releaseHeld();
        QTRY_VERIFY(!screen.picker->isWaitingForContacts());
        QCOMPARE(namesOf(screen.picker->pelnixContacts()), (QStringList{"Bob", "Cid"}));
        screen.finishLoading();
        QCOMPARE(screen.picker->addressBookContacts().size(), kBookEntries);
        QVERIFY(!PLActivityIndicatorView::isVisible());
    }
    // Once fetched, the users come from the store at once.
    const int fetches = world.fixture.requestsTo("/contacts");
    PickerOnScreen again;
    QVERIFY(!again.picker->isWaitingForContacts());
    QCOMPARE(namesOf(again.picker->pelnixContacts()), (QStringList{"Bob", "Cid"}));
    QCOMPARE(world.fixture.requestsTo("/contacts"), fetches);
}

void TestContactSources::failedFetchTakesTheIndicatorDown() {
    ContactsWorld world(3);
    world.seedColleagues();
    world.writeBook(kBookPeople);
    world.fixture.server().addFault({"/contacts", "GET", 1, standin::FaultInjector::Mode::Hold});
    PickerOnScreen screen;
    QTRY_COMPARE(world.fixture.server().heldCount(), 1);
    QVERIFY(screen.picker->isWaitingForContacts());
    QVERIFY(PLActivityIndicatorView::isVisible());
    // The service goes away: the fetch fails and posts no notification; the picker still ends its wait.
    world.fixture.stopServer();
    QTRY_VERIFY(!screen.picker->isWaitingForContacts());
    screen.finishLoading();
    QVERIFY(!PLActivityIndicatorView::isVisible());
    QVERIFY(screen.picker->pelnixContacts().isEmpty());
    QCOMPARE(screen.picker->addressBookContacts().size(), kBookEntries);
    QCOMPARE(screen.table()->numberOfSections(), 1);
}

void TestContactSources::closedPickerTakesItsIndicatorAlong() {
    ContactsWorld world(2);
    world.seedColleagues();
    world.fixture.server().addFault({"/contacts", "GET", 1, standin::FaultInjector::Mode::Hold});
    {
        PickerOnScreen screen;
        QTRY_COMPARE(world.fixture.server().heldCount(), 1);
        QVERIFY(PLActivityIndicatorView::isVisible());
        // The host takes the picker down while it waits.
        screen.host->dismissViewController(false);
        QTRY_VERIFY(!screen.picker);
    }
    ContactsWorld::settleBusyIndicator();
    QVERIFY(!PLActivityIndicatorView::isVisible());
    world.fixture.server().releaseHeld();
}

void TestContactSources::exclusionLists_data() {
    QTest::addColumn<QVariantList>("added");
    QTest::addColumn<QStringList>("emails");
    QTest::addColumn<QStringList>("phones");
    QTest::newRow("pending invitees by type")
        << QVariantList{QVariantMap{{"name", "carla@x.test"}, {"type", "email"}},
                        QVariantMap{{"name", "+1 (555) 123-4"}, {"type", "phone"}},
                        QVariantMap{{"name", "dan@x.test"}}}
        << QStringList{"carla@x.test", "dan@x.test"} << QStringList{"15551234"};
    QTest::newRow("invitee without a name")
        << QVariantList{QVariantMap{{"type", "phone"}}} << QStringList() << QStringList();
    QTest::newRow("address-book entries")
        << QVariantList{bookEntry("A", "a@x.test", {}), bookEntry("B", {}, "+44 20 7946-0102")}
        << QStringList{"a@x.test"} << QStringList{"442079460102"};
    QTest::newRow("empty numbers are no entries")
        << QVariantList{bookEntry("C", {}, ""), bookEntry("D", {}, "n/a"), hostContact("E", "", "()"),
                        QVariantMap{{"name", ""}, {"type", "phone"}}}
        << QStringList() << QStringList();
    QTest::newRow("host contacts: e-mail first, else the number")
        << QVariantList{hostContact("F", "f@x.test", "555"), hostContact("G", "", "0 55-12")}
        << QStringList{"f@x.test"} << QStringList{"05512"};
    QTest::newRow("other values") << QVariantList{QString("h@x.test"), 7, QVariant()} << QStringList()
                                  << QStringList();
}

void TestContactSources::exclusionLists() {
    QFETCH(QVariantList, added);
    QFETCH(QStringList, emails);
    QFETCH(QStringList, phones);
    ContactsWorld world(0);
    PickerOnScreen screen(added, true);
    const QVariantMap lists = screen.picker->addedUserEmailsAndPhones();
    // The signed-in user is always left out, last.
    QCOMPARE(lists.value("email").toStringList(), emails + QStringList{world.fixture.email()});
    QCOMPARE(lists.value("phone").toStringList(), phones);
}

void TestContactSources::hostContacts_data() {
    QTest::addColumn<QVariantList>("added");
    QTest::addColumn<QList<PLPelnixContact>>("offered");
    QTest::addColumn<QStringList>("rows");
    const QList<PLPelnixContact> mixed{{"Hal", "hal@host.test", "+1 555 0199"},
                                       {"Ida", "ida@host.test", ""},
                                       {"Jo", "", "+1 (555) 123-4"},
                                       {"Kim", "", ""}};
    QTest::newRow("both fields give two rows; neither, none")
        << QVariantList() << mixed
        << QStringList{"Hal/hal@host.test", "Hal/+1 555 0199", "Ida/ida@host.test", "Jo/+1 (555) 123-4"};
    QTest::newRow("a member's address")
        << QVariantList{QVariantMap{{"storedUser", "hal@host.test"}}} << mixed
        << QStringList{"Hal/+1 555 0199", "Ida/ida@host.test", "Jo/+1 (555) 123-4"};
    QTest::newRow("a number without its country code")
        << QVariantList{QVariantMap{{"name", "5551234"}, {"type", "phone"}}} << mixed
        << QStringList{"Hal/hal@host.test", "Hal/+1 555 0199", "Ida/ida@host.test"};
    QTest::newRow("an empty number in the room hides nobody")
        << QVariantList{bookEntry("Nobody", {}, ""), QVariantMap{{"name", ""}, {"type", "phone"}}} << mixed
        << QStringList{"Hal/hal@host.test", "Hal/+1 555 0199", "Ida/ida@host.test", "Jo/+1 (555) 123-4"};
    QTest::newRow("addresses are compared trimmed")
        << QVariantList{hostContact("Ida", "ida@host.test", "")}
        << QList<PLPelnixContact>{{"Ida", " ida@host.test ", ""}} << QStringList();
}

void TestContactSources::hostContacts() {
    QFETCH(QVariantList, added);
    QFETCH(QList<PLPelnixContact>, offered);
    QFETCH(QStringList, rows);
    ContactsWorld world(4);
    // Users exist once the store does.
    for (QVariant& value : added)
        if (value.toMap().contains("storedUser"))
            value = storedUser(50, "Hal", value.toMap().value("storedUser").toString());
    world.host.contacts = offered;
    PickerOnScreen screen(added, true);
    QCOMPARE(details(screen.picker->customAddressBookContactsArray()), rows);
    // A contact with one field is the host's own object; one with both is split in two.
    for (const PLPickerContact& contact : screen.picker->customAddressBookContactsArray())
        QVERIFY(contact.email().isEmpty() != contact.phone().isEmpty());
}

void TestContactSources::addressBookLeavesOutMembersAndOwnAddress() {
    ContactsWorld world(1);
    world.writeBook(5);
    // The signed-in user is in the address book too.
    QFile own(world.bookFolder + "/ann.vcf");
    QVERIFY(own.open(QIODevice::WriteOnly));
    own.write("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann;;;\r\nEMAIL:" + world.fixture.email().toUtf8() +
              "\r\nTEL:+1 555 0142\r\nEND:VCARD\r\n");
    own.close();
    {
        PickerOnScreen screen;
        screen.finishLoading();
        const QStringList offered = details(screen.picker->addressBookContacts());
        QVERIFY(!offered.contains("Ann Lee/" + world.fixture.email()));
        QVERIFY(offered.contains("Ann Lee/+1 555 0142"));
        QCOMPARE(offered.size(), kBookEntries + 1);
    }
    // Adding to a room also leaves out its members and invitees.
    auto member = RoomMember::PS_createEntity();
    member->setUser(
        storedUser(51, "Alice Nguyen", "alice.nguyen@people.test").value<std::shared_ptr<User>>());
    PickerOnScreen screen({QVariant::fromValue(member), QVariantMap{{"name", "5550101"}, {"type", "phone"}}},
                          true);
    screen.finishLoading();
    const QStringList offered = details(screen.picker->addressBookContacts());
    QVERIFY(!offered.contains("Alice Nguyen/alice.nguyen@people.test"));
    QVERIFY(!offered.contains("Aaron Blake/+1 555-0101"));
    QVERIFY(offered.contains("Aaron Blake/aaron.blake@people.test"));
    QCOMPARE(offered.size(), kBookEntries + 1 - 2);
}

void TestContactSources::emptyNumberHidesNoPhoneEntry() {
    ContactsWorld world(1);
    world.writeBook(40);
    PickerOnScreen screen({bookEntry("Blank", {}, ""), QVariantMap{{"name", "()"}, {"type", "phone"}}}, true);
    screen.finishLoading();
    int phones = 0;
    for (const PLPickerContact& entry : screen.picker->addressBookContacts())
        phones += entry.phone().isEmpty() ? 0 : 1;
    QCOMPARE(phones, 8);
    // The address book helper alone: an empty number in its list leaves every number in.
    const auto entries = PLAddressBookHelper::addressBookContacts_ShouldFetchContactsWithPhone(
        true, {{"phone", QVariantList{""}}});
    QCOMPARE(
        std::count_if(entries.cbegin(), entries.cend(), [](const auto& e) { return !e.phone.isEmpty(); }), 8);
}

void TestContactSources::sameNameAndAddressShowOnce() {
    ContactsWorld world(3);
    world.writeBook(10);
    world.storeUsers({userJSON(60, "Carla Diaz", "carla.diaz@people.test"),
                      userJSON(61, "Carla D.", "cora.lind@people.test"),
                      userJSON(62, "Chen Wei", "chen@acme.test")});
    PickerOnScreen screen;
    screen.finishLoading();
    const int section = int(screen.picker->sectionTitles().indexOf("C"));
    QVERIFY(section >= 0);
    QStringList rows = details(screen.picker->sections().at(section));
    QCOMPARE(rows, (QStringList{"Carla D./cora.lind@people.test", "Carla Diaz/carla.diaz@people.test",
                                "Chen Wei/chen.wei@people.test", "Chen Wei/+86 10 5555 0103",
                                "Chen Wei/chen@acme.test", "Cora Lind/cora.lind@people.test"}));
    // A search merges nothing: the user shows beside the address-book entry.
    screen.type("carla.diaz");
    QCOMPARE(details(screen.picker->filteredMembersArray()),
             (QStringList{"Carla Diaz/carla.diaz@people.test", "Carla Diaz/carla.diaz@people.test"}));
}

void TestContactSources::sectionIndex_data() {
    QTest::addColumn<int>("people");
    QTest::addColumn<int>("inRoom");
    QTest::addColumn<QString>("search");
    QTest::addColumn<bool>("index");
    QTest::newRow("30 entries") << 30 << 0 << QString() << false;
    QTest::newRow("31 entries") << 31 << 0 << QString() << true;
    QTest::newRow("40 entries") << 40 << 0 << QString() << true;
    QTest::newRow("40 people, 9 in the room: 31") << 40 << 9 << QString() << true;
    QTest::newRow("40 people, 10 in the room: 30") << 40 << 10 << QString() << false;
    QTest::newRow("40 entries while searching") << 40 << 0 << QString("a") << false;
}

void TestContactSources::sectionIndex() {
    QFETCH(int, people);
    QFETCH(int, inRoom);
    QFETCH(QString, search);
    QFETCH(bool, index);
    ContactsWorld world(1);
    world.writeBook(people, false);
    QVariantList members;
    for (int i = 0; i < inRoom; ++i)
        members << QVariantMap{{"name", tools::contactsGalleryPeople().at(i).email}, {"type", "email"}};
    PickerOnScreen screen(members, inRoom > 0);
    screen.finishLoading();
    QCOMPARE(screen.picker->addressBookContacts().size(), people - inRoom);
    screen.type(search);
    QCOMPARE(screen.picker->isSectionIndexShown(), index);
    const QStringList titles = screen.picker->sectionIndexTitlesForTableView(screen.table());
    QCOMPARE(titles, index ? screen.picker->sectionTitles() : QStringList());
    if (!index)
        return;
    // With typed addresses first, a letter still leads to its own section.
    screen.type("new.person@else.test");
    screen.picker->addContactsButtonTapped();
    QVERIFY(screen.picker->hasTypedAddressSection());
    const QString letter = titles.at(titles.size() - 2);
    const int section =
        screen.picker->sectionForSectionIndexTitle(screen.table(), letter, int(titles.size() - 2));
    QCOMPARE(screen.picker->titleForHeaderInSection(screen.table(), section), letter);
}

void TestContactSources::sectionsHeadersAndRowHeights() {
    ContactsWorld world(1);
    world.writeBook(40);
    PickerOnScreen screen;
    screen.finishLoading();
    const QStringList titles = screen.picker->sectionTitles();
    QCOMPARE(titles.first(), QString("A"));
    QCOMPARE(titles.last(), QString("#"));
    QVERIFY(!titles.contains("Q") && !titles.contains("X"));
    QCOMPARE(namesOf(screen.picker->sections().last()), QStringList{"8th Floor Desk"});
    // An accented initial goes with its letter.
    QVERIFY(
        namesOf(screen.picker->sections().at(titles.indexOf("E"))).contains(QString::fromUtf8("Émile Roux")));

    // The letter's header: 28 high, blue bold title, a line at its foot from the text inset.
    auto* table = screen.table();
    QCOMPARE(screen.picker->heightForHeaderInSection(table, 0), 28.0);
    auto* header = qobject_cast<PLContactsSectionHeaderView*>(table->headerViewAt(0));
    QVERIFY(header);
    QCOMPARE(header->title(), QString("A"));
    QCOMPARE(header->titleLabel()->textColor(), QColor(0, 134, 202));
    QCOMPARE(header->titleLabel()->font().family(), QString("DejaVu Sans"));
    QVERIFY(header->titleLabel()->font().bold());
    QCOMPARE(header->lineView()->geometry(), QRect(15, header->height() - 1, header->width() - 15, 1));

    // A row is 76 points high when its address needs two lines at the text width, else 64.
    const auto zoe = screen.rowOf("Zoe Adams");
    const auto aaron = screen.rowOf("Aaron Blake");
    QCOMPARE(screen.picker->heightForRowAtIndexPath(table, *zoe), 76.0);
    QCOMPARE(screen.picker->heightForRowAtIndexPath(table, *aaron), 64.0);
    screen.window.resize(1024, 768);
    QCoreApplication::processEvents();
    QCOMPARE(screen.picker->heightForRowAtIndexPath(table, *zoe), 64.0);
}

void TestContactSources::refusedAddressBookIsReported() {
    ContactsWorld world(3);
    world.writeBook(5);
    world.storeUsers({userJSON(42, "Bob", "bob@acme.test")});
    platform::AddressBook::sharedAddressBook()->setAuthorizationStatus(
        platform::AddressBook::Authorization::Denied);
    PickerOnScreen screen;
    QVERIFY(!PLActivityIndicatorView::isVisible());
    screen.finishLoading();
    QCOMPARE(
        screen.alertTexts(),
        QStringList{"Access Denied | Couldn't sync Address Book. \nThis app does not have access to your "
                    "contacts. You can enable access in Privacy Settings."});
    QCOMPARE(screen.alert()->buttonTitleAtIndex(0), QString("OK"));
    QVERIFY(screen.picker->addressBookContacts().isEmpty());
    QCOMPARE(screen.rowsByName(), QStringList{"B: Bob"});
}

void TestContactSources::cancelDismissesWithoutAnswer() {
    ContactsWorld world(0);
    PickerOnScreen screen;
    platform::ui::BarButtonItem* cancel = screen.picker->navigationItem()->leftBarButtonItem();
    QVERIFY(cancel && cancel->customView());
    QCOMPARE(screen.picker->title(), QString("Contacts"));
    qobject_cast<platform::ui::Button*>(cancel->customView())->click();
    QVERIFY(!screen.isPresented());
    QVERIFY(screen.host->added.isEmpty() && screen.host->openedRooms.isEmpty());

    // Not presented (embedded in a host's own stack), there is nothing to cancel.
    Window window;
    auto* navigation = ScreenRegistry::shared()->instantiate(PLContactsViewController::kStoryboard,
                                                             PLContactsViewController::kNavigationIdentifier);
    window.setRootViewController(navigation);
    window.show();
    auto* embedded = qobject_cast<NavigationController*>(navigation)->topViewController();
    QVERIFY(!embedded->navigationItem()->leftBarButtonItem());
}

// The book is read off the main thread: while the reading thread is held the picker lists the users
// and the host's contacts under its busy indicator and answers typing; then the book's people come, in
// their letter sections, and their photos follow at thumbnail size.
void TestContactSources::theBookArrivesWhileTheOtherSourcesShow() {
    ContactsWorld world(7);
    {
        QFile book(world.bookFolder + QStringLiteral("/photos.vcf"));
        QVERIFY(book.open(QIODevice::WriteOnly));
        book.write(generatedCard(1, greyPNG({5600, 5600})) + generatedCard(2));
    }
    world.storeUsers({userJSON(42, "Bob", "bob@acme.test")});
    world.host.contacts = QList<PLPelnixContact>{{"Hal", "hal@host.test", ""}};
    HeldThreadPool held(PLAddressBookHelper::readingPool());

    PickerOnScreen screen;
    QCoreApplication::processEvents();
    Scheduler::shared()->advance(PLContactsViewController::kAddressBookReadDelayMs);
    QCoreApplication::processEvents();
    QVERIFY(screen.picker->isReadingAddressBook());
    QVERIFY(PLActivityIndicatorView::isVisible());
    QCOMPARE(screen.rowsByName(), (QStringList{"B: Bob", "H: Hal"}));
    screen.type("ha");
    QCOMPARE(namesOf(screen.picker->filteredMembersArray()), QStringList{"Hal"});
    screen.eraseAll();

    held.release();
    PickerOnScreen::awaitBook();
    QVERIFY(!screen.picker->isReadingAddressBook());
    QVERIFY(!PLActivityIndicatorView::isVisible());
    QCOMPARE(
        screen.rowsByName(),
        (QStringList{"B: Bob", "G: Given Person1, Given Person1, Given Person2, Given Person2", "H: Hal"}));
    const auto photographed = screen.rowOf("Given Person1");
    QVERIFY(photographed);
    const qint32 recordID = screen.picker->contactForIndexPath(*photographed).recordID();
    QCOMPARE(screen.picker->addressBookThumbnail(recordID).size(), QSize(128, 128));
    screen.table()->scrollToRowAtIndexPath(*photographed, platform::ui::TableView::ScrollPosition::Middle,
                                           false);
    auto* row = qobject_cast<PLContactsTableViewCell*>(screen.table()->cellForRowAtIndexPath(*photographed));
    QVERIFY(row);
    const QImage shown = row->contactImageView()->image();
    QCOMPARE(shown.size(), QSize(128, 128));
    QCOMPARE(qGray(shown.pixel(64, 64)), kPhotoGrey);
}

// The book's reading thread ends with the program, before what the thread's Qt state needs is gone:
// the program's end writes nothing.
void TestContactSources::aProgramThatOpenedThePickerEndsQuietly() {
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kOpenPickerVariable), QStringLiteral("1"));
    run.setProcessEnvironment(environment);
    run.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(run.waitForFinished(60000));
    const QString out = QString::fromUtf8(run.readAllStandardOutput());
    const QString err = QString::fromUtf8(run.readAllStandardError());
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 0);
    QVERIFY2(out.contains(QStringLiteral("book entries: %1\n").arg(kBookEntries)), qPrintable(out + err));
    QVERIFY2(!err.contains(QStringLiteral("QThreadStorage")), qPrintable(err));
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    if (qEnvironmentVariableIsSet(kOpenPickerVariable))
        return openPickerAndEnd();
    TestContactSources test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_contactsources.moc"
