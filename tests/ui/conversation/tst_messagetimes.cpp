// The times and waiting clocks of the chat window's rows as the window really shows them (its
// backing store, not a fresh rendering): every time whole, every clock in sight, for text, picture
// and poll rows, left to right and right to left, at the phone's size and a desktop's, before the
// scroll control slides in, while it shows and after it has gone. Times fade in and the control
// slides as they do for the user. The times stay where they are while the control shows, and the
// control has a column of its own, under which no row shows anything.

#include "ConversationTestWorld.h"
#include "TestSandbox.h"

#include "core/model/PendingMessageInfo.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/testing/FakeWebView.h"
#include "ui/conversation/PLBulkUserJoinedMessageCell.h"
#include "ui/conversation/PLCellImageView.h"
#include "ui/conversation/PLChatWindowScrollToBottomOrTopView.h"
#include "ui/conversation/PLPendingMessageIndicatorView.h"
#include "ui/conversation/PLRotatingImageView.h"
#include "ui/conversation/PLSmartMessageCell.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QStyle>

using namespace pelnix;
using namespace pelnix::test;

namespace {

const qint64 kLunch = at(2024, 3, 12, 14, 9);

// What the window's backing store holds: the pixels the user sees.
QImage shownPixels(QWidget* window) {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    return window->windowHandle()->screen()->grabWindow(window->winId()).toImage();
}

bool inked(const QColor& color) {
    return color.lightness() < 200;
}

// Which columns of `area` (a rectangle of `image`) hold ink.
QList<bool> inkColumns(const QImage& image, const QRect& area) {
    QList<bool> columns;
    for (int x = area.left(); x <= area.right(); ++x) {
        bool any = false;
        for (int y = area.top(); y <= area.bottom() && !any; ++y)
            any = inked(image.pixelColor(x, y));
        columns << any;
    }
    return columns;
}

// `view` as it paints itself now, over the cells' white.
QImage freshPixels(QWidget* view) {
    QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    view->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// The text of `label` drawn whole in its place, over the cells' white.
QImage wholeText(const platform::ui::Label* label) {
    QImage image(label->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(label->font());
    painter.setPen(label->textColor());
    painter.drawText(QRect(QPoint(), label->size()),
                     int(QStyle::visualAlignment(label->layoutDirection(), label->alignment())),
                     label->text());
    return image;
}

// How many columns differ in ink between two profiles; all of them when their inked extents differ.
int inkMismatch(const QList<bool>& shown, const QList<bool>& expected) {
    const auto extent = [](const QList<bool>& columns) {
        return qMakePair(columns.indexOf(true), columns.lastIndexOf(true));
    };
    const auto [shownFirst, shownLast] = extent(shown);
    const auto [first, last] = extent(expected);
    if (first < 0 || shownFirst < 0 || qAbs(shownFirst - first) > 1 || qAbs(shownLast - last) > 1)
        return shown.size();
    int differing = 0;
    for (int i = 0; i < qMin(shown.size(), expected.size()); ++i)
        differing += shown[i] != expected[i];
    return differing;
}

// Where `view` shows in the window: clipped by every view it lies in.
QRect shownRect(const QWidget* view, const QRect& local) {
    QRect rect = local;
    const QWidget* window = view->window();
    for (const QWidget* w = view; w != window; w = w->parentWidget()) {
        rect &= w->rect();
        rect.translate(w->pos());
    }
    return rect;
}

} // namespace

class TestMessageTimes : public QObject {
    Q_OBJECT
private slots:
    void init() {
        platform::ui::WebView::setMaker(
            [](QWidget* parent) { return new platform::ui::FakeWebView(parent); });
        world = std::make_unique<ConversationWorld>();
        room = world->importRoom(QStringLiteral("r1"));
        world->importMessage(room, QStringLiteral("m1"), kLunch, QStringLiteral("Where shall we go?"), kBob)
            ->setState(1);
        smartRow(QStringLiteral("picture"), kLunch + 60000, kBob, QStringLiteral("Image"),
                 QStringLiteral("<img width=\"120\" height=\"60\" src=\"data:,\">"));
        smartRow(QStringLiteral("poll"), kLunch + 120000, kCarol, QStringLiteral("Poll"),
                 QStringLiteral("<p><b>Lunch</b></p><p>Noodles &middot; Pizza</p>"));
        world
            ->importMessage(room, QStringLiteral("m2"), kLunch + 180000, QStringLiteral("Pizza!"),
                            world->me())
            ->setState(1);
        // Two posts of the user's own still waiting, grouped under the delivered one before them.
        for (const QString& text : {QStringLiteral("On my way."), QStringLiteral("Five minutes.")}) {
            auto message = room->createMessage();
            message->setType(2);
            message->setText(text);
            message->setDate(kLunch + 240000);
            message->setState(1);
            room->createPendingMessage(message, 0, 1)->setText(text);
        }
        room->save();
    }
    void cleanup() {
        room.reset();
        world.reset();
        platform::ui::WebView::setMaker({});
    }

    void timesWholeAndClocksInSight_data();
    void timesWholeAndClocksInSight();
    void timesKeepTheirPlaceAndTheScrollControlItsOwn_data();
    void timesKeepTheirPlaceAndTheScrollControlItsOwn();
    void rowsShowNothingUnderTheScrollControl_data();
    void rowsShowNothingUnderTheScrollControl();

private:
    void smartRow(const QString& id, qint64 date, qint32 sender, const QString& kind, const QString& html) {
        auto message = world->importMessage(
            room, id, date, QStringLiteral("{\"formid\":\"f-%1\",\"displayname\":\"%2\"}").arg(id, kind),
            sender, QStringLiteral("smartmessage"));
        message->setHtmlText(html);
        message->setDisplayCellHeight(90);
        message->setState(1);
        message->save();
    }
    // Checks every row on screen; `seen` gets the kinds of rows whose time was seen whole.
    void checkRows(PLChatWindowViewController* chat, const char* when, QStringList& seen);

    std::unique_ptr<ConversationWorld> world;
    ChatRoom::Ptr room;
};

void TestMessageTimes::checkRows(PLChatWindowViewController* chat, const char* when, QStringList& seen) {
    QWidget* window = world->window.get();
    const QImage shown = shownPixels(window);
    auto* list = chat->collectionView();
    // The band of the list the user reads: under the top, above the bar.
    const QRect band(
        list->viewport()->mapTo(window, QPoint()),
        QSize(list->viewport()->width(), list->viewport()->height() - int(list->contentInset().bottom())));
    QRect control;
    if (auto* scroll = chat->scrollToBottomOrTopView(); scroll && scroll->isVisible())
        control = QRect(scroll->mapTo(window, QPoint()), scroll->size()) & window->rect();
    seen.clear();
    for (auto* cell : list->visibleCells()) {
        auto* indicator = cell->findChild<PLPendingMessageIndicatorView*>();
        if (!indicator || !indicator->message())
            continue;
        const QString what = QStringLiteral("%1 (%2)").arg(indicator->message()->text().left(20), when);
        QWidget* time = indicator->timeLabel();
        QWidget* clock = indicator->clockIconImageView();
        if (clock->isVisibleTo(window)) {
            const QRect rect(clock->mapTo(window, QPoint()), clock->size());
            if (!band.contains(rect))
                continue;
            // The clock whole, clear of the scroll control, painted.
            QVERIFY2(shownRect(clock, clock->rect()) == rect, qPrintable(what));
            QVERIFY2(!control.intersects(rect), qPrintable(what));
            QVERIFY2(inkColumns(shown, rect) == inkColumns(freshPixels(clock), clock->rect()),
                     qPrintable(what));
            QVERIFY2(inkColumns(shown, rect).contains(true), qPrintable(what));
        }
        if (!time->isVisibleTo(window))
            continue;
        auto* label = static_cast<platform::ui::Label*>(time);
        const QSize textSize(QFontMetrics(label->font()).horizontalAdvance(label->text()), label->height());
        const QRect text =
            QStyle::alignedRect(label->layoutDirection(), label->alignment(), textSize, label->rect());
        const QRect rect(label->mapTo(window, text.topLeft()), text.size());
        if (!band.contains(rect))
            continue;
        // The text fits its label and every view around it, clear of the scroll control.
        QVERIFY2(label->rect().contains(text), qPrintable(what));
        QVERIFY2(shownRect(label, text) == rect, qPrintable(what));
        QVERIFY2(!control.intersects(rect), qPrintable(what));
        // And the window shows it as the label paints it: every column of ink where it belongs.
        const QRect labelRect(label->mapTo(window, QPoint()), label->size());
        QVERIFY2(inkMismatch(inkColumns(shown, labelRect), inkColumns(wholeText(label), label->rect())) <= 3,
                 qPrintable(what));
        if (qobject_cast<PLSmartMessageCell*>(cell))
            seen << indicator->message()->displayName();
        else
            seen << QStringLiteral("text");
    }
    seen.removeDuplicates();
    seen.sort();
}

void TestMessageTimes::timesWholeAndClocksInSight_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("rightToLeft");
    QTest::newRow("320 x 568, left to right") << QSize(320, 568) << false;
    QTest::newRow("320 x 568, right to left") << QSize(320, 568) << true;
    QTest::newRow("1024 x 768, left to right") << QSize(1024, 768) << false;
    QTest::newRow("1024 x 768, right to left") << QSize(1024, 768) << true;
}

void TestMessageTimes::timesWholeAndClocksInSight() {
    QFETCH(QSize, size);
    QFETCH(bool, rightToLeft);
    // The times fade in and the scroll control slides as they do for the user.
    platform::ui::Animator::setInstant(false);
    auto* chat = world->open(room, size);
    if (rightToLeft)
        world->window->setLayoutDirection(Qt::RightToLeft);
    auto* list = chat->collectionView();
    list->scrollToBottomAnimated(false);
    const auto timesShown = [list] {
        for (auto* cell : list->visibleCells())
            if (auto* indicator = cell->findChild<PLPendingMessageIndicatorView*>();
                indicator && platform::ui::Animator::alpha(indicator->timeLabel()) < 1)
                return false;
        return true;
    };
    // Delivered rows show their times once they have settled.
    ConversationWorld::advance(400);
    QTRY_VERIFY(timesShown());
    const QStringList all{QStringLiteral("Image"), QStringLiteral("Poll"), QStringLiteral("text")};
    QStringList seen;
    checkRows(chat, "at first", seen);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(seen, all);
    // The user drags the list: the scroll control slides in over the rows' trailing edge.
    chat->scrollViewWillBeginDragging();
    auto* control = chat->scrollToBottomOrTopView();
    QVERIFY(control && control->isSlidIn());
    const int in = rightToLeft ? 0 : chat->view()->width() - control->width();
    QTRY_COMPARE(control->x(), in);
    checkRows(chat, "with the scroll control", seen);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(seen, all);
    // Three seconds later it has slid out again.
    ConversationWorld::advance(3500);
    QVERIFY(!control->isSlidIn());
    QTRY_COMPARE(control->x(), rightToLeft ? -control->width() : chat->view()->width());
    QTRY_VERIFY(timesShown());
    checkRows(chat, "after the scroll control", seen);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(seen, all);
}

void TestMessageTimes::timesKeepTheirPlaceAndTheScrollControlItsOwn_data() {
    timesWholeAndClocksInSight_data();
}

void TestMessageTimes::timesKeepTheirPlaceAndTheScrollControlItsOwn() {
    QFETCH(QSize, size);
    QFETCH(bool, rightToLeft);
    auto* chat = world->open(room, size);
    if (rightToLeft)
        world->window->setLayoutDirection(Qt::RightToLeft);
    auto* list = chat->collectionView();
    list->scrollToBottomAnimated(false);
    ConversationWorld::advance(400);
    QWidget* window = world->window.get();
    // Where each row's time lies in the window, by the message it belongs to.
    const auto times = [list, window] {
        QMap<const Message*, QRect> at;
        for (auto* cell : list->visibleCells())
            if (auto* indicator = cell->findChild<PLPendingMessageIndicatorView*>();
                indicator && indicator->message())
                at.insert(indicator->message().get(), QRect(indicator->timeLabel()->mapTo(window, QPoint()),
                                                            indicator->timeLabel()->size()));
        return at;
    };
    const auto before = times();
    QVERIFY(before.size() >= 4);
    auto* control = chat->scrollToBottomOrTopView();
    QVERIFY(control);
    control->hideScrollToBottomOrTopViewAnimated(false);
    QCOMPARE(times(), before);
    chat->scrollViewWillBeginDragging();
    QVERIFY(control->isSlidIn());
    QCOMPARE(times(), before);
    // What the rows show, their texts by their ink's extent: none of it in the control's column.
    const QRect column(control->mapTo(window, QPoint()), control->size());
    for (auto* cell : list->visibleCells()) {
        for (auto* view : cell->findChildren<QWidget*>()) {
            if (!view->isVisibleTo(window))
                continue;
            QRect shown = view->rect();
            if (auto* label = qobject_cast<platform::ui::Label*>(view)) {
                if (label->text().isEmpty())
                    continue;
                const QSize textSize(
                    qMin(label->width(), QFontMetrics(label->font()).horizontalAdvance(label->text())),
                    label->height());
                shown = QStyle::alignedRect(label->layoutDirection(), label->alignment(), textSize,
                                            label->rect());
            } else if (!qobject_cast<platform::ui::WebView*>(view) &&
                       !qobject_cast<platform::ui::ImageView*>(view) &&
                       !qobject_cast<PLCellImageView*>(view)) {
                continue;
            }
            const QRect inWindow(view->mapTo(window, shown.topLeft()), shown.size());
            QVERIFY2(!column.intersects(inWindow),
                     qPrintable(QStringLiteral("%1 of %2 at %3,%4 %5 x %6")
                                    .arg(view->metaObject()->className(), cell->metaObject()->className())
                                    .arg(inWindow.x())
                                    .arg(inWindow.y())
                                    .arg(inWindow.width())
                                    .arg(inWindow.height())));
        }
    }
    ConversationWorld::advance(3500);
    QVERIFY(!control->isSlidIn());
    QCOMPARE(times(), before);
}

void TestMessageTimes::rowsShowNothingUnderTheScrollControl_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("rightToLeft");
    QTest::newRow("320 x 568, left to right") << QSize(320, 568) << false;
    QTest::newRow("400 x 720, left to right") << QSize(400, 720) << false;
    QTest::newRow("400 x 720, right to left") << QSize(400, 720) << true;
    QTest::newRow("1024 x 768, left to right") << QSize(1024, 768) << false;
}

void TestMessageTimes::rowsShowNothingUnderTheScrollControl() {
    QFETCH(QSize, size);
    QFETCH(bool, rightToLeft);
    // Rows whose text runs to the end of their lines: a message and the one grouped under it, the
    // user's own, a system event and a joined event with its names shown.
    auto notes = world->importRoom(QStringLiteral("r2"));
    const QString numbers = QStringLiteral("Numbers 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20");
    const QString prose = QStringLiteral("The notes from the morning, the agenda for the afternoon and the "
                                         "list of what is still open before the release goes out.");
    world->importMessage(notes, QStringLiteral("t1"), kLunch, numbers, kBob);
    world->importMessage(notes, QStringLiteral("t2"), kLunch + 1000, prose + QStringLiteral(" ") + numbers,
                         kBob);
    world->importMessage(notes, QStringLiteral("e1"), kLunch + 2000,
                         QStringLiteral("Carol left the room after a long and very thorough handover of "
                                        "everything she looked after"),
                         kCarol, QStringLiteral("left"));
    QVariantList users;
    for (int i = 0; i < 8; ++i)
        users << QVariantMap{{"userId", 100 + i}, {"name", QStringLiteral("Participant number %1").arg(i)}};
    world->importMessage(notes, QStringLiteral("j1"), kLunch + 3000,
                         QStringLiteral("Bob added 8 people to the room, all of the release team"), kBob,
                         QStringLiteral("joined"), {{"info", QVariantMap{{"users", users}}}});
    world->importMessage(notes, QStringLiteral("t3"), kLunch + 4000, prose + QStringLiteral(" ") + numbers,
                         world->me());
    auto* chat = world->open(notes, size);
    if (rightToLeft)
        world->window->setLayoutDirection(Qt::RightToLeft);
    auto* list = chat->collectionView();
    for (auto* cell : list->visibleCells())
        if (auto* joined = qobject_cast<PLBulkUserJoinedMessageCell*>(cell))
            chat->arrowIndicatorButtonTappedFrom(joined);
    list->scrollToBottomAnimated(false);
    ConversationWorld::advance(400);
    chat->scrollViewWillBeginDragging();
    auto* control = chat->scrollToBottomOrTopView();
    QVERIFY(control && control->isSlidIn());
    QWidget* window = world->window.get();
    const QRect column(control->mapTo(window, QPoint()), control->size());
    // Each row as it paints itself, over white: no ink of it in the control's column.
    int rows = 0;
    for (auto* cell : list->visibleCells()) {
        if (!qobject_cast<PLChatMessageCell*>(cell))
            continue;
        const QImage shown = freshPixels(cell);
        const QRect under = QRect(cell->mapFrom(window, column.topLeft()), column.size()) & cell->rect();
        const QList<bool> ink = inkColumns(shown, under);
        QVERIFY2(
            !ink.contains(true),
            qPrintable(
                QStringLiteral("%1 at %2").arg(cell->metaObject()->className(), QString::number(cell->y()))));
        ++rows;
    }
    QVERIFY(rows >= 4);
}

int main(int argc, char** argv) {
    prepareTestEnvironment();
    QApplication app(argc, argv);
    TestMessageTimes test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_messagetimes.moc"
