// The smart message cell: its page (template, the not-supported text), the page's links, the height
// it reads and stores, the replied-by line, the posting states, the stale mark and its popover; one
// test renders a stand-in poll in the real browser engine and reads its height.
#include "HostileSmartMessages.h"
#include "SmartScreensTestWorld.h"

#include "core/api/PLAppConfigurations.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/StyleSheetXSLT.h"
#include "platform/UserDefaults.h"
#include "platform/ui/Screenshot.h"
#include "platform/ui/testing/BlankPictureCheck.h"
#include "smart/PLSmartMessageInfo.h"
#include "smart/PLXSLTStylesheet.h"
#include "smart/SmartFormManager.h"
#include "smart/SmartMessageRenderer.h"
#include "smart/XSLTWorkerPool.h"
#include "ui/conversation/PLChatletMessageBuilder.h"
#include "ui/conversation/PLPagePlaceholderView.h"
#include "ui/conversation/PLPendingRichMediaView.h"
#include "ui/conversation/PLPostChatletViewController.h"
#include "ui/conversation/PLSmartMessageCell.h"

#include <QApplication>
#include <QScopeGuard>
#include <QSignalSpy>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::FakeWebView;

namespace {

QString pollJSON(const QString& formId, const QString& latestAction = QStringLiteral("init"),
                 const QString& question = QStringLiteral("Where?")) {
    QString json = PLChatletMessageBuilder::newChatletJSON(
        QStringLiteral("poll"), PLPostChatletViewController::storedForm(QStringLiteral("poll")),
        {{"title", "Lunch"}, {"question", question}, {"options", QStringList{"Café", "Dock"}}}, formId);
    return json.replace(QStringLiteral("\"init\""), QStringLiteral("\"%1\"").arg(latestAction));
}

} // namespace

class TestSmartMessageCell : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        world = std::make_unique<SmartScreensWorld>();
        world->downloadSmartFixtures();
        room = world->importRoom(QStringLiteral("r1"));
        world->showHost(room);
    }
    void cleanupTestCase() { world.reset(); }
    void init() {
        cell = std::make_unique<PLSmartMessageCell>();
        cell->resize(320, 200);
    }
    void cleanup() { cell.reset(); }

    void thePageIsTheMessageInTheTemplate();
    void thePageTakesTheColourBehindTheCell_data();
    void thePageTakesTheColourBehindTheCell();
    void anEmptyBodySaysTheFormIsNotSupported_data();
    void anEmptyBodySaysTheFormIsNotSupported();
    void onlyThePageItselfLoadsInPlace();
    void thePageHeightSizesTheRowAndIsStoredOnce();
    void aMeasureTakenAtAnotherWidthIsTakenAgain_data();
    void aMeasureTakenAtAnotherWidthIsTakenAgain();
    void theRepliedByLine_data();
    void theRepliedByLine();
    void aChatletBeingPostedShowsItsPostingLine();
    void aReusedCellForgetsThePreviousOutboxEntry();
    void theStaleMarkExplainsItselfUntilToldNotTo();
    void theSameRowIsNotLoadedAgain();
    void aMessageWithoutHTMLIsRenderedOffTheMainThread();
    void aReusedCellTakesNoRenderingOfItsEarlierRow();
    void aRenderingThatFailedIsNotRunAgainAtSetUp();
    void aPageThatCannotShowLeavesAPlaceholderNamingWhatTheRowHolds_data();
    void aPageThatCannotShowLeavesAPlaceholderNamingWhatTheRowHolds();
    void theRealEngineRendersAPollAndMeasuresIt();

private:
    Message::Ptr poll(const QString& formId, qint32 sender = kBob,
                      const QString& latestAction = QStringLiteral("init"),
                      const QString& question = QStringLiteral("Where?")) {
        const auto message = world->importMessage(room, QStringLiteral("m-") + formId, date += 1000,
                                                  pollJSON(formId, latestAction, question), sender,
                                                  QStringLiteral("smartmessage"));
        // Rendered as the facade's import renders it.
        SmartMessageRenderer::generateHTMLString(message, false);
        return message;
    }
    // A poll with no HTML yet, as one whose stylesheet arrived after its import.
    Message::Ptr unrenderedPoll(const QString& formId, const QString& question) {
        const auto message = poll(formId, kBob, QStringLiteral("init"), question);
        message->setHtmlText({});
        return message;
    }
    FakeWebView* page() const { return qobject_cast<FakeWebView*>(cell->webView()); }

    std::unique_ptr<SmartScreensWorld> world;
    ChatRoom::Ptr room;
    std::unique_ptr<PLSmartMessageCell> cell;
    qint64 date = 1000;
};

void TestSmartMessageCell::thePageIsTheMessageInTheTemplate() {
    auto* configuration = PLAppConfigurations::currentConfiguration();
    const QString expected = QStringLiteral("<html> \n<head> \n<style type=\"text/css\"> \n"
                                            "body {font-family:\"%1\"; font-size:%2; color:%3;}\n"
                                            "</style> \n</head> \n<body>%4</body> \n</html>")
                                 .arg(QStringLiteral("DejaVu Sans"), configuration->smartMessageFontSize(),
                                      configuration->smartMessageTextColor(), QStringLiteral("<p>%1 %2</p>"));
    QCOMPARE(PLSmartMessageCell::customFormattedHTMLString(QStringLiteral("<p>%1 %2</p>")), expected);
    // The configured face, by its PostScript name, reaches the page as its family.
    QCOMPARE(configuration->smartMessageFontName(), QStringLiteral("DejaVuSans"));
    QCOMPARE(PLSmartMessageCell::pageFontFamily(QStringLiteral("Unknown Face")),
             QStringLiteral("Unknown Face"));
    QCOMPARE(PLSmartMessageCell::pageFontFamily(QStringLiteral("Unknown Face")),
             QStringLiteral("Unknown Face"));

    const auto message = poll(QStringLiteral("TPL"));
    cell->loadCellFromSmartMessageInfo(PLChatWindowCellContent(message));
    QCOMPARE(page()->loadedBaseURL, QUrl(configuration->baseURL()));
    QCOMPARE(page()->loadedHTML,
             PLSmartMessageCell::customFormattedHTMLString(SmartMessageRenderer::htmlString(message)));
    QVERIFY(page()->loadedHTML.contains(QLatin1String("class=\"poll\"")));
    QCOMPARE(page()->backgroundColor.alpha(), 255);
    QVERIFY(!cell->isPageShown());
    QCOMPARE(cell->userNameLabel()->text(), QStringLiteral("Bob"));
}

void TestSmartMessageCell::thePageTakesTheColourBehindTheCell_data() {
    // Behind the cell: a view that paints nothing, then a view that fills itself, over the window.
    QTest::addColumn<QColor>("filled");
    QTest::addColumn<QColor>("window");
    QTest::addColumn<QColor>("expected");
    const QColor grey(247, 247, 247);
    const QColor blue(200, 220, 240);
    QTest::newRow("a white chat") << QColor(Qt::white) << blue << QColor(Qt::white);
    QTest::newRow("a grey list") << grey << blue << grey;
    QTest::newRow("a translucent view over the window") << QColor(0, 0, 0, 60) << blue << blue;
    QTest::newRow("nothing filled over the window") << QColor() << blue << blue;
}

void TestSmartMessageCell::thePageTakesTheColourBehindTheCell() {
    QFETCH(QColor, filled);
    QFETCH(QColor, window);
    QFETCH(QColor, expected);
    // Transparent, the page would be drawn above the chat's dims and sheets on a GL-composed display.
    QWidget top;
    QPalette palette = top.palette();
    palette.setColor(QPalette::Window, window);
    top.setPalette(palette);
    auto* backdrop = new QWidget(&top);
    if (filled.isValid()) {
        backdrop->setAutoFillBackground(true);
        palette.setColor(QPalette::Window, filled);
        backdrop->setPalette(palette);
    }
    auto* plain = new QWidget(backdrop);
    cell->setParent(plain);
    // The cell stays the test's own, whatever the outcome.
    const auto release = qScopeGuard([this] { cell->setParent(nullptr); });
    cell->show();
    top.show();
    QCOMPARE(page()->backgroundColor, expected);
    QCOMPARE(cell->findChild<QWidget*>(QStringLiteral("pageCover"))->palette().color(QPalette::Window),
             expected);
}

void TestSmartMessageCell::anEmptyBodySaysTheFormIsNotSupported_data() {
    QTest::addColumn<QString>("xslt");
    QTest::addColumn<QString>("expected");
    QTest::newRow("unknown sheet") << "survey"
                                   << "The current version does not support this form - \"survey\"";
    QTest::newRow("no sheet") << ""
                              << "The current version does not support this form - \"\"";
}

void TestSmartMessageCell::anEmptyBodySaysTheFormIsNotSupported() {
    QFETCH(QString, xslt);
    QFETCH(QString, expected);
    QCOMPARE(PLSmartMessageCell::bodyForRow(QString(), xslt), expected);
    QCOMPARE(PLSmartMessageCell::bodyForRow(QStringLiteral("<p>x</p>"), xslt), QStringLiteral("<p>x</p>"));
}

// The page's own load goes on; every other navigation is refused and handed to the link handler, once.
void TestSmartMessageCell::onlyThePageItselfLoadsInPlace() {
    const auto message = poll(QStringLiteral("LNK"));
    QList<QPair<QString, Message::Ptr>> links;
    cell->setLinkHandler([&links](const QString& url, const Message::Ptr& m) { links << qMakePair(url, m); });
    cell->loadCellFromSmartMessageInfo(PLChatWindowCellContent(message));
    const QString base = PLAppConfigurations::currentConfiguration()->baseURL();
    QVERIFY(cell->shouldStartLoad(QUrl(base)));
    QVERIFY(!page()->tapLink(QUrl(base + QStringLiteral("compose/xyz"))));
    QVERIFY(!page()->tapLink(QUrl(QStringLiteral("mailto:a@x.test"))));
    QVERIFY(links.isEmpty()); // handed over after the page's veto returned
    world->settle();
    QCOMPARE(links.size(), 2);
    QCOMPARE(links[0].first, base + QStringLiteral("compose/xyz"));
    QCOMPARE(links[0].second, message);
    QCOMPARE(links[1].first, QStringLiteral("mailto:a@x.test"));
    // What the page does without the user's click is no link: refused, nothing handed over.
    using Navigation = platform::ui::WebView::NavigationType;
    for (const Navigation type : {Navigation::Other, Navigation::FormSubmitted, Navigation::Reload})
        QVERIFY(!cell->shouldStartLoad(QUrl(QStringLiteral("sms:5550100")), type));
    QVERIFY(cell->shouldStartLoad(QUrl(base), Navigation::Other));
    world->settle();
    QCOMPARE(links.size(), 2);
}

// The page's scroll height becomes the web view's height; the cell's height follows it, less the
// replied-by line when there is none; the message keeps it, and a load that finds the stored height
// says nothing changed.
void TestSmartMessageCell::thePageHeightSizesTheRowAndIsStoredOnce() {
    const auto message = poll(QStringLiteral("HGT"));
    QList<bool> completions;
    cell->setWebViewLoadCompletionHandler([&completions](bool changed) { completions << changed; });
    cell->loadCellFromSmartMessageInfo(PLChatWindowCellContent(message));
    QCOMPARE(cell->cellHeight(), PLSmartMessageCell::defaultCellHeight());
    QVERIFY(cell->htmlLoadActivityIndicator()->isAnimating());
    page()->contentHeight = 200.0;
    page()->finishLoad();
    QVERIFY(!cell->htmlLoadActivityIndicator()->isAnimating());
    QCOMPARE(page()->contentMeasures, 1);
    // The row scrolls the page: the page keeps no scroll bar of its own.
    QVERIFY(!page()->scrollBars);
    QCOMPARE(cell->webViewHeight(), 200);
    QCOMPARE(cell->webView()->height(), 200);
    // A new chatlet ("init") has no replied-by line.
    const qreal expected = PLSmartMessageCell::defaultCellHeight() -
                           PLSmartMessageCell::kDefaultWebViewHeight + 200 -
                           (PLSmartMessageCell::kRepliedByHeight + 15);
    QCOMPARE(cell->cellHeight(), expected);
    QCOMPARE(message->displayCellHeight(), qint16(expected));
    QCOMPARE(completions, QList<bool>{true});
    cell->showWebViewAnimated(true);
    QVERIFY(cell->isPageShown());

    // Loaded again (another cell, the same message): nothing changed.
    PLSmartMessageCell second;
    second.resize(320, 200);
    second.setWebViewLoadCompletionHandler([&completions](bool changed) { completions << changed; });
    second.loadCellFromSmartMessageInfo(PLChatWindowCellContent(message));
    auto* secondPage = qobject_cast<FakeWebView*>(second.webView());
    secondPage->contentHeight = 200.0;
    secondPage->finishLoad();
    QCOMPARE(completions, (QList<bool>{true, false}));
    // A failed load keeps the default height and no page shows.
    PLSmartMessageCell third;
    third.loadCellFromSmartMessageInfo(PLChatWindowCellContent(poll(QStringLiteral("HGT-FAIL"))));
    qobject_cast<FakeWebView*>(third.webView())->failLoad(PLError(QStringLiteral("NSURLErrorDomain"), -1));
    QCOMPARE(third.cellHeight(), PLSmartMessageCell::defaultCellHeight());
    third.showWebViewAnimated(true);
    QVERIFY(!third.isPageShown());
}

void TestSmartMessageCell::theRepliedByLine_data() {
    QTest::addColumn<QString>("latestAction");
    QTest::addColumn<QString>("visibility");
    QTest::addColumn<qint32>("replier");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("new chatlet") << "init"
                                 << "" << kBob << ""
                                 << "";
    QTest::newRow("expired") << "expired"
                             << "" << kBob << ""
                             << "";
    QTest::newRow("reply, details hidden") << "reply"
                                           << "none" << kCarol << ""
                                           << "";
    QTest::newRow("reply") << "reply"
                           << "all" << kCarol << "Carol"
                           << "replied";
    QTest::newRow("own reply") << "reply"
                               << "all" << 0 << "You"
                               << "replied";
    QTest::newRow("comment") << "comment"
                             << "none" << kCarol << "Carol"
                             << "commented";
}

void TestSmartMessageCell::theRepliedByLine() {
    QFETCH(QString, latestAction);
    QFETCH(QString, visibility);
    QFETCH(qint32, replier);
    QFETCH(QString, name);
    QFETCH(QString, suffix);
    const qint32 from = replier == 0 ? world->me() : replier;
    QString json = pollJSON(QStringLiteral("RB-%1").arg(QTest::currentDataTag()), latestAction);
    json.insert(1, QStringLiteral("\"currentsender\":\"%1\",\"detailsLinkVisibility\":\"%2\",")
                       .arg(from)
                       .arg(visibility));
    const auto message = world->importMessage(room, QStringLiteral("m-rb-%1").arg(QTest::currentDataTag()),
                                              date += 1000, json, kBob, QStringLiteral("smartmessage"));
    if (replier != 0 && !message->fromUser()->profileName().size())
        message->fromUser()->setProfileName(SmartScreensWorld::nameOf(replier));
    cell->loadCellFromSmartMessageInfo(PLChatWindowCellContent(message));
    page()->contentHeight = 100.0;
    page()->finishLoad();
    QCOMPARE(cell->hideRepliedByText(), suffix.isEmpty());
    QCOMPARE(cell->repliedByLabel()->text(), name);
    QCOMPARE(cell->repliedBySuffixLabel()->isVisibleTo(cell.get()), !suffix.isEmpty());
    if (!suffix.isEmpty())
        QCOMPARE(cell->repliedBySuffixLabel()->text(), suffix);
}

// A chatlet still in the outbox shows "Posting '<name>' chatlet" and loads no page; a picture post
// shows its upload view.
void TestSmartMessageCell::aChatletBeingPostedShowsItsPostingLine() {
    world->fixture.setOnline(false); // the post stays in the outbox
    const auto message = room->postChatlet(pollJSON(QStringLiteral("POST")));
    cell->loadCellFromSmartMessageInfo(PLChatWindowCellContent(message));
    QVERIFY(cell->pendingMessage());
    QVERIFY(cell->postingChatletTextLabel()->isVisibleTo(cell.get()));
    QCOMPARE(cell->postingChatletTextLabel()->text(), QStringLiteral("Posting 'Poll' chatlet"));
    QVERIFY(page()->loadedHTML.isEmpty());
    QVERIFY(!cell->htmlLoadActivityIndicator()->isAnimating());
    world->fixture.setOnline(true);
}

// The previous row's outbox entry does not follow a reused cell to a row without one.
void TestSmartMessageCell::aReusedCellForgetsThePreviousOutboxEntry() {
    world->fixture.setOnline(false);
    const auto posting = room->postChatlet(pollJSON(QStringLiteral("REUSE-1")));
    cell->loadCellFromSmartMessageInfo(PLChatWindowCellContent(posting));
    QVERIFY(cell->pendingMessage());
    cell->prepareForReuse();
    QVERIFY(!cell->pendingMessage());
    const auto delivered = poll(QStringLiteral("REUSE-2"));
    auto snapshot = std::make_shared<PLSmartMessageInfo>(
        delivered->senderUser(), delivered->fromUser(), delivered->chatWindowTimeString(),
        SmartMessageRenderer::htmlString(delivered), 150.0, QString(), QStringLiteral("init"), delivered);
    cell->loadCellFromSmartMessageInfo(PLChatWindowCellContent(snapshot));
    QVERIFY(!cell->pendingMessage());
    QVERIFY(!cell->postingChatletTextLabel()->isVisibleTo(cell.get()));
    QVERIFY(page()->loadedHTML.contains(QLatin1String("class=\"poll\"")));
    world->fixture.setOnline(true);
}

// An older copy carries the stale mark; a tap explains it in a popover until the check button says
// not to show it again; choosing it again brings the popover back.
void TestSmartMessageCell::theStaleMarkExplainsItselfUntilToldNotTo() {
    platform::UserDefaults::remove(PLSmartMessageCell::kShouldHandleStaleTapKey);
    PLSmartMessageCell::initialize();
    QCOMPARE(platform::UserDefaults::value(PLSmartMessageCell::kShouldHandleStaleTapKey).toInt(), 1);
    const auto message = poll(QStringLiteral("STALE"));
    auto snapshot = std::make_shared<PLSmartMessageInfo>(
        message->senderUser(), message->fromUser(), message->chatWindowTimeString(),
        SmartMessageRenderer::htmlString(message), 150.0, QString(), QStringLiteral("init"), message);
    cell.reset();
    auto* shown = new PLSmartMessageCell(world->window.get());
    shown->setGeometry(0, 60, 320, 150);
    shown->show();
    shown->loadCellFromSmartMessageInfo(PLChatWindowCellContent(message));
    QVERIFY(!shown->staleMessageIndicatorImageView()->isVisible());
    shown->prepareForReuse();
    shown->loadCellFromSmartMessageInfo(PLChatWindowCellContent(snapshot));
    QVERIFY(shown->staleMessageIndicatorImageView()->isVisible());
    QVERIFY(shown->showsReadLook());

    QTest::mouseClick(shown->staleMessageIndicatorImageView(), Qt::LeftButton);
    QVERIFY(shown->staleIndicatorInfoPopoverController());
    QVERIFY(shown->staleIndicatorInfoPopoverController()->isPopoverVisible());
    QTest::mouseClick(shown->stalePopOverView()->dontShowButton(), Qt::LeftButton);
    QVERIFY(shown->stalePopOverView()->dontShowButton()->isSelected());
    QCOMPARE(platform::UserDefaults::value(PLSmartMessageCell::kShouldHandleStaleTapKey).toInt(), 0);
    QTest::mouseClick(shown->stalePopOverView()->dismissButton(), Qt::LeftButton);
    world->settle();
    QVERIFY(!shown->staleIndicatorInfoPopoverController());

    QTest::mouseClick(shown->staleMessageIndicatorImageView(), Qt::LeftButton);
    QVERIFY(!shown->staleIndicatorInfoPopoverController());

    platform::UserDefaults::setValue(PLSmartMessageCell::kShouldHandleStaleTapKey, 1);
    QTest::mouseClick(shown->staleMessageIndicatorImageView(), Qt::LeftButton);
    QVERIFY(shown->staleIndicatorInfoPopoverController());
    shown->staleIndicatorInfoPopoverController()->dismissPopover(false);
    delete shown;
}

void TestSmartMessageCell::theSameRowIsNotLoadedAgain() {
    const auto message = poll(QStringLiteral("SAME"));
    const PLChatWindowCellContent row(message);
    QSignalSpy starts(cell->webView(), &platform::ui::WebView::didStartLoad);
    cell->loadCellFromSmartMessageInfo(row);
    cell->loadCellFromSmartMessageInfo(row);
    QCOMPARE(starts.count(), 1);
}

// Rendering a message is no work of the main thread: the cell shows its spinner over the covered page
// until the HTML arrives, then loads it.
void TestSmartMessageCell::aMessageWithoutHTMLIsRenderedOffTheMainThread() {
    const auto message = unrenderedPoll(QStringLiteral("ASYNC"), QStringLiteral("Async?"));
    cell->loadCellFromSmartMessageInfo(PLChatWindowCellContent(message));
    QCOMPARE(page()->loadedHTML, QString());
    QVERIFY(cell->htmlLoadActivityIndicator()->isAnimating());
    QVERIFY(!cell->isPageShown());
    QTRY_VERIFY(!page()->loadedHTML.isEmpty());
    QVERIFY(page()->loadedHTML.contains(QLatin1String("Async?")));
    QCOMPARE(page()->loadedHTML, PLSmartMessageCell::customFormattedHTMLString(message->htmlText()));
    QCOMPARE(cell->currentDisplayedMessage().smartMessageInfo()->htmlString(), message->htmlText());
    page()->contentHeight = 120.0;
    page()->finishLoad();
    QCOMPARE(cell->webViewHeight(), 120);
}

void TestSmartMessageCell::aMeasureTakenAtAnotherWidthIsTakenAgain_data() {
    QTest::addColumn<QList<int>>("widthsBeforeTheAnswer");
    QTest::addColumn<int>("measures");
    QTest::newRow("answered at the view's width") << QList<int>{} << 1;
    QTest::newRow("answered once the view is wider") << QList<int>{400} << 2;
    QTest::newRow("answered once the view is back at its width") << QList<int>{400, 320} << 1;
}

// The engine lags behind a window being resized: its answer to a load's measure comes once the view
// may have another width. A height measured at another width fits no row at this one (a blank under
// the page, or the page cut): the cell asks again, and the row takes the height at its own width.
void TestSmartMessageCell::aMeasureTakenAtAnotherWidthIsTakenAgain() {
    QFETCH(QList<int>, widthsBeforeTheAnswer);
    QFETCH(int, measures);
    const auto heightAt = [](int width) { return width == 320 ? 260.0 : 200.0; };
    // Shown: a hidden cell is laid out at its new width only once it shows.
    cell->show();
    cell->loadCellFromSmartMessageInfo(PLChatWindowCellContent(poll(QStringLiteral("WID"))));
    page()->holdsMeasures = true;
    page()->contentHeight = heightAt(320);
    page()->finishLoad();
    QCOMPARE(page()->heldMeasures.size(), 1);
    for (const int width : widthsBeforeTheAnswer) {
        cell->resize(width, 200);
        page()->contentHeight = heightAt(page()->width() + 64);
    }
    page()->holdsMeasures = false;
    page()->releaseMeasures();
    QCOMPARE(page()->contentMeasures, measures);
    QCOMPARE(cell->webViewHeight(), int(heightAt(cell->width())));
    QCOMPARE(cell->webView()->height(), cell->webViewHeight());
}

// A cell given another row before its rendering arrived keeps the other row's page; the rendering
// still goes to its own message.
void TestSmartMessageCell::aReusedCellTakesNoRenderingOfItsEarlierRow() {
    const auto earlier = unrenderedPoll(QStringLiteral("EARLIER"), QStringLiteral("Earlier?"));
    const auto later = poll(QStringLiteral("LATER"), kBob, QStringLiteral("init"), QStringLiteral("Later?"));
    cell->loadCellFromSmartMessageInfo(PLChatWindowCellContent(earlier));
    cell->prepareForReuse();
    cell->loadCellFromSmartMessageInfo(PLChatWindowCellContent(later));
    const QString shown = page()->loadedHTML;
    QVERIFY(shown.contains(QLatin1String("Later?")));
    QTRY_VERIFY(!earlier->htmlText().isEmpty());
    world->settle();
    QVERIFY(earlier->htmlText().contains(QLatin1String("Earlier?")));
    QCOMPARE(page()->loadedHTML, shown);
    QCOMPARE(cell->currentDisplayedMessage().smartMessageInfo()->smartMessage(), later);
}

// A message whose stylesheet met its time bound at the import shows that its form is not supported
// at every set-up, without running the stylesheet again on the main thread.
void TestSmartMessageCell::aRenderingThatFailedIsNotRunAgainAtSetUp() {
    PLXSLTStylesheet::Limits shortLimits;
    shortLimits.timeMs = 300;
    const ScopedLimits limits(shortLimits);
    auto sheet = StyleSheetXSLT::PS_createEntity();
    sheet->setName(QStringLiteral("comparing"));
    sheet->setCategory(QStringLiteral("form"));
    sheet->setData(QString::fromUtf8(comparingSheet()));
    sheet->save();
    const QString json =
        comparingMessage().insert(1, QStringLiteral(R"~("xslt":"comparing","formid":"CMP",)~"));
    const auto message = world->importMessage(room, QStringLiteral("m-CMP"), date += 1000, json, kBob,
                                              QStringLiteral("smartmessage"));
    QCOMPARE(message->xsltName(), QStringLiteral("comparing"));
    // As the import renders it.
    QCOMPARE(SmartMessageRenderer::generateHTMLString(message, false), QString());
    const int killed = XSLTWorkerPool::shared().killedCount();
    for (int setUp = 0; setUp < 3; ++setUp) {
        cell->prepareForReuse();
        cell->loadCellFromSmartMessageInfo(PLChatWindowCellContent(message));
        QCOMPARE(page()->loadedHTML,
                 PLSmartMessageCell::customFormattedHTMLString(
                     PLSmartMessageCell::bodyForRow(QString(), QStringLiteral("comparing"))));
    }
    world->settle();
    QCOMPARE(XSLTWorkerPool::shared().killedCount(), killed);
}

void TestSmartMessageCell::aPageThatCannotShowLeavesAPlaceholderNamingWhatTheRowHolds_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("errorCode");
    QTest::addColumn<QString>("placeholder");
    const int missingEngine = platform::ui::WebView::UnknownError;
    QTest::newRow("a poll without the engine") << "poll" << missingEngine << "Poll";
    QTest::newRow("a picture without the engine") << "image" << missingEngine << "Image";
    QTest::newRow("a poll that timed out") << "poll" << int(platform::ui::WebView::TimedOutError) << "Poll";
    QTest::newRow("a load replaced by the next")
        << "poll" << int(platform::ui::WebView::CancelledError) << "";
}

// A page that cannot show leaves no blank row: a placeholder in the page's place, at the row's default
// height, names what the row holds, drawn over the covered page. A load replaced by another is no
// failure of the page; the next load takes the placeholder away.
void TestSmartMessageCell::aPageThatCannotShowLeavesAPlaceholderNamingWhatTheRowHolds() {
    QFETCH(QString, kind);
    QFETCH(int, errorCode);
    QFETCH(QString, placeholder);
    const QString id =
        QStringLiteral("PH-%1").arg(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
    Message::Ptr message;
    if (kind == QLatin1String("poll")) {
        message = poll(id);
    } else {
        QJsonObject json = QJsonDocument::fromJson(
                               SmartFormManager::constructshareMediaWithMediaDict(
                                   {{"fileId", "f1"}, {"fileMime", "image/jpeg"}, {"fileName", "f1.jpg"}})
                                   .toUtf8())
                               .object();
        json.insert(QStringLiteral("formid"), id);
        message = world->importMessage(room, QStringLiteral("m-") + id, date += 1000,
                                       QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact)),
                                       kBob, QStringLiteral("smartmessage"));
    }
    cell.reset();
    auto* shown = new PLSmartMessageCell(world->window.get());
    const auto release = qScopeGuard([shown] { delete shown; });
    shown->setGeometry(0, 60, 320, int(PLSmartMessageCell::defaultCellHeight()));
    shown->show();
    shown->loadCellFromSmartMessageInfo(PLChatWindowCellContent(message));
    auto* page = qobject_cast<FakeWebView*>(shown->webView());
    QVERIFY(!shown->pagePlaceholder()->isVisible());
    page->failLoad(PLError(QString::fromLatin1(platform::ui::WebView::ErrorDomain), errorCode));
    QVERIFY(!shown->isPageShown());
    QVERIFY(!shown->htmlLoadActivityIndicator()->isAnimating());
    PLPagePlaceholderView* view = shown->pagePlaceholder();
    QCOMPARE(view->isVisible(), !placeholder.isEmpty());
    QCOMPARE(shown->cellHeight(), PLSmartMessageCell::defaultCellHeight());
    if (placeholder.isEmpty())
        return;
    QCOMPARE(view->name(), placeholder);
    QCOMPARE(view->note(), QStringLiteral("Unable to load content"));
    QCOMPARE(view->geometry(), shown->webView()->geometry());
    // Painted over the covered page: a framed box with the name and the note, never the cover's colour.
    platform::ui::Screenshot::settle();
    const QImage picture = shown->grab(view->geometry()).toImage();
    QVERIFY(!platform::ui::BlankPictureCheck::isFlat(picture));
    const QColor cover =
        shown->findChild<QWidget*>(QStringLiteral("pageCover"))->palette().color(QPalette::Window);
    QVERIFY(picture.pixelColor(picture.width() / 2, 2) != cover);

    // Loaded again (the message updated): the page's place waits for the page.
    shown->setAsUpdated(false, false, true);
    QVERIFY(!view->isVisible());
    page->contentHeight = 90.0;
    page->finishLoad();
    shown->showWebViewAnimated(false);
    QVERIFY(shown->isPageShown());
    QVERIFY(!view->isVisible());
}

// A poll of the stand-in's stylesheet in the browser engine: the page loads and its height, read from
// the page, sizes the cell.
void TestSmartMessageCell::theRealEngineRendersAPollAndMeasuresIt() {
    platform::ui::WebView::setMaker(
        [](QWidget* parent) { return new platform::ui::WebEngineWebView(parent); });
    cell = std::make_unique<PLSmartMessageCell>(world->window.get());
    cell->setGeometry(0, 60, 320, 200);
    cell->show();
    QList<bool> completions;
    cell->setWebViewLoadCompletionHandler([&completions](bool changed) { completions << changed; });
    const auto message = poll(QStringLiteral("REAL"));
    cell->loadCellFromSmartMessageInfo(PLChatWindowCellContent(message));
    QTRY_VERIFY_WITH_TIMEOUT(!completions.isEmpty(), 20000);
    QCOMPARE(completions, QList<bool>{true});
    QVERIFY2(cell->webViewHeight() > 100, qPrintable(QString::number(cell->webViewHeight())));
    QCOMPARE(message->displayCellHeight(), qint16(cell->cellHeight()));
    cell->showWebViewAnimated(true);
    QVERIFY(cell->isPageShown());
    QVariant text;
    cell->webView()->evaluateJavaScript(QStringLiteral("document.body.innerText"),
                                        [&text](const QVariant& v) { text = v; });
    QTRY_VERIFY_WITH_TIMEOUT(text.isValid(), 10000);
    QVERIFY2(text.toString().contains(QLatin1String("Dock")), qPrintable(text.toString()));
    cell.reset();
    platform::ui::WebView::setMaker([](QWidget* parent) { return new FakeWebView(parent); });
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestSmartMessageCell t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_smartmessagecell.moc"
