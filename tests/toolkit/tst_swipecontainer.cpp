#include "TestSandbox.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/Animator.h"
#include "platform/ui/CollectionStrip.h"
#include "platform/ui/FocusRing.h"
#include "platform/ui/Label.h"
#include "platform/ui/Window.h"
#include "ui/toolkit/PLChatletCategoryCollectionViewCell.h"
#include "ui/toolkit/PLSwipeViewController.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {

class CountingDelegate : public QObject, public PLSwipeViewDelegate {
public:
    void resetSearchBar(bool reset) override { resets << reset; }
    QList<bool> resets;
};

ViewController* page(const QString& title) {
    auto* controller = new ViewController;
    controller->setTitle(title);
    return controller;
}

// A swipe container of three pages on screen in a phone-sized window.
struct Shown {
    Window window;
    PLSwipeViewController* swipe;
    CountingDelegate delegate;
    QList<ViewController*> pages;

    explicit Shown(int count = 3) {
        const QStringList titles{QStringLiteral("Everyday"), QStringLiteral("Share"), QStringLiteral("Work"),
                                 QStringLiteral("Fun")};
        for (int i = 0; i < count; ++i)
            pages << page(titles[i]);
        swipe = new PLSwipeViewController(pages);
        swipe->setDelegate(&delegate);
        window.resize(320, 568);
        window.setRootViewController(swipe);
        window.show();
        QCoreApplication::processEvents();
    }
    PLPageViewController* pager() const { return swipe->pageViewController(); }
};

using Step = std::tuple<ViewController*, PLPageViewController::Direction, bool>;

} // namespace

class TestSwipeContainer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        CustomFontRegistration::loadCustomFonts();
        Animator::setInstant(true);
    }

    void firstPageShowsFirst() {
        Shown shown;
        QCOMPARE(shown.swipe->selectedIndex(), 0);
        QCOMPARE(shown.swipe->selectedViewController(), shown.pages[0]);
        QCOMPARE(shown.pager()->viewController(), shown.pages[0]);
        QVERIFY(shown.pages[0]->isVisible());
        QVERIFY(shown.swipe->selectionIndicatorView()->isVisible());
    }

    void anEqualIndexDoesNothing() {
        Shown shown;
        QSignalSpy sets(shown.pager(), &PLPageViewController::didSetViewController);
        const QRect indicator = shown.swipe->selectionIndicatorView()->geometry();
        shown.swipe->setSelectedIndex(0);
        QCOMPARE(sets.count(), 0);
        QVERIFY(shown.delegate.resets.isEmpty());
        QCOMPARE(shown.swipe->selectionIndicatorView()->geometry(), indicator);
    }

    // A jump passes through the neighbour of the target without a slide; going back slides reverse.
    void jumpsGoThroughTheNeighbour() {
        Shown shown;
        QList<Step> steps;
        connect(shown.pager(), &PLPageViewController::didSetViewController, shown.pager(),
                [&steps](ViewController* p, PLPageViewController::Direction d, bool animated) {
                    steps << Step{p, d, animated};
                });
        using D = PLPageViewController::Direction;
        shown.swipe->setSelectedIndex(2);
        QCOMPARE(steps,
                 (QList<Step>{{shown.pages[1], D::Forward, false}, {shown.pages[2], D::Forward, true}}));
        QCOMPARE(shown.pager()->viewController(), shown.pages[2]);
        QVERIFY(shown.pages[2]->isVisible());
        QVERIFY(!shown.pages[1]->view()->isVisible());
        steps.clear();
        shown.swipe->setSelectedIndex(0);
        QCOMPARE(steps,
                 (QList<Step>{{shown.pages[1], D::Reverse, false}, {shown.pages[0], D::Reverse, true}}));
        steps.clear();
        shown.swipe->setSelectedIndex(1);
        QCOMPARE(steps, (QList<Step>{{shown.pages[1], D::Forward, true}}));
        QCOMPARE(shown.delegate.resets, (QList<bool>{true, true, true}));
    }

    void tabsShareTheStripInUpperCase_data() {
        QTest::addColumn<int>("pages");
        QTest::addRow("two") << 2;
        QTest::addRow("three") << 3;
        QTest::addRow("four") << 4;
    }
    void tabsShareTheStripInUpperCase() {
        QFETCH(int, pages);
        Shown shown(pages);
        CollectionStrip* strip = shown.swipe->titleCollectionView();
        QCOMPARE(strip->width(), 320 - 2 * PLSwipeViewController::kTitleInset);
        QCOMPARE(strip->height(), PLSwipeViewController::kTitleHeight);
        for (int i = 0; i < pages; ++i) {
            QCOMPARE(strip->rectForItem(i).width(), qreal(strip->width()) / pages);
            QCOMPARE(strip->rectForItem(i).height(), qreal(PLSwipeViewController::kTitleHeight));
            auto* cell = shown.swipe->titleCell(i);
            QVERIFY(cell);
            QCOMPARE(cell->titleLabel()->text(), shown.pages[i]->title().toUpper());
            QCOMPARE(cell->isSelected(), i == 0);
        }
    }

    // The indicator is its title's text width plus 5, centred under the title, in the container's
    // own coordinates.
    void indicatorSitsUnderTheSelectedTitle() {
        Shown shown;
        for (int index : {1, 2, 0}) {
            shown.swipe->setSelectedIndex(index);
            auto* cell = shown.swipe->titleCell(index);
            QWidget* indicator = shown.swipe->selectionIndicatorView();
            QCOMPARE(indicator->width(), qRound(cell->widthOfTextContent() + 5));
            const QPoint titleCentre =
                cell->titleLabel()->mapTo(shown.swipe->view(), cell->titleLabel()->rect().center());
            QVERIFY2(
                std::abs(indicator->geometry().center().x() - titleCentre.x()) <= 1,
                qPrintable(
                    QStringLiteral("%1 vs %2").arg(indicator->geometry().center().x()).arg(titleCentre.x())));
            QVERIFY(indicator->geometry().bottom() < PLSwipeViewController::kTitleHeight);
        }
    }

    void aTabTapSelectsItsPage() {
        Shown shown;
        CollectionStrip* strip = shown.swipe->titleCollectionView();
        QTest::mouseClick(strip->viewport(), Qt::LeftButton, {}, strip->rectForItem(2).center().toPoint());
        QCOMPARE(shown.swipe->selectedIndex(), 2);
        QCOMPARE(shown.pager()->viewController(), shown.pages[2]);
    }

    void neighboursAreNullWhileASwipeRuns() {
        Shown shown;
        PLPageViewController* pager = shown.pager();
        QCOMPARE(shown.swipe->viewControllerAfterViewController(pager, shown.pages[0]), shown.pages[1]);
        QCOMPARE(shown.swipe->viewControllerBeforeViewController(pager, shown.pages[0]), nullptr);
        QCOMPARE(shown.swipe->viewControllerAfterViewController(pager, shown.pages[2]), nullptr);
        pager->beginSwipe({200, 100});
        pager->moveSwipe({150, 100});
        QVERIFY(shown.swipe->isTransitionInProgress());
        QCOMPARE(shown.swipe->viewControllerAfterViewController(pager, shown.pages[0]), nullptr);
        QCOMPARE(shown.swipe->viewControllerBeforeViewController(pager, shown.pages[1]), nullptr);
        pager->endSwipe({150, 100});
        QVERIFY(!shown.swipe->isTransitionInProgress());
    }

    // A swipe past a third of the width turns the page and selects its tab; a shorter one springs
    // back and still ends, so the next swipe can start.
    void swipesTurnOrSpringBack() {
        Shown shown;
        QWidget* pagerView = shown.pager()->view();
        const int y = pagerView->height() / 2;
        QTest::mousePress(pagerView, Qt::LeftButton, {}, {250, y});
        QTest::mouseMove(pagerView, {200, y});
        QTest::mouseRelease(pagerView, Qt::LeftButton, {}, {200, y});
        QCOMPARE(shown.swipe->selectedIndex(), 0);
        QVERIFY(!shown.swipe->isTransitionInProgress());
        QCOMPARE(shown.pages[0]->view()->pos(), QPoint(0, 0));
        QVERIFY(!shown.pages[1]->view()->isVisible());

        QTest::mousePress(pagerView, Qt::LeftButton, {}, {300, y});
        QTest::mouseMove(pagerView, {150, y});
        QTest::mouseRelease(pagerView, Qt::LeftButton, {}, {100, y});
        QCOMPARE(shown.swipe->selectedIndex(), 1);
        QCOMPARE(shown.pager()->viewController(), shown.pages[1]);
        QVERIFY(shown.pages[1]->isVisible());
        QVERIFY(!shown.pages[0]->isVisible());
        QVERIFY(shown.swipe->titleCell(1)->isSelected());
        QCOMPARE(shown.delegate.resets, QList<bool>{true});

        // Back to the first page from the left.
        QTest::mousePress(pagerView, Qt::LeftButton, {}, {20, y});
        QTest::mouseMove(pagerView, {150, y});
        QTest::mouseRelease(pagerView, Qt::LeftButton, {}, {250, y});
        QCOMPARE(shown.swipe->selectedIndex(), 0);
        // Nothing before the first page: no swipe starts.
        QTest::mousePress(pagerView, Qt::LeftButton, {}, {20, y});
        QTest::mouseMove(pagerView, {250, y});
        QVERIFY(!shown.swipe->isTransitionInProgress());
        QTest::mouseRelease(pagerView, Qt::LeftButton, {}, {250, y});
        QCOMPARE(shown.swipe->selectedIndex(), 0);
    }

    void aRenamedPageRenamesItsTab() {
        Shown shown;
        shown.pages[1]->setTitle(QStringLiteral("Recent"));
        QCOMPARE(shown.swipe->titleCell(1)->titleLabel()->text(), QStringLiteral("RECENT"));
    }

    // Tab reaches each tab in its order, and Return selects the one with the keys; a page renamed, or
    // the window resized, leaves the keys and the ring on that tab (the strip hands its tabs out anew).
    void theKeysStayOnATabThroughARenameAndAResize() {
        Shown shown;
        QApplication::setActiveWindow(&shown.window);
        QVERIFY(QTest::qWaitForWindowActive(&shown.window));
        QWindow* keys = shown.window.windowHandle();
        shown.window.setFocus(Qt::MouseFocusReason);
        QTest::keyClick(keys, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), shown.swipe->titleCell(0));
        QTest::keyClick(keys, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), shown.swipe->titleCell(1));
        QTest::keyClick(keys, Qt::Key_Return);
        QCOMPARE(shown.swipe->selectedIndex(), 1);
        const auto keysOnTheSecondTab = [&shown] {
            PLChatletCategoryCollectionViewCell* tab = shown.swipe->titleCell(1);
            return tab && QApplication::focusWidget() == tab && FocusRing::shows(tab);
        };
        shown.pages[1]->setTitle(QStringLiteral("Recent"));
        QVERIFY(keysOnTheSecondTab());
        shown.window.resize(400, 568);
        QCoreApplication::processEvents();
        QVERIFY(keysOnTheSecondTab());
        QCOMPARE(shown.swipe->titleCell(1)->titleLabel()->text(), QStringLiteral("RECENT"));
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestSwipeContainer t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_swipecontainer.moc"
