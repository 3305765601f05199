// The address book over a folder of vCard files: reading cards, access and change watching.
#include "TestSandbox.h"
#include "platform/AddressBook.h"
#include "platform/AddressBookVCardWriter.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
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
    void addressesLoseTheirDirectionalControls();
    void photosOverTheByteBoundAreLeftOut();
    void accessFollowsThePolicy();
    void changesToTheFolderAreAnnounced();
    void writtenCardsReadBackWhole();
    void addingAPersonWritesOneCardThatIsAnnounced();
    void addingIsRefusedWithoutAccessOrContent();
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

// An e-mail address or a number is read as every screen shows it and every action uses it; a name
// keeps what its person wrote.
void TestAddressBook::addressesLoseTheirDirectionalControls() {
    const QByteArray rlo = QString(QChar(0x202E)).toUtf8();
    const QByteArray lrm = QString(QChar(0x200E)).toUtf8();
    const auto people = AddressBookVCardReader::read(
        "BEGIN:VCARD\nN:Eve;" + rlo + "gnp.exe\nEMAIL:" + rlo + "moc.evil@xyz\nTEL:+1" + lrm + rlo +
            "0010555\nTEL;VALUE=uri:tel:" + rlo + "+15550100\nEND:VCARD\n",
        "eve.vcf");
    QCOMPARE(people.size(), 1);
    QCOMPARE(people.first().emails.first().value, QStringLiteral("moc.evil@xyz"));
    QCOMPARE(people.first().phones.at(0).value, QStringLiteral("+10010555"));
    QCOMPARE(people.first().phones.at(1).value, QStringLiteral("+15550100"));
    QCOMPARE(people.first().firstName, QString::fromUtf8(rlo + "gnp.exe"));
}

// A photo's data over the bound is not kept (a card file may hold up to 16 MB); the person is.
void TestAddressBook::photosOverTheByteBoundAreLeftOut() {
    const QByteArray atBound(AddressBookVCardReader::kMaximumPhotoBytes, 'x');
    const QByteArray over(AddressBookVCardReader::kMaximumPhotoBytes + 3, 'x');
    const auto people =
        AddressBookVCardReader::read("BEGIN:VCARD\nN:;At\nPHOTO;ENCODING=b:" + atBound.toBase64() +
                                         "\nEND:VCARD\nBEGIN:VCARD\nN:;Over\nPHOTO:data:image/png;base64," +
                                         over.toBase64() + "\nEND:VCARD\n",
                                     "big.vcf");
    QCOMPARE(people.size(), 2);
    QCOMPARE(people.at(0).thumbnail, atBound);
    QVERIFY(people.at(1).thumbnail.isEmpty());
    QCOMPARE(people.at(1).firstName, QStringLiteral("Over"));
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
    // The folder itself reads as it is, for a read that checked access before it began.
    QCOMPARE(AddressBook::readFolder(book->folder()).size(), 2);

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

// Names and values with the characters the format escapes, labels of every kind, long lines and a
// photo come back as they went in.
void TestAddressBook::writtenCardsReadBackWhole() {
    AddressBookPerson person;
    person.firstName = QStringLiteral("Zoë, \"Zee\"");
    person.lastName = QStringLiteral("O'Neil; Jr.\\");
    person.phones = {{QStringLiteral("mobile"), QStringLiteral("+1 555 0100")},
                     {QStringLiteral("work"), QStringLiteral("555 0101")},
                     {QStringLiteral("Boat phone"), QStringLiteral("555 0102")},
                     {QString(), QStringLiteral("555 0103")}};
    person.emails = {
        {QStringLiteral("home"), QStringLiteral("zoe@home.test")},
        {QStringLiteral("Club, main"), QString(60, QLatin1Char('z')) + QStringLiteral("@long.test")}};
    person.thumbnail = QByteArray(300, 'p');
    const QByteArray card = AddressBookVCardWriter::write(person, QStringLiteral("uid-1"));
    for (const QByteArray& line : card.split('\n'))
        QVERIFY2(line.size() <= 77, line.constData());
    const auto read = AddressBookVCardReader::read(card, QStringLiteral("x.vcf"));
    QCOMPARE(read.size(), 1);
    const AddressBookPerson& back = read.first();
    QCOMPARE(back.firstName, person.firstName);
    QCOMPARE(back.lastName, person.lastName);
    QCOMPARE(back.phones.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(back.phones[i].label, person.phones[i].label);
        QCOMPARE(back.phones[i].value, person.phones[i].value);
    }
    QCOMPARE(back.emails.size(), 2);
    QCOMPARE(back.emails[1].label, person.emails[1].label);
    QCOMPARE(back.emails[1].value, person.emails[1].value);
    QCOMPARE(back.thumbnail, person.thumbnail);
    // The UID fixes the record ID, whatever the file is called.
    QCOMPARE(AddressBookVCardReader::read(card, QStringLiteral("other.vcf")).first().recordID, back.recordID);
}

void TestAddressBook::addingAPersonWritesOneCardThatIsAnnounced() {
    TestSandbox sandbox;
    QTemporaryDir folder;
    AddressBook* book = AddressBook::sharedAddressBook();
    book->setAuthorizationStatus(AddressBook::Authorization::Authorized);
    book->setFolder(folder.path());
    QSignalSpy changes(book, &AddressBook::externalChange);
    book->startWatching();

    AddressBookPerson person;
    person.firstName = QStringLiteral("../../etc/passwd");
    person.phones = {{QStringLiteral("mobile"), QStringLiteral("555 0100")}};
    const auto added = book->addPerson(person);
    QVERIFY(std::holds_alternative<qint32>(added));
    QVERIFY(changes.wait(5000));
    // One card file named by the library, nothing left over from writing it.
    const QStringList files = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(files.size(), 1);
    QVERIFY(files.first().endsWith(QLatin1String(".vcf")));
    QVERIFY(!files.first().contains(QLatin1String("passwd")));
    const auto saved = book->person(std::get<qint32>(added));
    QVERIFY(saved);
    QCOMPARE(saved->firstName, person.firstName);
    QCOMPARE(saved->phones.first().value, QStringLiteral("555 0100"));
    book->stopWatching();
    book->setFolder({});
}

void TestAddressBook::addingIsRefusedWithoutAccessOrContent() {
    TestSandbox sandbox;
    QTemporaryDir folder;
    AddressBook* book = AddressBook::sharedAddressBook();
    book->setFolder(folder.path());
    AddressBookPerson person;
    person.firstName = QStringLiteral("Ann");
    book->setAuthorizationStatus(AddressBook::Authorization::Denied);
    auto result = book->addPerson(person);
    QVERIFY(std::holds_alternative<pelnix::PLError>(result));
    QCOMPARE(std::get<pelnix::PLError>(result).code, qint64(AddressBook::AccessDeniedError));
    book->setAuthorizationStatus(AddressBook::Authorization::Authorized);
    result = book->addPerson(AddressBookPerson{});
    QCOMPARE(std::get<pelnix::PLError>(result).code, qint64(AddressBook::EmptyPersonError));
    QVERIFY(QDir(folder.path()).entryList(QDir::Files).isEmpty());
    // A folder that cannot be written (here a file stands where it should be): an error.
    writeCard(folder.filePath("blocked"), "not a folder");
    book->setFolder(folder.filePath("blocked"));
    result = book->addPerson(person);
    QCOMPARE(std::get<pelnix::PLError>(result).code, qint64(AddressBook::WriteError));
    book->setFolder({});
}

QTEST_GUILESS_MAIN(TestAddressBook)
#include "tst_address_book.moc"
