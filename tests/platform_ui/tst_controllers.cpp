#include "HostProgramFont.h"
#include "TestSandbox.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/ContactCardView.h"
#include "platform/ui/DocumentPageCanvas.h"
#include "platform/ui/DocumentPreview.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/PageView.h"
#include "platform/ui/PopoverHost.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/SearchBar.h"
#include "platform/ui/SectionIndexBar.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/StaticTableDataSource.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/StoryboardSegue.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>

using namespace pelnix::platform::ui;

namespace {
QStringList g_log;

// Records its life cycle as "<name>.<event>".
class Recording : public ViewController {
public:
    explicit Recording(const QString& name) : m_name(name) { setTitle(name); }
    bool unwindTarget = false;
    bool refuseSegues = false;
    QString preparedWith;
    bool movingFromParentSeen = false;

    bool shouldPerformSegue(const QString&, QObject*) override { return !refuseSegues; }
    void prepareForSegue(StoryboardSegue& segue, QObject* sender) override {
        g_log << m_name + ".prepare:" + segue.identifier();
        preparedWith = sender ? sender->objectName() : QString();
        if (segue.destinationViewController())
            segue.destinationViewController()->setTitle("from " + m_name);
    }
    bool canPerformUnwindSegueAction(const QString&, ViewController*) override { return unwindTarget; }

protected:
    void viewDidLoad() override { g_log << m_name + ".load"; }
    void viewWillAppear(bool) override { g_log << m_name + ".willAppear"; }
    void viewDidAppear(bool) override { g_log << m_name + ".didAppear"; }
    void viewWillDisappear(bool) override {
        g_log << m_name + ".willDisappear";
        movingFromParentSeen = isMovingFromParentViewController();
    }
    void viewDidDisappear(bool) override { g_log << m_name + ".didDisappear"; }

private:
    QString m_name;
};

QRect rectIn(QWidget* widget, QWidget* in) {
    return QRect(widget->mapTo(in, QPoint()), widget->size());
}

// Whether a click at the middle of `widget` reaches it (or a widget inside it) in `window`: nothing
// lies over it.
bool takesClicksAt(QWidget* widget, QWidget* window) {
    QWidget* hit = window->childAt(rectIn(widget, window).center());
    return hit && (hit == widget || widget->isAncestorOf(hit));
}

// How the host lays a container out in its own window.
enum class HostLayout { PlainChild, HiddenAndShown, StackedPages, StackedPageInAPage };

// The widget that shows a text of `control`, made on `page` (in a library window) as a screen makes it.
QWidget* textOf(const QString& control, QWidget* page) {
    if (control == QLatin1String("section index"))
        return new SectionIndexBar(page);
    if (control == QLatin1String("segments"))
        return new SegmentedControl({QStringLiteral("Privacy Policy"), QStringLiteral("Terms")}, page);
    if (control.startsWith(QLatin1String("search"))) {
        auto* bar = new SearchBar(page);
        bar->setShowsCancelButton(true);
        return control == QLatin1String("search field") ? static_cast<QWidget*>(bar->searchField())
                                                        : bar->cancelButton();
    }
    if (control == QLatin1String("popover row")) {
        auto* bubble = new QWidget;
        auto* row = new QLabel(QStringLiteral("Mute for an hour"), bubble);
        PopoverHost::forWindow(Window::libraryWindowOf(page))->addPopover(bubble);
        return row;
    }
    if (control == QLatin1String("document")) // the font its text pages are laid out in
        return new DocumentPreview(page);
    if (control.startsWith(QLatin1String("contact"))) {
        auto* card = new ContactCardView(page);
        card->setContact({QStringLiteral("Asha"),
                          QStringLiteral("Rao"),
                          {{QStringLiteral("mobile"), QStringLiteral("+1 555 0100")}},
                          {}});
        const auto labels = card->findChildren<QLabel*>();
        const auto it = std::find_if(labels.begin(), labels.end(), [&](QLabel* label) {
            return label->text() == (control == QLatin1String("contact name")
                                         ? QStringLiteral("Asha Rao")
                                         : QStringLiteral("+1 555 0100"));
        });
        return it == labels.end() ? nullptr : *it;
    }
    if (control == QLatin1String("page tab")) {
        auto* pages = new PageView(page);
        pages->addPage(QStringLiteral("Media"), new QWidget);
        return pages->tab(0);
    }
    // A table with one titled section and one row.
    auto* table = new TableView(page);
    auto* source = new StaticTableDataSource(table);
    auto* cell = new TableViewCell(TableViewCell::Style::Subtitle, QStringLiteral("row"));
    cell->textLabel()->setText(QStringLiteral("Aarav"));
    cell->detailTextLabel()->setText(QStringLiteral("+1 555 0100"));
    source->addCell(source->addSection(QStringLiteral("A")), cell);
    table->setDataSource(source);
    table->setDelegate(source);
    table->setGeometry(page->rect());
    table->show();
    table->reloadData();
    if (control == QLatin1String("cell text"))
        return cell->textLabel();
    if (control == QLatin1String("cell detail"))
        return cell->detailTextLabel();
    if (control == QLatin1String("section title"))
        return table->findChild<QLabel*>(QStringLiteral("headerTitle"));
    cell->setRowActions({{QStringLiteral("Leave"), Qt::red, {}}}, {});
    return cell->findChild<QPushButton*>(QStringLiteral("rowAction.0"));
}
} // namespace

Q_DECLARE_METATYPE(HostLayout)

class TestControllers : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Animator::setInstant(true);
        g_log.clear();
        ScreenRegistry::shared()->clear();
    }

    void pushAndPopRunTheLifeCycleInOrder() {
        Window window;
        auto* a = new Recording("A");
        auto* nav = new NavigationController(a);
        window.setRootViewController(nav);
        window.show();
        QCOMPARE(g_log, (QStringList{"A.load", "A.willAppear", "A.didAppear"}));

        g_log.clear();
        QPointer<Recording> b = new Recording("B");
        nav->pushViewController(b, true);
        QCOMPARE(g_log,
                 (QStringList{"B.load", "A.willDisappear", "B.willAppear", "A.didDisappear", "B.didAppear"}));
        QCOMPARE(nav->topViewController(), b.data());
        QCOMPARE(b->navigationController(), nav);
        QVERIFY(!a->movingFromParentSeen);

        g_log.clear();
        QCOMPARE(nav->popViewController(true), b.data());
        QCOMPARE(g_log, (QStringList{"B.willDisappear", "A.willAppear", "B.didDisappear", "A.didAppear"}));
        QVERIFY(b->movingFromParentSeen);
        QCOMPARE(nav->viewControllers(), QList<ViewController*>{a});
        // The root is never popped.
        QVERIFY(!nav->popViewController(true));
        QTRY_VERIFY(b.isNull());
    }

    void animatedPushFinishesAfterTheSlide() {
        Window window;
        auto* a = new Recording("A");
        auto* nav = new NavigationController(a);
        window.setRootViewController(nav);
        window.show();
        Animator::setInstant(false);
        g_log.clear();
        auto* b = new Recording("B");
        nav->pushViewController(b, true);
        QCOMPARE(g_log, (QStringList{"B.load", "A.willDisappear", "B.willAppear"}));
        QTRY_COMPARE(g_log.size(), 5);
        QCOMPARE(g_log.mid(3), (QStringList{"A.didDisappear", "B.didAppear"}));

        // A pop during a running slide first completes the slide.
        auto* c = new Recording("C");
        g_log.clear();
        nav->pushViewController(c, true);
        nav->popViewController(false);
        QCOMPARE(g_log,
                 (QStringList{"C.load", "B.willDisappear", "C.willAppear", "B.didDisappear", "C.didAppear",
                              "C.willDisappear", "B.willAppear", "C.didDisappear", "B.didAppear"}));
        Animator::setInstant(true);
    }

    void presentAndDismissFollowUIKitRules() {
        Window window;
        auto* root = new Recording("R");
        window.setRootViewController(root);
        window.show();
        g_log.clear();

        auto* a = new Recording("A");
        bool presented = false;
        root->presentViewController(a, true, [&] { presented = true; });
        QVERIFY(presented);
        QCOMPARE(g_log,
                 (QStringList{"A.load", "R.willDisappear", "A.willAppear", "R.didDisappear", "A.didAppear"}));
        QCOMPARE(root->presentedViewController(), a);
        QCOMPARE(a->presentingViewController(), root);
        QCOMPARE(window.topViewController(), a);

        // One presentation at a time.
        auto* refused = new Recording("X");
        root->presentViewController(refused, false);
        QCOMPARE(root->presentedViewController(), a);
        delete refused;

        // Dismissing a controller that presents nothing dismisses the controller itself.
        g_log.clear();
        QPointer<Recording> gone(a);
        a->dismissViewController(true);
        QCOMPARE(g_log, (QStringList{"A.willDisappear", "R.willAppear", "A.didDisappear", "R.didAppear"}));
        QVERIFY(!root->presentedViewController());
        QTRY_VERIFY(gone.isNull());
    }

    void dismissingRemovesEverythingPresentedAbove() {
        Window window;
        auto* root = new Recording("R");
        window.setRootViewController(root);
        window.show();
        QPointer<Recording> a = new Recording("A");
        QPointer<Recording> b = new Recording("B");
        root->presentViewController(a, false);
        a->presentViewController(b, false);
        QCOMPARE(window.topViewController(), b.data());

        g_log.clear();
        int completions = 0;
        root->dismissViewController(true, [&] { ++completions; });
        // Only the visible controller disappears; the one in between goes without calls.
        QCOMPARE(g_log, (QStringList{"B.willDisappear", "R.willAppear", "B.didDisappear", "R.didAppear"}));
        QCOMPARE(completions, 1);
        QVERIFY(!root->presentedViewController());
        QTRY_VERIFY(a.isNull() && b.isNull());
        QCOMPARE(window.topViewController(), root);
    }

    void presentingFromAChildUsesTheTopAncestor() {
        Window window;
        auto* a = new Recording("A");
        auto* nav = new NavigationController(a);
        window.setRootViewController(nav);
        window.show();
        auto* m = new Recording("M");
        g_log.clear();
        a->presentViewController(m, false);
        QCOMPARE(m->presentingViewController(), nav);
        QCOMPARE(a->presentedViewController(), m);
        QCOMPARE(g_log,
                 (QStringList{"M.load", "A.willDisappear", "M.willAppear", "A.didDisappear", "M.didAppear"}));
        // A controller outside any window cannot present.
        Recording loose("L");
        auto* n = new Recording("N");
        loose.presentViewController(n, false);
        QVERIFY(!loose.presentedViewController());
        delete n;
    }

    void seguesPrepareThenShow() {
        auto* registry = ScreenRegistry::shared();
        registry->registerScreen("Home", "Rooms", [] { return new Recording("Rooms"); });
        registry->registerScreen("Home", "Detail", [] { return new Recording("Detail"); });
        registry->registerScreen("Home", "Compose", [] { return new Recording("Compose"); });
        registry->setInitialScreen("Home", "Rooms");
        registry->registerSegue("Home", "Rooms", "showDetail", "Detail", StoryboardSegue::Kind::Push);
        registry->registerSegue("Home", {}, "compose", "Compose", StoryboardSegue::Kind::Modal);
        registry->registerSegue("Home", "Detail", "backToRooms", {}, StoryboardSegue::Kind::Unwind);

        auto* rooms = static_cast<Recording*>(Storyboard("Home").instantiateInitialViewController());
        QVERIFY(rooms);
        QCOMPARE(rooms->storyboardIdentifier(), QStringLiteral("Rooms"));
        QVERIFY(!Storyboard("Home").instantiateViewControllerWithIdentifier("Nope"));
        rooms->unwindTarget = true;
        Window window;
        auto* nav = new NavigationController(rooms);
        window.setRootViewController(nav);
        window.show();

        QObject sender;
        sender.setObjectName("cell7");
        g_log.clear();
        QVERIFY(rooms->performSegue("showDetail", &sender));
        // prepareForSegue runs before the destination is shown.
        QCOMPARE(g_log.first(), QStringLiteral("Rooms.prepare:showDetail"));
        QCOMPARE(rooms->preparedWith, QStringLiteral("cell7"));
        auto* detail = nav->topViewController();
        QCOMPARE(detail->storyboardIdentifier(), QStringLiteral("Detail"));
        QCOMPARE(detail->title(), QStringLiteral("from Rooms"));

        QVERIFY(!detail->performSegue("noSuchSegue"));
        QVERIFY(detail->performSegue("compose")); // any-source segue, modal
        QCOMPARE(nav->presentedViewController()->storyboardIdentifier(), QStringLiteral("Compose"));
        nav->dismissViewController(false);

        QVERIFY(detail->performSegue("backToRooms"));
        QCOMPARE(nav->topViewController(), rooms);

        rooms->refuseSegues = true;
        QVERIFY(!rooms->performSegue("showDetail"));
        QCOMPARE(nav->viewControllers().size(), 1);
    }

    void navigationBarShowsItemsOfTheTopController() {
        Window window;
        auto* a = new Recording("Rooms");
        int done = 0;
        a->navigationItem()->setRightBarButtonItem(
            new BarButtonItem(BarButtonItem::SystemItem::Done, [&] { ++done; }));
        auto* nav = new NavigationController(a);
        window.setRootViewController(nav);
        window.show();
        NavigationBar* bar = nav->navigationBar();
        QCOMPARE(bar->titleText(), QStringLiteral("Rooms"));
        QVERIFY(!bar->findChild<QToolButton*>("navigationBar.back"));
        auto* doneButton = bar->findChild<QToolButton*>("navigationBar.right.0");
        QVERIFY(doneButton);
        QCOMPARE(doneButton->text(), QStringLiteral("Done"));
        QTest::mouseClick(doneButton, Qt::LeftButton);
        QCOMPARE(done, 1);

        auto* b = new Recording("Detail");
        nav->pushViewController(b, false);
        QCOMPARE(bar->titleText(), QStringLiteral("Detail"));
        auto* back = bar->findChild<QToolButton*>("navigationBar.back");
        QVERIFY(back);
        QVERIFY(back->text().contains("Rooms"));
        b->setTitle("Renamed");
        QCOMPARE(bar->titleText(), QStringLiteral("Renamed"));
        b->navigationItem()->setHidesBackButton(true);
        QVERIFY(!bar->findChild<QToolButton*>("navigationBar.back"));
        b->navigationItem()->setHidesBackButton(false);
        // The back button pops its own page: it outlives its click (Qt's button code goes on using
        // itself after the clicked signal) and leaves the bar at once.
        QPointer<QToolButton> clicked = bar->findChild<QToolButton*>("navigationBar.back");
        QTest::mouseClick(clicked, Qt::LeftButton);
        QCOMPARE(nav->topViewController(), a);
        QVERIFY(clicked);
        QVERIFY(!bar->findChild<QToolButton*>("navigationBar.back"));
        QTRY_VERIFY(!clicked);

        nav->setNavigationBarHidden(true, false);
        QVERIFY(bar->isHidden());
    }

    // A title that cannot stay centred between wide items moves aside and is read whole; one that
    // cannot fit between them at all ends in an ellipsis; neither runs under an item.
    void aTitleFitsBetweenTheItems_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<bool>("centred");
        QTest::newRow("short, centred") << "Info" << 320 << true << true;
        QTest::newRow("moved aside, whole") << "Group Info" << 320 << true << false;
        QTest::newRow("too long, cut") << "Quarterly planning for the whole group" << 320 << false << false;
        QTest::newRow("wide window, centred")
            << "Quarterly planning for the whole group" << 1024 << true << true;
    }
    void aTitleFitsBetweenTheItems() {
        QFETCH(QString, title);
        QFETCH(int, width);
        QFETCH(bool, whole);
        QFETCH(bool, centred);
        Window window;
        window.resize(width, 568);
        auto* rooms = new Recording("Rooms");
        auto* nav = new NavigationController(rooms);
        window.setRootViewController(nav);
        window.show();
        auto* group = new Recording(title);
        group->navigationItem()->setRightBarButtonItems({new BarButtonItem(BarButtonItem::SystemItem::Done),
                                                         new BarButtonItem(BarButtonItem::SystemItem::Edit)});
        nav->pushViewController(group, false);
        NavigationBar* bar = nav->navigationBar();
        bar->setTitleFont(QFont(QStringLiteral("DejaVu Sans"), 13, QFont::Bold));
        QCoreApplication::processEvents();
        QCOMPARE(bar->titleText(), title);
        auto* label = bar->findChild<QLabel*>("navigationBar.title");
        QVERIFY(label && label->isVisible());
        QCOMPARE(label->text() == title, whole);
        if (!whole)
            QVERIFY(label->text().endsWith(QChar(0x2026)));
        const QFontMetrics metrics(label->font());
        QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width(), qPrintable(label->text()));
        QCOMPARE(qAbs(label->geometry().center().x() - bar->width() / 2) <= 1, centred);
        for (auto* item : bar->findChildren<QToolButton*>())
            if (item->isVisible())
                QVERIFY2(!item->geometry().intersects(label->geometry()), qPrintable(item->objectName()));
    }

    void popToRootAndReplacingTheStack() {
        Window window;
        auto* a = new Recording("A");
        auto* nav = new NavigationController(a);
        window.setRootViewController(nav);
        window.show();
        QPointer<Recording> b = new Recording("B");
        QPointer<Recording> c = new Recording("C");
        nav->pushViewController(b, false);
        nav->pushViewController(c, false);
        g_log.clear();
        const auto removed = nav->popToRootViewController(true);
        QCOMPARE(removed, (QList<ViewController*>{b.data(), c.data()}));
        // Only the controller on screen disappears; the one below it was never visible.
        QCOMPARE(g_log, (QStringList{"C.willDisappear", "A.willAppear", "C.didDisappear", "A.didAppear"}));
        QTRY_VERIFY(b.isNull() && c.isNull());

        auto* d = new Recording("D");
        auto* e = new Recording("E");
        g_log.clear();
        nav->setViewControllers({d, e}, false);
        QCOMPARE(nav->viewControllers(), (QList<ViewController*>{d, e}));
        QCOMPARE(g_log,
                 (QStringList{"E.load", "A.willDisappear", "E.willAppear", "A.didDisappear", "E.didAppear"}));
        QCOMPARE(d->parentViewController(), nav);
        QVERIFY(!d->isViewLoaded()); // below the top: not built until needed
        QCOMPARE(nav->navigationBar()->findChild<QToolButton*>("navigationBar.back")->text(),
                 QStringLiteral("\u2039 D"));
    }

    void barItemsKeepTheirCustomViewsAcrossRebuilds() {
        Window window;
        auto* a = new Recording("A");
        auto* nav = new NavigationController(a);
        window.setRootViewController(nav);
        window.show();
        QPointer<QWidget> badge = new QLabel("3");
        auto* badgeItem = new BarButtonItem(badge.data());
        int saves = 0;
        auto* save = new BarButtonItem(BarButtonItem::SystemItem::Save, [&] { ++saves; });
        save->setEnabled(false);
        a->navigationItem()->setRightBarButtonItems(
            {save, new BarButtonItem(BarButtonItem::SystemItem::FixedSpace), badgeItem});
        NavigationBar* bar = nav->navigationBar();
        QCOMPARE(badge->parentWidget(), bar);
        save->trigger();
        QCOMPARE(saves, 0); // disabled
        QVERIFY(!bar->findChild<QToolButton*>("navigationBar.right.0")->isEnabled());
        save->setEnabled(true);
        QTest::mouseClick(bar->findChild<QToolButton*>("navigationBar.right.0"), Qt::LeftButton);
        QCOMPARE(saves, 1);

        // Pushing and popping rebuilds the bar; the custom view lives on with its item.
        nav->pushViewController(new Recording("B"), false);
        QVERIFY(badge);
        QVERIFY(!badge->isVisible());
        nav->popViewController(false);
        QVERIFY(badge);
        QCOMPARE(badge->parentWidget(), bar);
        QVERIFY(badge->isVisible());

        auto* titleView = new QLabel("custom title");
        a->navigationItem()->setTitleView(titleView);
        QCOMPARE(titleView->parentWidget(), bar);
        QVERIFY(!bar->findChild<QLabel*>("navigationBar.title")->isVisible());
    }

    void windowRootReplacementAndBusyLayer() {
        Window window;
        QPointer<Recording> first = new Recording("First");
        window.setRootViewController(first);
        window.show();
        g_log.clear();
        window.setRootViewController(new Recording("Second"));
        QCOMPARE(g_log, (QStringList{"First.willDisappear", "Second.load", "Second.willAppear",
                                     "First.didDisappear", "Second.didAppear"}));
        QTRY_VERIFY(first.isNull());
        QVERIFY(!window.isBusy());
        window.setBusy(true);
        QVERIFY(window.isBusy());
        QVERIFY(window.findChild<QWidget*>("busyLayer")->geometry() == window.rect());
        window.setBusy(false);
        QVERIFY(!window.isBusy());
        g_log.clear();
        window.hide();
        QCOMPARE(g_log, (QStringList{"Second.willDisappear", "Second.didDisappear"}));
    }

    void presentingInAHiddenWindowAppearsWhenShown() {
        Window window;
        auto* root = new Recording("R");
        window.setRootViewController(root);
        auto* m = new Recording("M");
        root->presentViewController(m, false);
        QCOMPARE(g_log, (QStringList{"R.load", "M.load"}));
        window.show();
        QCOMPARE(g_log, (QStringList{"R.load", "M.load", "M.willAppear", "M.didAppear"}));
        QCOMPARE(root->appearance(), ViewController::Appearance::Disappeared);
    }

    // A root whose view the host put in a layout of its own, beside its own widget: what it presents
    // and the alerts it shows lie over its view, and once they are gone nothing of the library's covers
    // the host's widgets.
    void aRootInAHostsWidgetPresentsOverItsView() {
        QVERIFY(!Window::keyWindow());
        Recording root("R");
        QWidget host;
        auto* layout = new QVBoxLayout(&host);
        auto* banner = new QLabel(QStringLiteral("The host's own"));
        layout->addWidget(banner);
        layout->addWidget(root.view(), 1);
        host.resize(320, 480);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        const QRect area(root.view()->mapTo(&host, QPoint()), root.view()->size());
        const auto rectIn = [&host](QWidget* widget) {
            return QRect(widget->mapTo(&host, QPoint()), widget->size());
        };

        const QRect bannerArea = rectIn(banner);
        auto* modal = new Recording("M");
        root.presentViewController(modal, false);
        QCOMPARE(root.presentedViewController(), modal);
        QTRY_VERIFY(modal->view()->isVisible());
        QCOMPARE(rectIn(modal->view()), area);
        QVERIFY(root.view()->isVisible() && banner->isVisible());
        QCOMPARE(rectIn(banner), bannerArea);

        auto* alert = new AlertView(QStringLiteral("Question"), QStringLiteral("Go on?"),
                                    QStringLiteral("No"), {QStringLiteral("Yes")});
        alert->show(modal->window());
        QTRY_VERIFY(alert->isVisible());
        QVERIFY(area.contains(rectIn(alert)));
        alert->tapButtonAtIndex(0);
        // The host hides the container meanwhile: the dismissal leaves it as the host has it.
        root.view()->hide();
        modal->dismissViewController(false);
        auto* window = host.findChild<Window*>();
        QVERIFY(window);
        QTRY_VERIFY(window->isHidden());
        QVERIFY(root.view()->isHidden());
        root.view()->show();
        QVERIFY(root.view()->isVisible());
        QVERIFY(window->isHidden());
    }

    // A root placed in a host's widget has no library window to tell it when it shows: it appears and
    // disappears with its view, and so does a screen pushed on it meanwhile.
    void aRootInAHostsWidgetAppearsWithItsView() {
        auto* first = new Recording("First");
        NavigationController navigation(first);
        QWidget host;
        auto* layout = new QVBoxLayout(&host);
        layout->addWidget(navigation.view());
        host.resize(320, 480);
        g_log.clear();
        host.show();
        QCOMPARE(g_log, (QStringList{"First.willAppear", "First.didAppear"}));
        navigation.pushViewController(new Recording("Second"), false);
        QCOMPARE(g_log.mid(2), (QStringList{"Second.load", "First.willDisappear", "Second.willAppear",
                                            "First.didDisappear", "Second.didAppear"}));
        g_log.clear();
        navigation.view()->hide();
        QCOMPARE(g_log, (QStringList{"Second.willDisappear", "Second.didDisappear"}));
        g_log.clear();
        navigation.view()->show();
        QCOMPARE(g_log, (QStringList{"Second.willAppear", "Second.didAppear"}));
        g_log.clear();
        host.hide();
        QCOMPARE(g_log, (QStringList{"Second.willDisappear", "Second.didDisappear"}));
    }

    // Alerts over a container in the host's own layouts: over its view, taking its clicks, while the
    // view shows; gone from over the host's own widgets while the host shows those in its place.
    void alertsOverAHostedRootFollowTheHostsLayout_data() {
        QTest::addColumn<HostLayout>("hostLayout");
        QTest::newRow("plain child") << HostLayout::PlainChild;
        QTest::newRow("hidden and shown again") << HostLayout::HiddenAndShown;
        QTest::newRow("stacked pages, turned away and back") << HostLayout::StackedPages;
        QTest::newRow("stacked pages, the view inside a page") << HostLayout::StackedPageInAPage;
    }
    void alertsOverAHostedRootFollowTheHostsLayout() {
        QFETCH(HostLayout, hostLayout);
        Recording root("R");
        QWidget host;
        auto* layout = new QVBoxLayout(&host);
        layout->addWidget(new QLabel(QStringLiteral("The host's own")));
        auto* panel = new QPushButton(QStringLiteral("The host's panel"));
        int panelClicks = 0;
        connect(panel, &QPushButton::clicked, [&] { ++panelClicks; });
        auto* stack = new QStackedWidget;
        switch (hostLayout) {
        case HostLayout::PlainChild:
        case HostLayout::HiddenAndShown:
            layout->addWidget(root.view(), 1);
            layout->addWidget(panel, 1);
            panel->hide();
            delete stack;
            stack = nullptr;
            break;
        case HostLayout::StackedPages:
            stack->addWidget(root.view());
            stack->addWidget(panel);
            layout->addWidget(stack, 1);
            break;
        case HostLayout::StackedPageInAPage: {
            auto* page = new QWidget;
            auto* pageLayout = new QVBoxLayout(page);
            pageLayout->setContentsMargins(0, 0, 0, 0);
            pageLayout->addWidget(root.view());
            stack->addWidget(page);
            stack->addWidget(panel);
            layout->addWidget(stack, 1);
            break;
        }
        }
        host.resize(320, 480);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));

        int answered = -1;
        auto* alert =
            new AlertView(QStringLiteral("Question"), QStringLiteral("Go on?"), QStringLiteral("No"),
                          {QStringLiteral("Yes")}, [&](AlertView*, int index) { answered = index; });
        alert->show(root.window());
        QTRY_VERIFY(alert->isVisible());
        QVERIFY(rectIn(root.view(), &host).contains(rectIn(alert, &host)));
        QVERIFY(takesClicksAt(alert, &host));

        // The host shows its own panel in the container's place, and later the container again.
        const auto turnAway = [&] {
            if (stack) {
                stack->setCurrentIndex(1);
            } else {
                root.view()->hide();
                panel->show();
            }
        };
        const auto turnBack = [&] {
            if (stack) {
                stack->setCurrentIndex(0);
            } else {
                panel->hide();
                root.view()->show();
            }
        };
        if (hostLayout != HostLayout::PlainChild) {
            turnAway();
            QTRY_VERIFY(!alert->isVisible());
            QVERIFY(takesClicksAt(panel, &host));
            QTest::mouseClick(panel, Qt::LeftButton);
            QCOMPARE(panelClicks, 1);
            turnBack();
            QTRY_VERIFY(alert->isVisible());
            QTRY_VERIFY(takesClicksAt(alert, &host));
        }
        QWidget* yes = alert->findChild<QWidget*>(QStringLiteral("alert.button.1"));
        QTest::mouseClick(yes, Qt::LeftButton);
        QCOMPARE(answered, 1);

        // A later alert lies over the container too, and once it is answered nothing covers the view.
        auto* later = new AlertView(QStringLiteral("Again"), QString(), QStringLiteral("OK"), {});
        later->show(root.window());
        QTRY_VERIFY(later->isVisible());
        QVERIFY(takesClicksAt(later, &host));
        later->tapButtonAtIndex(0);
        QTRY_VERIFY(takesClicksAt(root.view(), &host));
    }

    // Alerts and screens that name no window go where the user works: over the container last clicked
    // or typed in, over the one that took a replaced container's place, over a fresh one.
    void theKeyWindowIsTheContainerTheUserWorksIn() {
        QVERIFY(!Window::keyWindow());
        QWidget host;
        auto* layout = new QHBoxLayout(&host);
        auto* first = new Recording("First");
        auto* second = new Recording("Second");
        layout->addWidget(first->view());
        layout->addWidget(second->view());
        host.resize(640, 480);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QVERIFY(Window::keyWindow()); // a fresh container has one

        // An alert that names no window shows over `over`.
        const auto verifyAlertOver = [&host](ViewController* over) {
            auto* alert = new AlertView(QStringLiteral("Where?"), QString(), QStringLiteral("OK"), {});
            alert->show();
            QTRY_VERIFY(alert->isVisible());
            QVERIFY(rectIn(over->view(), &host).contains(rectIn(alert, &host)));
            alert->tapButtonAtIndex(0);
        };
        QTest::mouseClick(second->view(), Qt::LeftButton);
        QCOMPARE(Window::keyWindow(), second->window());
        verifyAlertOver(second);
        QTest::mouseClick(first->view(), Qt::LeftButton);
        QCOMPARE(Window::keyWindow(), first->window());

        // The host replaces the container the user worked in by another.
        delete first;
        auto* replacement = new Recording("Replacement");
        layout->insertWidget(0, replacement->view());
        delete second;
        QTRY_VERIFY(replacement->view()->isVisible());
        QCOMPARE(Window::keyWindow(), replacement->window());
        verifyAlertOver(replacement);
        delete replacement;
        QVERIFY(!Window::keyWindow());
    }

    // A click anywhere in a container tells that the user works there, on a widget that takes no focus
    // too; a click in the container that has the keys leaves them where they are, and the containers
    // add no stop to Tab's order.
    void aClickInAContainerTellsWhereTheUserWorks() {
        QWidget host;
        auto* layout = new QHBoxLayout(&host);
        auto* own = new QLineEdit;
        layout->addWidget(own);
        auto* first = new Recording("First");
        auto* second = new Recording("Second");
        QLabel* labels[2] = {};
        QLineEdit* fields[2] = {};
        for (int i = 0; i < 2; ++i) {
            Recording* container = i == 0 ? first : second;
            auto* column = new QVBoxLayout(container->view());
            labels[i] = new QLabel(QStringLiteral("A label"));
            fields[i] = new QLineEdit;
            column->addWidget(labels[i]);
            column->addWidget(fields[i]);
            layout->addWidget(container->view(), 1);
            container->setParent(&host);
        }
        host.resize(640, 480);
        host.show();
        QApplication::setActiveWindow(&host);
        QVERIFY(QTest::qWaitForWindowActive(&host));
        own->setFocus();

        QTest::mouseClick(labels[1], Qt::LeftButton);
        QCOMPARE(Window::keyWindow(), second->window());
        QTest::mouseClick(labels[0], Qt::LeftButton);
        QCOMPARE(Window::keyWindow(), first->window());
        QTest::mouseClick(fields[0], Qt::LeftButton);
        QTest::mouseClick(labels[0], Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), fields[0]);
        QTest::mouseClick(own, Qt::LeftButton);
        QCOMPARE(Window::keyWindow(), first->window()); // the host's own widget tells nothing

        QWindow* keys = host.windowHandle();
        QList<QWidget*> tabbed;
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(keys, Qt::Key_Tab);
            tabbed << QApplication::focusWidget();
        }
        QCOMPARE(tabbed, (QList<QWidget*>{fields[0], fields[1], own}));
    }

    // A page that goes while it holds the keys (pushed over, popped, covered, dismissed, replaced)
    // hands them to the page shown in its place, not to a bar's button down Tab's order, where a
    // window whose user once pressed Tab draws a focus frame; Tab still reaches the bar's buttons.
    void aPageThatGoesHandsTheKeysToThePageInItsPlace_data() {
        QTest::addColumn<QString>("change");
        QTest::newRow("pushed over") << "push";
        QTest::newRow("popped") << "pop";
        QTest::newRow("covered by a presented page") << "present";
        QTest::newRow("dismissed") << "dismiss";
        QTest::newRow("replaced as the window's root") << "root";
    }

    void aPageThatGoesHandsTheKeysToThePageInItsPlace() {
        QFETCH(QString, change);
        Window window;
        window.resize(320, 568);
        QLineEdit* field = nullptr;
        // A page with the bar's buttons on both sides, and a field when the keys are to be in it.
        const auto page = [&field](const QString& name, bool withField) {
            auto* vc = new Recording(name);
            vc->navigationItem()->setLeftBarButtonItem(new BarButtonItem(
                QStringLiteral("Menu"), [] {}, vc));
            vc->navigationItem()->setRightBarButtonItem(new BarButtonItem(
                QStringLiteral("Info"), [] {}, vc));
            if (withField) {
                field = new QLineEdit(vc->view());
                field->setGeometry(10, 10, 200, 30);
            }
            return new NavigationController(vc);
        };
        const bool fieldFirst = change == QLatin1String("push") || change == QLatin1String("present") ||
                                change == QLatin1String("root");
        NavigationController* first = page(QStringLiteral("A"), fieldFirst);
        window.setRootViewController(first);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QWindow* keys = window.windowHandle();
        NavigationController* second = nullptr;
        if (change == QLatin1String("pop")) {
            auto* b = new Recording(QStringLiteral("B"));
            field = new QLineEdit(b->view());
            first->pushViewController(b, false);
        } else if (change == QLatin1String("dismiss")) {
            second = page(QStringLiteral("B"), true);
            first->presentViewController(second, false);
        }
        // The user has pressed Tab once, then clicks into the field.
        QTest::keyClick(keys, Qt::Key_Tab);
        QVERIFY(window.testAttribute(Qt::WA_KeyboardFocusChange));
        QTest::mouseClick(field, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), field);

        QWidget* heir = nullptr;
        if (change == QLatin1String("push")) {
            auto* b = new Recording(QStringLiteral("B"));
            first->pushViewController(b, false);
            heir = b->view();
        } else if (change == QLatin1String("pop")) {
            first->popViewController(false);
            heir = first->topViewController()->view();
        } else if (change == QLatin1String("present")) {
            second = page(QStringLiteral("B"), false);
            first->presentViewController(second, false);
            heir = second->view();
        } else if (change == QLatin1String("dismiss")) {
            second->dismissViewController(false);
            heir = first->view();
        } else {
            second = page(QStringLiteral("B"), false);
            window.setRootViewController(second);
            heir = second->view();
        }
        QCoreApplication::processEvents();
        QWidget* focus = QApplication::focusWidget();
        QVERIFY2((focus == heir || (focus && heir->isAncestorOf(focus))) &&
                     !qobject_cast<QAbstractButton*>(focus),
                 qPrintable(QStringLiteral("the keys are in %1 \"%2\"")
                                .arg(QLatin1String(focus ? focus->metaObject()->className() : "nothing"),
                                     focus ? focus->objectName() : QString())));
        QTest::keyClick(keys, Qt::Key_Tab);
        QVERIFY(qobject_cast<QToolButton*>(QApplication::focusWidget()));
    }

    // The bar's own items keep the bar's font, whatever font the host program has.
    void theBarsItemsKeepItsFontInAHostsFont() {
        const pelnix::test::HostProgramFont hostFont;
        Window window;
        auto* rooms = new Recording("Chats");
        auto* nav = new NavigationController(rooms);
        window.setRootViewController(nav);
        window.show();
        auto* detail = new Recording("Detail");
        detail->navigationItem()->setRightBarButtonItem(new BarButtonItem(QStringLiteral("Edit"), [] {}));
        nav->pushViewController(detail, false);
        const NavigationBar* bar = nav->navigationBar();
        for (const char* name : {"navigationBar.back", "navigationBar.right.0"}) {
            auto* item = bar->findChild<QToolButton*>(QLatin1String(name));
            QVERIFY2(item, name);
            QCOMPARE(QFontInfo(item->font()).family(), QStringLiteral("DejaVu Sans"));
            QCOMPARE(item->font().pixelSize(), 15);
        }
        QCOMPARE(QFontInfo(bar->titleFont()).family(), QStringLiteral("DejaVu Sans"));
        Toolbar toolbar;
        toolbar.setItems({new BarButtonItem(
            QStringLiteral("Mark all read"), [] {}, &toolbar)});
        auto* item = toolbar.findChild<QToolButton*>();
        QVERIFY(item);
        QCOMPARE(QFontInfo(item->font()).family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(item->font().pixelSize(), 15);
    }

    // Every other control of the screen layer shows its texts in the library's face too: a host whose
    // program font is of another face and size changes none of them.
    void theControlsKeepTheirFontInAHostsFont_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("face");
        QTest::newRow("segmented control") << "segments"
                                           << "DejaVu Sans 13";
        QTest::newRow("search bar's text") << "search field"
                                           << "DejaVu Sans 15";
        QTest::newRow("search bar's Cancel") << "search cancel"
                                             << "DejaVu Sans 15";
        QTest::newRow("popover's row") << "popover row"
                                       << "DejaVu Sans 15";
        QTest::newRow("document preview's text page") << "document"
                                                      << "DejaVu Sans 15";
        QTest::newRow("contact card's name") << "contact name"
                                             << "DejaVu Sans 20 bold";
        QTest::newRow("contact card's entry") << "contact entry"
                                              << "DejaVu Sans 16";
        QTest::newRow("table cell's text") << "cell text"
                                           << "DejaVu Sans 17";
        QTest::newRow("table cell's detail") << "cell detail"
                                             << "DejaVu Sans 12";
        QTest::newRow("table's section title") << "section title"
                                               << "DejaVu Sans 14 bold";
        QTest::newRow("table row's action") << "row action"
                                            << "DejaVu Sans 15";
        QTest::newRow("page view's tab") << "page tab"
                                         << "DejaVu Sans 15";
        QTest::newRow("section index's letters") << "section index"
                                                 << "DejaVu Sans 11 bold";
    }
    void theControlsKeepTheirFontInAHostsFont() {
        QFETCH(QString, control);
        QFETCH(QString, face);
        const pelnix::test::HostProgramFont hostFont;
        Window window;
        window.resize(320, 568);
        auto* page = new Recording("Page");
        window.setRootViewController(page);
        window.show();
        const QWidget* text = textOf(control, page->view());
        QVERIFY(text);
        QCOMPARE(pelnix::test::HostProgramFont::faceOf(text), face);
    }

    // With no window anywhere and a view in no widget, nothing can show: the library says so.
    void withNoWindowAlertsAndPresentationsSayWhy() {
        QVERIFY(!Window::keyWindow());
        Recording root("R");
        root.view();
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression("ViewController is not shown: .*ViewController is in no window"));
        std::unique_ptr<Recording> modal(new Recording("M"));
        root.presentViewController(modal.get(), false);
        QVERIFY(!root.presentedViewController());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("The alert \"Question\" is not shown"));
        std::unique_ptr<AlertView> alert(
            new AlertView(QStringLiteral("Question"), QString(), QStringLiteral("OK"), {}));
        alert->show(root.window());
        QVERIFY(!alert->isVisible());
    }

    void pushSegueWithoutNavigationPresentsAndUnwindCrossesPresentations() {
        auto* registry = ScreenRegistry::shared();
        registry->registerScreen("Login", "Start", [] { return new Recording("Start"); });
        registry->registerScreen("Login", "Verify", [] { return new Recording("Verify"); });
        registry->registerScreen("Login", "Code", [] { return new Recording("Code"); });
        registry->registerSegue("Login", "Start", "verify", "Verify", StoryboardSegue::Kind::Push);
        registry->registerSegue("Login", "Verify", "code", "Code", StoryboardSegue::Kind::Modal);
        registry->registerSegue("Login", "Code", "done", {}, StoryboardSegue::Kind::Unwind);
        Window window;
        auto* start =
            static_cast<Recording*>(Storyboard("Login").instantiateViewControllerWithIdentifier("Start"));
        start->unwindTarget = true;
        window.setRootViewController(start);
        window.show();
        QVERIFY(start->performSegue("verify"));
        ViewController* verify = start->presentedViewController();
        QVERIFY(verify);
        QCOMPARE(verify->storyboardIdentifier(), QStringLiteral("Verify"));
        QVERIFY(verify->performSegue("code"));
        ViewController* code = verify->presentedViewController();
        QCOMPARE(code->storyboardIdentifier(), QStringLiteral("Code"));
        g_log.clear();
        QVERIFY(code->performSegue("done"));
        QCOMPARE(g_log.first(), QStringLiteral("Code.prepare:done"));
        QVERIFY(!start->presentedViewController());
        QCOMPARE(window.topViewController(), start);
    }

    void childContainmentForwardsAppearance() {
        Window window;
        auto* parent = new Recording("P");
        window.setRootViewController(parent);
        window.show();
        g_log.clear();
        auto* child = new Recording("C");
        parent->addChildViewController(child, parent->view());
        QCOMPARE(child->parentViewController(), parent);
        QCOMPARE(g_log, (QStringList{"C.load", "C.willAppear", "C.didAppear"}));
        QCOMPARE(ViewController::controllerForView(child->view()), child);
        child->willMoveToParentViewController(nullptr);
        child->removeFromParentViewController();
        QVERIFY(parent->childViewControllers().isEmpty());
        delete child;
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestControllers t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_controllers.moc"
