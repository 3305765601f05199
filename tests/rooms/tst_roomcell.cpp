// The room row: its last-message line, badge and admin mark, its picture through the image loader
// (at once from the cache, else after 0.1 s unless the row is reused first), and its swipe options.
#include "../ui/conversation/LoopbackPeer.h"
#include "ReorderingText.h"
#include "RoomsTestKit.h"
#include "platform/Sandbox.h"
#include "platform/ui/Button.h"
#include "platform/ui/CollectionStrip.h"
#include "platform/ui/ImageViewWebCache.h"
#include "platform/ui/Screenshot.h"
#include "ui/rooms/PLOptionsCollectionViewCell.h"
#include "ui/rooms/PLRoomRowLabel.h"

#include <QBuffer>
#include <QDir>

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::Scheduler;
namespace WebCache = platform::ui::ImageViewWebCache;

namespace {

// Offers a fixed list of options and records what the row reports.
class RowOwner : public QObject,
                 public PLChatRoomTableViewCellDatasource,
                 public PLChatRoomTableViewCellDelegate {
public:
    QList<qint64> options{2, 1};
    QList<qint64> states;
    QList<qint64> chosen;
    qint64 numberOfOptionsForChatRoom(const std::shared_ptr<ChatRoom>&) override { return options.size(); }
    qint64 chatRoomTypeAtIndex(qint64 index, const std::shared_ptr<ChatRoom>&) override {
        return options.value(index, 0);
    }
    void cellDidUpdateToState(PLChatRoomTableViewCell*, qint64 state) override { states << state; }
    void cellDidSelectChatRoomOption(PLChatRoomTableViewCell*, qint64 option) override { chosen << option; }
};

// An image loader that answers from its "cache" at once and keeps every other load waiting.
struct FakeImageLoader {
    QSet<QString> cached;
    QStringList started;
    QList<quint64> cancelled;
    QHash<quint64, WebCache::Completed> waiting;
    quint64 next = 1;

    FakeImageLoader() {
        WebCache::setImageSource({[this](const QUrl& url, int, WebCache::Completed done) -> quint64 {
                                      started << url.toString();
                                      if (cached.contains(url.toString())) {
                                          QImage image(8, 8, QImage::Format_RGB32);
                                          image.fill(Qt::red);
                                          done(image, std::nullopt, 2, url);
                                          return 0;
                                      }
                                      waiting.insert(next, done);
                                      return next++;
                                  },
                                  [this](quint64 id) {
                                      cancelled << id;
                                      waiting.remove(id);
                                  },
                                  [this](const QUrl& url) { return cached.contains(url.toString()); }});
    }
    ~FakeImageLoader() { WebCache::setImageSource({}); }
};

void send(QWidget* view, QEvent::Type type, QPointF at) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, view->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(view, &event);
}

// A finger stroke across the view, `dx` points sideways, then the queued recogniser swap.
void stroke(QWidget* view, qreal dx) {
    const QPointF from(view->width() / 2.0, view->height() / 2.0);
    send(view, QEvent::MouseButtonPress, from);
    for (int step = 1; step <= 8; ++step)
        send(view, QEvent::MouseMove, from + QPointF(dx * step / 8, 0));
    send(view, QEvent::MouseButtonRelease, from + QPointF(dx, 0));
    QCoreApplication::processEvents();
}

void tap(QWidget* view) {
    const QPointF at(view->width() / 2.0, view->height() / 2.0);
    send(view, QEvent::MouseButtonPress, at);
    send(view, QEvent::MouseButtonRelease, at);
    QCoreApplication::processEvents();
}

} // namespace

class TestRoomCell : public QObject {
    Q_OBJECT
private slots:
    void init() {
        store = std::make_unique<RoomsStore>();
        store->add(
            {{"g-admin", "Ops", 3000, false, kAnn, {kAnn, 42}, QStringLiteral("https://p.test/ops.png")},
             {"g-member", "Design", 2000, false, 42, {kAnn, 42}, QStringLiteral("https://p.test/design.png")},
             {"o-admin", "", 1000, true, kAnn, {kAnn, 42}}});
        // Bob's own picture is the one-to-one room's.
        User::userWithIntID(42)->setImageUrl(QStringLiteral("https://p.test/bob.png"));
        PLPersistence::PS_defaultContext()->save();
    }
    void cleanup() {
        QGuiApplication::setLayoutDirection(Qt::LeftToRight);
        store.reset();
    }

    void lastMessageLine_data();
    void lastMessageLine();
    void aSendersNameCannotReorderTheMessage_data();
    void aSendersNameCannotReorderTheMessage();
    void badgeAndAdminMark();
    void cachedPictureShowsAtOnceOthersAfterADelay();
    void reuseClosesTheRowAndCancelsTheDelayedLoad();
    void thePictureComesThroughTheMediaLayersLoader();
    void stripWidthFollowsTheOptions_data();
    void stripWidthFollowsTheOptions();
    void swipesOpenAndCloseAndTheOwnerHearsEachEnd_data();
    void swipesOpenAndCloseAndTheOwnerHearsEachEnd();
    void optionTapsReachTheOwner();
    void optionsAreThoseOfTheRoomShownNow();
    void aRowOnScreenPaintsItsTexts();

private:
    std::unique_ptr<PLChatRoomTableViewCell> row(const QString& roomID, RowOwner* owner = nullptr) {
        auto cell = std::make_unique<PLChatRoomTableViewCell>();
        cell->resize(320, int(PLChatRoomTableViewCell::cellHeight()));
        if (owner) {
            cell->setDataSource(owner);
            cell->setDelegate(owner);
        }
        cell->setChatRoom(ChatRoom::chatRoomWithID(roomID));
        cell->show();
        return cell;
    }
    std::unique_ptr<RoomsStore> store;
};

void TestRoomCell::lastMessageLine_data() {
    QTest::addColumn<QVariantMap>("message");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("prefixLength");
    auto message = [](qint32 sender, const QVariantMap& senderObj, const QString& type, const QString& text) {
        QVariantMap m = messageJSON("g-member", "m1", 5000, sender, text, type);
        m.insert("senderObj", senderObj);
        return m;
    };
    QTest::newRow("text of the signed-in user")
        << message(kAnn, userJSON(kAnn), "message", "hi") << "Me: hi" << 4;
    QTest::newRow("text of a named sender") << message(42, userJSON(42), "message", "hi") << "Bob: hi" << 5;
    QTest::newRow("sender without a name")
        << message(44, {{"id", 44}, {"email", "dana.k@acme.test"}}, "message", "hi") << "dana.k: hi" << 8;
    QTest::newRow("sender with neither name nor e-mail")
        << message(45, {{"id", 45}}, "message", "hi") << "hi" << 0;
    QTest::newRow("system message without a prefix")
        << message(42, userJSON(42), "joined", "Bob joined") << "Bob joined" << 0;
    QTest::newRow("smart message by its display name")
        << message(42, userJSON(42), "smartmessage",
                   R"({"displayname":"Lunch poll","xslt":"poll","formid":"f1"})")
        << "Bob: Lunch poll" << 5;
    QTest::newRow("empty text") << message(42, userJSON(42), "message", "") << "" << 0;
}

void TestRoomCell::lastMessageLine() {
    QFETCH(QVariantMap, message);
    QFETCH(QString, line);
    QFETCH(int, prefixLength);
    auto room = ChatRoom::chatRoomWithID("g-member");
    const auto stored = room->updateMessageDict(message, false, nullptr);
    QVERIFY(stored);
    const auto text = PLChatRoomTableViewCell::recentTextFromMessage(stored);
    QCOMPARE(text.text(), line);
    QVERIFY(line.isEmpty() == text.text().isNull());
    // The same line from the values the list's own read holds on the room, without the message object.
    const auto context = PLPersistence::PS_defaultContext();
    context->save();
    const qint64 key = stored->primaryKey();
    context->reset();
    int listedRows = 0;
    for (const auto& listed : ChatRoom::allChatRoomsWithLatestMessages()) {
        if (listed->roomId() != QStringLiteral("g-member"))
            continue;
        const auto shown = listed->latestMessageSummary();
        QVERIFY(shown && !context->heldObject(key));
        const auto line = PLChatRoomTableViewCell::recentText(shown, context.get(), kAnn);
        QCOMPARE(line.text(), text.text());
        QCOMPARE(line.runs().size(), text.runs().size());
        ++listedRows;
    }
    QCOMPARE(listedRows, 1);
    if (line.isEmpty())
        return;
    // The sender's part in the dark grey, the rest in the light grey, both DejaVuSans 14.
    QColor prefixColour;
    QColor textColour;
    for (const auto& run : text.runs()) {
        QCOMPARE(run.attributes.font->pixelSize(), 14);
        if (run.start == 0 && run.length == prefixLength && prefixLength > 0)
            prefixColour = *run.attributes.color;
        if (run.start + run.length == text.length())
            textColour = *run.attributes.color;
    }
    QCOMPARE(textColour, QColor(0x80, 0x80, 0x80));
    if (prefixLength > 0)
        QCOMPARE(prefixColour, QColor(0x33, 0x33, 0x33));
    // The row shows it.
    auto cell = row("g-member");
    QCOMPARE(cell->lastMessageLabel()->text(), line);
}

void TestRoomCell::aSendersNameCannotReorderTheMessage_data() {
    QTest::addColumn<QString>("name");
    for (const auto& hostile : reorderingValues())
        if (hostile.movesWhatFollows)
            QTest::newRow(hostile.name) << hostile.value;
}

// By pixels: the sender's name in the last-message line is isolated, so the message after it reads
// as it was written whatever the name holds; a longer message only adds to the right.
void TestRoomCell::aSendersNameCannotReorderTheMessage() {
    QFETCH(QString, name);
    auto room = ChatRoom::chatRoomWithID("g-member");
    const auto line = [&room, &name](const QString& id, const QString& text) {
        QVariantMap message = messageJSON("g-member", id, 5000, 46, text);
        message.insert("senderObj", QVariantMap{{"id", 46}, {"name", name}, {"email", "eve@acme.test"}});
        auto label = std::make_unique<PLRoomRowLabel>();
        label->resize(320, 24);
        label->setAttributedText(
            PLChatRoomTableViewCell::recentTextFromMessage(room->updateMessageDict(message, false, nullptr)));
        return label;
    };
    const auto shortLine = line("m1", "hi");
    const auto longLine = line("m2", "hi" + kFollowingText);
    const int width = int(shortLine->sizeThatFits({0, 0}).width()) - 2;
    const QImage longDrawn = drawing(longLine.get());
    QVERIFY(sameLeftPart(longDrawn, drawing(shortLine.get()), width));
    QVERIFY(inkRightOf(longDrawn, width + 4));
}

void TestRoomCell::badgeAndAdminMark() {
    // No message: an empty line, no badge.
    auto member = row("g-member");
    QVERIFY(member->lastMessageText().text().isNull());
    QCOMPARE(member->unreadMessageCountLabel()->text(), QString());
    QVERIFY(member->customAccessoryView()->isHidden());
    QVERIFY(member->adminIndicatorView()->isHidden());
    store->receive(messageJSON("g-admin", "a1", 5000, 42));
    store->receive(messageJSON("g-admin", "a2", 5001, 42));
    auto admin = row("g-admin");
    QVERIFY(!admin->adminIndicatorView()->isHidden());
    QCOMPARE(admin->unreadMessageCountLabel()->text(), QStringLiteral("2"));
    QVERIFY(!admin->customAccessoryView()->isHidden());
    QCOMPARE(admin->roomNameLabel()->text(), QStringLiteral("Ops"));
    // The admin of a one-to-one room gets no mark either.
    auto oneToOne = row("o-admin");
    QVERIFY(oneToOne->adminIndicatorView()->isHidden());
    QCOMPARE(oneToOne->roomNameLabel()->text(), QStringLiteral("Bob"));
}

void TestRoomCell::cachedPictureShowsAtOnceOthersAfterADelay() {
    FakeImageLoader loader;
    loader.cached << QStringLiteral("https://p.test/bob.png");
    // The one-to-one room shows the other member's picture, from the cache at once.
    auto oneToOne = row("o-admin");
    QCOMPARE(loader.started, QStringList{QStringLiteral("https://p.test/bob.png")});
    QCOMPARE(oneToOne->chatRoomImageView()->image().pixelColor(0, 0), QColor(Qt::red));

    // Not cached: the placeholder now, the load 0.1 s later.
    auto group = row("g-member");
    QCOMPARE(loader.started.size(), 1);
    QVERIFY(!group->chatRoomImageView()->image().isNull());
    QVERIFY(group->chatRoomImageView()->image().pixelColor(0, 0) != QColor(Qt::red));
    Scheduler::shared()->advance(99);
    QCOMPARE(loader.started.size(), 1);
    Scheduler::shared()->advance(1);
    QCOMPARE(loader.started.last(), QStringLiteral("https://p.test/design.png"));
    QVERIFY(WebCache::isLoading(group->chatRoomImageView()));
}

void TestRoomCell::reuseClosesTheRowAndCancelsTheDelayedLoad() {
    FakeImageLoader loader;
    RowOwner owner;
    auto cell = row("g-member", &owner);
    cell->toggleCellState();
    QCOMPARE(cell->currentState(), 1);
    QCOMPARE(owner.states, QList<qint64>{1});
    cell->prepareForReuse();
    QCOMPARE(cell->currentState(), 0);
    QCOMPARE(cell->containerShift(), 0.0);
    QCOMPARE(owner.states, (QList<qint64>{1, 0}));
    QVERIFY(cell->chatRoomOptions().isEmpty());
    Scheduler::shared()->advance(1000);
    QVERIFY(loader.started.isEmpty());

    // A load already under way is cancelled too, and its late answer changes nothing.
    cell->setChatRoom(ChatRoom::chatRoomWithID("g-member"));
    Scheduler::shared()->advance(100);
    QCOMPARE(loader.started.size(), 1);
    const quint64 running = loader.waiting.keys().value(0);
    const auto answer = loader.waiting.value(running);
    cell->prepareForReuse();
    QCOMPARE(loader.cancelled, QList<quint64>{running});
    QImage late(8, 8, QImage::Format_RGB32);
    late.fill(Qt::blue);
    answer(late, std::nullopt, 0, QUrl());
    QVERIFY(cell->chatRoomImageView()->image().pixelColor(0, 0) != QColor(Qt::blue));
}

void TestRoomCell::thePictureComesThroughTheMediaLayersLoader() {
    // The library's own wiring: the image loader with its caches behind the image views.
    PelnixSetUp::connectImageViews();
    QImage picture(60, 60, QImage::Format_RGB32);
    picture.fill(QColor(10, 200, 30));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(picture.save(&buffer, "PNG"));
    pelnix::test::LoopbackPeer server("image/png");
    server.bodies["/ops.png"] = png;
    const QUrl address(server.url("/ops.png"));
    auto room = ChatRoom::chatRoomWithID("g-admin");
    room->setImageUrl(address.toString());
    room->save();
    auto cell = row("g-admin");
    QVERIFY(!WebCache::cachedImageExistsForURL(address));
    Scheduler::shared()->advance(100);
    QTRY_COMPARE(cell->chatRoomImageView()->image().pixelColor(30, 30), QColor(10, 200, 30));
    // Cached now: the next row with it shows it at once.
    QVERIFY(WebCache::cachedImageExistsForURL(address));
    auto again = row("g-admin");
    QCOMPARE(again->chatRoomImageView()->image().pixelColor(30, 30), QColor(10, 200, 30));
    WebCache::setImageSource({});
}

void TestRoomCell::stripWidthFollowsTheOptions_data() {
    QTest::addColumn<QList<qint64>>("options");
    QTest::addColumn<qreal>("width");
    QTest::newRow("two") << QList<qint64>{2, 1} << 120.0;
    QTest::newRow("three") << QList<qint64>{3, 2, 1} << 170.0;
    QTest::newRow("five, capped") << QList<qint64>{1, 2, 3, 4, 5} << 220.0;
}

void TestRoomCell::stripWidthFollowsTheOptions() {
    QFETCH(QList<qint64>, options);
    QFETCH(qreal, width);
    RowOwner owner;
    owner.options = options;
    auto cell = row("g-member", &owner);
    QCOMPARE(cell->collectionViewWidth(), 0.0);
    cell->reloadSwipeOptions();
    QCOMPARE(cell->collectionViewWidth(), width);
    cell->toggleCellState();
    QCOMPARE(cell->containerShift(), width);
    QCOMPARE(cell->optionsArea()->width(), int(width));
    QCOMPARE(cell->chatRoomOptions().mid(0, cell->optionsCollectionView()->indexesForVisibleItems().size()),
             options.mid(0, cell->optionsCollectionView()->indexesForVisibleItems().size()));
    // No options leaves the width as it was.
    owner.options.clear();
    cell->reloadSwipeOptions();
    QCOMPARE(cell->collectionViewWidth(), width);
}

void TestRoomCell::swipesOpenAndCloseAndTheOwnerHearsEachEnd_data() {
    QTest::addColumn<Qt::LayoutDirection>("direction");
    QTest::newRow("left to right") << Qt::LeftToRight;
    QTest::newRow("right to left") << Qt::RightToLeft;
}

void TestRoomCell::swipesOpenAndCloseAndTheOwnerHearsEachEnd() {
    QFETCH(Qt::LayoutDirection, direction);
    QGuiApplication::setLayoutDirection(direction);
    const qreal opening = direction == Qt::LeftToRight ? -120 : 120;
    RowOwner owner;
    auto cell = row("g-member", &owner);
    QWidget* container = cell->slideableContainerView();

    // The closing direction does nothing on a closed row.
    stroke(container, -opening);
    QCOMPARE(cell->currentState(), 0);
    QVERIFY(owner.states.isEmpty());

    stroke(container, opening);
    QCOMPARE(cell->currentState(), 1);
    QCOMPARE(owner.states, QList<qint64>{1});
    QVERIFY(cell->optionsArea()->isVisible());
    // The content moved towards the opening side, uncovering the options on the other.
    const QRect options = cell->optionsArea()->geometry();
    if (direction == Qt::LeftToRight)
        QVERIFY(container->geometry().right() < options.left() + 1 && options.right() == cell->width() - 1);
    else
        QVERIFY(container->geometry().left() > options.right() - 1 && options.left() == 0);

    // Once open, a second opening stroke does nothing; the closing one closes.
    stroke(container, opening);
    QCOMPARE(cell->currentState(), 1);
    stroke(container, -opening);
    QCOMPARE(cell->currentState(), 0);
    QCOMPARE(owner.states, (QList<qint64>{1, 0}));
    QCOMPARE(container->geometry().left(), 0);

    // A tap closes an open row; on a closed row taps are left to the list.
    stroke(container, opening);
    tap(container);
    QCOMPARE(cell->currentState(), 0);
    QCOMPARE(owner.states, (QList<qint64>{1, 0, 1, 0}));
    tap(container);
    QCOMPARE(owner.states.size(), 4);
}

void TestRoomCell::optionTapsReachTheOwner() {
    RowOwner owner;
    owner.options = {3, 2, 1};
    auto cell = row("g-admin", &owner);
    cell->toggleCellState();
    QList<PLOptionsCollectionViewCell*> items;
    for (int i : cell->optionsCollectionView()->indexesForVisibleItems())
        items << qobject_cast<PLOptionsCollectionViewCell*>(cell->optionsCollectionView()->viewAt(i));
    QCOMPARE(items.size(), 3);
    QCOMPARE(items[0]->imageNameForOption(items[0]->optionType()), QStringLiteral("addMemberToGroupIcon"));
    QVERIFY(!items[2]->optionsButton()->imageForState(platform::ui::Button::State::Highlighted).isNull());
    items[2]->optionsButton()->click();
    items[0]->optionsButton()->click();
    QCOMPARE(owner.chosen, (QList<qint64>{1, 3}));
}

void TestRoomCell::optionsAreThoseOfTheRoomShownNow() {
    // A row refilled with another room since its strip was last reloaded opens with that room's
    // options, not the earlier room's.
    struct ByRole : RowOwner {
        qint64 numberOfOptionsForChatRoom(const std::shared_ptr<ChatRoom>& room) override {
            return room->isCurrentUserAdmin() ? 3 : 2;
        }
        qint64 chatRoomTypeAtIndex(qint64 index, const std::shared_ptr<ChatRoom>& room) override {
            return (room->isCurrentUserAdmin() ? QList<qint64>{3, 2, 1} : QList<qint64>{2, 1}).value(index);
        }
    } owner;
    auto cell = row("g-admin", &owner);
    cell->reloadSwipeOptions();
    QCOMPARE(cell->collectionViewWidth(), 170.0);
    cell->prepareForReuse();
    cell->setChatRoom(ChatRoom::chatRoomWithID("g-member"));
    cell->toggleCellState();
    QCOMPARE(cell->collectionViewWidth(), 120.0);
    QCOMPARE(cell->chatRoomOptions(), (QList<qint64>{2, 1}));
}

void TestRoomCell::aRowOnScreenPaintsItsTexts() {
    // A row in a list on a shown window, painted by the window's own repaint and grabbed: the row's
    // kept drawings are made without painting anything a second time from inside a paint.
    store->receive(messageJSON("g-member", "m1", 5000, 42, "hello"));
    static QStringList warnings;
    warnings.clear();
    const auto previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type != QtDebugMsg && type != QtInfoMsg)
                warnings << text;
        });
    {
        ListOnScreen screen(QSize(1024, 768));
        QVERIFY(QTest::qWaitForWindowExposed(&screen.window));
        screen.window.repaint();
        const QImage shown = platform::ui::Screenshot::grab(&screen.window);
        PLChatRoomTableViewCell* cell = screen.cell(0);
        QVERIFY(cell);
        const QWidget* name = cell->roomNameLabel();
        const QPoint origin = name->mapTo(&screen.window, QPoint());
        const qreal scale = qreal(shown.width()) / screen.window.width();
        bool text = false;
        for (int x = 0; x < 60; ++x)
            text = text || shown.pixelColor(int((origin.x() + x) * scale),
                                            int((origin.y() + name->height() / 2) * scale))
                                   .lightness() < 120;
        QVERIFY(text);
    }
    qInstallMessageHandler(previous);
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
}

int main(int argc, char** argv) {
    test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestRoomCell t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_roomcell.moc"
