// The chat window in a desktop window, with the real browser engine, against the stand-in service, on
// a display of the test's own (Xvfb; offscreen where none can start): Ann's room holds Bob's texts, her
// poll and her picture. The window keeps its native window when the first page appears; the pages'
// rows follow the window's width (1024, 400, 1024 again) with the user's place kept, whatever the
// steps of a drag and however late the engine answers, with no scroll bar of a page's own; a new page
// row fits its page from the start; and the wheel turned over a page scrolls the list as over a text.
#include "StreamSession.h"
#include "VirtualDisplay.h"

#include "media/PLRichMediaPosts.h"
#include "platform/ui/WebEngineWebView.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatletMessageBuilder.h"
#include "ui/conversation/PLPostChatletViewController.h"
#include "ui/conversation/PLSmartMessageCell.h"

#include <QApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QSpontaneKeyEvent>
#include <QTest>
#include <QWindow>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::IndexPath;

namespace {

constexpr int kNetworkMs = 20000;
// Bob's texts before Ann's posts, and his answers after them.
constexpr int kTexts = 30;
constexpr int kAnswers = 4;
constexpr int kHeight = 860;
// Apart enough that each text has its own row with its sender's name.
constexpr qint64 kTextSpacingMs = 20 * 60000;
const QString kQuestion = QStringLiteral(
    "Where shall we go for lunch on Friday, now that the canteen is closed for the whole week?");

QString textOf(int i) {
    return QStringLiteral("Line %1 of the day's notes").arg(i);
}

// Counts the native window's ends: a window switched to another surface loses its native window.
class SurfaceWatch : public QObject {
public:
    explicit SurfaceWatch(QWindow* window) : m_window(window) { window->installEventFilter(this); }
    int destroyedSurfaces = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_window && event->type() == QEvent::PlatformSurface &&
            static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
                QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed)
            ++destroyedSurfaces;
        return false;
    }

private:
    QWindow* m_window;
};

// The page's own height at its width, as a view sized to it needs (a load never gives less than the
// view's default height); -1 when the page does not answer (a page loading again may never answer).
qreal pageHeight(platform::ui::WebView* page) {
    auto height = std::make_shared<qreal>(-1);
    page->measureContentHeight([height](qreal h) { *height = h; });
    if (!QTest::qWaitFor([height] { return *height >= 0; }, 3000))
        return -1;
    return qMax<qreal>(PLSmartMessageCell::kDefaultWebViewHeight, *height);
}

// How the engine lays the page out now: the document's height, the height it is shown in, and the
// width a scroll bar of the page's own takes (all -1 when the page does not answer).
struct PageLayout {
    qreal documentHeight = -1;
    qreal shownHeight = -1;
    qreal scrollBarWidth = -1;
};

PageLayout pageLayout(platform::ui::WebView* view) {
    auto* page = qobject_cast<platform::ui::WebEngineWebView*>(view);
    if (!page)
        return {};
    // Asked of the engine itself: answered even while the view's answers are held.
    auto layout = std::make_shared<std::optional<PageLayout>>();
    page->platform::ui::WebEngineWebView::evaluateJavaScript(
        QStringLiteral("(function () { var e = document.documentElement;"
                       " return [e.scrollHeight, e.clientHeight, window.innerWidth - e.clientWidth]; })()"),
        [layout](const QVariant& value) {
            const QVariantList numbers = value.toList();
            *layout = numbers.size() == 3
                          ? PageLayout{numbers[0].toReal(), numbers[1].toReal(), numbers[2].toReal()}
                          : PageLayout{};
        });
    if (!QTest::qWaitFor([layout] { return layout->has_value(); }, 3000))
        return {};
    return layout->value_or(PageLayout{});
}

// The engine's view with its answers held: while holding, what a script returns reaches the screen
// only when released, after whatever the test did meanwhile (the window resized): answers as late as
// a lagging engine's, for certain. The engine runs the script when asked, at the page's width then.
class LateAnsweringWebView : public platform::ui::WebEngineWebView {
public:
    using WebEngineWebView::WebEngineWebView;
    static inline bool holding = false;
    static inline QList<std::function<void()>> held;

    static void release() {
        for (const auto& answer : std::exchange(held, {}))
            answer();
    }
    void evaluateJavaScript(const QString& script, std::function<void(const QVariant&)> done) override {
        if (!done || !holding) {
            WebEngineWebView::evaluateJavaScript(script, std::move(done));
            return;
        }
        QPointer<LateAnsweringWebView> self(this);
        WebEngineWebView::evaluateJavaScript(script, [self, done = std::move(done)](const QVariant& value) {
            // An answer the engine gives once the answers are let go comes at once: late, not never.
            if (!holding) {
                if (self)
                    done(value);
                return;
            }
            held << [self, done, value] {
                if (self)
                    done(value);
            };
        });
    }
};

// Calls `changed` whenever the height of a widget it watches changes.
class HeightWatch : public QObject {
public:
    explicit HeightWatch(std::function<void()> changed) : m_changed(std::move(changed)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize) {
            const auto* resize = static_cast<QResizeEvent*>(event);
            if (resize->size().height() != resize->oldSize().height())
                m_changed();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_changed;
};

// A mouse wheel turned `notches` notches (up when positive) at `point` of `widget`, as the window
// system delivers it.
void turnWheel(QWidget* widget, QPoint point, int notches) {
    QWidget* top = widget->window();
    QWindow* window = top->windowHandle();
    const QPointF local = widget->mapTo(top, QPointF(point));
    const QPointF global = widget->mapToGlobal(QPointF(point));
    for (int i = 0; i < qAbs(notches); ++i) {
        QWheelEvent event(local, global, QPoint(), QPoint(0, notches > 0 ? 120 : -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        // From the window system: the window hands it to the widget under the point, and on up
        // through its parents while they ignore it.
        // (As QTest sends its spontaneous events: sendEvent would make it the application's own.)
        QSpontaneKeyEvent::setSpontaneous(&event);
        qApp->notify(window, &event);
        QCoreApplication::processEvents();
    }
}

} // namespace

class TestChatWindowDesktop : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void theWindowKeepsItsNativeWindowWhenTheFirstPageAppears();
    void pageRowsFollowTheWindowWidthKeepingTheUsersPlace_data();
    void pageRowsFollowTheWindowWidthKeepingTheUsersPlace();
    void aPageRowFitsItsPageHoweverLateTheEngineAnswers_data();
    void aPageRowFitsItsPageHoweverLateTheEngineAnswers();
    void aNewPollFitsItsPageInANarrowWindow_data();
    void aNewPollFitsItsPageInANarrowWindow();
    void theListStaysAtItsBottomWhilePageRowsChangeHeight();
    void theWheelOverAPageScrollsTheList_data();
    void theWheelOverAPageScrollsTheList();

private:
    PLChatWindowCollectionView* list() const { return m_chat->collectionView(); }
    int rowOf(const Message::Ptr& message) {
        const auto& rows = m_chat->rowList().rows();
        for (int i = 0; i < rows.size(); ++i)
            if (rows[i].message() == message)
                return i;
        return -1;
    }
    int rowOfText(int i) {
        const QString text = textOf(i);
        const auto& rows = m_chat->rowList().rows();
        for (int row = 0; row < rows.size(); ++row)
            if (rows[row].message() && rows[row].message()->text() == text)
                return row;
        return -1;
    }
    PLSmartMessageCell* cellOf(const Message::Ptr& message) {
        return qobject_cast<PLSmartMessageCell*>(
            list()->cellForItemAtIndexPath(IndexPath::forItem(rowOf(message))));
    }
    // The message's row, when in view, is as tall as its page needs at the window's width: the page
    // shows, nothing of it scrolls inside the row, and no blank is left under it.
    bool fitsItsPage(const Message::Ptr& message) {
        const QRectF row = list()->rectForRow(IndexPath::forItem(rowOf(message)));
        PLSmartMessageCell* cell = cellOf(message);
        if (!cell)
            return !list()->visibleContentRect().intersects(row);
        if (!cell->isPageShown() || cell->webView()->pageScrolls(Qt::Vertical))
            return false;
        const qreal needed = pageHeight(cell->webView());
        return qAbs(cell->webView()->height() - needed) <= 1 && qAbs(row.height() - cell->cellHeight()) < 1;
    }
    // As above, and the engine lays the page out whole in its view: nothing of it below the view, and
    // no scroll bar of its own.
    bool showsItsPageWhole(const Message::Ptr& message) {
        if (!fitsItsPage(message))
            return false;
        PLSmartMessageCell* cell = cellOf(message);
        if (!cell)
            return true;
        const PageLayout layout = pageLayout(cell->webView());
        return layout.shownHeight > 0 && layout.documentHeight <= layout.shownHeight &&
               layout.scrollBarWidth == 0;
    }
    QString describePage(const Message::Ptr& message) {
        PLSmartMessageCell* cell = cellOf(message);
        if (!cell)
            return QStringLiteral("not in view");
        const PageLayout layout = pageLayout(cell->webView());
        return QStringLiteral(
                   "view %1 x %2, page needs %3, laid out %4 tall in %5 with a %6 px scroll bar; row %7")
            .arg(cell->webView()->width())
            .arg(cell->webView()->height())
            .arg(pageHeight(cell->webView()))
            .arg(layout.documentHeight)
            .arg(layout.shownHeight)
            .arg(layout.scrollBarWidth)
            .arg(rowHeight(message));
    }
    qreal rowHeight(const Message::Ptr& message) {
        return list()->rectForRow(IndexPath::forItem(rowOf(message))).height();
    }
    qreal topOnScreen(const Message::Ptr& message) {
        return list()->rectForRow(IndexPath::forItem(rowOf(message))).top() - list()->contentOffset().y();
    }
    bool atBottom() const { return list()->contentOffset().y() >= list()->maximumContentOffset().y() - 1; }

    // Bob's texts from `first` on, a minute apart from `start`, told to the open window or not.
    void importTexts(int first, int count, qint64 start, bool told);
    void postPollAndPicture();
    Message::Ptr postPoll(const QString& id);
    void resizeWindow(int width) {
        m_window->resize(width, kHeight);
        QCoreApplication::processEvents();
    }

    std::unique_ptr<CoreFixture> m_world;
    std::unique_ptr<platform::ui::Window> m_window;
    PLChatWindowViewController* m_chat = nullptr;
    Message::Ptr m_poll;
    Message::Ptr m_picture;
};

void TestChatWindowDesktop::init() {
    startConversationWithBob(m_world);
    QVERIFY(!QTest::currentTestFailed());
    platform::ui::WebView::setMaker([](QWidget* parent) { return new LateAnsweringWebView(parent); });
    // As his stream brought them before the window opened.
    importTexts(0, kTexts, QDateTime::currentMSecsSinceEpoch() - (kTexts + 1) * kTextSpacingMs, false);
    m_window = std::make_unique<platform::ui::Window>();
    m_chat = showChatWindowOnRoom(*m_window);
    m_window->resize(1024, kHeight);
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QTRY_VERIFY(!list()->indexPathsForVisibleItems().isEmpty());
}

void TestChatWindowDesktop::cleanup() {
    m_poll.reset();
    m_picture.reset();
    m_window.reset();
    m_chat = nullptr;
    LateAnsweringWebView::holding = false;
    LateAnsweringWebView::held.clear();
    platform::ui::WebView::setMaker({});
    endSession();
    m_world.reset();
}

void TestChatWindowDesktop::importTexts(int first, int count, qint64 start, bool told) {
    const auto room = ChatRoom::chatRoomWithID(QStringLiteral("r1"));
    QVERIFY(room);
    for (int i = first; i < first + count; ++i)
        QVERIFY(room->updateMessageDict({{"_id", QStringLiteral("text-%1").arg(i)},
                                         {"type", "message"},
                                         {"date", double(start + (i - first) * kTextSpacingMs)},
                                         {"text", textOf(i)},
                                         {"sender", QString::number(kBob)},
                                         {"senderObj", QVariantMap{{"userId", kBob}, {"name", "Bob"}}}},
                                        told, {}));
}

// Ann's poll from its form and her picture, each through the room to the service, and Bob's answers
// after them; both rows show their pages.
void TestChatWindowDesktop::postPollAndPicture() {
    const auto room = m_chat->chatRoom();
    m_poll = postPoll(QStringLiteral("desk-poll"));
    QVERIFY(m_poll);
    QTRY_VERIFY_WITH_TIMEOUT(cellOf(m_poll) && cellOf(m_poll)->isPageShown(), kNetworkMs);
    PLMediaSelection picture;
    picture.originalImage = QImage(1280, 960, QImage::Format_RGB32);
    picture.originalImage.fill(QColor(0x2E, 0x8B, 0x8B));
    picture.referenceURL = QStringLiteral("desk://picture");
    m_picture = PLRichMediaPosts::postRichMediaForMediaSelection(room, picture);
    QVERIFY(m_picture);
    QTRY_VERIFY_WITH_TIMEOUT(cellOf(m_picture) && cellOf(m_picture)->isPageShown() &&
                                 !m_picture->latestPendingMessage(),
                             kNetworkMs);
    importTexts(kTexts, kAnswers, QDateTime::currentMSecsSinceEpoch() + kTextSpacingMs, true);
    QTRY_VERIFY(rowOfText(kTexts + kAnswers - 1) > rowOf(m_picture));
    list()->scrollToBottomAnimated(false);
    QTRY_VERIFY_WITH_TIMEOUT(fitsItsPage(m_poll) && fitsItsPage(m_picture), kNetworkMs);
}

// Ann's poll with the long question, posted from its form through the room to the service.
Message::Ptr TestChatWindowDesktop::postPoll(const QString& id) {
    const QVariantMap form = PLPostChatletViewController::storedForm(QStringLiteral("poll"));
    if (form.isEmpty())
        return nullptr;
    return m_chat->chatRoom()->postChatlet(PLChatletMessageBuilder::newChatletJSON(
        QStringLiteral("poll"), form,
        {{"title", "Team lunch"}, {"question", kQuestion}, {"options", QStringList{"Noodle bar", "Pizza"}}},
        id));
}

// Where widgets compose GL content through their window, the engine's first page would have Qt make
// the window again for GL: a blank frame, and a window gone from the list for a moment. The window is
// ready for pages from the start.
void TestChatWindowDesktop::theWindowKeepsItsNativeWindowWhenTheFirstPageAppears() {
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        QSKIP("needs a display (Xvfb): offscreen, the engine draws without GL and no window is switched");
    QPointer<QWindow> handle = m_window->windowHandle();
    QVERIFY(handle);
    const WId native = m_window->winId();
    SurfaceWatch watch(handle);
    bool leftTheList = false;
    const auto watchList = [&] {
        if (!handle || !QGuiApplication::topLevelWindows().contains(handle.data()))
            leftTheList = true;
    };
    const auto room = m_chat->chatRoom();
    m_poll = room->postChatlet(PLChatletMessageBuilder::newChatletJSON(
        QStringLiteral("poll"), PLPostChatletViewController::storedForm(QStringLiteral("poll")),
        {{"title", "Team lunch"}, {"question", "Where?"}, {"options", QStringList{"Noodle bar", "Pizza"}}},
        QStringLiteral("first-page")));
    QVERIFY(m_poll);
    QTRY_VERIFY_WITH_TIMEOUT((watchList(), cellOf(m_poll) && cellOf(m_poll)->isPageShown()), kNetworkMs);
    // The engine has drawn the page into the window.
    QTRY_VERIFY_WITH_TIMEOUT((watchList(), cellOf(m_poll)->webView()->contentSize().height() > 0),
                             kNetworkMs);
    QVERIFY(!leftTheList);
    QCOMPARE(m_window->windowHandle(), handle.data());
    QCOMPARE(m_window->winId(), native);
    QCOMPARE(watch.destroyedSurfaces, 0);
}

void TestChatWindowDesktop::pageRowsFollowTheWindowWidthKeepingTheUsersPlace_data() {
    QTest::addColumn<bool>("atBottom");
    QTest::newRow("reading Bob's texts above the pages") << false;
    QTest::newRow("at the bottom") << true;
}

// A page's height depends on its width: narrowed to 400, the poll's question wraps and the picture
// shrinks; widened again, both come back to their heights at 1024. Each row fits its page at every
// width, and the user stays where they were: Bob's texts at the top of the list, or the bottom.
void TestChatWindowDesktop::pageRowsFollowTheWindowWidthKeepingTheUsersPlace() {
    QFETCH(bool, atBottom);
    postPollAndPicture();
    if (QTest::currentTestFailed())
        return;
    const qreal pollAt1024 = rowHeight(m_poll);
    const qreal pictureAt1024 = rowHeight(m_picture);
    // Three of Bob's texts above the pages, well away from the bottom at either width.
    const IndexPath reading = IndexPath::forItem(rowOfText(kTexts - 3));
    if (atBottom)
        list()->scrollToBottomAnimated(false);
    else
        list()->scrollToItemAtIndexPath(reading, platform::ui::CollectionView::ScrollPosition::Top, false);
    QCoreApplication::processEvents();
    QCOMPARE(list()->followsBottom(), atBottom);
    const auto textTop = [this, reading] {
        return list()->rectForRow(reading).top() - list()->contentOffset().y();
    };
    const qreal readingAt = textTop();
    const auto inPlace = [&] { return atBottom ? this->atBottom() : textTop() == readingAt; };

    resizeWindow(400);
    QTRY_VERIFY_WITH_TIMEOUT(rowHeight(m_poll) > pollAt1024 && fitsItsPage(m_poll), kNetworkMs);
    QTRY_VERIFY_WITH_TIMEOUT(rowHeight(m_picture) < pictureAt1024 && fitsItsPage(m_picture), kNetworkMs);
    QVERIFY2(inPlace(), qPrintable(QString::number(textTop())));

    resizeWindow(1024);
    QTRY_VERIFY_WITH_TIMEOUT(rowHeight(m_poll) == pollAt1024 && rowHeight(m_picture) == pictureAt1024 &&
                                 fitsItsPage(m_poll) && fitsItsPage(m_picture),
                             kNetworkMs);
    QVERIFY2(inPlace(), qPrintable(QString::number(textTop())));
}

void TestChatWindowDesktop::aPageRowFitsItsPageHoweverLateTheEngineAnswers_data() {
    QTest::addColumn<QList<int>>("widths");
    QList<int> narrower;
    for (int width = 1024 - 24; width > 400; width -= 24)
        narrower << width;
    narrower << 400;
    QList<int> widerAgain = narrower;
    for (int width = 400 + 24; width < 1024; width += 24)
        widerAgain << width;
    widerAgain << 1024;
    QTest::newRow("dragged narrower in 24 px steps") << narrower;
    QTest::newRow("dragged narrower and wider again") << widerAgain;
    QTest::newRow("one jump to 400") << QList<int>{400};
}

// A window dragged narrower and back: at every step the engine lags behind, its answers about the
// pages' heights held until it has laid the pages out at the step's width, so that each comes while
// the view already has another width. Once the engine has caught up, each page row fits its page at
// the window's width, and the page shows no scroll bar of its own.
void TestChatWindowDesktop::aPageRowFitsItsPageHoweverLateTheEngineAnswers() {
    QFETCH(QList<int>, widths);
    postPollAndPicture();
    if (QTest::currentTestFailed())
        return;
    list()->scrollToBottomAnimated(false);
    QCoreApplication::processEvents();
    for (const int width : widths) {
        LateAnsweringWebView::holding = true;
        resizeWindow(width);
        // The engine lays the pages out at the new width (less a scroll bar's, should a page show
        // one); only then come the answers it gave at the last one.
        // Meanwhile a row may be too short for its page, but the page shows no scroll bar of its own.
        for (const auto& message : {m_poll, m_picture}) {
            PLSmartMessageCell* cell = cellOf(message);
            QVERIFY(cell);
            QTRY_VERIFY_WITH_TIMEOUT(
                qAbs(cell->webView()->contentSize().width() - cell->webView()->width()) <= 16, kNetworkMs);
            if (pageLayout(cell->webView()).scrollBarWidth != 0)
                QFAIL(qPrintable(QStringLiteral("at %1: ").arg(width) + describePage(message)));
        }
        LateAnsweringWebView::holding = false;
        LateAnsweringWebView::release();
        QTRY_VERIFY2_WITH_TIMEOUT(showsItsPageWhole(m_poll),
                                  qPrintable(QStringLiteral("at %1: ").arg(width) + describePage(m_poll)),
                                  kNetworkMs);
        QTRY_VERIFY2_WITH_TIMEOUT(showsItsPageWhole(m_picture),
                                  qPrintable(QStringLiteral("at %1: ").arg(width) + describePage(m_picture)),
                                  kNetworkMs);
        QVERIFY(atBottom());
    }
}

void TestChatWindowDesktop::aNewPollFitsItsPageInANarrowWindow_data() {
    QTest::addColumn<bool>("reopened");
    QTest::newRow("just posted") << false;
    QTest::newRow("shown when the window opens") << true;
}

// A window shown 320 wide and made 400 wide at once, as a window manager sizes a new window, while
// the engine answers late: the long poll's page, loaded at 320, is measured there, and the answer
// comes once the view is 400 wide. The row fits the page at 400 (no blank under it, nothing cut),
// whether the poll was just posted or is shown when the window opens.
void TestChatWindowDesktop::aNewPollFitsItsPageInANarrowWindow() {
    QFETCH(bool, reopened);
    const auto heldAnswerOfItsLoad = [this] {
        PLSmartMessageCell* cell = cellOf(m_poll);
        return cell && cell->webViewLoadedSuccessfully() && !LateAnsweringWebView::held.isEmpty();
    };
    if (reopened) {
        m_poll = postPoll(QStringLiteral("narrow-poll"));
        QVERIFY(m_poll);
        QTRY_VERIFY_WITH_TIMEOUT(
            cellOf(m_poll) && cellOf(m_poll)->isPageShown() && !m_poll->latestPendingMessage(), kNetworkMs);
        LateAnsweringWebView::holding = true;
        m_window = std::make_unique<platform::ui::Window>();
        m_chat = showChatWindowOnRoom(*m_window);
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        list()->scrollToBottomAnimated(false);
    } else {
        resizeWindow(320);
        LateAnsweringWebView::holding = true;
        m_poll = postPoll(QStringLiteral("narrow-poll"));
        QVERIFY(m_poll);
    }
    QTRY_VERIFY_WITH_TIMEOUT(heldAnswerOfItsLoad(), kNetworkMs);
    resizeWindow(400);
    PLSmartMessageCell* cell = cellOf(m_poll);
    QVERIFY(cell);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(cell->webView()->contentSize().width() - cell->webView()->width()) <= 16,
                             kNetworkMs);
    LateAnsweringWebView::holding = false;
    LateAnsweringWebView::release();
    QTRY_VERIFY2_WITH_TIMEOUT(showsItsPageWhole(m_poll), qPrintable(describePage(m_poll)), kNetworkMs);
    QVERIFY(cellOf(m_poll)->isPageShown());
}

// Narrowed from 1024 to 400 at the bottom, the list is at its bottom whenever a page row takes its new
// height, with the list's animations running as for the user: no frame shows a blank band above the
// input bar until an animation ends.
void TestChatWindowDesktop::theListStaysAtItsBottomWhilePageRowsChangeHeight() {
    postPollAndPicture();
    if (QTest::currentTestFailed())
        return;
    list()->scrollToBottomAnimated(false);
    QCoreApplication::processEvents();
    platform::ui::Animator::setInstant(false);
    // Once the row of a page that took a new height has been handled, before anything else runs: the
    // list exactly at its bottom (a list scrolled past it shows a blank band).
    QStringList awayFromTheBottom;
    int heightChanges = 0;
    auto* filter = new HeightWatch([&] {
        ++heightChanges;
        QMetaObject::invokeMethod(
            this,
            [&] {
                const qreal below = list()->maximumContentOffset().y() - list()->contentOffset().y();
                if (qAbs(below) > 1)
                    awayFromTheBottom << QString::number(below);
            },
            Qt::QueuedConnection);
    });
    for (const auto& message : {m_poll, m_picture})
        cellOf(message)->webView()->installEventFilter(filter);
    resizeWindow(400);
    QTRY_VERIFY_WITH_TIMEOUT(fitsItsPage(m_poll) && fitsItsPage(m_picture), kNetworkMs);
    QCoreApplication::processEvents();
    delete filter;
    platform::ui::Animator::setInstant(true);
    QVERIFY(heightChanges > 0);
    QVERIFY2(awayFromTheBottom.isEmpty(),
             qPrintable(QStringLiteral("points between the list and its bottom: ") +
                        awayFromTheBottom.join(QStringLiteral(", "))));
    QVERIFY(atBottom());
}

void TestChatWindowDesktop::theWheelOverAPageScrollsTheList_data() {
    QTest::addColumn<QString>("over");
    QTest::newRow("the poll's page") << "poll";
    QTest::newRow("the picture's page") << "picture";
}

// Ten notches up move the list as far over a page (the list at its bottom) as over a text (Bob's last
// text at the top of the list's view, his earlier ones above it): the page has nothing of its own to
// scroll.
void TestChatWindowDesktop::theWheelOverAPageScrollsTheList() {
    QFETCH(QString, over);
    postPollAndPicture();
    if (QTest::currentTestFailed())
        return;
    // The middle of what shows of `widget` in the list, in the window's coordinates.
    const auto shownCentre = [this](QWidget* widget) {
        QWidget* window = widget->window();
        const QRect shown(widget->mapTo(window, QPoint()), widget->size());
        const QRect view(list()->viewport()->mapTo(window, QPoint()), list()->viewport()->size());
        return shown.intersected(view).center();
    };
    const auto wheelUp = [this](QPoint inWindow) {
        QCoreApplication::processEvents();
        const qreal before = list()->contentOffset().y();
        turnWheel(m_window.get(), inWindow, 10);
        return before - list()->contentOffset().y();
    };
    list()->scrollToBottomAnimated(false);
    QCoreApplication::processEvents();
    PLSmartMessageCell* cell = cellOf(over == QLatin1String("poll") ? m_poll : m_picture);
    QVERIFY(cell && cell->isPageShown());
    QVERIFY(!cell->webView()->pageScrolls(Qt::Vertical));
    const qreal overPage = wheelUp(shownCentre(cell->webView()));

    const int lastText = rowOfText(kTexts - 1);
    list()->scrollToItemAtIndexPath(IndexPath::forItem(lastText),
                                    platform::ui::CollectionView::ScrollPosition::Top, false);
    QCoreApplication::processEvents();
    QWidget* text = list()->cellForItemAtIndexPath(IndexPath::forItem(lastText));
    QVERIFY(text);
    const qreal overText = wheelUp(shownCentre(text));
    QVERIFY2(overText > 0, qPrintable(QString::number(overText)));
    QCOMPARE(overPage, overText);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    // A display of the test's own, where a window is made for GL as on a desktop; none, and the test
    // runs offscreen, where the window check skips.
    pelnix::test::VirtualDisplay display;
    if (!display.start())
        qInfo("no display of its own: %s", qPrintable(display.error()));
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); // what a host showing web pages sets
    QApplication app(argc, argv);
    TestChatWindowDesktop t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_chatwindowdesktop.moc"
