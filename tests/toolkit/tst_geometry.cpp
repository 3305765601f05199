#include "TestSandbox.h"
#include "platform/ui/NibRegistry.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ViewController.h"
#include "ui/toolkit/Geometry.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace pelnix;
using namespace pelnix::Geometry;

class PLBadgeView : public QWidget {
    Q_OBJECT
};

class TestGeometry : public QObject {
    Q_OBJECT
private slots:
    void centreAndEdges() {
        QWidget v;
        v.setGeometry(10, 20, 100, 40);
        QCOMPARE(x(&v), 60.0);
        QCOMPARE(y(&v), 40.0);
        QCOMPARE(left(&v), 10.0);
        QCOMPARE(right(&v), 110.0);
        setX(&v, 0);
        QCOMPARE(left(&v), -50.0);
        QCOMPARE(width(&v), 100.0);

        QWidget w;
        w.setGeometry(0, 0, 30, 10);
        setRight(&w, 100);
        QCOMPARE(w.geometry(), QRect(70, 0, 30, 10));
        setLeftRight(&w, 10, 100);
        QCOMPARE(w.geometry(), QRect(10, 0, 90, 10));
        setHeightBottom(&w, 20, 50);
        QCOMPARE(w.geometry(), QRect(10, 30, 90, 20));
        setBottom(&w, 100);
        QCOMPARE(w.geometry(), QRect(10, 80, 90, 20));
        QCOMPARE(contentCenter(&w), QPointF(45, 10));
    }

    void nibsAreReadOnceAndMissesRemembered() {
        auto* nibs = platform::ui::NibRegistry::shared();
        nibs->clear();
        int built = 0;
        nibs->registerNib("inc.karvest.Pelnix", "PLBadgeView", [&](QObject*) {
            ++built;
            auto* view = new QLabel("badge");
            view->resize(30, 12);
            return QList<QObject*>{view};
        });
        nibs->registerNib("inc.karvest.Pelnix", "Empty", [](QObject*) { return QList<QObject*>{}; });
        std::unique_ptr<QObject> a(instanceWithNibName<QWidget>("PLBadgeView", "inc.karvest.Pelnix"));
        std::unique_ptr<QObject> b(instanceWithNibName<QWidget>("PLBadgeView", "inc.karvest.Pelnix"));
        QVERIFY(qobject_cast<QLabel*>(a.get()));
        QCOMPARE(built, 2);           // instantiated per request...
        QCOMPARE(nibs->lookups(), 1); // ...but looked up once
        // No nib: a plain instance of the asking class; the miss is not looked up again.
        std::unique_ptr<PLBadgeView> plain(instanceWithNibName<PLBadgeView>({}, "other.bundle"));
        std::unique_ptr<PLBadgeView> again(instanceWithNibName<PLBadgeView>({}, "other.bundle"));
        QVERIFY(plain && again);
        QCOMPARE(nibs->lookups(), 2);
        // A nib with an empty top level gives nothing, not a new instance.
        QVERIFY(!instanceWithNibName<QWidget>("Empty", "inc.karvest.Pelnix"));

        QWidget zero;
        zero.resize(0, 0);
        loadContentsWithNibName(&zero, "PLBadgeView", "inc.karvest.Pelnix");
        QCOMPARE(zero.size(), QSize(30, 12));
        QWidget thin;
        thin.resize(0, 10);
        loadContentsWithNibName(&thin, "PLBadgeView", "inc.karvest.Pelnix");
        QCOMPARE(thin.findChild<QLabel*>()->geometry(), QRect(0, 0, 0, 10));
    }

    void pairedSettersAndBounds() {
        QWidget v;
        v.setGeometry(5, 5, 10, 10);
        setWidthRight(&v, 40, 100);
        QCOMPARE(v.geometry(), QRect(60, 5, 40, 10));
        setTopBottom(&v, 20, 70);
        QCOMPARE(v.geometry(), QRect(60, 20, 40, 50));
        setY(&v, 0);
        QCOMPARE(top(&v), -25.0);
        setBoundsSize(&v, QSizeF(12, 8));
        QCOMPARE(origin(&v), QPointF(60, -25)); // bounds changes keep the origin
        QCOMPARE(contentBounds(&v), QRectF(0, 0, 12, 8));
        // Null views answer zero and ignore setters, as messages to nil do.
        QCOMPARE(x(nullptr), 0.0);
        setRight(nullptr, 3);
        QCOMPARE(tag(nullptr), 0);
    }

    void extraTopLevelObjectsGoToTheOwner() {
        auto* nibs = platform::ui::NibRegistry::shared();
        nibs->clear();
        nibs->registerNib("b", "Cell", [](QObject*) {
            return QList<QObject*>{new QWidget, new QObject, new QObject};
        });
        QObject owner;
        std::unique_ptr<QObject> view(instanceWithNibName<QWidget>("Cell", "b", &owner));
        QVERIFY(view);
        QCOMPARE(owner.children().size(), 2);
    }

    void crossfadeCompletesAfterItsDuration() {
        platform::ui::Scheduler::shared()->setVirtualClock(true);
        QWidget v;
        v.resize(50, 50);
        bool done = false;
        crossfadeWithDuration(&v, 0.3, [&] { done = true; });
        platform::ui::Scheduler::shared()->advance(299);
        QVERIFY(!done);
        platform::ui::Scheduler::shared()->advance(1);
        QVERIFY(done);
        crossfadeWithDuration(&v, 0.3); // no block, nothing scheduled
        QCOMPARE(platform::ui::Scheduler::shared()->pendingCount(), 0);
        platform::ui::Scheduler::shared()->setVirtualClock(false);
    }

    void firstResponderOfTheSubtree() {
        QWidget root;
        auto* a = new QWidget(&root);
        auto* field = new QLineEdit(a);
        root.show();
        root.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&root));
        field->setFocus();
        QTRY_COMPARE(firstResponder(&root), field);
        QVERIFY(!firstResponder(new QWidget(&root)));
    }

    void treeSearchesInOrder() {
        QWidget root;
        auto* a = new QWidget(&root);
        auto* a1 = new QLabel(a);
        auto* b = new QLabel(&root);
        setTag(&root, 7);
        setTag(a1, 7);
        setTag(b, 7);
        QCOMPARE(viewsWithTag(&root, 7), (QList<QWidget*>{&root, a1, b}));
        QCOMPARE(viewWithTag(&root, 7, &QLabel::staticMetaObject), a1);
        QCOMPARE(viewsOfClass(&root, &QLabel::staticMetaObject), (QList<QWidget*>{a1, b}));
        QCOMPARE(firstSuperviewOfClass(a1, &QLabel::staticMetaObject), a1); // the receiver itself
        QCOMPARE(firstSuperviewWithTag(a, 7), &root);
        QVERIFY(isSuperviewOfView(a1, a));  // a is a1's superview
        QVERIFY(!isSuperviewOfView(a, a1)); // the other way round: no
        QVERIFY(isSuperviewOfView(a, a));
        QVERIFY(isSubviewOfView(a, a1));
        QVERIFY(viewOrAnySuperviewIsKindOfClass(a1, &QLabel::staticMetaObject));

        platform::ui::ViewController controller;
        auto* inner = new QWidget(controller.view());
        auto* deeper = new QWidget(inner);
        QCOMPARE(firstViewController(deeper), &controller);
        QVERIFY(!firstViewController(a1));
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestGeometry t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_geometry.moc"
