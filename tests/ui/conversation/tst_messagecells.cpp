// The message cells on stored messages: the read state they show and set, the avatar tap, the text
// cells' heights, links and names, and the system event and separator cells.

#include "ConversationTestWorld.h"
#include "MirroredGeometry.h"

#include "foundation/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/SystemServices.h"
#include "platform/ui/testing/RecordingSystemServices.h"
#include "ui/conversation/ConversationNotifications.h"
#include "ui/conversation/PLBulkUserJoinedMessageCell.h"
#include "ui/conversation/PLCellImageView.h"
#include "ui/conversation/PLChatWindowCellContent.h"
#include "ui/conversation/PLChatWindowStyle.h"
#include "ui/conversation/PLClippedView.h"
#include "ui/conversation/PLDateMessageCell.h"
#include "ui/conversation/PLExtendedTextMessageCell.h"
#include "ui/conversation/PLMessageTextView.h"
#include "ui/conversation/PLTextMessageCell.h"
#include "ui/conversation/PLUnreadCountMessage.h"
#include "ui/conversation/PLUnreadMessagesSeparatorCell.h"
#include "ui/conversation/PLUserActionMessageCell.h"

#include <QApplication>
#include <QPainter>
#include <QScopeGuard>
#include <QSignalSpy>
#include <cmath>

using namespace pelnix;
using namespace pelnix::test;

namespace {

const qint64 kDay = at(2024, 3, 12, 9, 0);

// Counts "chat window cell marked as read notification" and keeps the IDs it carried.
struct MarkedAsRead {
    MarkedAsRead() {
        token = platform::NotificationCenter::defaultCenter()->addObserver(
            QLatin1String(PLChatWindowCellMarkedAsReadNotification), [this](const platform::Notification& n) {
                ids << n.userInfo.value(QLatin1String(kChatWindowMessageKey)).toString();
            });
    }
    ~MarkedAsRead() { platform::NotificationCenter::defaultCenter()->removeObserver(token); }
    QStringList ids;
    platform::NotificationCenter::Token token;
};

struct ProfileTaps : PLChatMessageCellProfileTapDelegate {
    QList<std::shared_ptr<User>> users;
    void profileImageClickedForUser(const std::shared_ptr<User>& user) override { users << user; }
};

struct LinkTaps : PLTextmessageDelegate {
    QList<QPair<PLChatMessageCell*, QUrl>> taps;
    void cellDidTapOnLinkWithURL(PLChatMessageCell* cell, const QUrl& url) override {
        taps << qMakePair(cell, url);
    }
};

struct ArrowTaps : PLBulkUserJoinedMessageCellDelegate {
    int taps = 0;
    void arrowIndicatorButtonTappedFrom(PLBulkUserJoinedMessageCell*) override { ++taps; }
};

// A point of the text view over its first link, found on its own layout.
std::optional<QPoint> pointOnLink(PLMessageTextView* view) {
    for (int y = 0; y < view->height(); y += 2)
        for (int x = 0; x < view->width(); x += 2)
            if (!view->linkAt(QPointF(x, y)).isEmpty())
                return QPoint(x + 2, y + 2);
    return std::nullopt;
}

qreal measured(const QString& text, qreal width) {
    return PLMessageTextView::measuredHeight(text, PLChatWindowStyle::messageFont(), width);
}

} // namespace

class TestMessageCells : public QObject {
    Q_OBJECT
private slots:
    void init() {
        world = std::make_unique<ConversationWorld>();
        room = world->importRoom(QStringLiteral("r1"));
    }
    void cleanup() {
        room.reset();
        world.reset();
    }

    void fillingShowsTheStoredStateAndChangesNothing();
    void markReadTurnsTheMessageReadOnce();
    void reuseShowsTheUnreadLook();
    void avatarTapReportsTheSenderEvenWhenItIsMe();
    void reuseNeverShowsThePreviousSendersPicture();
    void textHeights_data();
    void textHeights();
    void linkTapGoesToTheDelegateOnceAndOpensNothing();
    void aLinkReadsAsItActsWhateverControlStandsBeforeIt_data();
    void aLinkReadsAsItActsWhateverControlStandsBeforeIt();
    void phoneLinksAreWholeNumbers_data();
    void phoneLinksAreWholeNumbers();
    void drawnTextFollowsItsTextAndColour();
    void aMessageReadsInTheDirectionOfItsFirstStrongCharacter_data();
    void aMessageReadsInTheDirectionOfItsFirstStrongCharacter();
    void eachParagraphReadsInItsOwnDirection_data();
    void eachParagraphReadsInItsOwnDirection();
    void readTextIsGreyAndSenderNames();
    void textShowsNoMenuAndTakesNoFocus();
    void userActionHeightAndReadColour();
    void joinedRowHeightsAndArrow();
    void joinedCellGetsItsArrowBackOnReuse();
    void joinedArrowLiesAtTheBoxsTrailingEnd_data();
    void joinedArrowLiesAtTheBoxsTrailingEnd();
    void dateSeparatorTexts_data();
    void dateSeparatorTexts();
    void separatorButtonFollowsItsTitle();
    void separatorReadsItsCountFirstInEitherDirection_data();
    void separatorReadsItsCountFirstInEitherDirection();

private:
    std::unique_ptr<ConversationWorld> world;
    ChatRoom::Ptr room;
};

void TestMessageCells::fillingShowsTheStoredStateAndChangesNothing() {
    auto read = world->importMessage(room, "read", kDay, "seen", world->me());
    auto unread = world->importMessage(room, "unread", kDay + 1, "new", kBob);
    QCOMPARE(read->state(), qint16(1));
    QCOMPARE(unread->state(), qint16(0));
    MarkedAsRead marked;
    PLTextMessageCell cell;
    cell.resize(320, 60);
    cell.setMessage(read);
    QVERIFY(cell.showsReadLook());
    QVERIFY(cell.unreadIndicatorImageView()->isHidden());
    cell.setMessage(unread);
    QVERIFY(!cell.showsReadLook());
    QVERIFY(!cell.unreadIndicatorImageView()->isHidden());
    QCOMPARE(unread->state(), qint16(0));
    QVERIFY(marked.ids.isEmpty());
}

void TestMessageCells::markReadTurnsTheMessageReadOnce() {
    auto unread = world->importMessage(room, "u", kDay, "new", kBob);
    MarkedAsRead marked;
    PLUserActionMessageCell cell;
    cell.setMessage(unread);
    cell.markRead(0);
    QCOMPARE(unread->state(), qint16(0));
    cell.markRead(1);
    cell.markRead(1);
    cell.markRead(2);
    QCOMPARE(unread->state(), qint16(1));
    QCOMPARE(marked.ids, QStringList{"u"});
    // Saved: a fresh look at the store finds it read.
    QCOMPARE(Message::PS_countOfEntitiesWithPredicate(platform::PredicateKey("state") == 0), qint64(0));
    // A cell without a message changes nothing and posts nothing.
    PLUserActionMessageCell empty;
    empty.markRead(1);
    QCOMPARE(marked.ids.size(), 1);
    QVERIFY(empty.showsReadLook());
}

void TestMessageCells::reuseShowsTheUnreadLook() {
    auto read = world->importMessage(room, "read", kDay, "seen", world->me());
    PLTextMessageCell cell;
    cell.setMessage(read);
    QVERIFY(cell.unreadIndicatorImageView()->isHidden());
    cell.prepareForReuse();
    QVERIFY(!cell.unreadIndicatorImageView()->isHidden());
    QVERIFY(!cell.showsReadLook());
}

void TestMessageCells::avatarTapReportsTheSenderEvenWhenItIsMe() {
    auto mine = world->importMessage(room, "mine", kDay, "mine", world->me());
    ProfileTaps taps;
    PLTextMessageCell cell;
    cell.resize(320, 60);
    cell.show();
    cell.setMessage(mine);
    cell.setTapHandlerDelegate(&taps);
    auto* button = cell.profileImageButton();
    QCOMPARE(button->geometry(), cell.profileImageView()->geometry());
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(taps.users.size(), 1);
    QCOMPARE(taps.users.first()->userID(), world->me());
    // Without a delegate the tap does nothing.
    cell.setTapHandlerDelegate(nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(taps.users.size(), 1);
}

void TestMessageCells::reuseNeverShowsThePreviousSendersPicture() {
    auto bob = world->importMessage(room, "b", kDay, "hi", kBob);
    bob->senderUser()->setImageUrl(world->fixture.baseUrl() +
                                   QStringLiteral("splash/iOS/CoBrandingImage@2x.png"));
    auto carol = world->importMessage(room, "c", kDay + 1, "hi", kCarol);
    PLTextMessageCell cell;
    cell.setMessage(bob);
    cell.profileImageView()->setImage(QImage(8, 8, QImage::Format_RGB32)); // as if Bob's picture had come
    cell.prepareForReuse();
    cell.setMessage(carol);
    QCOMPARE(cell.profileImageView()->image(), PLChatWindowStyle::image(QStringLiteral("tempProfileImage")));
}

void TestMessageCells::textHeights_data() {
    QTest::addColumn<bool>("compact");
    QTest::addColumn<qreal>("constant");
    QTest::newRow("full") << false << 18.0;
    QTest::newRow("compact") << true << 6.0;
}

void TestMessageCells::textHeights() {
    QFETCH(bool, compact);
    QFETCH(qreal, constant);
    const auto height = [compact](const QString& text, qreal width) {
        return compact ? PLExtendedTextMessageCell::cellHeightWithMessageString(text, width)
                       : PLTextMessageCell::cellHeightWithMessageString(text, width);
    };
    const qreal chrome = height(QString(), 320) - constant;
    QVERIFY(chrome >= 0);
    QCOMPARE(height(QString(), 320), height(QStringLiteral(""), 320));
    QCOMPARE(height(QString(), 1024), height(QString(), 320));
    const QString one = QStringLiteral("One line.");
    const QString many =
        QStringLiteral("A longer message that wraps over several lines in a phone-sized cell.");
    QVERIFY(height(one, 320) > height(QString(), 320));
    QVERIFY(height(many, 320) > height(one, 320));
    // A wider cell gives the same text fewer lines.
    QVERIFY(height(many, 1024) < height(many, 320));
    // The height is the measured text plus the chrome and the constant, not rounded.
    PLTextMessageCell full;
    PLExtendedTextMessageCell part;
    auto* view = compact ? part.messageDisplayTextView() : full.messageDisplayTextView();
    QWidget* cell = compact ? static_cast<QWidget*>(&part) : static_cast<QWidget*>(&full);
    cell->resize(320, 200);
    cell->show();
    const qreal textWidth = view->width() - 2 * PLMessageTextView::kLineFragmentPadding;
    QCOMPARE(height(many, 320), measured(many, textWidth) + chrome + constant);
}

void TestMessageCells::linkTapGoesToTheDelegateOnceAndOpensNothing() {
    auto services = std::make_unique<platform::ui::RecordingSystemServices>();
    auto* recording = services.get();
    platform::ui::SystemServices::setCurrent(std::move(services));
    auto message = world->importMessage(room, "l", kDay, "docs at https://example.org/docs today", kBob);
    LinkTaps taps;
    PLTextMessageCell cell;
    cell.resize(320, 80);
    cell.show();
    cell.setTextMessageDelegate(&taps);
    cell.setMessage(message);
    auto* view = cell.messageDisplayTextView();
    QCOMPARE(view->links().size(), 1);
    const auto point = pointOnLink(view);
    QVERIFY(point);
    QTest::mouseClick(view, Qt::LeftButton, {}, *point);
    QCOMPARE(taps.taps.size(), 1);
    QCOMPARE(taps.taps.first().first, &cell);
    QCOMPARE(taps.taps.first().second, QUrl(QStringLiteral("https://example.org/docs")));
    QVERIFY(recording->opened.isEmpty());
    // Beside the link nothing is reported; without a delegate nothing happens at all.
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(view->width() - 2, view->height() - 2));
    QCOMPARE(taps.taps.size(), 1);
    cell.setTextMessageDelegate(nullptr);
    QTest::mouseClick(view, Qt::LeftButton, {}, *point);
    QCOMPARE(taps.taps.size(), 1);
    QVERIFY(recording->opened.isEmpty());
    platform::ui::SystemServices::setCurrent({});
}

void TestMessageCells::aLinkReadsAsItActsWhateverControlStandsBeforeIt_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QUrl>("url");
    const QString rlo(QChar(0x202E)), rli(QChar(0x2067)), rle(QChar(0x202B));
    QTest::newRow("number after a right-to-left override")
        << rlo << "+1 555 0100" << QUrl(QStringLiteral("tel:+15550100"));
    QTest::newRow("address after a right-to-left override")
        << rlo << "moc.evil@xyz.test" << QUrl(QStringLiteral("mailto:moc.evil@xyz.test"));
    QTest::newRow("number after a right-to-left isolate")
        << rli << "+44 20 7946 0000" << QUrl(QStringLiteral("tel:+442079460000"));
    QTest::newRow("web address after a right-to-left embedding")
        << rle << "https://example.org/a-b" << QUrl(QStringLiteral("https://example.org/a-b"));
}

void TestMessageCells::aLinkReadsAsItActsWhateverControlStandsBeforeIt() {
    QFETCH(QString, before);
    QFETCH(QString, link);
    QFETCH(QUrl, url);
    // The link shows as the same pixels as the link alone, at the same place, and opens what it shows;
    // the controls, drawn by whatever font has them, leave the line's height as it is.
    const auto picture = [](const QString& text, PLMessageTextView& view) {
        view.setFont(PLChatWindowStyle::messageFont());
        view.resize(300, 40);
        view.setText(text);
        return view.grab().toImage();
    };
    PLMessageTextView hostile, plain;
    const QImage shown = picture(before + link, hostile);
    QCOMPARE(shown, picture(link, plain));
    const QFont font = PLChatWindowStyle::messageFont();
    QCOMPARE(PLMessageTextView::measuredHeight(before + link + " " + before, font, 300),
             PLMessageTextView::measuredHeight(link, font, 300));
    QCOMPARE(hostile.links().size(), 1);
    const auto point = pointOnLink(&hostile);
    QVERIFY(point);
    QCOMPARE(hostile.linkAt(*point), url);
}

void TestMessageCells::phoneLinksAreWholeNumbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("links");
    QTest::newRow("international, blanks") << "Call +1 555 123 4567." << QStringList{"tel:+15551234567"};
    QTest::newRow("dashes") << "Call 555-123-4567 today" << QStringList{"tel:5551234567"};
    QTest::newRow("dash between blanks") << "Desk: 0800 - 123 456" << QStringList{"tel:0800123456"};
    QTest::newRow("digits alone") << "5551234567" << QStringList{"tel:5551234567"};
    QTest::newRow("pairs") << "01 23 45 67 89" << QStringList{"tel:0123456789"};
    QTest::newRow("one digit after the country code")
        << "+33 1 23 45 67 89" << QStringList{"tel:+33123456789"};
    QTest::newRow("fifteen digits") << "+123 456 789 012 345" << QStringList{"tel:+123456789012345"};
    QTest::newRow("two numbers") << "555 1234 or 555 9876" << QStringList{"tel:5551234", "tel:5559876"};
    QTest::newRow("a number after a list")
        << "Steps 1 2 3, then call 555 123 4567" << QStringList{"tel:5551234567"};
    QTest::newRow("numbers 1 to 20") << "Numbers 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20"
                                     << QStringList();
    QTest::newRow("small numbers") << "Rows 1 2 3 4 5 6 7" << QStringList();
    QTest::newRow("sixteen digits") << "Card 1234 5678 9012 3456" << QStringList();
    QTest::newRow("31 digits alone") << "1234567891011121314151617181920" << QStringList();
    QTest::newRow("six digits") << "Room 123 456" << QStringList();
    QTest::newRow("digits in a word") << "build abc12 345 6789" << QStringList();
}

void TestMessageCells::phoneLinksAreWholeNumbers() {
    QFETCH(QString, text);
    QFETCH(QStringList, links);
    // No run of digits becomes a number longer than a phone number can be, or one joined from a list.
    PLMessageTextView view;
    view.resize(300, 60);
    view.setText(text);
    QStringList found;
    for (const auto& link : view.links())
        found << link.url.toString();
    QCOMPARE(found, links);
}

void TestMessageCells::drawnTextFollowsItsTextAndColour() {
    // A row's text is drawn once and painted from that picture while the list scrolls: a new text or
    // colour shows at once, and a text of many screens is drawn as it stands, its exposed lines only.
    const auto view = [](QSize size) {
        auto text = std::make_unique<PLMessageTextView>();
        text->setFont(PLChatWindowStyle::messageFont());
        text->resize(size);
        return text;
    };
    auto small = view(QSize(300, 40));
    small->setText(QStringLiteral("First text"));
    const QImage first = small->grab().toImage();
    small->setText(QStringLiteral("Second text"));
    QVERIFY(small->grab().toImage() != first);
    small->setText(QStringLiteral("First text"));
    QCOMPARE(small->grab().toImage(), first);
    small->setTextColor(Qt::red);
    const QImage red = small->grab().toImage();
    bool reddened = false;
    for (int y = 0; y < red.height() && !reddened; ++y)
        for (int x = 0; x < red.width() && !reddened; ++x)
            reddened = red.pixelColor(x, y).red() > 200 && red.pixelColor(x, y).green() < 60;
    QVERIFY(reddened);
    QStringList lines;
    for (int i = 0; i < 400; ++i)
        lines << QStringLiteral("Line %1 of the minutes").arg(i);
    // The drawn picture paints only its inked part: the same pixels as the lines drawn as they stand,
    // for upright glyphs and for slanted ones that lean past their advance.
    for (const bool italic : {false, true}) {
        QFont font = PLChatWindowStyle::messageFont();
        font.setItalic(italic);
        auto tall = view(QSize(300, 8000));
        tall->setFont(font);
        tall->setText(lines.join(QLatin1Char('\n')));
        auto top = view(QSize(300, 60));
        top->setFont(font);
        top->setText(lines.mid(0, 10).join(QLatin1Char('\n')));
        QCOMPARE(tall->grab(QRect(0, 0, 300, 60)).toImage(), top->grab().toImage());
    }
}

void TestMessageCells::aMessageReadsInTheDirectionOfItsFirstStrongCharacter_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<Qt::LayoutDirection>("direction");
    QTest::newRow("latin") << QStringLiteral("He said \"yes, tomorrow\".") << Qt::LeftToRight;
    QTest::newRow("hebrew") << QStringLiteral("\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD!")
                            << Qt::RightToLeft;
    QTest::newRow("arabic") << QStringLiteral("\u0645\u0631\u062D\u0628\u0627 \u0661!") << Qt::RightToLeft;
    QTest::newRow("digits, then hebrew") << QStringLiteral("42 \u05E9\u05DC\u05D5\u05DD.") << Qt::RightToLeft;
    QTest::newRow("quote and digits, then latin") << QStringLiteral("\"3 apples\", ok?") << Qt::LeftToRight;
    QTest::newRow("empty") << QString() << Qt::LeftToRight;
}

// In either layout direction (the row's own, or the whole program's), in a row of its own and in a
// row grouped under the one above: the text reads as the same text after a mark of its direction
// does, and otherwise than after a mark of the other.
void TestMessageCells::aMessageReadsInTheDirectionOfItsFirstStrongCharacter() {
    QFETCH(QString, text);
    QFETCH(Qt::LayoutDirection, direction);
    const QChar ltrMark(0x200E), rtlMark(0x200F);
    const QChar same = direction == Qt::RightToLeft ? rtlMark : ltrMark;
    const QChar other = direction == Qt::RightToLeft ? ltrMark : rtlMark;
    enum Layout { LeftToRight, RowRightToLeft, ProgramRightToLeft };
    int made = 0;
    const auto shown = [&](bool grouped, Layout layout, const QString& shownText) {
        qApp->setLayoutDirection(layout == ProgramRightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
        const auto restore = qScopeGuard([] { qApp->setLayoutDirection(Qt::LeftToRight); });
        std::unique_ptr<PLChatMessageCell> cell;
        if (grouped)
            cell = std::make_unique<PLExtendedTextMessageCell>();
        else
            cell = std::make_unique<PLTextMessageCell>();
        if (layout == RowRightToLeft)
            cell->setLayoutDirection(Qt::RightToLeft);
        cell->resize(320, 80);
        ++made;
        cell->setMessage(
            world->importMessage(room, QStringLiteral("d%1").arg(made), kDay + made, shownText, kBob));
        auto* view = grouped ? static_cast<PLExtendedTextMessageCell*>(cell.get())->messageDisplayTextView()
                             : static_cast<PLTextMessageCell*>(cell.get())->messageDisplayTextView();
        return std::make_pair(view->textDirection(), view->grab().toImage());
    };
    for (const bool grouped : {false, true}) {
        for (const Layout layout : {LeftToRight, RowRightToLeft, ProgramRightToLeft}) {
            const QString where =
                QStringLiteral("%1, layout %2").arg(grouped ? "grouped" : "own row").arg(layout);
            const auto [read, picture] = shown(grouped, layout, text);
            QVERIFY2(read == direction, qPrintable(where));
            if (text.isEmpty())
                continue;
            QVERIFY2(picture == shown(grouped, layout, same + text).second, qPrintable(where));
            QVERIFY2(picture != shown(grouped, layout, other + text).second, qPrintable(where));
        }
    }
}

void TestMessageCells::eachParagraphReadsInItsOwnDirection_data() {
    QTest::addColumn<QStringList>("paragraphs");
    // The direction each paragraph reads in: 'L' or 'R'.
    QTest::addColumn<QString>("directions");
    QTest::addColumn<QString>("separator");
    const QString hello = QStringLiteral("\u0645\u0631\u062D\u0628\u0627 \u0628\u0643\u0645!");
    const QString shalom = QStringLiteral("\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD!");
    const QString lf(QLatin1Char('\n'));
    QTest::newRow("arabic, then english") << QStringList{hello, "See you at 10."} << "RL" << lf;
    QTest::newRow("english, then hebrew") << QStringList{"Moved to 3 PM.", shalom} << "LR" << lf;
    QTest::newRow("a paragraph separator")
        << QStringList{hello, "See you at 10."} << "RL" << QString(QChar(QChar::ParagraphSeparator));
    QTest::newRow("carriage returns") << QStringList{hello + "\r", "See you at 10."} << "RL" << lf;
    QTest::newRow("digits follow the paragraph before")
        << QStringList{shalom, "10 - 12 (3)", "Ok, see you."} << "RRL" << lf;
    QTest::newRow("an empty paragraph between") << QStringList{"Notes:", "", hello} << "LLR" << lf;
    QTest::newRow("wrapped paragraphs")
        << QStringList{hello + " " + hello + " " + hello + " " + hello,
                       "A longer answer that wraps over several lines, ending with its full stop."}
        << "RL" << lf;
    QTest::newRow("an override ends with its paragraph")
        << QStringList{QChar(0x202E) + QStringLiteral("abc"), "def."} << "LL" << lf;
    QTest::newRow("a closing mark of its own closes nothing")
        << QStringList{shalom + QChar(0x2069) + "ok", "Next."} << "RL" << lf;
    QTest::newRow("a link in a paragraph of its own direction")
        << QStringList{shalom, "Agenda: https://example.org/a-b"} << "RL" << lf;
}

// In either layout direction, a message of paragraphs shows as its paragraphs each shown alone (after
// a mark of the direction it reads in), one under the other, and measures as much as they do.
void TestMessageCells::eachParagraphReadsInItsOwnDirection() {
    QFETCH(QStringList, paragraphs);
    QFETCH(QString, directions);
    QFETCH(QString, separator);
    const QFont font = PLChatWindowStyle::messageFont();
    constexpr int kWidth = 240;
    const auto shown = [&](const QString& text, Qt::LayoutDirection layout) {
        PLMessageTextView view;
        view.setLayoutDirection(layout);
        view.setFont(font);
        view.resize(kWidth, qCeil(measured(text, kWidth)));
        view.setText(text);
        return view.grab().toImage();
    };
    const QString text = paragraphs.join(separator);
    for (const auto layout : {Qt::LeftToRight, Qt::RightToLeft}) {
        const QImage whole = shown(text, layout);
        QImage stacked(whole.size(), whole.format());
        stacked.fill(Qt::transparent);
        QPainter painter(&stacked);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        qreal height = 0;
        for (int i = 0; i < paragraphs.size(); ++i) {
            const QChar mark(directions.at(i) == QLatin1Char('R') ? 0x200F : 0x200E);
            // An empty paragraph takes a line of its own, as the mark alone does.
            const QString alone = mark + paragraphs.at(i);
            painter.drawImage(QPointF(0, height), shown(alone, layout));
            height += measured(alone, kWidth);
        }
        painter.end();
        QCOMPARE(measured(text, kWidth), height);
        QVERIFY2(whole == stacked, qPrintable(QStringLiteral("layout %1").arg(int(layout))));
    }
    // A link opens what it shows: where its paragraph alone has it, and nowhere else.
    PLMessageTextView whole;
    whole.setFont(font);
    whole.resize(kWidth, qCeil(measured(text, kWidth)));
    whole.setText(text);
    qreal above = 0;
    int linked = 0;
    for (int i = 0; i < paragraphs.size(); ++i) {
        const QString alone =
            QChar(directions.at(i) == QLatin1Char('R') ? 0x200F : 0x200E) + paragraphs.at(i);
        PLMessageTextView view;
        view.setFont(font);
        view.resize(kWidth, qCeil(measured(alone, kWidth)));
        view.setText(alone);
        for (int y = 0; y < view.height(); y += 2)
            for (int x = 0; x < kWidth; x += 2) {
                const QUrl url = view.linkAt(QPointF(x, y));
                linked += !url.isEmpty();
                QCOMPARE(whole.linkAt(QPointF(x, y + above)), url);
            }
        above += measured(alone, kWidth);
    }
    QCOMPARE(linked > 0, !whole.links().isEmpty());
}

void TestMessageCells::readTextIsGreyAndSenderNames() {
    auto mine = world->importMessage(room, "mine", kDay, "mine", world->me());
    auto bobs = world->importMessage(room, "bobs", kDay + 1, "Bob's", kBob);
    PLTextMessageCell cell;
    cell.setMessage(mine);
    QCOMPARE(cell.messageDisplayTextView()->textColor(), PLChatWindowStyle::color(QStringLiteral("808080")));
    QCOMPARE(cell.userNameLabel()->text(), QStringLiteral("Me"));
    cell.prepareForReuse();
    cell.setMessage(bobs);
    QCOMPARE(cell.messageDisplayTextView()->textColor(), QColor(Qt::black));
    QCOMPARE(cell.userNameLabel()->text(), QStringLiteral("Bob"));
    cell.markRead(1);
    QCOMPARE(cell.messageDisplayTextView()->textColor(), PLChatWindowStyle::color(QStringLiteral("808080")));
    PLExtendedTextMessageCell compact;
    compact.setMessage(mine);
    QCOMPARE(compact.messageDisplayTextView()->textColor(),
             PLChatWindowStyle::color(QStringLiteral("808080")));
    QCOMPARE(compact.messageDisplayTextView()->textContainerInset(), QMargins());
}

void TestMessageCells::textShowsNoMenuAndTakesNoFocus() {
    PLTextMessageCell cell;
    auto* view = cell.messageDisplayTextView();
    QCOMPARE(view->contextMenuPolicy(), Qt::PreventContextMenu);
    QCOMPARE(view->focusPolicy(), Qt::NoFocus);
}

void TestMessageCells::userActionHeightAndReadColour() {
    const QString text = QStringLiteral("Dave left the room");
    const qreal chrome = PLUserActionMessageCell::cellHeightWithMessageString(QString()) - 10.0;
    QCOMPARE(PLUserActionMessageCell::cellHeightWithMessageString(text),
             PLMessageTextView::measuredHeight(text, PLChatWindowStyle::systemEventFont(),
                                               PLUserActionMessageCell::kLabelWidth) +
                 chrome + 10.0);
    auto event = world->importMessage(room, "e", kDay, text, kCarol, "left");
    QCOMPARE(event->type(), qint16(4));
    PLUserActionMessageCell cell;
    cell.setMessage(event);
    QCOMPARE(cell.messageLabel()->text(), text);
    QCOMPARE(cell.messageLabel()->textColor().name(), QStringLiteral("#555555"));
    // A phone's row wraps at the label's width; a desktop's wider row wraps later, and measures so.
    QCOMPARE(PLUserActionMessageCell::labelWidthForCellWidth(320), PLUserActionMessageCell::kLabelWidth);
    QCOMPARE(PLUserActionMessageCell::labelWidthForCellWidth(400), PLUserActionMessageCell::kLabelWidth + 80);
    QCOMPARE(PLUserActionMessageCell::labelWidthForCellWidth(1024),
             PLUserActionMessageCell::kMaximumLabelWidth);
    QCOMPARE(PLUserActionMessageCell::cellHeightWithMessageString(text, 320),
             PLUserActionMessageCell::cellHeightWithMessageString(text));
    cell.setAttribute(Qt::WA_DontShowOnScreen);
    cell.show();
    cell.resize(1024, int(PLUserActionMessageCell::cellHeightWithMessageString(text, 1024)));
    QCOMPARE(cell.messageLabel()->width(), PLUserActionMessageCell::kMaximumLabelWidth);
    cell.markRead(1);
    QCOMPARE(cell.messageLabel()->textColor(), PLChatWindowStyle::color(QStringLiteral("bfbfbf")));
}

void TestMessageCells::joinedRowHeightsAndArrow() {
    const QString names = QStringLiteral("Ann, Carol, Dave");
    QCOMPARE(
        PLBulkUserJoinedMessageCell::cellHeightWithMessageString("Bob added 3 people", names, false, 320),
        43.0);
    const qreal namesHeight = std::ceil(
        float(PLMessageTextView::measuredHeight(names, PLChatWindowStyle::systemEventFont(), 280 - 16)));
    QCOMPARE(PLBulkUserJoinedMessageCell::cellHeightWithMessageString("Bob added 3 people", names, true, 320),
             43.0 + namesHeight + 10.0);

    auto withNames = world->importMessage(
        room, "j1", kDay, "Bob added 3 people", kBob, "joined",
        {{"info", QVariantMap{{"users", QVariantList{QVariantMap{{"userId", 41}, {"name", "Ann"}},
                                                     QVariantMap{{"userId", kCarol}, {"name", "Carol"}},
                                                     QVariantMap{{"userId", 44}, {"name", "Dave"}}}}}}});
    auto withoutNames = world->importMessage(room, "j2", kDay + 1, "Carol joined", kCarol, "joined");
    QCOMPARE(withNames->bulkJoinedUserNames(), names);
    QVERIFY(withoutNames->bulkJoinedUserNames().isEmpty());
    ArrowTaps taps;
    PLBulkUserJoinedMessageCell cell;
    cell.resize(320, 43);
    cell.show();
    cell.setMessage(withoutNames, &taps, false);
    QVERIFY(cell.arrowIndicatorButton()->isHidden());
    QTest::mouseClick(cell.messageLabel(), Qt::LeftButton);
    QCOMPARE(taps.taps, 0);
    cell.prepareForReuse();
    cell.setMessage(withNames, &taps, false);
    QTest::mouseClick(cell.messageLabel(), Qt::LeftButton);
    QCOMPARE(taps.taps, 1);
    cell.setMessage(withNames, &taps, true);
    QVERIFY(cell.expandableView()->isVisibleTo(&cell));
    QVERIFY(cell.clippedView()->isVisibleTo(&cell));
    QCOMPARE(cell.userNamesLabel()->text(), names);
}

void TestMessageCells::joinedCellGetsItsArrowBackOnReuse() {
    auto withNames = world->importMessage(
        room, "j1", kDay, "Bob added 3 people", kBob, "joined",
        {{"info", QVariantMap{{"users", QVariantList{QVariantMap{{"userId", 41}, {"name", "Ann"}},
                                                     QVariantMap{{"userId", kCarol}, {"name", "Carol"}},
                                                     QVariantMap{{"userId", 44}, {"name", "Dave"}}}}}}});
    auto withoutNames = world->importMessage(room, "j2", kDay + 1, "Carol joined", kCarol, "joined");
    ArrowTaps taps;
    PLBulkUserJoinedMessageCell cell;
    cell.resize(320, 43);
    cell.setMessage(withoutNames, &taps, false);
    cell.prepareForReuse();
    cell.setMessage(withNames, &taps, false);
    QVERIFY(!cell.arrowIndicatorButton()->isHidden());
    QVERIFY(cell.arrowIndicatorButton()->width() > 0);
}

void TestMessageCells::joinedArrowLiesAtTheBoxsTrailingEnd_data() {
    QTest::addColumn<test::Turned>("turned");
    QTest::addColumn<bool>("expanded");
    for (const bool expanded : {false, true}) {
        const char* state = expanded ? "expanded" : "collapsed";
        QTest::addRow("row right to left, %s", state) << test::Turned::FromTheStart << expanded;
        QTest::addRow("program right to left, %s", state) << test::Turned::Program << expanded;
        QTest::addRow("row turned while shown, %s", state) << test::Turned::WhileShown << expanded;
    }
}

// The arrow opens the names: right to left it lies at the box's left, the text right of it, and it
// is drawn mirrored, as left to right mirrored in the box's width.
void TestMessageCells::joinedArrowLiesAtTheBoxsTrailingEnd() {
    QFETCH(test::Turned, turned);
    QFETCH(bool, expanded);
    auto message = world->importMessage(
        room, "j1", kDay, "Bob added 3 people", kBob, "joined",
        {{"info", QVariantMap{{"users", QVariantList{QVariantMap{{"userId", 41}, {"name", "Ann"}},
                                                     QVariantMap{{"userId", kCarol}, {"name", "Carol"}},
                                                     QVariantMap{{"userId", 44}, {"name", "Dave"}}}}}}});
    ArrowTaps taps;
    const auto parts = [](PLBulkUserJoinedMessageCell& cell) {
        return QList<QWidget*>{cell.messageLabel(), cell.arrowIndicatorButton()};
    };
    const auto fill = [&](PLBulkUserJoinedMessageCell& cell) {
        cell.resize(320, 90);
        cell.setMessage(message, &taps, expanded);
        cell.show();
    };
    PLBulkUserJoinedMessageCell leftToRight;
    fill(leftToRight);
    QCOMPARE(leftToRight.arrowIndicatorButton()->x(), leftToRight.messageInfoView()->width() - 8 - 20);
    const QList<QRect> mirrored = test::mirroredGeometries(parts(leftToRight));
    const QImage arrow =
        leftToRight.arrowIndicatorButton()->imageForState(platform::ui::Button::State::Normal);
    const auto back = qScopeGuard([] { QGuiApplication::setLayoutDirection(Qt::LeftToRight); });
    PLBulkUserJoinedMessageCell cell;
    test::turnRightToLeft(turned, false, &cell);
    fill(cell);
    test::turnRightToLeft(turned, true, &cell);
    QCOMPARE(test::geometries(parts(cell)), mirrored);
    QCOMPARE(cell.arrowIndicatorButton()->imageForState(platform::ui::Button::State::Normal),
             arrow.mirrored(true, false));
}

void TestMessageCells::dateSeparatorTexts_data() {
    QTest::addColumn<QDateTime>("date");
    QTest::addColumn<QString>("text");
    const QDateTime now(QDate(2026, 6, 15), QTime(10, 0));
    const QLocale locale;
    QTest::newRow("today") << now.addSecs(-3600) << QStringLiteral("Today");
    QTest::newRow("earlier this year") << QDateTime(QDate(2026, 3, 2), QTime(9, 0))
                                       << locale.toString(QDate(2026, 3, 2), QStringLiteral("dd MMM, ddd"));
    QTest::newRow("yesterday") << QDateTime(QDate(2026, 6, 14), QTime(23, 59))
                               << locale.toString(QDate(2026, 6, 14), QStringLiteral("dd MMM, ddd"));
    QTest::newRow("last year") << QDateTime(QDate(2025, 12, 31), QTime(9, 0))
                               << locale.toString(QDate(2025, 12, 31), QStringLiteral("dd MMM yyyy, ddd"));
}

void TestMessageCells::dateSeparatorTexts() {
    QFETCH(QDateTime, date);
    QFETCH(QString, text);
    Clock::setSource([] { return QDateTime(QDate(2026, 6, 15), QTime(10, 0)); });
    PLDateMessageCell cell;
    cell.setDate(date);
    QCOMPARE(cell.dateStringLabel()->text(), text);
    Clock::setSource({});
}

void TestMessageCells::separatorButtonFollowsItsTitle() {
    PLUnreadMessagesSeparatorCell cell;
    cell.resize(320, 32);
    cell.setChatWindowCellContent(PLChatWindowCellContent(std::make_shared<PLUnreadCountMessage>(3)));
    const qreal three = cell.buttonWidth();
    QCOMPARE(three,
             QFontMetricsF(cell.countIndicatorButton()->titleFont()).horizontalAdvance("3 New Updates ") +
                 30.0);
    cell.setChatWindowCellContent(PLChatWindowCellContent(std::make_shared<PLUnreadCountMessage>(1234)));
    QVERIFY(cell.buttonWidth() > three);
    QCOMPARE(cell.countIndicatorButton()->width(), qCeil(cell.buttonWidth()));
}

void TestMessageCells::separatorReadsItsCountFirstInEitherDirection_data() {
    QTest::addColumn<QString>("layout");
    QTest::addColumn<qint64>("count");
    for (const char* layout : {"left to right", "row right to left", "program right to left"})
        for (const qint64 count : {qint64(1), qint64(7), qint64(1234)})
            QTest::addRow("%s, %lld", layout, qlonglong(count)) << QString::fromLatin1(layout) << count;
}

// The title ("7 New Updates ") reads as the English text it is, its count first, also in a
// right-to-left window, not laid out as a right-to-left paragraph ("New Updates 7").
void TestMessageCells::separatorReadsItsCountFirstInEitherDirection() {
    QFETCH(QString, layout);
    QFETCH(qint64, count);
    // The title's white ink inside the green button, cut out of the row's picture.
    const auto titleShown = [count](const QString& where) {
        qApp->setLayoutDirection(where == QLatin1String("program right to left") ? Qt::RightToLeft
                                                                                 : Qt::LeftToRight);
        const auto restore = qScopeGuard([] { qApp->setLayoutDirection(Qt::LeftToRight); });
        PLUnreadMessagesSeparatorCell cell;
        if (where == QLatin1String("row right to left"))
            cell.setLayoutDirection(Qt::RightToLeft);
        cell.resize(320, int(PLUnreadMessagesSeparatorCell::cellHeight()));
        cell.setChatWindowCellContent(PLChatWindowCellContent(std::make_shared<PLUnreadCountMessage>(count)));
        const QImage row = cell.grab().toImage();
        const QRect button(cell.countIndicatorButton()->mapTo(&cell, QPoint(0, 0)),
                           cell.countIndicatorButton()->size());
        const int corner = button.height() / 2;
        QRect ink;
        for (int y = button.top(); y <= button.bottom(); ++y)
            for (int x = button.left() + corner; x <= button.right() - corner; ++x)
                if (qGray(row.pixel(x, y)) > 200)
                    ink |= QRect(x, y, 1, 1);
        return row.copy(ink);
    };
    const QImage leftToRight = titleShown(QStringLiteral("left to right"));
    QVERIFY(!leftToRight.isNull());
    QVERIFY(titleShown(layout) == leftToRight);
}

int main(int argc, char** argv) {
    prepareTestEnvironment();
    QApplication app(argc, argv);
    TestMessageCells test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_messagecells.moc"
