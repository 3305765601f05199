// A host that follows the README's host section: it links the library, makes its QApplication and sets
// nothing for web pages. Its chat window shows a picture and a poll drawn by the real browser engine.
// A host whose application was made before the library was loaded (run again as a fresh process with
// the attribute the library asks for turned off, as such a host has it) shows, in each such row, a
// placeholder naming what the row holds; and a host that loads the library after making its
// application finds its attributes left alone, without a word from Qt.
#include "SmartScreensTestWorld.h"

#include "core/api/PLAppConfigurations.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/testing/BlankPictureCheck.h"
#include "smart/SmartFormManager.h"
#include "smart/SmartMessageRenderer.h"
#include "smart/SmartRenderQueue.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLChatletMessageBuilder.h"
#include "ui/conversation/PLPagePlaceholderView.h"
#include "ui/conversation/PLPostChatletViewController.h"
#include "ui/conversation/PLSmartMessageCell.h"

#include <QApplication>
#include <QBuffer>
#include <QJsonDocument>
#include <QOpenGLContext>
#include <QProcess>
#include <QRegularExpression>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::BlankPictureCheck;
using platform::ui::IndexPath;

namespace {

// Set in the environment of a run of this program as a host whose application came first.
const char kApplicationFirstVariable[] = "PELNIX_TEST_APPLICATION_FIRST";
constexpr int kEngineMs = 30000;
const QColor kPictureColour(0x2E, 0x8B, 0x8B);

// Ann's room with Bob's picture (a 160 x 120 picture of one colour) and his poll, rendered as the
// import renders them, its chat window open in a phone-sized window with the real browser engine.
class HostChat {
public:
    HostChat() : world(true) {
        world.downloadSmartFixtures(false);
        room = world.importRoom(QStringLiteral("r1"));
        const qint64 date = QDateTime::currentMSecsSinceEpoch() - 60000;
        picture = world.importMessage(room, QStringLiteral("m-picture"), date, pictureJSON(), kBob,
                                      QStringLiteral("smartmessage"));
        poll = world.importMessage(
            room, QStringLiteral("m-poll"), date + 1000,
            PLChatletMessageBuilder::newChatletJSON(
                QStringLiteral("poll"), PLPostChatletViewController::storedForm(QStringLiteral("poll")),
                {{"title", "Lunch"}, {"question", "Where?"}, {"options", QStringList{"Café", "Dock"}}},
                QStringLiteral("F-HOST")),
            kBob, QStringLiteral("smartmessage"));
        for (const auto& message : {picture, poll})
            SmartMessageRenderer::generateHTMLString(message, false);
        world.showHost(room);
        chat = new PLChatWindowViewController;
        chat->setChatRoom(room);
        world.navigation->pushViewController(chat, false);
        if (!QTest::qWaitFor([] { return SmartRenderQueue::shared()->pendingCount() == 0; }))
            qWarning("the smart messages are still being rendered");
        world.advance(5000);
        world.settle();
    }

    PLSmartMessageCell* cellOf(const Message::Ptr& message) {
        return qobject_cast<PLSmartMessageCell*>(chat->collectionView()->cellForItemAtIndexPath(
            IndexPath::forItem(chat->rowList().indexOfMessage(message.get()))));
    }
    qreal rowHeight(const Message::Ptr& message) {
        return chat->collectionView()
            ->rectForRow(IndexPath::forItem(chat->rowList().indexOfMessage(message.get())))
            .height();
    }
    // What the window shows of `widget`, as the user sees it.
    QImage shown(QWidget* widget) {
        world.settle();
        const QImage window = platform::ui::Screenshot::grab(world.window.get());
        const qreal scale = window.devicePixelRatio();
        const QRect area(widget->mapTo(world.window.get(), QPoint(0, 0)), widget->size());
        return window.copy(QRect((QPointF(area.topLeft()) * scale).toPoint(), area.size() * scale));
    }

    SmartScreensWorld world;
    ChatRoom::Ptr room;
    Message::Ptr picture;
    Message::Ptr poll;
    PLChatWindowViewController* chat = nullptr;

private:
    static QString pictureJSON() {
        QImage image(160, 120, QImage::Format_RGB32);
        image.fill(kPictureColour);
        QBuffer bytes;
        bytes.open(QIODevice::WriteOnly);
        image.save(&bytes, "JPEG", 90);
        const QString preview = PLAppConfigurations::currentConfiguration()->base64Prefix() +
                                QLatin1Char(',') + QString::fromLatin1(bytes.data().toBase64());
        QVariantMap json = QJsonDocument::fromJson(SmartFormManager::constructshareMediaWithMediaDict(
                                                       {{"fileId", "host-picture"},
                                                        {"fileMime", "image/jpeg"},
                                                        {"fileName", "host-picture.jpg"},
                                                        {"preview", preview},
                                                        {"width", 160},
                                                        {"height", 120}})
                                                       .toUtf8())
                               .toVariant()
                               .toMap();
        json.insert(QStringLiteral("formid"), QStringLiteral("F-PICTURE"));
        return QString::fromUtf8(QJsonDocument::fromVariant(json).toJson(QJsonDocument::Compact));
    }
};

// The share of `image`'s pixels within a few levels of `colour` in every channel (JPEG's rounding).
qreal shareOf(const QImage& image, const QColor& colour) {
    if (image.isNull())
        return 0;
    qint64 near = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (qAbs(pixel.red() - colour.red()) <= 8 && qAbs(pixel.green() - colour.green()) <= 8 &&
                qAbs(pixel.blue() - colour.blue()) <= 8)
                ++near;
        }
    return qreal(near) / (qreal(image.width()) * image.height());
}

} // namespace

class TestHostPages : public QObject {
    Q_OBJECT
private slots:
    // This program sets nothing for web pages, as a host following the host section does: the library
    // asked for shared GL contexts as it was loaded, and the pages show.
    void aHostThatSetsNothingShowsPicturesAndPolls() {
        QVERIFY(QCoreApplication::testAttribute(Qt::AA_ShareOpenGLContexts));
        QVERIFY(QOpenGLContext::globalShareContext());
        HostChat host;
        PLSmartMessageCell* pictureCell = nullptr;
        PLSmartMessageCell* pollCell = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((pictureCell = host.cellOf(host.picture)) && pictureCell->isPageShown() &&
                                     (pollCell = host.cellOf(host.poll)) && pollCell->isPageShown(),
                                 kEngineMs);
        QVERIFY(!pictureCell->pagePlaceholder()->isVisible());
        QVERIFY(!pollCell->pagePlaceholder()->isVisible());
        // The engine paints a while after its load ends: the picture's colour fills its place.
        QTRY_VERIFY_WITH_TIMEOUT(shareOf(host.shown(pictureCell->webView()), kPictureColour) > 0.3,
                                 kEngineMs);
        QTRY_VERIFY_WITH_TIMEOUT(!BlankPictureCheck::isFlat(host.shown(pollCell->webView())), kEngineMs);
    }

    void aHostWhoseApplicationCameFirstShowsPlaceholders() {
        QProcess run;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kApplicationFirstVariable), QStringLiteral("1"));
        run.setProcessEnvironment(environment);
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(run.waitForFinished(120000));
        const QString output = QString::fromLocal8Bit(run.readAll());
        QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0, qPrintable(output));
    }

    void aHostThatLoadsTheLibraryAfterItsApplicationKeepsItsAttributes() {
        QProcess run;
        run.start(QStringLiteral(PELNIX_LATE_HOST), {QStringLiteral(PELNIX_LIBRARY)});
        QVERIFY(run.waitForFinished(60000));
        const QString out = QString::fromLocal8Bit(run.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(run.readAllStandardError());
        QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0, qPrintable(out + err));
        QCOMPARE(out, QStringLiteral("library loaded; shared GL contexts: 0\n"));
        QVERIFY2(!err.contains(QStringLiteral("must be set before")), qPrintable(err));
    }
};

// The run as a host whose application came first: every page row is a placeholder naming what it
// holds, at the row's normal height, and the log says why.
class TestApplicationFirst : public QObject {
    Q_OBJECT
private slots:
    void pageRowsArePlaceholdersNamingWhatTheyHold() {
        QVERIFY(!QCoreApplication::testAttribute(Qt::AA_ShareOpenGLContexts));
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral(
                                                "web pages cannot be shown.*Qt::AA_ShareOpenGLContexts")));
        HostChat host;
        for (const auto& [message, name] : {std::pair{host.picture, QStringLiteral("Image")},
                                            std::pair{host.poll, QStringLiteral("Poll")}}) {
            PLSmartMessageCell* cell = nullptr;
            QTRY_VERIFY_WITH_TIMEOUT((cell = host.cellOf(message)) && cell->pagePlaceholder()->isVisible(),
                                     kEngineMs);
            PLPagePlaceholderView* placeholder = cell->pagePlaceholder();
            QCOMPARE(placeholder->name(), name);
            QCOMPARE(placeholder->note(), QStringLiteral("Unable to load content"));
            QVERIFY(!cell->isPageShown());
            QCOMPARE(host.rowHeight(message), PLSmartMessageCell::defaultCellHeight());
            QCOMPARE(placeholder->height(), PLSmartMessageCell::kDefaultWebViewHeight);
            // Drawn where the page would be, over it and whatever covers it.
            const QImage shown = host.shown(placeholder);
            QVERIFY(!BlankPictureCheck::isFlat(shown));
            QVERIFY(!BlankPictureCheck::isFlat(shown, QRect(QPoint(0, 0), shown.size() / 2)));
        }
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    const bool applicationFirst = qEnvironmentVariableIsSet(kApplicationFirstVariable);
    // A host that made its application before the library was loaded has the attribute as Qt's
    // default leaves it: off.
    if (applicationFirst)
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, false);
    QApplication app(argc, argv);
    if (applicationFirst) {
        TestApplicationFirst t;
        return QTest::qExec(&t, argc, argv);
    }
    TestHostPages t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_hostpages.moc"
