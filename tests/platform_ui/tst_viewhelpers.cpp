#include "TestSandbox.h"
#include "foundation/ui/IndexPathAdditions.h"
#include "foundation/ui/LabelAdditions.h"
#include "foundation/ui/PhotoAlbums.h"
#include "foundation/ui/PlacemarkAdditions.h"
#include "foundation/ui/RotationAnimation.h"
#include "foundation/ui/ScrollViewAdditions.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "platform/ui/Animator.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
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

        // An album name that is not one safe folder name files nothing and stays silent.
        albums.saveImage(image, "../outside", record);
        QTRY_VERIFY(QDir(sandbox.path("Pictures")).entryList(QDir::Files).size() == 3);
        QVERIFY(!QFileInfo::exists(sandbox.path("outside")));
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestViewHelpers t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_viewhelpers.moc"
