// Address-book access for the contact screens: listing with exclusions, names, labelled details and
// the change notification.
#include "GeneratedCards.h"
#include "HeldThreadPool.h"
#include "TestSandbox.h"
#include "core/model/PLAddressBookHelper.h"
#include "core/model/PLAddressBookThumbnail.h"
#include "core/model/PLModelManager.h"
#include "platform/AddressBook.h"
#include "platform/NotificationCenter.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QtEndian>

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

// A PNG that declares its size and holds no picture: its header and a token of data, with right
// checksums.
QByteArray pngDeclaring(quint32 width, quint32 height) {
    const auto crc = [](const QByteArray& bytes) {
        quint32 c = 0xFFFFFFFFu;
        for (const char byte : bytes) {
            c ^= quint8(byte);
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
        return ~c;
    };
    const auto big = [](quint32 value) {
        QByteArray bytes(4, '\0');
        qToBigEndian(value, bytes.data());
        return bytes;
    };
    const QByteArray header = "IHDR" + big(width) + big(height) + QByteArray("\x08\x00\x00\x00\x00", 5);
    const QByteArray data = QByteArray("IDAT") + QByteArray("\x78\x9c\x03\x00\x00\x00\x00\x01", 8);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + big(13) + header + big(crc(header)) + big(8) + data +
           big(crc(data)) + big(0) + "IEND" + big(crc("IEND"));
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
    void photosBecomeThumbnails_data();
    void photosBecomeThumbnails();
    void theBookIsReadOffTheMainThread();
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

void TestAddressBookHelper::photosBecomeThumbnails_data() {
    QTest::addColumn<QByteArray>("photo");
    QTest::addColumn<QSize>("thumbnail");
    QTest::newRow("5600 x 5600") << greyPNG({5600, 5600}) << QSize(128, 128);
    QTest::newRow("tall, 300 x 1200") << greyPNG({300, 1200}) << QSize(32, 128);
    QTest::newRow("small, 40 x 40") << greyPNG({40, 40}) << QSize(40, 40);
    QTest::newRow("declaring 100,000 x 100,000") << pngDeclaring(100000, 100000) << QSize();
    QTest::newRow("declaring 8,000 x 7,000") << pngDeclaring(8000, 7000) << QSize();
    QTest::newRow("no picture") << QByteArray("no picture at all") << QSize();
    // A decoder reads the picture and ignores what follows; the bytes alone refuse it.
    QTest::newRow("over the byte bound")
        << greyPNG({64, 64}) + QByteArray(PLAddressBookThumbnail::kMaximumBytes, '\0') << QSize();
}

// A photo is kept at the size of the largest avatar whatever size it declares, and one too large to
// decode is none.
void TestAddressBookHelper::photosBecomeThumbnails() {
    QFETCH(QByteArray, photo);
    QFETCH(QSize, thumbnail);
    // Refused by the size it declares, before anything is decoded.
    // The note is below warnings: heard only with its category turned up.
    QLoggingCategory::setFilterRules(QStringLiteral("pelnix.addressbook.thumbnail.info=true"));
    if (QByteArray(QTest::currentDataTag()).startsWith("declaring"))
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(QStringLiteral("was left out")));
    const QImage image = PLAddressBookThumbnail::fromData(photo);
    QCOMPARE(image.isNull(), !thumbnail.isValid());
    if (image.isNull())
        return;
    QCOMPARE(image.size(), thumbnail);
    QCOMPARE(qGray(image.pixel(image.width() / 2, image.height() / 2)), kPhotoGrey);
    // Also as the contact screens ask for a person's.
    TestSandbox sandbox;
    writeCards("photo.vcf", generatedCard(1, photo));
    const auto people = AddressBook::sharedAddressBook()->people();
    QCOMPARE(PLAddressBookHelper::thumbImageForAddressBookUserWithID(people.first().recordID).size(),
             thumbnail);
}

// The book is read on the reading thread while the main thread goes on; its people and then their
// thumbnails come back to the main thread, and to nobody once the receiver has gone.
void TestAddressBookHelper::theBookIsReadOffTheMainThread() {
    TestSandbox sandbox;
    writeCards("people.vcf", generatedCard(1, greyPNG({5600, 5600})) + generatedCard(2));
    QThreadPool* pool = PLAddressBookHelper::readingPool();
    QCOMPARE(pool->maxThreadCount(), 1);
    HeldThreadPool held(pool);

    QObject receiver;
    QList<QStringList> contacts;
    QList<QHash<qint32, QImage>> thumbnails;
    QList<QThread*> threads;
    PLAddressBookHelper::readAddressBookContacts(
        true, {{"email", QVariantList{"p2@people.test"}}}, &receiver,
        [&](const QList<PLAddressBookContact>& read) {
            contacts << describe(read);
            threads << QThread::currentThread();
        },
        [&](const QHash<qint32, QImage>& read) {
            thumbnails << read;
            threads << QThread::currentThread();
        });
    // The main thread turns while the reading thread is held: the book waits for it.
    bool turned = false;
    QTimer::singleShot(0, [&turned] { turned = true; });
    QTRY_VERIFY(turned);
    QVERIFY(contacts.isEmpty());
    held.release();
    QTRY_COMPARE(thumbnails.size(), 1);
    QCOMPARE(contacts, (QList<QStringList>{{"Given Person1|p1@people.test|", "Given Person1||+1 555 1",
                                            "Given Person2||+1 555 2"}}));
    QCOMPARE(threads, (QList<QThread*>{qApp->thread(), qApp->thread()}));
    QCOMPARE(thumbnails.first().size(), 1);
    QCOMPARE(thumbnails.first().cbegin().value().size(), QSize(128, 128));

    bool heard = false;
    {
        QObject gone;
        PLAddressBookHelper::readAddressBookContacts(
            false, {}, &gone, [&heard](const QList<PLAddressBookContact>&) { heard = true; },
            [&heard](const QHash<qint32, QImage>&) { heard = true; });
    }
    pool->waitForDone();
    QCoreApplication::processEvents();
    QVERIFY(!heard);
}

QTEST_GUILESS_MAIN(TestAddressBookHelper)
#include "tst_address_book_helper.moc"
