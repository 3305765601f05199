#include "TestSandbox.h"
#include "platform/ui/NibRegistry.h"
#include "platform/ui/ViewController.h"
#include "ui/toolkit/Geometry.h"

#include <QApplication>
#include <QLabel>
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
