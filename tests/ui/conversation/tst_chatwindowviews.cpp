// The views around the message list: the input bar, the load-more header, the "New Updates" button,
// the scroll-to-top/bottom control and the list itself.

#include "CapturedLog.h"
#include "TestSandbox.h"

#include "interface/Pelnix.h"
#include "platform/Sandbox.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/CollectionViewCell.h"
#include "platform/ui/Scheduler.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowScrollToBottomOrTopView.h"
#include "ui/conversation/PLChatWindowStyle.h"
#include "ui/conversation/PLLoadMoreMessagesView.h"
#include "ui/conversation/PLNewUpdatesNotificationButton.h"
#include "ui/conversation/PLPostToChatView.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextDocument>
#include <cmath>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {

struct BarIntents : PLPostToChatViewDelegate {
    QStringList posted;
    int media = 0;
    int chatlets = 0;
    int changes = 0;
    void uploadMediaButtonClickHandler() override { ++media; }
    void postChatletButtonClickHandler() override { ++chatlets; }
    void postTextMessage(const QString& text) override { posted << text; }
    void textViewDidChange(QPlainTextEdit*) override { ++changes; }
};

struct Taps : QObject,
              PLLoadMoreMessagesViewDelegate,
              PLNewUpdatesNotificationButtonDelegate,
              PLChatWindowScrollToBottomOrTopViewDelegate {
    int loadMore = 0;
    int newUpdates = 0;
    QList<unsigned> buttons;
    void loadMoreMessagesButtonClicked() override { ++loadMore; }
    void scrollToNewUpdate() override { ++newUpdates; }
    void scrollToTopOrBottomView(PLChatWindowScrollToBottomOrTopView*, unsigned type) override {
        buttons << type;
    }
};

// Rows of 40 points for the list's own rules.
class Rows : public QObject, public CollectionViewDataSource, public CollectionViewDelegate {
public:
    int count = 0;
    int numberOfItemsInSection(CollectionView*, int) override { return count; }
    CollectionViewCell* cellForItemAtIndexPath(CollectionView* view, const IndexPath& path) override {
        return view->dequeueReusableCell(QStringLiteral("PLDateMessageCell"), path);
    }
    QSizeF sizeForItemAtIndexPath(CollectionView*, const IndexPath&) override { return {-1, 40}; }
};

// Records the clicks that reach it.
class ClickTarget : public QWidget {
public:
    using QWidget::QWidget;
    int clicks = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++clicks; }
};

} // namespace

class TestChatWindowViews : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::Sandbox::setRoot(m_sandbox.root()); }
    void init() {
        Animator::setInstant(true);
        Scheduler::shared()->setVirtualClock(true);
    }

    void typingSwapsMediaForSendOnce();
    void sendTrimsAndBlankTextSendsEmpty();
    void textEqualToThePlaceholderStaysAsTyped();
    void dismissingAnEmptyBarShowsThePlaceholder();
    void aNarrowBarShowsThePlaceholderOnOneLine();
    void aBarTooNarrowForItsFieldPaintsWithoutWarnings();
    void buttonsReportToTheDelegate();
    void hostIconsReplaceTheBundles();
    void loadMoreHeaderAsksTheDelegate();
    void newUpdatesButtonKeepsItsStyle();
    void scrollControlStaysThreeSecondsAfterTheLastShow();
    void scrollControlTypes_data();
    void scrollControlTypes();
    void touchesBetweenTheControlButtonsReachTheList();
    void listScrollsToItsEnd();
    void listInsetsKeepTheSides();
    void visibleCellsComeTopToBottom();

private:
    test::TestSandbox m_sandbox;
};

void TestChatWindowViews::typingSwapsMediaForSendOnce() {
    PLPostToChatView bar;
    bar.resize(320, 44);
    bar.show();
    QVERIFY(!bar.mediaUploadButton()->isHidden());
    QVERIFY(bar.sendButton()->isHidden());
    QTest::keyClicks(bar.messageTextView(), QStringLiteral("hey"));
    QCOMPARE(bar.buttonSwapCount(), 1);
    QVERIFY(bar.mediaUploadButton()->isHidden());
    QVERIFY(!bar.sendButton()->isHidden());
    QCOMPARE(Animator::alpha(bar.mediaUploadButton()), 0.0);
    QCOMPARE(bar.rightDivider()->x(), bar.rightBackgroundView()->x() + bar.sendButton()->x() - 1);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(bar.messageTextView(), Qt::Key_Backspace);
    QCOMPARE(bar.buttonSwapCount(), 2);
    QVERIFY(!bar.mediaUploadButton()->isHidden());
    QVERIFY(bar.sendButton()->isHidden());
    QCOMPARE(Animator::alpha(bar.mediaUploadButton()), 1.0);
    // Typing during a running fade starts no second swap.
    Animator::setInstant(false);
    QTest::keyClicks(bar.messageTextView(), QStringLiteral("ab"));
    QCOMPARE(bar.buttonSwapCount(), 3);
    Animator::setInstant(true);
}

void TestChatWindowViews::sendTrimsAndBlankTextSendsEmpty() {
    BarIntents intents;
    PLPostToChatView bar;
    bar.setDelegate(&intents);
    bar.messageTextView()->setPlainText(QStringLiteral(" \n  hello \n"));
    bar.sendMessageButtonClicked();
    bar.messageTextView()->setPlainText(QStringLiteral(" \n \t "));
    bar.sendMessageButtonClicked();
    QCOMPARE(intents.posted, (QStringList{"hello", ""}));
    // The bar does not clear itself; its owner resets it.
    QCOMPARE(bar.messageTextView()->toPlainText(), QStringLiteral(" \n \t "));
    bar.reset();
    QVERIFY(bar.messageTextView()->toPlainText().isEmpty());
    QVERIFY(intents.changes > 0);
}

void TestChatWindowViews::textEqualToThePlaceholderStaysAsTyped() {
    BarIntents intents;
    PLPostToChatView bar;
    bar.resize(320, 44);
    bar.show();
    bar.setDelegate(&intents);
    QCOMPARE(bar.placeholderText(), QStringLiteral("Type your message here"));
    QTest::keyClicks(bar.messageTextView(), QStringLiteral("Type your message here"));
    bar.dismissKeyboard();
    bar.messageTextView()->setFocus();
    QCOMPARE(bar.messageTextView()->toPlainText(), QStringLiteral("Type your message here"));
    bar.sendMessageButtonClicked();
    QCOMPARE(intents.posted, QStringList{"Type your message here"});
}

void TestChatWindowViews::dismissingAnEmptyBarShowsThePlaceholder() {
    PLPostToChatView bar;
    bar.resize(320, 44);
    bar.show();
    bar.messageTextView()->setFocus();
    bar.dismissKeyboard();
    QVERIFY(!bar.messageTextView()->hasFocus());
    QVERIFY(bar.messageTextView()->toPlainText().isEmpty());
    QCOMPARE(bar.messageTextView()->placeholderText(), QStringLiteral("Type your message here"));
    QCOMPARE(bar.messageTextView()->palette().color(QPalette::PlaceholderText), QColor(0, 113, 189));
}

void TestChatWindowViews::aNarrowBarShowsThePlaceholderOnOneLine() {
    // Qt wraps a placeholder that is wider than the field onto a second line, which the one-line
    // field cuts through: a narrow bar shows it cut short on one line, and says it whole.
    PLPostToChatView bar;
    bar.show();
    auto* field = bar.messageTextView();
    for (const int width : {240, 320, 400, 240}) {
        bar.resize(width, 44);
        const int room = field->viewport()->width() - 2 * int(std::ceil(field->document()->documentMargin()));
        QVERIFY2(field->fontMetrics().horizontalAdvance(field->placeholderText()) <= room,
                 qPrintable(QString::number(width)));
        QVERIFY(!field->placeholderText().isEmpty());
        QCOMPARE(bar.placeholderText(), QStringLiteral("Type your message here"));
        QCOMPARE(field->accessibleName(), QStringLiteral("Type your message here"));
    }
    QVERIFY(field->placeholderText() != bar.placeholderText());
    bar.resize(400, 44);
    QCOMPARE(field->placeholderText(), bar.placeholderText());
}

// However a host squeezes the bar, in either direction, it paints what fits and writes nothing to
// the log.
void TestChatWindowViews::aBarTooNarrowForItsFieldPaintsWithoutWarnings() {
    for (const auto direction : {Qt::LeftToRight, Qt::RightToLeft}) {
        PLPostToChatView bar;
        bar.setLayoutDirection(direction);
        bar.show();
        pelnix::test::CapturedLog log;
        for (int width = 120; width >= 0; --width) {
            bar.resize(width, 44);
            bar.grab();
            QVERIFY2(log.lines().isEmpty(),
                     qPrintable(QString::number(width) + QLatin1Char(' ') + log.text()));
            QVERIFY2(bar.messageTextView()->width() >= 0, qPrintable(QString::number(width)));
        }
    }
}

void TestChatWindowViews::buttonsReportToTheDelegate() {
    BarIntents intents;
    PLPostToChatView bar;
    bar.resize(320, 44);
    bar.show();
    bar.setDelegate(&intents);
    QTest::mouseClick(bar.mediaUploadButton(), Qt::LeftButton);
    QTest::mouseClick(bar.postChatletButton(), Qt::LeftButton);
    QCOMPARE(intents.media, 1);
    QCOMPARE(intents.chatlets, 1);
    bar.setDelegate(nullptr);
    QTest::mouseClick(bar.postChatletButton(), Qt::LeftButton);
    QCOMPARE(intents.chatlets, 1);
}

void TestChatWindowViews::hostIconsReplaceTheBundles() {
    {
        PLPostToChatView bar;
        QCOMPARE(bar.mediaUploadButton()->imageForState(Button::State::Normal),
                 PLChatWindowStyle::image(QStringLiteral("mediaIcon")));
        QCOMPARE(bar.mediaUploadButton()->imageForState(Button::State::Highlighted),
                 PLChatWindowStyle::image(QStringLiteral("mediaIconSelected")));
    }
    QImage icon(24, 24, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    Pelnix::setMediaIcon(icon);
    PLPostToChatView bar;
    QCOMPARE(bar.mediaUploadButton()->imageForState(Button::State::Normal).pixelColor(5, 5), QColor(Qt::red));
    QCOMPARE(bar.postChatletButton()->imageForState(Button::State::Normal),
             PLChatWindowStyle::image(QStringLiteral("chatletIcon")));
    Pelnix::setMediaIcon(QImage());
}

void TestChatWindowViews::loadMoreHeaderAsksTheDelegate() {
    Taps taps;
    PLLoadMoreMessagesView header;
    header.resize(320, int(PLLoadMoreMessagesView::viewHeight()));
    header.show();
    header.setDelegate(&taps);
    QTest::mouseClick(header.loadMoreButton(), Qt::LeftButton);
    QCOMPARE(taps.loadMore, 1);
}

void TestChatWindowViews::newUpdatesButtonKeepsItsStyle() {
    Taps taps;
    QWidget first;
    QWidget second;
    auto* button = new PLNewUpdatesNotificationButton(&taps, &first);
    button->setTitle(QStringLiteral("changed"));
    button->setTitleColor(Qt::black);
    button->setParent(&second);
    QCOMPARE(button->titleForState(Button::State::Normal), QStringLiteral("New Updates"));
    QCOMPARE(button->titleColorForState(Button::State::Normal), QColor(Qt::white));
    QCOMPARE(button->titleFont().pixelSize(), 12);
    // A pill: round ends, its title inside with even padding.
    const int titleWidth = button->fontMetrics().horizontalAdvance(QStringLiteral("New Updates"));
    QCOMPARE(button->contentEdgeInsets().left(), button->contentEdgeInsets().right());
    QVERIFY(button->width() >= titleWidth + 2 * 15);
    QVERIFY(button->height() >= 24);
    QCOMPARE(button->cornerRadius(), button->height() / 2.0);
    second.resize(200, 100);
    second.show();
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(taps.newUpdates, 1);
}

void TestChatWindowViews::scrollControlStaysThreeSecondsAfterTheLastShow() {
    QWidget list;
    list.resize(320, 500);
    list.show();
    auto* control = PLChatWindowScrollToBottomOrTopView::instance(&list);
    control->resize(PLChatWindowScrollToBottomOrTopView::kWidth, 400);
    control->hideScrollToBottomOrTopViewAnimated(false);
    QVERIFY(!control->isShownInSuperview());
    control->showScrollToBottomOrTopViewAnimated(true); // a drag at 0 s
    QCOMPARE(control->geometry().right() + 1, list.width());
    Scheduler::shared()->advance(2000);
    control->showScrollToBottomOrTopViewAnimated(true); // another at 2 s
    Scheduler::shared()->advance(2999);
    QVERIFY(control->isShownInSuperview());
    Scheduler::shared()->advance(1);
    QVERIFY(!control->isShownInSuperview());
    QCOMPARE(control->x(), list.width());
    // A tap restarts the 3 s too.
    control->showScrollToBottomOrTopViewAnimated(false);
    Scheduler::shared()->advance(2500);
    control->scrollToBottomButtonTapped();
    Scheduler::shared()->advance(2500);
    QVERIFY(control->isShownInSuperview());
    // The superview growing keeps the control at its edge.
    list.resize(400, 500);
    QCOMPARE(control->geometry().right() + 1, 400);
}

void TestChatWindowViews::scrollControlTypes_data() {
    QTest::addColumn<unsigned>("from");
    QTest::addColumn<unsigned>("to");
    QTest::addColumn<bool>("top");
    QTest::addColumn<bool>("bottom");
    QTest::newRow("3 to 0 hides the top only") << 3u << 0u << false << true;
    QTest::newRow("2 to 0 keeps both hidden") << 2u << 0u << false << false;
    QTest::newRow("3 to 1 hides the bottom only") << 3u << 1u << true << false;
    QTest::newRow("0 to 3 shows both") << 0u << 3u << true << true;
    QTest::newRow("3 to 2 hides both") << 3u << 2u << false << false;
    QTest::newRow("3 to 7 changes nothing") << 3u << 7u << true << true;
}

void TestChatWindowViews::scrollControlTypes() {
    QFETCH(unsigned, from);
    QFETCH(unsigned, to);
    QFETCH(bool, top);
    QFETCH(bool, bottom);
    QWidget list;
    auto* control = PLChatWindowScrollToBottomOrTopView::instance(&list);
    control->setControllType(3);
    control->setControllType(from);
    control->setControllType(to);
    QCOMPARE(control->controllType(), to);
    QCOMPARE(!control->scrollToTopButton()->isHidden(), top);
    QCOMPARE(!control->scrollToBottonButton()->isHidden(), bottom);
    // The same type again does nothing, even to a button shown by hand meanwhile.
    control->scrollToTopButton()->show();
    control->setControllType(to);
    QVERIFY(!control->scrollToTopButton()->isHidden());
}

void TestChatWindowViews::touchesBetweenTheControlButtonsReachTheList() {
    QWidget window;
    window.resize(320, 500);
    auto* list = new ClickTarget(&window);
    list->setGeometry(window.rect());
    auto* control = PLChatWindowScrollToBottomOrTopView::instance(&window);
    control->setGeometry(320 - PLChatWindowScrollToBottomOrTopView::kWidth, 0,
                         PLChatWindowScrollToBottomOrTopView::kWidth, 400);
    Taps taps;
    control->setInDelegate(&taps);
    control->setControllType(3);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    control->showScrollToBottomOrTopViewAnimated(false);
    const QPoint between = control->mapTo(&window, QPoint(control->width() / 2, control->height() / 2));
    QVERIFY(!control->isValidTouchForPoint(control->mapFrom(&window, between)));
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, between);
    QCOMPARE(list->clicks, 1);
    const QPoint onBottom = control->scrollToBottonButton()->mapTo(&window, QPoint(18, 18));
    QVERIFY(control->isValidTouchForPoint(control->mapFrom(&window, onBottom)));
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, onBottom);
    QCOMPARE(list->clicks, 1);
    QCOMPARE(taps.buttons, QList<unsigned>{1});
}

void TestChatWindowViews::listScrollsToItsEnd() {
    Rows rows;
    PLChatWindowCollectionView list;
    list.setDataSource(&rows);
    list.setDelegate(&rows);
    list.resize(320, 400);
    // An empty list stays where it is.
    list.scrollToBottomAnimated(false);
    QCOMPARE(list.contentOffset(), QPointF(0, 0));
    rows.count = 50;
    // Before it was ever laid out it still lands on the last item.
    list.scrollToBottomAnimated(false);
    QVERIFY(list.indexPathsForVisibleItems().contains(IndexPath::forItem(49)));
    // With an inset at the bottom the last item ends at the inset's top.
    list.show();
    list.setContentInsetBottom(44);
    list.scrollToBottomAnimated(false);
    QCOMPARE(list.rectForRow(IndexPath::forItem(49)).bottom() - list.contentOffset().y(), 400.0 - 44.0);
}

void TestChatWindowViews::listInsetsKeepTheSides() {
    PLChatWindowCollectionView list;
    list.setContentInset(QMargins(3, 1, 4, 2));
    list.setContentInsetBottom(44);
    QCOMPARE(list.contentInset(), QMargins(3, 1, 4, 44));
    list.setContentInsetTop(10, 20);
    QCOMPARE(list.contentInset(), QMargins(3, 10, 4, 20));
}

void TestChatWindowViews::visibleCellsComeTopToBottom() {
    Rows rows;
    rows.count = 100;
    PLChatWindowCollectionView list;
    list.setDataSource(&rows);
    list.setDelegate(&rows);
    list.resize(320, 400);
    list.show();
    list.scrollToBottomAnimated(false);
    // Scrolling up makes the cells of the upper rows last.
    for (int y = int(list.contentOffset().y()); y > 1000; y -= 30)
        list.setContentOffset(QPointF(0, y));
    const auto paths = list.indexPathsForVisibleItems();
    const auto cells = list.visibleCells();
    QCOMPARE(cells.size(), paths.size());
    for (int i = 0; i < cells.size(); ++i) {
        QCOMPARE(list.cellForItemAtIndexPath(paths[i]), cells[i]);
        if (i > 0) {
            QVERIFY(paths[i - 1] < paths[i]);
            QVERIFY(cells[i - 1]->y() < cells[i]->y());
        }
    }
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestChatWindowViews test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_chatwindowviews.moc"
