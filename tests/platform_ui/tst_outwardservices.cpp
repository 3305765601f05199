#include "DirectionalControls.h"
#include "TestSandbox.h"
#include "platform/ui/ContactCardView.h"
#include "platform/ui/DesktopSystemServices.h"
#include "platform/ui/ImagePicker.h"
#include "platform/ui/testing/FakeImagePicker.h"
#include "platform/ui/testing/RecordingSystemServices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {

class LinkCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

QString queryValue(const QUrl& url, const QString& key) {
    return QUrlQuery(url).queryItemValue(key, QUrl::FullyDecoded);
}

} // namespace

class TestOutwardServices : public QObject {
    Q_OBJECT
private slots:
    void linksKeepEachRecipientAndFieldApart() {
        MailDraft mail;
        mail.toRecipients = {QStringLiteral("ann@example.test"), QStringLiteral("x@y.test?bcc=spy@evil.test"),
                             QStringLiteral("  ")};
        mail.ccRecipients = {QStringLiteral("cy@example.test")};
        mail.subject = QStringLiteral("Lunch & plans = 100%");
        mail.body = QStringLiteral("Line one\nLine two");
        const QUrl link = SystemServices::mailtoURL(mail);
        QVERIFY(SystemServices::isAllowed(link));
        QCOMPARE(link.scheme(), QStringLiteral("mailto"));
        // A recipient that smuggles a header stays one address, escaped; no bcc appears.
        QCOMPARE(link.path(QUrl::FullyDecoded),
                 QStringLiteral("ann@example.test,x@y.test?bcc=spy@evil.test"));
        QVERIFY(!QUrlQuery(link).hasQueryItem(QStringLiteral("bcc")));
        QCOMPARE(queryValue(link, QStringLiteral("cc")), QStringLiteral("cy@example.test"));
        QCOMPARE(queryValue(link, QStringLiteral("subject")), mail.subject);
        QCOMPARE(queryValue(link, QStringLiteral("body")), QStringLiteral("Line one\r\nLine two"));

        TextDraft text;
        text.recipients = {QStringLiteral("+1 555 0100"), QStringLiteral("+1555,0199")};
        text.body = QStringLiteral("I'm using Pelnix & you should too.");
        const QUrl sms = SystemServices::smsURL(text);
        QCOMPARE(sms.scheme(), QStringLiteral("sms"));
        QCOMPARE(QString::fromLatin1(sms.toEncoded()).section(QLatin1Char('?'), 0, 0),
                 QStringLiteral("sms:+1%20555%200100,+1555%2C0199"));
        QCOMPARE(queryValue(sms, QStringLiteral("body")), text.body);
    }

    // No directional control reaches the address or the number of a link: a draft's recipients lose
    // theirs, and a link that holds one is refused (web addresses are shown encoded and stay).
    void directionalControlsReachNoAction_data() {
        QTest::addColumn<int>("control");
        for (const auto& [name, code] : pelnix::test::directionalControls())
            QTest::newRow(name) << int(code);
    }
    void directionalControlsReachNoAction() {
        QFETCH(int, control);
        const QString c(QChar{char16_t(control)});
        MailDraft mail;
        mail.toRecipients = {c + QStringLiteral("moc.evil@xyz")};
        mail.ccRecipients = {QStringLiteral("ann@") + c + QStringLiteral("example.test")};
        const QUrl mailto = SystemServices::mailtoURL(mail);
        QVERIFY(SystemServices::isAllowed(mailto));
        QCOMPARE(mailto.path(QUrl::FullyDecoded), QStringLiteral("moc.evil@xyz"));
        QCOMPARE(queryValue(mailto, QStringLiteral("cc")), QStringLiteral("ann@example.test"));

        TextDraft text;
        text.recipients = {QStringLiteral("+1") + c + QStringLiteral("0010555")};
        const QUrl sms = SystemServices::smsURL(text);
        QVERIFY(SystemServices::isAllowed(sms));
        QCOMPARE(sms.path(QUrl::FullyDecoded), QStringLiteral("+10010555"));

        const QByteArray encoded = QUrl::toPercentEncoding(c);
        RecordingSystemServices services;
        for (const char* scheme : {"tel", "mailto", "sms"}) {
            const QUrl link = QUrl::fromEncoded(QByteArray(scheme) + ":+1" + encoded + "0010555");
            QVERIFY2(link.isValid(), scheme);
            QVERIFY2(!SystemServices::isAllowed(link), scheme);
            QVERIFY2(!services.canOpenURL(link), scheme);
            QVERIFY2(!services.openURL(link), scheme);
        }
        QVERIFY(services.opened.isEmpty());
        QVERIFY(SystemServices::isAllowed(QUrl::fromEncoded("https://example.test/a" + encoded + "b")));
    }

    void theDesktopHandsDraftsOverOrRefusesThem() {
        LinkCatcher desktop;
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &desktop, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("sms"), &desktop, "open");
        DesktopSystemServices services;
        QList<std::pair<SystemServices::ComposeResult, std::optional<PLError>>> results;
        auto record = [&](SystemServices::ComposeResult result, const std::optional<PLError>& error) {
            results << std::make_pair(result, error);
        };
        MailDraft mail;
        mail.toRecipients = {QStringLiteral("ann@example.test")};
        mail.subject = QStringLiteral("Hi");
        services.composeMail(mail, nullptr, record);
        TextDraft text;
        text.recipients = {QStringLiteral("+15550100")};
        services.composeText(text, nullptr, record);
        QCOMPARE(desktop.opened,
                 (QList<QUrl>{SystemServices::mailtoURL(mail), SystemServices::smsURL(text)}));
        QCOMPARE(results.size(), 2);
        QCOMPARE(results[0].first, SystemServices::ComposeResult::HandedOver);
        QCOMPARE(results[1].first, SystemServices::ComposeResult::HandedOver);

        // A link cannot carry files: refused, not sent without them.
        mail.attachments << ComposerAttachment{QStringLiteral("/tmp/x.pdf"),
                                               QStringLiteral("application/pdf"), QStringLiteral("x.pdf")};
        services.composeMail(mail, nullptr, record);
        QCOMPARE(results.last().first, SystemServices::ComposeResult::Failed);
        QCOMPARE(results.last().second->code, qint64(SystemServices::AttachmentsNotSupportedError));
        QCOMPARE(desktop.opened.size(), 2);
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("sms"));

        RecordingSystemServices recording;
        recording.composeResult = SystemServices::ComposeResult::Cancelled;
        recording.composeMail(mail, nullptr, record);
        QCOMPARE(recording.mails, QList<MailDraft>{mail});
        QCOMPARE(results.last().first, SystemServices::ComposeResult::Cancelled);
    }

    void picturesAreCroppedToTheirMiddleSquare_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("wide") << QSize(300, 200);
        QTest::newRow("tall") << QSize(120, 300);
        QTest::newRow("square") << QSize(64, 64);
    }
    void picturesAreCroppedToTheirMiddleSquare() {
        QFETCH(QSize, size);
        // Red margins around a green middle square: only green may remain.
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::red);
        const int side = qMin(size.width(), size.height());
        const QRect middle((size.width() - side) / 2, (size.height() - side) / 2, side, side);
        for (int y = middle.top(); y <= middle.bottom(); ++y)
            for (int x = middle.left(); x <= middle.right(); ++x)
                image.setPixel(x, y, qRgb(0, 255, 0));
        test::TestSandbox sandbox;
        const QString path = sandbox.path(QStringLiteral("picture.png"));
        QVERIFY(image.save(path));
        PLError error;
        const auto picked = ImagePicker::readPicture(path, true, &error);
        QVERIFY(picked);
        QCOMPARE(picked->originalImage.size(), size);
        QCOMPARE(picked->editedImage.size(), QSize(side, side));
        for (const QPoint corner :
             {QPoint(0, 0), QPoint(side - 1, 0), QPoint(0, side - 1), QPoint(side - 1, side - 1)})
            QCOMPARE(QColor(picked->editedImage.pixel(corner)), QColor(Qt::green));
        QVERIFY(ImagePicker::readPicture(path, false, &error)->editedImage.isNull());
    }

    void pickingAnswersWithErrorsAndPermission() {
        test::TestSandbox sandbox;
        const QString broken = sandbox.path(QStringLiteral("broken.jpg"));
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a picture");
        file.close();
        PLError error;
        QVERIFY(!ImagePicker::readPicture(broken, true, &error));
        QCOMPARE(error.code, qint64(ImagePicker::UnreadablePictureError));

        FakeImagePicker picker;
        picker.status = ImagePicker::AuthorizationStatus::NotDetermined;
        picker.authorizationAnswer = ImagePicker::AuthorizationStatus::Denied;
        std::optional<ImagePicker::AuthorizationStatus> answered;
        picker.requestAuthorization([&](ImagePicker::AuthorizationStatus status) { answered = status; });
        QCOMPARE(answered, ImagePicker::AuthorizationStatus::Denied);
        QCOMPARE(picker.authorizationStatus(), ImagePicker::AuthorizationStatus::Denied);

        PickedMedia wide;
        wide.originalImage = QImage(40, 20, QImage::Format_RGB32);
        picker.answer = wide;
        std::optional<PickedMedia> got;
        picker.pick(
            ImagePicker::Source::PhotoLibrary, ImagePicker::MediaKinds::Images, true, nullptr,
            [&](const std::optional<PickedMedia>& picked, const std::optional<PLError>&) { got = picked; });
        QVERIFY(got);
        QCOMPARE(got->editedImage.size(), QSize(20, 20));
    }

    void theContactCardShowsThePersonAndSaves() {
        ContactCard person;
        person.firstName = QStringLiteral("Asha");
        person.lastName = QStringLiteral("Rao");
        person.phones = {{QStringLiteral("mobile"), QStringLiteral("+1 555 0100")}};
        person.emails = {{QStringLiteral("work"), QStringLiteral("asha@example.test")}};
        ContactCardView card;
        card.resize(320, 400);
        card.setContact(person);
        card.show();
        QCOMPARE(card.nameLabel()->text(), QStringLiteral("Asha Rao"));
        QStringList shown;
        for (QLabel* label : card.findChildren<QLabel*>())
            shown << label->text();
        QVERIFY(shown.contains(QStringLiteral("+1 555 0100")));
        QVERIFY(shown.contains(QStringLiteral("asha@example.test")));
        QVERIFY(!card.addButton()->isVisible()); // nothing to save with

        QList<ContactCard> asked;
        ContactCardView::SaveDone pending;
        card.setSaveHandler([&](const ContactCard& contact, ContactCardView::SaveDone done) {
            asked << contact;
            pending = std::move(done);
        });
        QVERIFY(card.addButton()->isVisible());
        QSignalSpy saved(&card, &ContactCardView::contactSaved);
        QSignalSpy failed(&card, &ContactCardView::saveFailed);
        QTest::mouseClick(card.addButton(), Qt::LeftButton);
        QCOMPARE(asked, QList<ContactCard>{person});
        QVERIFY(!card.addButton()->isEnabled()); // no second save while the first runs
        pending(PLError(QStringLiteral("PLAddressBookErrorDomain"), 1,
                        QStringLiteral("The address book is read-only.")));
        QCOMPARE(failed.size(), 1);
        QVERIFY(card.errorLabel()->isVisible());
        QCOMPARE(card.errorLabel()->text(), QStringLiteral("The address book is read-only."));
        QVERIFY(card.addButton()->isEnabled());

        QTest::mouseClick(card.addButton(), Qt::LeftButton);
        auto stale = pending;
        ContactCard other = person;
        other.firstName = QStringLiteral("Ben");
        card.setContact(other);
        stale(std::nullopt); // the answer for Asha arrives after the card moved on
        QCOMPARE(saved.size(), 0);
        QTest::mouseClick(card.addButton(), Qt::LeftButton);
        pending(std::nullopt);
        QCOMPARE(saved.size(), 1);
        QCOMPARE(saved.first().first().value<ContactCard>(), other);
        QVERIFY(!card.errorLabel()->isVisible());
        QVERIFY(!card.addButton()->isEnabled());
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestOutwardServices t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_outwardservices.moc"
