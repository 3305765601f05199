#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/BlurredBackdrop.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/PopoverHost.h"
#include "platform/ui/PopoverOverlay.h"
#include "platform/ui/Window.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace pelnix::platform::ui;

namespace {
QWidget* filled(QWidget* parent, const QColor& color, const QRect& geometry) {
    auto* view = new QWidget(parent);
    view->setAutoFillBackground(true);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, color);
    view->setPalette(palette);
    view->setGeometry(geometry);
    return view;
}
// A tap where the user would make it: on whatever view is at `point` of the window.
void tapAt(QWidget* window, const QPoint& point) {
    QWidget* target = window->childAt(point);
    if (!target)
        target = window;
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(window, point));
}
} // namespace

class TestPopoverHost : public QObject {
    Q_OBJECT
private slots:
    void init() { Animator::setInstant(true); }

    void overlayCoversTheWindowAndLetsPassthroughViewsBeTapped() {
        Window window;
        window.resize(375, 667);
        auto* screen = new QWidget(&window);
        screen->setGeometry(window.rect());
        auto* toolbar = new QWidget(screen);
        toolbar->setGeometry(0, 600, 375, 67);
        auto* inside = new QPushButton("Inside", toolbar);
        inside->setGeometry(10, 10, 100, 40);
        auto* other = new QPushButton("Other", screen);
        other->setGeometry(10, 100, 100, 40);
        window.show();

        PopoverHost* host = PopoverHost::forWindow(&window);
        QCOMPARE(PopoverHost::forWindow(&window), host);
        auto* bubble = new QWidget;
        bubble->setGeometry(50, 200, 200, 100);
        PopoverOverlay* overlay = host->addPopover(bubble);
        overlay->setPassthroughViews({toolbar});
        bubble->show();
        QCOMPARE(overlay->geometry(), window.rect());
        QCOMPARE(host->bubbles(), QList<QWidget*>{bubble});
        QCOMPARE(window.childAt(100, 250), bubble);
        QCOMPARE(window.childAt(20, 110), overlay);

        QSignalSpy touched(overlay, &PopoverOverlay::touched);
        QSignalSpy otherClicked(other, &QPushButton::clicked);
        QSignalSpy insideClicked(inside, &QPushButton::clicked);
        tapAt(&window, QPoint(20, 110)); // on "Other", behind the overlay
        QCOMPARE(touched.size(), 1);
        QCOMPARE(otherClicked.size(), 0);
        // A view inside a pass-through view gets the whole tap; the overlay says nothing.
        tapAt(&window, QPoint(30, 630));
        QCOMPARE(insideClicked.size(), 1);
        QCOMPARE(touched.size(), 1);
        QVERIFY(overlay->isPassthroughView(inside));
        QVERIFY(!overlay->isPassthroughView(other));
        QVERIFY(!overlay->isPassthroughView(nullptr));

        QPointer<PopoverOverlay> overlayGuard(overlay);
        host->removePopover(overlay, bubble);
        QVERIFY(host->bubbles().isEmpty());
        QTRY_VERIFY(overlayGuard.isNull());
    }

    void anchorsResolveToWindowCoordinates() {
        Window window;
        window.resize(375, 667);
        auto* bar = new NavigationBar(&window);
        bar->setGeometry(0, 20, 375, NavigationBar::kHeight);
        NavigationItem item;
        auto* share = new BarButtonItem("Share", {}, &item);
        item.setRightBarButtonItems({share});
        bar->setItems(&item, nullptr);
        auto* nested = new QWidget(&window);
        nested->setGeometry(30, 100, 200, 200);
        auto* inner = new QWidget(nested);
        inner->setGeometry(10, 20, 50, 50);
        window.show();

        PopoverHost* host = PopoverHost::forWindow(&window);
        QCOMPARE(host->rectInWindow(inner, QRect(1, 2, 3, 4)), QRect(41, 122, 3, 4));
        QCOMPARE(host->rectInWindow(nullptr, QRect(1, 2, 3, 4)), QRect(1, 2, 3, 4));
        QWidget* anchor = PopoverHost::viewForBarButtonItem(share);
        QCOMPARE(anchor, bar->findChild<QToolButton*>("navigationBar.right.0"));
        QCOMPARE(host->rectInWindow(anchor, anchor->rect()).top(), 20 + anchor->y());
        QVERIFY(!PopoverHost::viewForBarButtonItem(nullptr));
    }

    void boxBlurAveragesWithEdgeExtension() {
        QImage dot(5, 5, QImage::Format_ARGB32_Premultiplied);
        dot.fill(Qt::transparent);
        dot.setPixel(2, 2, qRgba(255, 255, 255, 255));
        const QImage once = BlurredBackdrop::boxBlur(dot, 3, 1);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x) {
                const int expected = (qAbs(x - 2) <= 1 && qAbs(y - 2) <= 1) ? 28 : 0; // 255 / 9
                QCOMPARE(qAlpha(once.pixel(x, y)), expected);
                QCOMPARE(qRed(once.pixel(x, y)), expected);
            }
        // An even size counts as the next odd one; zero passes leave the picture alone.
        QCOMPARE(BlurredBackdrop::boxBlur(dot, 2, 1), once);
        QCOMPARE(BlurredBackdrop::boxBlur(dot, 3, 0), dot);

        // In the corner the missing neighbours repeat the corner: 4 of the 9 samples are white.
        QImage corner(4, 4, QImage::Format_ARGB32_Premultiplied);
        corner.fill(qRgba(0, 0, 0, 255));
        corner.setPixel(0, 0, qRgba(255, 255, 255, 255));
        const QImage blurred = BlurredBackdrop::boxBlur(corner, 3, 1);
        QCOMPARE(qRed(blurred.pixel(0, 0)), 113);
        QCOMPARE(qRed(blurred.pixel(1, 1)), 28);
        QCOMPARE(qAlpha(blurred.pixel(3, 3)), 255);
        // A second pass spreads further.
        QVERIFY(qRed(BlurredBackdrop::boxBlur(corner, 3, 2).pixel(2, 2)) > 0);

        QImage black(2, 2, QImage::Format_ARGB32_Premultiplied);
        black.fill(qRgba(0, 0, 0, 255));
        BlurredBackdrop::addTint(black, QColor(255, 0, 0));
        QVERIFY(qAbs(qRed(black.pixel(0, 0)) - 64) <= 1);
        QCOMPARE(qGreen(black.pixel(0, 0)), 0);
    }

    void snapshotLeavesOutTheBackdropAndWhatLiesAboveIt() {
        QWidget root;
        root.resize(100, 100);
        filled(&root, Qt::white, root.rect());
        filled(&root, Qt::red, QRect(0, 0, 50, 100));
        auto* backdrop = new BlurredBackdrop(&root);
        backdrop->setGeometry(root.rect());
        filled(&root, Qt::blue, QRect(50, 0, 50, 100)); // above the backdrop
        root.show();
        const QImage picture = BlurredBackdrop::snapshot(&root, backdrop, QRect(0, 0, 100, 100), 0.5);
        QCOMPARE(picture.size(), QSize(50, 50));
        QCOMPARE(QColor(picture.pixel(10, 25)), QColor(Qt::red));
        QCOMPARE(QColor(picture.pixel(40, 25)), QColor(Qt::white));
        QVERIFY(root.findChildren<QWidget*>().last()->isVisible()); // nothing was hidden to take it

        backdrop->refresh(0.5, 1, 0, QColor());
        QCOMPARE(backdrop->image(), picture);
    }
};

QTEST_MAIN(TestPopoverHost)
#include "tst_popoverhost.moc"
