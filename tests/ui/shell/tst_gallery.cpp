// The root container's gallery pictures: the drawer closed and open, checked by pixels at points
// computed from the container's own geometry, at 320 x 568, 400 x 720 and 1024 x 768.
#include "GalleryRooms.h"
#include "GalleryShell.h"
#include "GalleryTestKit.h"
#include "TestSandbox.h"

#include "core/session/PLAppLockSettingsManager.h"
#include "foundation/ui/CustomColors.h"
#include "platform/ui/Animator.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationController.h"
#include "ui/rooms/PLSideDrawerTabelViewCell.h"
#include "ui/shell/PLRootViewController.h"

#include <QtTest>

using namespace pelnix;
using namespace pelnix::platform::ui;
using test::describe;
using test::near;

class TestShellGallery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        Animator::setInstant(true);
        PLAppLockSettingsManager::sharedAppLockSettingsManager()->setShouldShowAppLockScreen(false);
        tools::prepareRoomsGalleryStore(false);
        tools::registerRoomsGalleryScreens();
        tools::registerShellGalleryScreens();
    }

    void theDrawerLiesBehindTheChatsUntilItOpens_data() {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QSize>("size");
        QTest::newRow("320 x 568") << QString() << QSize(320, 568);
        QTest::newRow("400 x 720") << QStringLiteral("@400x720") << QSize(400, 720);
        // Set up as on a phone, then shown in a desktop window, as the gallery shows it.
        QTest::newRow("1024 x 768") << QString() << QSize(1024, 768);
    }
    void theDrawerLiesBehindTheChatsUntilItOpens() {
        QFETCH(QString, suffix);
        QFETCH(QSize, size);
        for (const bool open : {false, true}) {
            test::GalleryShot shot(
                QStringLiteral("GalleryShell"),
                (open ? QStringLiteral("RootDrawerOpen") : QStringLiteral("RootDrawerClosed")) + suffix,
                size);
            auto* root = qobject_cast<PLRootViewController*>(shot.controller);
            QVERIFY(root);
            QCOMPARE(shot.window.size(), size);
            QWidget* page = root->chatRoomsNavigationViewController()->view();
            auto* firstRow =
                shot.window.findChild<PLSideDrawerTabelViewCell*>(QStringLiteral("drawerCell.0"));
            QVERIFY(firstRow);
            const int visible = PLRootViewController::kPageVisibleWidth;
            const QPoint inSliver(size.width() - PLRootViewController::kDrawerWidthInset - visible / 2,
                                  size.height() / 2);
            const QColor sliver = shot.at(&shot.window, inSliver);
            if (!open) {
                QCOMPARE(page->geometry(), QRect(QPoint(0, 0), size));
                // The page covers the drawer: no drawer row shows through, the page is not dimmed.
                QVERIFY2(
                    !near(shot.at(&shot.window, firstRow->mapTo(&shot.window, firstRow->rect().center())),
                          QColor(0xD0, 0xEB, 0xD7), 2),
                    "the drawer shows through the closed page");
                QVERIFY2(!near(sliver, CustomColors::progressColor(), 30), describe(sliver));
                continue;
            }
            QCOMPARE(page->x(), size.width() - PLRootViewController::kDrawerWidthInset - visible);
            // The drawer's first row, the current page, in its green theme, left of the page; it is the
            // only row that stands out.
            QVERIFY2(near(shot.at(firstRow, {firstRow->width() / 4.0, 5}), QColor(0xD0, 0xEB, 0xD7), 2),
                     describe(shot.at(firstRow, {firstRow->width() / 4.0, 5})));
            const auto rows = shot.window.findChildren<PLSideDrawerTabelViewCell*>();
            QVERIFY(rows.size() > 2);
            int standingOut = 0;
            for (PLSideDrawerTabelViewCell* row : rows)
                standingOut += !near(shot.at(row, {row->width() / 4.0, 5}), Qt::white, 2);
            QCOMPARE(standingOut, 1);
            // The row's title reads in full left of the page.
            auto* title = firstRow->titleLabel();
            QVERIFY(title->mapTo(&shot.window, QPoint(0, 0)).x() + title->sizeThatFits({1e6, 1e6}).width() <
                    page->x());
            // The page's sliver is dimmed by the overlay from top to bottom.
            QVERIFY2(near(sliver, CustomColors::progressColor(), 30), describe(sliver));
            const QColor foot = shot.at(&shot.window, QPointF(inSliver.x(), size.height() - 4.0));
            QVERIFY2(near(foot, CustomColors::progressColor(), 30), describe(foot));
            // The shadow falls just left of the page.
            QCOMPARE(root->shadowImageView()->geometry().right() + 1, page->x());
        }
    }

    void rightToLeftTheDrawerOpensFromTheRight_data() {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QSize>("size");
        QTest::newRow("320 x 568") << QString() << QSize(320, 568);
        QTest::newRow("400 x 720") << QStringLiteral("@400x720") << QSize(400, 720);
        QTest::newRow("1024 x 768") << QString() << QSize(1024, 768);
    }
    // The mirror of the drawer left to right: the page slides left, its dimmed sliver at the left
    // edge, and the drawer's rows read whole right of it.
    void rightToLeftTheDrawerOpensFromTheRight() {
        QFETCH(QString, suffix);
        QFETCH(QSize, size);
        test::GalleryShot shot(QStringLiteral("GalleryShell"),
                               QStringLiteral("RootDrawerOpenRightToLeft") + suffix, size);
        auto* root = qobject_cast<PLRootViewController*>(shot.controller);
        QVERIFY(root);
        QWidget* page = root->chatRoomsNavigationViewController()->view();
        const int visible = PLRootViewController::kPageVisibleWidth;
        QCOMPARE(page->geometry().right() + 1, visible + PLRootViewController::kDrawerWidthInset);
        QCOMPARE(root->shadowImageView()->x(), page->geometry().right() + 1);
        for (const int y : {size.height() / 2, size.height() - 4}) {
            const QColor sliver = shot.at(&shot.window, QPointF(visible / 2.0, y));
            QVERIFY2(near(sliver, CustomColors::progressColor(), 30), describe(sliver));
        }
        const auto rows = shot.window.findChildren<PLSideDrawerTabelViewCell*>();
        QVERIFY(rows.size() > 2);
        int standingOut = 0;
        for (PLSideDrawerTabelViewCell* row : rows) {
            standingOut += !near(shot.at(row, {row->width() * 0.75, 5}), Qt::white, 2);
            // The title's ink as the row draws it alone shows the same on screen: nothing of it under
            // the page or its shadow.
            const QImage alone = row->grab().toImage();
            QWidget* title = row->titleLabel();
            const QRect area(title->mapTo(row, QPoint(0, 0)), title->size());
            int inked = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x) {
                    if (qGray(alone.pixel(x, y)) >= 128)
                        continue;
                    ++inked;
                    const QColor shown = shot.at(row, QPointF(x, y));
                    QVERIFY2(near(shown, alone.pixelColor(x, y), 2),
                             qPrintable(row->titleLabel()->text() + QLatin1Char(' ') + describe(shown)));
                }
            QVERIFY2(inked > 0, qPrintable(row->titleLabel()->text()));
        }
        QCOMPARE(standingOut, 1);
    }

private:
    test::TestSandbox m_sandbox;
};

QTEST_MAIN(TestShellGallery)
#include "tst_gallery.moc"
