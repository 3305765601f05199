#include "TestSandbox.h"
#include "foundation/PhotoAlbums.h"
#include "foundation/ui/ButtonAdditions.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/DeviceInfo.h"
#include "foundation/ui/ImageAdditions.h"
#include "foundation/ui/IndexPathAdditions.h"
#include "foundation/ui/LabelAdditions.h"
#include "foundation/ui/PlacemarkAdditions.h"
#include "foundation/ui/RotationAnimation.h"
#include "foundation/ui/ScrollViewAdditions.h"
#include "foundation/ui/TextViewAddtions.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "platform/ui/AfterNextPaint.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/TextView.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <QVariantAnimation>

using namespace pelnix;
using namespace pelnix::platform::ui;

class TestViewHelpers : public QObject {
    Q_OBJECT
private slots:
    void init() { Animator::setInstant(true); }

    void scrollPositionsIncludingTheInsetAsymmetry() {
        using namespace ScrollViewAdditions;
        // 400 high, content 1000, insets 20 top / 50 bottom.
        Metrics m{400, 20, 50, -20, 1000};
        QCOMPARE(verticalOffsetForTop(m), -20.0);
        QCOMPARE(verticalOffsetForBottom(m), 530.0);
        QVERIFY(isAtTop(m));
        m.offset = 520;
        QVERIFY(!isAtTop(m));
        QVERIFY(!isAtBottom(m));
        // Near the bottom counts the bottom inset the other way: 1000 - (400 + 20 - 50) = 630.
        QVERIFY(!isNearToBottom(m));
        m.offset = 530;
        QVERIFY(isAtBottom(m));
        QVERIFY(!isNearToBottom(m));
        m.offset = 630;
        QVERIFY(isNearToBottom(m));
    }

    void readablePlaceNames() {
        using PlacemarkAdditions::Placemark;
        Placemark india{"Tower", "Andheri", {}, "Mumbai Suburban", "Maharashtra", "IN"};
        QCOMPARE(PlacemarkAdditions::getReadablePlaceName(india),
                 QStringLiteral("Tower, Andheri, Mumbai Suburban, Maharashtra"));
        india.locality = "Mumbai";
        QCOMPARE(PlacemarkAdditions::getReadablePlaceName(india), QStringLiteral("Tower, Andheri, Mumbai"));
        // Elsewhere only name, sub-locality and locality count; absent parts leave no separator.
        const Placemark france{{}, {}, "Paris", "x", "Île-de-France", "FR"};
        QCOMPARE(PlacemarkAdditions::getReadablePlaceName(france), QStringLiteral("Paris"));
        QCOMPARE(PlacemarkAdditions::getReadablePlaceName({}), QString());
    }

    void indexSetsToPaths() {
        QVERIFY(IndexPathAdditions::indexPathsFromIndexset({}).isEmpty());
        QCOMPARE(IndexPathAdditions::indexPathsFromIndexset({7, 2}),
                 (QList<IndexPath>{IndexPath::forRow(2), IndexPath::forRow(7)}));
    }

    void spinIsReplacedNotStackedAndRoundClipOnlyWhenAsked() {
        QWidget view;
        view.resize(40, 40);
        RotationAnimation::startRotatingWithDuration(&view, 1.0);
        RotationAnimation::startRotatingWithDuration(&view, 2.0);
        const auto spins = view.findChildren<QVariantAnimation*>("spin");
        QCOMPARE(spins.size(), 1);
        QCOMPARE(spins.first()->duration(), 2000);
        QCOMPARE(spins.first()->loopCount(), -1);
        RotationAnimation::stopRotating(&view);
        QVERIFY(!RotationAnimation::isRotating(&view));

        LabelAdditions::setClipsToRoundedView(&view, false);
        QVERIFY(view.mask().isEmpty());
        LabelAdditions::setClipsToRoundedView(&view, true);
        QVERIFY(!view.mask().isEmpty());
        QVERIFY(!view.mask().contains(QPoint(1, 1))); // the corner is cut
        QVERIFY(view.mask().contains(QPoint(20, 20)));
    }

    void navigationHelpersActOnlyInsideANavigationController() {
        Window window;
        auto* root = new ViewController;
        auto* nav = new NavigationController(root);
        window.setRootViewController(nav);
        window.show();
        auto* child = new ViewController;
        ViewControllerAdditions::addChildViewController(root, child, root->view());
        QCOMPARE(child->view()->parentWidget(), root->view());
        QCOMPARE(ViewControllerAdditions::viewHeight(child), double(child->view()->height()));
        ViewControllerAdditions::removeChildViewControllerWithCleanUP(child);
        QVERIFY(!child->parentViewController());
        QVERIFY(!child->view()->parentWidget());
        delete child;

        int taps = 0;
        ViewControllerAdditions::addLeftBarButtonWithImageNamed(root, "back", QMargins(0, 0, 10, 0),
                                                                [&] { ++taps; });
        QVERIFY(root->navigationItem()->leftBarButtonItem());
        QVERIFY(root->navigationItem()->leftBarButtonItem()->customView());
        ViewController loose;
        ViewControllerAdditions::addLeftBarButtonWithImageNamed(&loose, "back", {}, {});
        QVERIFY(!loose.navigationItem()->leftBarButtonItem());

        ViewControllerAdditions::setHostNavigationTitleColorSource([] { return QStringLiteral("ff0000"); });
        ViewControllerAdditions::applyCustomAttributesToNavigationBarTitle(root);
        QCOMPARE(nav->navigationBar()->titleColor(), QColor(Qt::red));
        ViewControllerAdditions::setHostNavigationTitleColorSource({});

        ViewControllerAdditions::makeNavigationBarTransparent(root);
        QVERIFY(nav->navigationBar()->isTransparent());
        auto* pushed = new ViewController;
        nav->pushViewController(pushed, false);
        ViewControllerAdditions::pop(pushed);
        QCOMPARE(nav->topViewController(), root);
    }

    void deviceAndLocaleQueries() {
        QVERIFY(DeviceInfo::isiPhone());
        Window window;
        window.makeKeyAndVisible();
        window.setIdiom(Window::Idiom::Pad);
        QVERIFY(DeviceInfo::isiPad());
        QVERIFY(!DeviceInfo::isiPhone());
        QLocale::setDefault(QLocale(QLocale::Hindi, QLocale::India));
        QCOMPARE(DeviceInfo::currentISOCountryCode(), QStringLiteral("IN"));
        QLocale::setDefault(QLocale::c());
        QVERIFY(!DeviceInfo::currentLocaleIsOfRTLType());
    }

    void buttonAndCellHelpers() {
        Button button;
        ButtonAdditions::dejavuRegularFontWithTitle(&button, "Join", "0086ca");
        QCOMPARE(button.titleForState(Button::State::Normal), QStringLiteral("Join"));
        QCOMPARE(button.titleFont().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(button.titleFont().pixelSize(), 15);
        QCOMPARE(button.titleColorForState(Button::State::Normal), QColor(0, 0x86, 0xca));
        ButtonAdditions::setFontNameForNormalState(&button, "DejaVuSans-Bold");
        QCOMPARE(button.titleFont().weight(), QFont::Bold);
        QCOMPARE(button.titleFont().pixelSize(), 15);
        // A missing bundle image leaves the state without an image rather than failing.
        ButtonAdditions::setImageNamed(&button, "noSuchImage");
        QVERIFY(button.imageForState(Button::State::Normal).isNull());
        QVERIFY(ImageAdditions::loadImageNamed({}).isNull());

        TableViewCell cell;
        ButtonAdditions::setCustomHighlightColor(&cell);
        QCOMPARE(cell.selectedBackgroundColor(), CustomColors::tableCellSelectionColor());
    }

    void textViewHelpers() {
        TextView view;
        view.resize(200, 300);
        view.show();
        QCOMPARE(TextViewAddtions::heightForCurrentText(&view), 0.0);
        view.setPlainText("short");
        const qreal h = TextViewAddtions::heightForCurrentText(&view);
        QCOMPARE(h, std::ceil(h));
        QVERIFY(h > 0);
        TextViewAddtions::verticallyCenterText(&view);
        QVERIFY(view.textContainerInset().top() > 100); // short text in a tall view sits in the middle
        view.setPlainText(QString("many words ").repeated(200));
        TextViewAddtions::verticallyCenterText(&view);
        QCOMPARE(view.textContainerInset().top(), 0);

        view.setSelectable(true);
        view.selectAll();
        QVERIFY(view.textCursor().hasSelection());
        TextViewAddtions::resetSelectableState(&view);
        QVERIFY(view.isSelectable());
        QVERIFY(!view.textCursor().hasSelection());
        view.setSelectable(false);
        TextViewAddtions::resetSelectableState(&view);
        QVERIFY(!view.isSelectable());

        TextViewAddtions::setHexFontColor(&view, "#404040");
        QCOMPARE(TextViewAddtions::dejaVuRegularAttributes(&view).color, std::optional(QColor(64, 64, 64)));
    }

    void labelSizeFromText() {
        Label label;
        label.resize(80, 20);
        QCOMPARE(LabelAdditions::sizeFromCurrentText(&label), QSizeF(0, 0));
        label.setText(QString("word ").repeated(400));
        // The measured height stops at the limit of 999.
        QCOMPARE(LabelAdditions::sizeFromCurrentText(&label).height(), 999.0);
        LabelAdditions::setHexFontColor(&label, "fff");
        QCOMPARE(label.textColor(), QColor(Qt::white));
        LabelAdditions::setFontName(&label, "DejaVuSansCondensed", 11);
        QCOMPARE(label.font().family(), QStringLiteral("DejaVu Sans Condensed"));
        LabelAdditions::setFontName(&label, "DejaVuSans-Bold");
        QCOMPARE(label.font().pixelSize(), 11);
        QCOMPARE(LabelAdditions::dejaVuRegularAttributes(&label).kern, std::optional(-0.375));
    }

    void photosAreFiledIntoAlbumsCreatedOnDemand() {
        pelnix::test::TestSandbox sandbox;
        PhotoAlbums albums(sandbox.path("Pictures"), sandbox.path("Movies"));
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QList<std::pair<QUrl, PLOptionalError>> results;
        auto record = [&](const QUrl& url, const PLOptionalError& error) {
            results << std::make_pair(url, error);
        };
        albums.saveImage(image, "Pelnix", record);
        QTRY_COMPARE(results.size(), 1);
        QVERIFY(!results[0].second);
        const QString saved = results[0].first.toLocalFile();
        QVERIFY(saved.startsWith(sandbox.path("Pictures") + "/IMG_"));
        QVERIFY(QFileInfo::exists(sandbox.path("Pictures/Pelnix/") + QFileInfo(saved).fileName()));

        // A second save finds the album by name.
        albums.saveImage(image, "Pelnix", record);
        QTRY_COMPARE(results.size(), 2);
        QCOMPARE(QDir(sandbox.path("Pictures/Pelnix")).entryList(QDir::Files).size(), 2);

        // Videos go to the movies folder; a missing file is a write error reported to the caller.
        QFile video(sandbox.path("clip.mp4"));
        QVERIFY(video.open(QIODevice::WriteOnly));
        video.write("not really a movie");
        video.close();
        albums.saveVideo(QUrl::fromLocalFile(video.fileName()), "Pelnix", record);
        QTRY_COMPARE(results.size(), 3);
        QVERIFY(QFileInfo::exists(sandbox.path("Movies/Pelnix/") + results[2].first.fileName()));
        albums.saveVideo(QUrl::fromLocalFile(sandbox.path("missing.mp4")), "Pelnix", record);
        QTRY_COMPARE(results.size(), 4);
        QVERIFY(results[3].second.has_value());

        // Failures to file a saved item come back with the item's URL and an error: an album name that
        // is not one safe folder name, an album that cannot be created, an item that is not there.
        albums.saveImage(image, "../outside", record);
        QTRY_COMPARE(results.size(), 5);
        QVERIFY(results[4].second.has_value());
        QVERIFY(QFileInfo::exists(results[4].first.toLocalFile()));
        QVERIFY(!QFileInfo::exists(sandbox.path("outside")));
        QFile blocker(sandbox.path("Pictures/Taken"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        albums.saveImage(image, "Taken", record);
        QTRY_COMPARE(results.size(), 6);
        QVERIFY(results[5].second.has_value());
        QVERIFY(!results[5].first.isEmpty());
        albums.addAssetURL(QUrl::fromLocalFile(sandbox.path("Pictures/gone.jpg")), "Pelnix", record);
        albums.addAssetURL(QUrl(), "Pelnix", record);
        QTRY_COMPARE(results.size(), 8);
        QVERIFY(results[6].second.has_value() && results[7].second.has_value());
        QCOMPARE(QDir(sandbox.path("Pictures/Pelnix")).entryList(QDir::Files).size(), 2);
    }

    // Work put off until a frame is painted runs after that paint, once; at once (from the event
    // loop) for a widget not on screen; never once its owner is gone.
    void workAfterTheNextFrame() {
        QWidget shown;
        shown.resize(100, 100);
        shown.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shown));
        QStringList order;
        struct Recorder : QObject {
            QStringList* order;
            explicit Recorder(QStringList* o) : order(o) {}
            bool eventFilter(QObject*, QEvent* event) override {
                if (event->type() == QEvent::Paint)
                    *order << QStringLiteral("paint");
                return false;
            }
        } recorder(&order);
        shown.installEventFilter(&recorder);
        platform::ui::afterNextPaint(&shown, &shown, [&order] { order << QStringLiteral("ran"); });
        QTRY_VERIFY(order.contains(QStringLiteral("ran")));
        QCOMPARE(order.first(), QStringLiteral("paint"));
        shown.repaint();
        QCoreApplication::processEvents();
        QCOMPARE(order.count(QStringLiteral("ran")), 1);

        QWidget hidden;
        bool ranForHidden = false;
        platform::ui::afterNextPaint(&hidden, &hidden, [&ranForHidden] { ranForHidden = true; });
        QVERIFY(!ranForHidden); // from the event loop, not inside the call
        QTRY_VERIFY(ranForHidden);

        bool ranForGone = false;
        {
            QObject owner;
            platform::ui::afterNextPaint(&hidden, &owner, [&ranForGone] { ranForGone = true; });
        }
        QCoreApplication::processEvents();
        QVERIFY(!ranForGone);
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestViewHelpers t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_viewhelpers.moc"
