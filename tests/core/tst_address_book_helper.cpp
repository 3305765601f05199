// Address-book access for the contact screens: listing with exclusions, names, labelled details and
// the change notification.
#include "TestSandbox.h"
#include "core/model/PLAddressBookHelper.h"
#include "core/model/PLModelManager.h"
#include "platform/AddressBook.h"
#include "platform/NotificationCenter.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace pelnix;
using namespace pelnix::test;
using platform::AddressBook;

namespace {

void writeCards(const QString& name, const QByteArray& text) {
    const QString folder = AddressBook::sharedAddressBook()->folder();
    QDir().mkpath(folder);
    QFile file(folder + "/" + name);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

const QByteArray kCards = "BEGIN:VCARD\nN:Smith;Ann\nEMAIL: ann@acme.test\t\nEMAIL:ann@home.test\n"
                          "TEL:+1 555-1234\nTEL:(020) 7946 0000\nEND:VCARD\n"
                          "BEGIN:VCARD\nTEL:5551234\nEND:VCARD\n"
                          "BEGIN:VCARD\nN:;Bo\nNOTE:no way to reach him\nEND:VCARD\n";

QStringList describe(const QList<PLAddressBookContact>& contacts) {
    QStringList out;
    for (const auto& c : contacts)
        out << c.profileName + "|" + c.email + "|" + c.phone;
    return out;
}

} // namespace

class TestAddressBookHelper : public QObject {
    Q_OBJECT
private slots:
    void init() {
        AddressBook::sharedAddressBook()->setFolder({});
        AddressBook::sharedAddressBook()->setAuthorizationStatus(AddressBook::Authorization::Authorized);
    }
    void cleanup() {
        PLAddressBookHelper::sharedInstance()->cleanUp();
        PLModelManager::destroySharedInstance();
    }

    void contactsWithExclusions_data();
    void contactsWithExclusions();
    void namesAndLabelledDetails();
    void changesPostTheNotificationAndMarkTheBookUnread();
};

void TestAddressBookHelper::contactsWithExclusions_data() {
    QTest::addColumn<bool>("withPhone");
    QTest::addColumn<QVariantMap>("added");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("everything") << true << QVariantMap{}
                                << QStringList{"No Name||5551234", "Ann Smith|ann@acme.test|",
                                               "Ann Smith|ann@home.test|", "Ann Smith||+1 555-1234",
                                               "Ann Smith||(020) 7946 0000"};
    QTest::newRow("no phones") << false << QVariantMap{}
                               << QStringList{"Ann Smith|ann@acme.test|", "Ann Smith|ann@home.test|"};
    QTest::newRow("digits end with an added number")
        << true << QVariantMap{{"phone", QStringList{"5551234"}}, {"email", QStringList{"ann@acme.test"}}}
        << QStringList{"Ann Smith|ann@home.test|", "Ann Smith||(020) 7946 0000"};
    QTest::newRow("added numbers are compared as given")
        << true << QVariantMap{{"phone", QStringList{"555 1234", "555-1234"}}}
        << QStringList{"No Name||5551234", "Ann Smith|ann@acme.test|", "Ann Smith|ann@home.test|",
                       "Ann Smith||+1 555-1234", "Ann Smith||(020) 7946 0000"};
}

void TestAddressBookHelper::contactsWithExclusions() {
    QFETCH(bool, withPhone);
    QFETCH(QVariantMap, added);
    QFETCH(QStringList, expected);
    TestSandbox sandbox;
    writeCards("people.vcf", kCards);
    auto* manager = PLModelManager::sharedModelManager();
    QVERIFY(!manager->localAddressBookSynched());
    const auto contacts =
        PLAddressBookHelper::addressBookContacts_ShouldFetchContactsWithPhone(withPhone, added);
    QCOMPARE(describe(contacts), expected);
    QVERIFY(manager->localAddressBookSynched());
    // People without an e-mail or phone are not offered.
    QCOMPARE(PLAddressBookHelper::allAddressBookContacts().size(), 2);
}

void TestAddressBookHelper::namesAndLabelledDetails() {
    TestSandbox sandbox;
    writeCards("people.vcf", kCards + "BEGIN:VCARD\nN:Solo;\nEMAIL;TYPE=HOME:s@x.test\nEND:VCARD\n");
    const auto people = AddressBook::sharedAddressBook()->people();
    QStringList names;
    for (const auto& p : people)
        names << PLAddressBookHelper::userNameForRecord(p);
    QCOMPARE(names, (QStringList{"No Name", "Solo", "Ann Smith", "Bo"}));

    const qint32 ann = people.at(2).recordID;
    QCOMPARE(PLAddressBookHelper::userNameForAddressBookUserWithID(ann), QString("Ann Smith"));
    const QVariantMap details = PLAddressBookHelper::detailsOfContactWithRecordID(ann);
    QCOMPARE(details.value("email").toList(),
             (QVariantList{QVariantMap{{"label", "email"}, {"email", " ann@acme.test\t"}},
                           QVariantMap{{"label", "email1"}, {"email", "ann@home.test"}}}));
    QCOMPARE(details.value("phone").toList(),
             (QVariantList{QVariantMap{{"label", "phone"}, {"phone", "+1 555-1234"}},
                           QVariantMap{{"label", "phone2"}, {"phone", "(020) 7946 0000"}}}));
    const QVariantMap solo = PLAddressBookHelper::detailsOfContactWithRecordID(people.at(1).recordID);
    QCOMPARE(solo.keys(), QStringList{"email"});
    QCOMPARE(solo.value("email").toList().first().toMap().value("label"), QVariant("home"));
    QVERIFY(PLAddressBookHelper::detailsOfContactWithRecordID(1).isEmpty());
    QVERIFY(PLAddressBookHelper::thumbImageForAddressBookUserWithID(ann).isNull());

    // The add-contact screen gets the person of a shared contact.
    platform::AddressBookPerson shown;
    PLAddressBookHelper::setAddContactPresenter(
        [&shown](const platform::AddressBookPerson& p, QObject*) { shown = p; });
    PLAddressBookHelper::showOptionToAddContact(
        {{"name", "Cy"},
         {"phone", QVariantList{QVariantMap{{"label", "mobile"}, {"phone", "123"}}}},
         {"email", "bad"}},
        nullptr);
    PLAddressBookHelper::setAddContactPresenter({});
    QCOMPARE(shown.firstName, QString("Cy"));
    QCOMPARE(shown.phones.size(), 1);
    QCOMPARE(shown.phones.first().label, QString("mobile"));
    QVERIFY(shown.emails.isEmpty());
    // A shared contact's numbers and addresses are saved as the card shows them: without directional
    // controls.
    const QString rlo(QChar(0x202E));
    const auto shared = PLAddressBookHelper::personFromSharedContact(
        {{"name", "Eve"},
         {"phone", QVariantList{QVariantMap{{"label", "mobile"}, {"phone", "+1" + rlo + "0010555"}}}},
         {"email", QVariantList{QVariantMap{{"label", "home"}, {"email", rlo + "moc.evil@xyz"}}}}});
    QCOMPARE(shared.phones.first().value, QStringLiteral("+10010555"));
    QCOMPARE(shared.emails.first().value, QStringLiteral("moc.evil@xyz"));
}

void TestAddressBookHelper::changesPostTheNotificationAndMarkTheBookUnread() {
    TestSandbox sandbox;
    writeCards("people.vcf", kCards);
    auto* manager = PLModelManager::sharedModelManager();
    int posted = 0;
    const auto token = platform::NotificationCenter::defaultCenter()->addObserver(
        PLAddressBookUpdatedNotification, [&posted](const platform::Notification&) { ++posted; });
    AddressBook::sharedAddressBook()->setAuthorizationStatus(AddressBook::Authorization::NotDetermined);
    QList<bool> answers;
    PLAddressBookHelper::sharedInstance()->hasAddressBookAccess(
        [&answers](bool granted) { answers << granted; });
    QTRY_COMPARE(answers, QList<bool>{true});
    QVERIFY(PLAddressBookHelper::sharedInstance()->isAlreadyRegistered());
    PLAddressBookHelper::addressBookContacts_ShouldFetchContactsWithPhone(false, {});
    QVERIFY(manager->localAddressBookSynched());

    writeCards("new.vcf", "BEGIN:VCARD\nN:;Di\nEMAIL:di@acme.test\nEND:VCARD\n");
    QTRY_VERIFY(posted >= 1);
    QVERIFY(!manager->localAddressBookSynched());
    QCOMPARE(PLAddressBookHelper::allAddressBookContacts().last().profileName, QString("Di"));
    platform::NotificationCenter::defaultCenter()->removeObserver(token);
}

QTEST_GUILESS_MAIN(TestAddressBookHelper)
#include "tst_address_book_helper.moc"
