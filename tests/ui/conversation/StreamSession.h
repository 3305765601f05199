#pragma once

// Ann signed in on the stand-in with Bob in her room "r1" (Bob its admin): her session started and
// its event stream open, as the stream tests of the conversation begin. Fails the test when it cannot.

#include "FacadeTestKit.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

namespace pelnix::test {

inline void startSessionWithBob(CoreFixture& world, qint64 bob, const QString& bobToken) {
    world.server().seed(QJsonObject{
        {"org", "acme"},
        {"users", QJsonArray{QJsonObject{
                      {"id", bob}, {"email", "bob@acme.test"}, {"name", "Bob"}, {"token", bobToken}}}},
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

} // namespace pelnix::test
