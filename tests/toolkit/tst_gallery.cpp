#include "GalleryScreens.h"
#include "GalleryToolkit.h"
#include "TestSandbox.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/ui/Animator.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/ScrollIndicator.h"
#include "platform/ui/ScrollIndicators.h"
#include "platform/ui/Window.h"
#include "platform/ui/ZoomingScrollView.h"
#include "ui/toolkit/PLCircularProgressView.h"
#include "ui/toolkit/PLCustomSearchView.h"
#include "ui/toolkit/PLCustomTextField.h"
#include "ui/toolkit/PLProfileUserNameTextField.h"
#include "ui/toolkit/ToolkitStyle.h"

#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QtMath>
#include <algorithm>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {
// A screen of the gallery as the screenshot tool makes it: a 375 x 667 window with the program's font,
// fixture applied; then, with `renderedAt`, the window brought to that size as the tool takes its larger
// pictures.
class GalleryWindow {
public:
    explicit GalleryWindow(const QString& identifier, QSize renderedAt = {}) {
        m_window.resize(375, 667);
        const QString gallery = QStringLiteral("Gallery");
        ViewController* controller = ScreenRegistry::shared()->instantiate(gallery, identifier);
        if (!controller)
            return;
        m_window.setRootViewController(controller);
        m_window.show();
        if (const auto fixture = ScreenRegistry::shared()->fixture(gallery, identifier))
            fixture(controller);
        if (!renderedAt.isEmpty()) {
            m_window.resize(renderedAt);
            Screenshot::settle();
        }
        shoot();
    }
    Window& window() { return m_window; }
    void shoot() { m_image = Screenshot::grab(&m_window); }
    // The picture's colour at `point` of `view`.
    QColor at(const QWidget* view, QPointF point) const {
        const QPoint p = view->mapTo(&m_window, point.toPoint());
        const qreal scale = qreal(m_image.width()) / m_window.width();
        return m_image.pixelColor(int(p.x() * scale), int(p.y() * scale));
    }

private:
    Window m_window;
    QImage m_image;
};

bool near(const QColor& actual, const QColor& expected, int tolerance = 10) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

const char* describe(const QColor& color) {
    static QByteArray text;
    text = color.name().toLatin1();
    return text.constData();
}

// Left to right, as the gallery lays them out.
template <typename View> QList<View*> inRow(QWidget& root) {
    QList<View*> views = root.findChildren<View*>();
    std::sort(views.begin(), views.end(), [&root](View* a, View* b) {
        return a->mapTo(&root, QPoint()).y() != b->mapTo(&root, QPoint()).y()
                   ? a->mapTo(&root, QPoint()).y() < b->mapTo(&root, QPoint()).y()
                   : a->mapTo(&root, QPoint()).x() < b->mapTo(&root, QPoint()).x();
    });
    return views;
}
} // namespace

class TestToolkitGallery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        CustomFontRegistration::loadCustomFonts();
        tools::registerGalleryScreens();
        tools::registerToolkitGalleryScreens();
    }
    void init() {
        Animator::setInstant(true);
        Scheduler::shared()->setVirtualClock(true);
    }
    void cleanup() { Scheduler::shared()->setVirtualClock(false); }

    void noScrollAreaGivesRoomToScrollBars_data() {
        QTest::addColumn<QString>("screen");
        for (const char* screen : {"PageView", "IndexedTable", "CommonWidgets"})
            QTest::newRow(screen) << QString::fromLatin1(screen);
    }
    void noScrollAreaGivesRoomToScrollBars() {
        QFETCH(QString, screen);
        GalleryWindow shot(screen);
        for (const QAbstractScrollArea* area : shot.window().findChildren<QAbstractScrollArea*>()) {
            QCOMPARE(area->viewport()->geometry(), area->contentsRect());
            QVERIFY(!area->verticalScrollBar()->isVisible());
            QVERIFY(!area->horizontalScrollBar()->isVisible());
        }
    }

    // The zoomed picture as it is panned: two thin dark bars over the picture at its right and bottom
    // edges, the picture around them; a moment later they are gone.
    void pannedPictureShowsThinIndicators() {
        GalleryWindow shot(QStringLiteral("PageView"));
        auto* zoom = shot.window().findChild<ZoomingScrollView*>();
        QVERIFY(zoom);
        QCOMPARE(zoom->viewport()->width(), shot.window().width());
        ScrollIndicators* indicators = zoom->scrollIndicators();
        for (ScrollIndicator* bar : {indicators->vertical(), indicators->horizontal()}) {
            QVERIFY(bar->isVisible());
            const QRect place = bar->geometry();
            const QPointF core = QRectF(place).center();
            const QColor onBar = shot.at(zoom, core);
            QVERIFY2(onBar.lightness() < 170, describe(onBar));
            // The picture (pale, or a grid line) beside the bar, and on the edge past its end.
            const QPointF beside =
                bar->orientation() == Qt::Vertical ? core - QPointF(8, 0) : core - QPointF(0, 8);
            QVERIFY2(shot.at(zoom, beside).lightness() > 190, describe(shot.at(zoom, beside)));
            const QPointF past = bar->orientation() == Qt::Vertical ? QPointF(core.x(), place.bottom() + 20)
                                                                    : QPointF(place.right() + 20, core.y());
            QVERIFY2(shot.at(zoom, past).lightness() > 190, describe(shot.at(zoom, past)));
        }
        Scheduler::shared()->advance(ScrollIndicators::kFlashMs);
        shot.shoot();
        const QPointF where = QRectF(indicators->vertical()->geometry()).center();
        QVERIFY(indicators->vertical()->isHidden());
        QVERIFY2(shot.at(zoom, where).lightness() > 190, describe(shot.at(zoom, where)));
    }

    // A picture smaller than its view, on a desktop window, stands in the view's middle: the ring
    // drawn around its centre crosses the view's middle line at equal distances left and right.
    void zoomedPictureSmallerThanItsViewIsCentred() {
        GalleryWindow shot(QStringLiteral("PageView"), QSize(1024, 768));
        auto* zoom = shot.window().findChild<ZoomingScrollView*>();
        QVERIFY(zoom);
        QWidget* picture = zoom->contentWidget();
        QVERIFY(picture);
        const QSize view = zoom->viewport()->size();
        QVERIFY2(picture->width() < view.width(), "the picture is smaller than its view at this size");
        QVERIFY(qAbs(picture->x() - (view.width() - picture->width()) / 2) <= 1);
        if (picture->height() < view.height())
            QVERIFY(qAbs(picture->y() - (view.height() - picture->height()) / 2) <= 1);
        const QPointF middle(view.width() / 2.0,
                             picture->mapTo(zoom->viewport(), QPoint(0, picture->height() / 2)).y());
        const qreal radius = picture->width() * 0.3;
        for (const qreal side : {-1.0, 1.0}) {
            const QColor ring = shot.at(zoom->viewport(), middle + QPointF(side * radius, 0));
            QVERIFY2(near(ring, ToolkitStyle::accentColor(), 60), describe(ring));
        }
        // Beside the picture, the page shows, not the picture's pale ground.
        const QColor left = shot.at(zoom->viewport(), QPointF(picture->x() / 2.0, middle.y()));
        QVERIFY2(!near(left, QColor(245, 248, 252), 2), describe(left));
    }

    // The pushed page's bar, with the back button and two items on the right, shows its short title
    // whole at every size; on the phone the back button gives up its title for that.
    void aShortTitleShowsWholeBesideTheBarsItems_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("320 x 568") << QSize(320, 568);
        QTest::newRow("400 x 720") << QSize(400, 720);
        QTest::newRow("1024 x 768") << QSize(1024, 768);
    }
    void aShortTitleShowsWholeBesideTheBarsItems() {
        QFETCH(QSize, size);
        GalleryWindow shot(QStringLiteral("NavigationStack"), size);
        auto* bar = shot.window().findChild<NavigationBar*>();
        QVERIFY(bar);
        QCOMPARE(bar->titleText(), QStringLiteral("Group Info"));
        auto* title = bar->findChild<QLabel*>(QStringLiteral("navigationBar.title"));
        QVERIFY(title && title->isVisible());
        QCOMPARE(title->text(), bar->titleText());
        QVERIFY(title->width() >= title->fontMetrics().horizontalAdvance(title->text()));
        // Nothing overlaps the title: the back button ends left of it, the items start right of it.
        auto* back = bar->findChild<QWidget*>(QStringLiteral("navigationBar.back"));
        QVERIFY(back && back->isVisible());
        QVERIFY(back->geometry().right() < title->geometry().left());
        for (const char* name : {"navigationBar.right.0", "navigationBar.right.1"}) {
            auto* item = bar->findChild<QWidget*>(QString::fromLatin1(name));
            QVERIFY(item && item->isVisible());
            QVERIFY(title->geometry().right() < item->geometry().left());
        }
    }

    // One frame for every field: the same border colour, white inside, rounded corners of one radius,
    // the accent colour on the field that has the focus, and the toolkit's heights.
    void fieldsShareOneFrame() {
        GalleryWindow shot(QStringLiteral("CommonWidgets"));
        Window& window = shot.window();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* search = window.findChild<PLCustomSearchView*>();
        const QList<PLCustomTextField*> styled = inRow<PLCustomTextField>(window);
        const QList<PLProfileUserNameTextField*> names = inRow<PLProfileUserNameTextField>(window);
        QVERIFY(search && styled.size() == 2 && names.size() == 2);
        PLProfileUserNameTextField* readOnly = names[1];
        QVERIFY(readOnly->hasReadOnlyLook());
        styled[0]->setFocus();
        QVERIFY(styled[0]->hasFocus());
        shot.shoot();

        const QList<QWidget*> fields{search->searchTextField(), styled[0], styled[1], names[0]};
        for (QWidget* field : fields) {
            const qreal middle = field->height() / 2.0;
            const QColor border = shot.at(field, {0, middle});
            const QColor expected =
                field->hasFocus() ? ToolkitStyle::accentColor() : ToolkitStyle::borderColor();
            QVERIFY2(near(border, expected), describe(border));
            QVERIFY2(near(shot.at(field, {field->width() - 1.0, middle}), expected),
                     describe(shot.at(field, {field->width() - 1.0, middle})));
            QVERIFY2(near(shot.at(field, {field->width() / 2.0, 3}), Qt::white, 2),
                     describe(shot.at(field, {field->width() / 2.0, 3})));
            // The corner pixel lies outside the rounded border: the page shows there. Just past the
            // corner's radius the top border runs straight, at any width of field.
            QVERIFY2(near(shot.at(field, {0, 0}), Qt::white, 40), describe(shot.at(field, {0, 0})));
            const QPointF top(ToolkitStyle::kCornerRadius + 2, 0);
            QVERIFY2(near(shot.at(field, top), expected), describe(shot.at(field, top)));
        }
        auto* cancel = search->cancelButton();
        QVERIFY2(near(shot.at(cancel, {0, cancel->height() / 2.0}), ToolkitStyle::borderColor()),
                 describe(shot.at(cancel, {0, cancel->height() / 2.0})));
        QVERIFY(near(shot.at(cancel, {0, 0}), Qt::white, 40));
        // The read-only name has no frame at all.
        QVERIFY(near(shot.at(readOnly, {0, readOnly->height() / 2.0}), Qt::white, 2));

        QCOMPARE(search->searchTextField()->height(), qRound(ToolkitStyle::kSearchFieldHeight));
        QCOMPARE(cancel->height(), qRound(ToolkitStyle::kSearchFieldHeight));
        for (QWidget* field : {static_cast<QWidget*>(styled[0]), static_cast<QWidget*>(styled[1]),
                               static_cast<QWidget*>(names[0])}) {
            QCOMPARE(field->height(), qRound(ToolkitStyle::kFieldHeight));
            QCOMPARE(field->font(), ToolkitStyle::regularFont());
        }
        // Where the widget has a colour of its own, it keeps it: the styled field's grey text.
        QCOMPARE(styled[0]->palette().color(QPalette::Text), QColor::fromRgbF(0.6, 0.6, 0.6));
        QCOMPARE(names[0]->palette().color(QPalette::Text), ToolkitStyle::textColor());
    }

    // The styled field's background picture is drawn in the frame's own colour.
    void fieldPictureMatchesTheFrame() {
        const QImage picture = ImageAdditions::loadImageNamed(QStringLiteral("textFieldBackground"));
        QVERIFY(!picture.isNull());
        const QColor edge = picture.pixelColor(0, picture.height() / 2);
        QVERIFY2(near(edge, ToolkitStyle::borderColor(), 2), describe(edge));
        QVERIFY(near(picture.pixelColor(picture.width() / 2, picture.height() / 2), Qt::white, 2));
    }

    // Arcs in the toolkit's progress colour over its track, a new ring included.
    void progressRingsUseTheToolkitColours() {
        QCOMPARE(PLCircularProgressView().progressColor(), ToolkitStyle::progressArcColor());
        GalleryWindow shot(QStringLiteral("CommonWidgets"));
        const QList<PLCircularProgressView*> rings = inRow<PLCircularProgressView>(shot.window());
        QCOMPARE(rings.size(), 4);
        PLCircularProgressView* ring = rings[2];
        QCOMPARE(ring->currentProgress(), 0.6);
        // At three o'clock, on the arc's middle line (radius 20 - 1.5), the arc has passed; at nine
        // o'clock (0.75 of the way round) it has not.
        const qreal radius = ring->width() / 2.0 - ring->arcLineWidth() / 2;
        const QColor arc = shot.at(ring, {ring->width() / 2.0 + radius, ring->height() / 2.0});
        QVERIFY2(near(arc, ToolkitStyle::progressArcColor(), 16), describe(arc));
        const QColor open = shot.at(ring, {ring->width() / 2.0 - radius, ring->height() / 2.0});
        QVERIFY2(!near(open, ToolkitStyle::progressArcColor(), 40), describe(open));
        QCOMPARE(ring->wrapperColor(), ToolkitStyle::progressTrackColor());
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestToolkitGallery t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_gallery.moc"
