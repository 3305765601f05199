// The address book over a folder of vCard files: reading cards, access and change watching.
#include "TestSandbox.h"
#include "platform/AddressBook.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace pelnix::platform;
using namespace pelnix::test;

namespace {
void writeCard(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}
} // namespace

class TestAddressBook : public QObject {
    Q_OBJECT
private slots:
    void readsCards();
    void accessFollowsThePolicy();
    void changesToTheFolderAreAnnounced();
};

void TestAddressBook::readsCards() {
    const QByteArray text = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Smith;Ann;;;\r\nFN:Ann Smith\r\n"
                            "EMAIL;TYPE=INTERNET,WORK:ann@acme.test\r\nEMAIL:ann@home.test\r\n"
                            "TEL;TYPE=CELL:+1 555-1234\r\nTEL:555 0000\r\n"
                            "NOTE:a long note that is\r\n  folded\r\n"
                            "PHOTO;ENCODING=b;TYPE=PNG:aGVsbG8=\r\nEND:VCARD\r\n"
                            "BEGIN:VCARD\nVERSION:4.0\nFN:Only\\, Formatted\nTEL;VALUE=uri:tel:+44-20-1234\n"
                            "PHOTO:data:image/png;base64,d29ybGQ=\nEND:VCARD\n"
                            "BEGIN:VCARD\nVERSION:2.1\nEMAIL:x@y.test\nEND:VCARD\n";
    const auto people = AddressBookVCardReader::read(text, "cards.vcf");
    QCOMPARE(people.size(), 3);
    const AddressBookPerson& ann = people.at(0);
    QCOMPARE(ann.firstName, QString("Ann"));
    QCOMPARE(ann.lastName, QString("Smith"));
    QCOMPARE(ann.emails.size(), 2);
    QCOMPARE(ann.emails.at(0).label, QString("work"));
    QCOMPARE(ann.emails.at(1).label, QString());
    QCOMPARE(ann.phones.at(0).label, QString("mobile"));
    QCOMPARE(ann.phones.at(0).value, QString("+1 555-1234"));
    QCOMPARE(ann.thumbnail, QByteArray("hello"));
    QCOMPARE(people.at(1).firstName, QString("Only, Formatted"));
    QCOMPARE(people.at(1).phones.at(0).value, QString("+44-20-1234"));
    QCOMPARE(people.at(1).thumbnail, QByteArray("world"));
    QVERIFY(people.at(2).firstName.isEmpty() && people.at(2).lastName.isEmpty());

    // Record IDs are positive, distinct and stable for the same file.
    QVERIFY(ann.recordID > 0);
    QVERIFY(ann.recordID != people.at(1).recordID);
    QCOMPARE(AddressBookVCardReader::read(text, "cards.vcf").at(2).recordID, people.at(2).recordID);
}

void TestAddressBook::accessFollowsThePolicy() {
    TestSandbox sandbox;
    AddressBook* book = AddressBook::sharedAddressBook();
    book->setFolder({});
    QCOMPARE(book->folder(), sandbox.path("Library/Application Support/Contacts"));
    QDir().mkpath(book->folder());
    writeCard(book->folder() + "/a.vcf", "BEGIN:VCARD\nN:B;Bo\nEND:VCARD\nBEGIN:VCARD\nN:A;Al\nEND:VCARD\n");

    book->setAuthorizationStatus(AddressBook::Authorization::NotDetermined);
    book->setGrantsAccessOnRequest(false);
    QVERIFY(book->people().isEmpty());
    QList<bool> answers;
    book->requestAccess([&answers](bool granted) { answers << granted; });
    QVERIFY(answers.isEmpty()); // answered on a later turn
    QTRY_COMPARE(answers, QList<bool>{false});
    QCOMPARE(book->authorizationStatus(), AddressBook::Authorization::Denied);
    QVERIFY(book->people().isEmpty());

    book->setAuthorizationStatus(AddressBook::Authorization::NotDetermined);
    book->setGrantsAccessOnRequest(true);
    book->requestAccess([&answers](bool granted) { answers << granted; });
    QTRY_COMPARE(answers.size(), 2);
    QVERIFY(answers.last());
    const auto people = book->people();
    QCOMPARE(people.size(), 2);
    QCOMPARE(people.first().firstName, QString("Al")); // sorted by first name
    QCOMPARE(book->person(people.last().recordID)->firstName, QString("Bo"));
    QVERIFY(!book->person(12345));
}

void TestAddressBook::changesToTheFolderAreAnnounced() {
    TestSandbox sandbox;
    QTemporaryDir hostFolder;
    AddressBook* book = AddressBook::sharedAddressBook();
    book->setAuthorizationStatus(AddressBook::Authorization::Authorized);
    book->setFolder(hostFolder.path());
    writeCard(hostFolder.filePath("a.vcf"), "BEGIN:VCARD\nN:;Al\nEND:VCARD\n");
    QSignalSpy changes(book, &AddressBook::externalChange);
    book->startWatching();

    writeCard(hostFolder.filePath("b.vcf"), "BEGIN:VCARD\nN:;Bo\nEND:VCARD\n");
    QVERIFY(changes.wait(5000));
    QCOMPARE(book->people().size(), 2);

    changes.clear();
    writeCard(hostFolder.filePath("a.vcf"), "BEGIN:VCARD\nN:;Alf\nEND:VCARD\n");
    QTRY_VERIFY(!changes.isEmpty());
    QCOMPARE(book->people().first().firstName, QString("Alf"));
    book->stopWatching();
    book->setFolder({});
}

QTEST_GUILESS_MAIN(TestAddressBook)
#include "tst_address_book.moc"
