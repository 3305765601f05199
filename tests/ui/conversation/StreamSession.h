#pragma once

// Ann signed in on the stand-in with Bob in her room "r1" (Bob its admin): her session started and
// its event stream open, as the stream tests of the conversation begin. Fails the test when it cannot.

#include "FacadeTestKit.h"

#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/Animator.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Window.h"
#include "ui/conversation/ConversationScreens.h"
#include "ui/conversation/PLChatWindowViewController.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>
#include <QUrlQuery>

#include <memory>

namespace pelnix::test {

// Bob as the stream tests seed him.
constexpr qint64 kBob = 42;
inline const QString kBobToken = QStringLiteral("b0b-token");
inline const QString kBobEmail = QStringLiteral("bob@acme.test");

inline void startSessionWithBob(CoreFixture& world, qint64 bob, const QString& bobToken) {
    world.server().seed(QJsonObject{
        {"org", "acme"},
        {"users",
         QJsonArray{QJsonObject{{"id", bob}, {"email", kBobEmail}, {"name", "Bob"}, {"token", bobToken}}}},
        {"rooms", QJsonArray{QJsonObject{{"_id", "r1"},
                                         {"name", "Ops"},
                                         {"members", QJsonArray{world.userID(), bob}},
                                         {"admin", bob}}}}});
    signIn(world);
    Outcome started;
    Pelnix::initWithCompletionHandler(started.handler());
    QTRY_COMPARE_WITH_TIMEOUT(started.calls, 1, 20000);
    QVERIFY2(started.success, qPrintable(started.message));
    QTRY_VERIFY(world.server().openStreams(world.userID()) > 0);
}

// The stream test's world with Ann's session started as above, her fonts loaded, animations done at
// once and the conversation's screens registered.
inline void startConversationWithBob(std::unique_ptr<CoreFixture>& world) {
    CustomFontRegistration::loadCustomFonts();
    platform::ui::Animator::setInstant(true);
    world = std::make_unique<CoreFixture>();
    startSessionWithBob(*world, kBob, kBobToken);
    if (QTest::currentTestFailed())
        return;
    ConversationScreens::registerScreens();
}

// A chat window on the room "r1" under its navigation, shown in `window` at 320 x 568.
inline PLChatWindowViewController* showChatWindowOnRoom(platform::ui::Window& window) {
    window.resize(320, 568);
    auto* chat = new PLChatWindowViewController;
    chat->setChatRoom(ChatRoom::chatRoomWithID(QStringLiteral("r1")));
    window.setRootViewController(new platform::ui::NavigationController(chat));
    window.show();
    return chat;
}

// Bob's device posting the smart message `text` to the room "r1" straight to the service.
inline QNetworkReply* postSmartMessageAsBob(QNetworkAccessManager& network, const QString& baseUrl,
                                            const QString& text) {
    QNetworkRequest request(QUrl(baseUrl + QStringLiteral("rooms/r1/messages")));
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QStringLiteral("application/x-www-form-urlencoded"));
    request.setRawHeader("Authorization",
                         QStringLiteral("Tavrix %1:%2:echat").arg(kBob).arg(kBobToken).toUtf8());
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("type"), QStringLiteral("smartmessage"));
    form.addQueryItem(QStringLiteral("text"), QString::fromUtf8(QUrl::toPercentEncoding(text)));
    return network.post(request, form.toString(QUrl::FullyEncoded).toUtf8());
}

} // namespace pelnix::test
