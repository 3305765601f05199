// The people rows: the detail line, address-book thumbnails only for address-book entries, users'
// pictures loading over the placeholder (and never onto a reused row), the room-member variant, the
// selection mark, removal requests, and the bottom line of a selected row.
#include "../conversation/LoopbackPeer.h"
#include "CapturedLog.h"
#include "ContactsTestKit.h"
#include "core/model/PLAddressBookHelper.h"
#include "core/model/RoomMember.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/ImageAdditions.h"
#include "media/PLImageManager.h"
#include "platform/ui/Label.h"
#include "platform/ui/Screenshot.h"
#include "ui/contacts/PLContactsTableViewCell.h"
#include "ui/contacts/PLNewlyAddedContactTableViewCell.h"
#include "ui/toolkit/PLRoundImageView.h"

#include <QBuffer>
#include <QLoggingCategory>
#include <QPainter>

using namespace pelnix;
using namespace pelnix::test;

namespace {
// Records removal requests; `answers` false stands for a list that does not take them.
class RemovalRecorder : public QObject,
                        public PLContactsTableViewCellDelegate,
                        public PLNewlyAddedContactTableViewCellDelegate {
public:
    void removeMemberFromContactCell(PLContactsTableViewCell* cell) override { removedRows << cell; }
    void newlyAddedContactRemovedFromCell(PLNewlyAddedContactTableViewCell* cell) override {
        removedTyped << cell;
    }
    QList<PLContactsTableViewCell*> removedRows;
    QList<PLNewlyAddedContactTableViewCell*> removedTyped;
};

// A list that leaves the rows' removal requests unanswered.
class DeafList : public QObject, public PLContactsTableViewCellDelegate {};

QImage picture(const QColor& colour) {
    QImage image(80, 80, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

QByteArray pngOf(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QColor centreOf(const QImage& image) {
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

QImage placeholder() {
    return ImageAdditions::loadImageNamed(PLContactsTableViewCell::kPlaceholderImageName);
}

// A row laid out as a list lays it out.
struct Row {
    PLContactsTableViewCell cell{PLContactsViewController::kContactsCellIdentifier};
    Row() {
        cell.resize(320, 64);
        cell.show();
    }
    QImage avatar() const { return cell.contactImageView()->image(); }
};
} // namespace

class TestContactCells : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { world = std::make_unique<ContactsWorld>(1); }
    void cleanupTestCase() { world.reset(); }

    void detailLine_data();
    void detailLine();
    void thumbnailsOnlyForAddressBookEntries();
    void userPictureLoadsOverThePlaceholder();
    void aFailedPictureIsLoggedByItsBareAddress();
    void roomMemberKeepsTheAvatarItShows();
    void selectionMark();
    void removalRequests();
    void bottomLineStaysVisibleWhenSelected();

private:
    std::unique_ptr<ContactsWorld> world;
};

void TestContactCells::detailLine_data() {
    QTest::addColumn<QVariant>("contact");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("detail");
    QTest::newRow("address-book address")
        << QVariant::fromValue(PLAddressBookContact{"Ann", "ann@x.test", {}, 3}) << "Ann"
        << "ann@x.test";
    QTest::newRow("address-book number")
        << QVariant::fromValue(PLAddressBookContact{"Ann", {}, "+1 555 0101", 3}) << "Ann"
        << "+1 555 0101";
    QTest::newRow("empty address: the number")
        << QVariant::fromValue(PLAddressBookContact{"Ann", "", "555", 3}) << "Ann"
        << "555";
    QTest::newRow("host address") << QVariant::fromValue(PLPelnixContact{"Hal", "hal@host.test", "555"})
                                  << "Hal"
                                  << "hal@host.test";
    QTest::newRow("host number") << QVariant::fromValue(PLPelnixContact{"Hal", {}, "555"}) << "Hal"
                                 << "555";
}

void TestContactCells::detailLine() {
    QFETCH(QVariant, contact);
    QFETCH(QString, name);
    QFETCH(QString, detail);
    Row row;
    if (contact.metaType() == QMetaType::fromType<PLAddressBookContact>())
        row.cell.configureCellWithAddressBookContact(contact.value<PLAddressBookContact>());
    else
        row.cell.configureCellWithAddressBookContact(contact.value<PLPelnixContact>());
    QCOMPARE(row.cell.nameLabel()->text(), name);
    QCOMPARE(row.cell.emailLabel()->text(), detail);
    // The detail sits at the top of its line: the label is as high as its text.
    QVERIFY(row.cell.emailLabel()->alignsTop());
    QCOMPARE(row.cell.emailLabel()->height(), qCeil(QFontMetricsF(row.cell.emailLabel()->font()).height()));
}

void TestContactCells::thumbnailsOnlyForAddressBookEntries() {
    world->writeBook(1); // Aaron Blake, with a photo
    const auto people = platform::AddressBook::sharedAddressBook()->people();
    QCOMPARE(people.size(), 1);
    const qint32 aaron = people.first().recordID;
    const QImage thumbnail = PLAddressBookHelper::thumbImageForAddressBookUserWithID(aaron);
    QVERIFY(!thumbnail.isNull());

    Row row;
    row.cell.configureCellWithAddressBookContact(
        PLAddressBookContact{"Aaron Blake", "aaron.blake@people.test", {}, aaron});
    QCOMPARE(row.avatar(), thumbnail);
    // The same person from the host, or typed in, has no record: the placeholder.
    row.cell.configureCellWithAddressBookContact(
        PLPelnixContact{"Aaron Blake", "aaron.blake@people.test", {}});
    QCOMPARE(row.avatar(), placeholder());
    row.cell.configureCellWithAddressBookContact(PLAddressBookContact{"t@x.test", "t@x.test", {}, 0});
    QCOMPARE(row.avatar(), placeholder());
    // A record without a photo.
    row.cell.configureCellWithAddressBookContact(PLAddressBookContact{"Nobody", "n@x.test", {}, 12345});
    QCOMPARE(row.avatar(), placeholder());
}

void TestContactCells::userPictureLoadsOverThePlaceholder() {
    pelnix::test::LoopbackPeer server("image/png");
    server.bodies["/bob.png"] = pngOf(picture(Qt::red));
    server.bodies["/bob2.png"] = pngOf(picture(Qt::blue));
    auto bob = User::PS_createEntity();
    bob->updateWithDictionary(userJSON(70, "Bob", "bob@acme.test", server.url("/bob.png")));
    auto cid = User::PS_createEntity();
    cid->updateWithDictionary(userJSON(71, "Cid", "cid@acme.test"));

    Row row;
    row.cell.configureCellWithUser(bob);
    QCOMPARE(row.cell.nameLabel()->text(), QString("Bob"));
    QCOMPARE(row.cell.emailLabel()->text(), QString("bob@acme.test"));
    QVERIFY(row.cell.isLoadingPicture());
    QCOMPARE(row.avatar(), placeholder());
    QTRY_COMPARE(centreOf(row.avatar()), QColor(Qt::red));

    // A row reused before its picture arrived never shows it.
    PLImageManager::sharedManager()->imageCache().clearMemory();
    const QUrl other(server.url("/bob2.png"));
    bob->setImageUrl(other.toString());
    row.cell.configureCellWithUser(bob);
    QVERIFY(row.cell.isLoadingPicture());
    row.cell.prepareForReuse();
    row.cell.configureCellWithUser(cid);
    QVERIFY(!row.cell.isLoadingPicture());
    // Once the picture has arrived for anyone who still wants it, the row still shows the placeholder.
    bool arrived = false;
    PLImageManager::sharedManager()->loadImageWithURL(
        other, 0, [&arrived](const QImage&, const PLOptionalError&, PLImageManager::CacheType, const QUrl&) {
            arrived = true;
        });
    QTRY_VERIFY(arrived);
    QCOMPARE(row.avatar(), placeholder());
}

// Even at debug level: the address's user information, query and fragment carry credentials.
void TestContactCells::aFailedPictureIsLoggedByItsBareAddress() {
    pelnix::test::LoopbackPeer server("image/png");
    QUrl address(server.url("/gone.png"));
    address.setUserInfo(QStringLiteral("hostuser7342:pa55w0rd9"));
    address.setQuery(QStringLiteral("sig=Q3JlZGVudGlhbA"));
    address.setFragment(QStringLiteral("frag-section-9"));
    auto eve = User::PS_createEntity();
    eve->updateWithDictionary(userJSON(73, "Eve", "eve@acme.test", address.toString()));
    QLoggingCategory::setFilterRules(QStringLiteral("pelnix.ui.contacts.cells.debug=true"));
    const auto quiet = qScopeGuard([] { QLoggingCategory::setFilterRules(QString()); });
    CapturedLog log;
    Row row;
    row.cell.configureCellWithUser(eve);
    QTRY_VERIFY(log.text().contains(QStringLiteral("no picture from")));
    const QString line = log.lines().filter(QStringLiteral("no picture from")).first();
    QVERIFY2(line.contains(server.url("/gone.png")), qPrintable(line));
    for (const char* secret : {"hostuser7342", "pa55w0rd9", "Q3JlZGVudGlhbA", "frag-section-9"})
        QVERIFY2(!log.text().contains(QLatin1String(secret)), secret);
}

void TestContactCells::roomMemberKeepsTheAvatarItShows() {
    world->writeBook(1);
    const qint32 aaron = platform::AddressBook::sharedAddressBook()->people().first().recordID;
    auto user = User::PS_createEntity();
    user->updateWithDictionary(userJSON(72, "Dee", "dee@acme.test"));
    auto member = RoomMember::PS_createEntity();
    member->setUser(user);

    Row row;
    row.cell.configureCellWithAddressBookContact(PLAddressBookContact{"Aaron Blake", "a@x.test", {}, aaron});
    const QImage shown = row.avatar();
    QVERIFY(shown != placeholder());
    row.cell.configureCellWithRoomMember(member);
    QCOMPARE(row.cell.nameLabel()->text(), QString("Dee"));
    QCOMPARE(row.avatar(), shown);
    // A user does reset it.
    row.cell.configureCellWithUser(user);
    QCOMPARE(row.avatar(), placeholder());
}

void TestContactCells::selectionMark() {
    Row row;
    QVERIFY(row.cell.contactSelectionImageView()->image().isNull());
    row.cell.showContactAsSelected(true);
    QCOMPARE(row.cell.contactSelectionImageView()->image(),
             ImageAdditions::loadImageNamed(PLContactsTableViewCell::kSelectionImageName));
    QVERIFY(!row.cell.contactSelectionImageView()->image().isNull());
    row.cell.showContactAsSelected(false);
    QVERIFY(row.cell.contactSelectionImageView()->image().isNull());
}

void TestContactCells::removalRequests() {
    RemovalRecorder list;
    Row row;
    row.cell.setRemoveButtonVisible(true);
    QVERIFY(row.cell.removeButton()->isVisible());
    QVERIFY(!row.cell.contactSelectionImageView()->isVisible());
    row.cell.setDelegate(&list);
    row.cell.removeButton()->click();
    QCOMPARE(list.removedRows, QList<PLContactsTableViewCell*>{&row.cell});
    // A confirmation's cancel button keeps the row; its other button removes it.
    AlertView confirm("", "Remove?", "No", {"Yes"});
    row.cell.alertViewClickedButtonAtIndex(&confirm, confirm.cancelButtonIndex());
    QCOMPARE(list.removedRows.size(), 1);
    row.cell.alertViewClickedButtonAtIndex(&confirm, 1);
    QCOMPARE(list.removedRows.size(), 2);
    // A list that does not take the request, or one that has gone: nothing happens.
    {
        DeafList deaf;
        row.cell.setDelegate(&deaf);
        row.cell.removeMember();
    }
    row.cell.removeMember();
    QCOMPARE(list.removedRows.size(), 2);

    PLNewlyAddedContactTableViewCell typed(PLContactsViewController::kNewlyAddedCellIdentifier);
    typed.resize(320, 64);
    typed.configureWithEmailOrPhone("t@x.test", &list);
    QCOMPARE(typed.emailOrPhoneLabel()->text(), QString("t@x.test"));
    typed.removeButton()->click();
    QCOMPARE(list.removedTyped, QList<PLNewlyAddedContactTableViewCell*>{&typed});
    typed.configureWithEmailOrPhone("t@x.test", nullptr);
    typed.removeContact();
    QCOMPARE(list.removedTyped.size(), 1);
}

void TestContactCells::bottomLineStaysVisibleWhenSelected() {
    Row row;
    row.cell.configureCellWithAddressBookContact(PLAddressBookContact{"Ann", "ann@x.test", {}, 0});
    const QBrush brush = CustomColors::customSeparatorColor();
    const QColor line = brush.textureImage().isNull() ? brush.color() : centreOf(brush.textureImage());
    const QPoint onLine(200, 63);
    const QPoint above(200, 58);
    for (const bool highlighted : {false, true}) {
        if (highlighted)
            row.cell.setHighlighted(true);
        else
            row.cell.setSelected(true);
        const QImage image = platform::ui::Screenshot::grab(&row.cell);
        const qreal scale = qreal(image.width()) / row.cell.width();
        QCOMPARE(image.pixelColor(QPointF(onLine * scale).toPoint()), line);
        // Around it, the row shows the selection colour.
        QCOMPARE(image.pixelColor(QPointF(above * scale).toPoint()), QColor(208, 235, 215));
        row.cell.setSelected(false);
        row.cell.setHighlighted(false);
    }
}

QTEST_MAIN(TestContactCells)
#include "tst_contactcells.moc"
