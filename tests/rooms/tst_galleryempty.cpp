// The rooms list of an account with no room at all, as the screenshot tool renders it in a process of
// its own: the store holds no room, the list shows its one hint row, at 320 x 568 and 400 x 720.
#include "GalleryRooms.h"
#include "GalleryTestKit.h"
#include "RoomsTestKit.h"
#include "core/model/ChatRoom.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"

#include <QApplication>

using namespace pelnix;
using namespace pelnix::platform::ui;
using test::describe;
using test::near;

class TestRoomsGalleryEmpty : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        platform::ui::Animator::setInstant(true);
        PLAppLockSettingsManager::sharedAppLockSettingsManager()->setShouldShowAppLockScreen(false);
        tools::registerRoomsGalleryScreens();
    }

    void noRoomsShowsTheHintAlone_data() {
        QTest::addColumn<QString>("identifier");
        QTest::newRow("320 x 568") << "RoomsListNoRooms";
        QTest::newRow("400 x 720") << "RoomsListNoRooms@400x720";
    }
    void noRoomsShowsTheHintAlone() {
        QFETCH(QString, identifier);
        test::GalleryShot shot(QStringLiteral("GalleryRooms"), identifier);
        auto* nav = qobject_cast<NavigationController*>(shot.controller);
        QVERIFY(nav);
        auto* list = qobject_cast<PLChatRoomsTableViewController*>(nav->topViewController());
        QVERIFY(list);
        QCOMPARE(shot.window.size(), tools::roomsGallerySize(identifier));
        // Nothing filtered: the store itself holds no room.
        QVERIFY(ChatRoom::allChatRooms().isEmpty());
        QCOMPARE(nav->navigationBar()->titleText(), QStringLiteral("Chats"));
        TableView* table = list->tableView();
        QCOMPARE(table->numberOfRows(0), 1);
        auto* hint = table->cellForRowAtIndexPath({0, 0})->findChild<Label*>(QStringLiteral("emptyListHint"));
        QVERIFY(hint);
        QCOMPARE(hint->text(), QStringLiteral("No conversations yet"));
        // Grey text along the hint's middle, white at its ends, and white below the hint row.
        bool text = false;
        for (int x = hint->width() / 4; x < hint->width() * 3 / 4; ++x)
            text = text || shot.at(hint, {qreal(x), hint->height() / 2.0}).lightness() < 180;
        QVERIFY(text);
        QVERIFY2(near(shot.at(hint, {2, hint->height() / 2.0}), Qt::white),
                 describe(shot.at(hint, {2, hint->height() / 2.0})));
        const QPointF below(table->width() / 2.0, table->height() - 10.0);
        QVERIFY2(near(shot.at(table, below), Qt::white), describe(shot.at(table, below)));
    }
};

int main(int argc, char** argv) {
    test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestRoomsGalleryEmpty t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_galleryempty.moc"
