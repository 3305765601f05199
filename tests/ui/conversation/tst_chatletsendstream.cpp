// A poll from the composer to another member's chat window and back, against the stand-in service,
// with the real browser engine: Bob composes a poll on his device; the service stores it; Ann's
// library receives it through the event stream and her chat window renders its page, sized by the
// page; Ann opens its results through the page's link, answers from the details page through the
// reply form, and the service counts her vote, which comes back to her window.
#include "FacadeTestKit.h"
#include "StreamSession.h"

#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/Animator.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/WebEngineWebView.h"
#include "platform/ui/Window.h"
#include "platform/ui/testing/RecordingSystemServices.h"
#include "ui/conversation/ConversationScreens.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLChatletChoiceFieldView.h"
#include "ui/conversation/PLChatletFormView.h"
#include "ui/conversation/PLChatletListFieldView.h"
#include "ui/conversation/PLChatletTextFieldView.h"
#include "ui/conversation/PLPostChatletViewController.h"
#include "ui/conversation/PLReplyWebViewController.h"
#include "ui/conversation/PLSmartMessageCell.h"
#include "ui/toolkit/PLCustomTextField.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>
#include <QUrlQuery>

using namespace pelnix;
using namespace pelnix::test;
using platform::ui::IndexPath;
using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;

namespace {

// Bob's device: what his composer sends goes to the service as his post.
class BobsDevice : public QObject, public PLPostChatletDelegate {
public:
    BobsDevice(QString baseUrl) : m_baseUrl(std::move(baseUrl)) {}
    void postChatletToChatWindow(const QString& message, const Message::Ptr&,
                                 const QList<PLMediaSelection>&) override {
        QNetworkReply* reply = postSmartMessageAsBob(m_network, m_baseUrl, message);
        connect(reply, &QNetworkReply::finished, this, [this, reply] {
            answered = reply->error() == QNetworkReply::NoError;
            reply->deleteLater();
        });
        posted << message;
    }
    ChatRoom::Ptr currentChatRoom() const override { return {}; }

    QStringList posted;
    bool answered = false;

private:
    QString m_baseUrl;
    QNetworkAccessManager m_network;
};

QString innerText(platform::ui::WebView* web) {
    QVariant text;
    web->evaluateJavaScript(QStringLiteral("document.body ? document.body.innerText : ''"),
                            [&text](const QVariant& v) { text = v.isValid() ? v : QVariant(QString()); });
    if (!QTest::qWaitFor([&text] { return text.isValid(); }, 10000))
        return {};
    return text.toString();
}

// Clicks the page's action link of that label, as a user would.
// A user's click on the page's action link of that label (a page's own click is no link).
void clickAction(platform::ui::WebView* web, const QString& label) {
    QVariant where;
    web->evaluateJavaScript(
        QStringLiteral("(function(){var r=Array.from(document.querySelectorAll('a.action'))"
                       ".filter(function(a){return a.textContent=='%1';})[0]"
                       ".getBoundingClientRect();return [r.left + r.width/2, r.top + r.height/2];})()")
            .arg(label),
        [&where](const QVariant& v) { where = v; });
    QTRY_VERIFY(where.isValid());
    auto* engine = qobject_cast<platform::ui::WebEngineWebView*>(web);
    QVERIFY(engine && engine->engineView()->focusProxy());
    const QVariantList xy = where.toList();
    QTest::mouseClick(engine->engineView()->focusProxy(), Qt::LeftButton, {},
                      QPoint(xy.value(0).toInt(), xy.value(1).toInt()));
}

} // namespace

class TestChatletSendStream : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void aComposedPollReachesAnotherMemberAndHerVoteComesBack();

private:
    PLSmartMessageCell* cellOf(PLChatWindowViewController* chat, const QString& formId);

    std::unique_ptr<CoreFixture> world;
    std::unique_ptr<platform::ui::Window> annWindow;
    std::unique_ptr<platform::ui::Window> bobWindow;
};

void TestChatletSendStream::init() {
    startConversationWithBob(world);
    if (QTest::currentTestFailed())
        return;
    platform::ui::SystemServices::setCurrent(std::make_unique<platform::ui::RecordingSystemServices>());
    platform::ui::WebView::setMaker(
        [](QWidget* parent) { return new platform::ui::WebEngineWebView(parent); });
}

void TestChatletSendStream::cleanup() {
    annWindow.reset();
    bobWindow.reset();
    platform::ui::WebView::setMaker({});
    platform::ui::SystemServices::setCurrent(nullptr);
    endSession();
    world.reset();
}

PLSmartMessageCell* TestChatletSendStream::cellOf(PLChatWindowViewController* chat, const QString& formId) {
    const auto& rows = chat->rowList().rows();
    for (int i = 0; i < rows.size(); ++i)
        if (const auto message = rows[i].message(); message && message->formId() == formId)
            return qobject_cast<PLSmartMessageCell*>(
                chat->collectionView()->cellForItemAtIndexPath(IndexPath::forItem(i)));
    return nullptr;
}

void TestChatletSendStream::aComposedPollReachesAnotherMemberAndHerVoteComesBack() {
    // Ann's chat window on the room.
    annWindow = std::make_unique<platform::ui::Window>();
    auto* chat = showChatWindowOnRoom(*annWindow);
    auto* annNavigation = chat->navigationController();

    // Bob composes a poll.
    BobsDevice bob(world->baseUrl());
    bobWindow = std::make_unique<platform::ui::Window>();
    bobWindow->resize(320, 568);
    auto* composerScreen = qobject_cast<NavigationController*>(ScreenRegistry::shared()->instantiate(
        PLPostChatletViewController::kStoryboard, PLPostChatletViewController::kNavigationIdentifier));
    auto* picker = qobject_cast<PLPostChatletViewController*>(composerScreen->topViewController());
    picker->setPostChatletDelegate(&bob);
    bobWindow->setRootViewController(composerScreen);
    bobWindow->show();
    QTRY_VERIFY(picker->pickerViewController());
    picker->chatletPicked({{"name", "poll"}});
    auto* form = qobject_cast<PLPostChatletViewController*>(composerScreen->topViewController());
    QVERIFY(form && form != picker);
    qobject_cast<PLChatletTextFieldView*>(form->formView()->fieldView("title"))
        ->setText(QStringLiteral("Lunch"));
    qobject_cast<PLChatletTextFieldView*>(form->formView()->fieldView("question"))
        ->setText(QStringLiteral("Where?"));
    auto* options = qobject_cast<PLChatletListFieldView*>(form->formView()->fieldView("options"));
    options->entryFields()[0]->setText(QStringLiteral("Café"));
    options->entryFields()[1]->setText(QStringLiteral("Dock"));
    form->sendBarButtonItem()->trigger();
    QCOMPARE(bob.posted.size(), 1);
    const QString formId =
        QJsonDocument::fromJson(bob.posted.first().toUtf8()).object().value("formid").toString();
    QTRY_VERIFY(bob.answered);
    QCOMPARE(world->server().storedMessages("r1").size(), 1);

    // Through the event stream into Ann's window, where its page renders and sizes its row.
    QTRY_VERIFY_WITH_TIMEOUT(cellOf(chat, formId), 20000);
    const auto message = Message::messageWithFormID(formId);
    QVERIFY(message);
    QTRY_VERIFY_WITH_TIMEOUT(message->displayCellHeight() > 0, 20000);
    PLSmartMessageCell* cell = cellOf(chat, formId);
    QTRY_VERIFY_WITH_TIMEOUT(cell->isPageShown(), 20000);
    QVERIFY2(cell->webViewHeight() > PLSmartMessageCell::kDefaultWebViewHeight,
             qPrintable(QString::number(cell->webViewHeight())));
    QCOMPARE(cell->height(), int(message->displayCellHeight()));
    QCOMPARE(cell->userNameLabel()->text(), QStringLiteral("Bob"));
    const QString page = innerText(cell->webView());
    QVERIFY2(page.contains(QLatin1String("Lunch")) && page.contains(QLatin1String("Dock")) &&
                 page.contains(QLatin1String("Vote")) && page.contains(QLatin1String("0 votes")),
             qPrintable(page));
    // The stored height is what the next opening sizes the row with.
    Message::Ptr stored = Message::messageWithFormID(formId);
    stored->refreshObject();
    QCOMPARE(stored->displayCellHeight(), message->displayCellHeight());

    // The page's results link opens the details page.
    clickAction(cell->webView(), QStringLiteral("Results"));
    QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<PLReplyWebViewController*>(annNavigation->topViewController()),
                             20000);
    auto* details = qobject_cast<PLReplyWebViewController*>(annNavigation->topViewController());
    QCOMPARE(details->linkType(), 7);
    QCOMPARE(details->title(), QStringLiteral("Poll"));
    QTRY_VERIFY_WITH_TIMEOUT(innerText(details->webview()).contains(QLatin1String("0 replies")), 20000);

    // Its vote link opens the reply form with the poll's choices; Ann votes for the dock.
    clickAction(details->webview(), QStringLiteral("Vote"));
    QTRY_VERIFY_WITH_TIMEOUT(details->presentedViewController(), 20000);
    auto* replyNavigation = qobject_cast<NavigationController*>(details->presentedViewController());
    auto* reply = qobject_cast<PLPostChatletViewController*>(replyNavigation->topViewController());
    QVERIFY(reply);
    QCOMPARE(reply->postChatletDelegate(), static_cast<PLPostChatletDelegate*>(details));
    auto* choice = qobject_cast<PLChatletChoiceFieldView*>(reply->formView()->fieldView("option"));
    QVERIFY(choice);
    QCOMPARE(choice->choiceButtons().size(), 2);
    choice->selectChoice(QStringLiteral("2"));
    reply->sendBarButtonItem()->trigger();

    // The service counts the vote; the answer comes back to the details page and the chat window.
    QTRY_VERIFY_WITH_TIMEOUT(
        world->server().storedMessages("r1").last().toObject().value("text").toString().contains(
            "\"votes\":1"),
        20000);
    QTRY_VERIFY_WITH_TIMEOUT(innerText(details->webview()).contains(QLatin1String("1 replies")), 20000);
    QVERIFY(innerText(details->webview()).contains(QLatin1String("100%")));
    annNavigation->popViewController(false);
    QTRY_VERIFY_WITH_TIMEOUT(cellOf(chat, formId) &&
                                 innerText(cellOf(chat, formId)->webView()).contains(QLatin1String("1 vote")),
                             20000);
    QCOMPARE(Message::messageWithFormID(formId)->latestAction(), QStringLiteral("reply"));
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestChatletSendStream t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_chatletsendstream.moc"
