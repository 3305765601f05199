// Room JSON import, members, accessors, unread counts, paging and the room list queries.
#include "RoomModelTestKit.h"

#include <QCoreApplication>
#include <algorithm>

using namespace pelnix;
using namespace pelnix::test;

class TestRoomModel : public QObject {
    Q_OBJECT
private slots:
    void init() { world = std::make_unique<RoomModelWorld>(); }
    void cleanup() { world.reset(); }

    void roomPictures_data();
    void roomPictures();
    void roomImportReplacesMembersAndKeepsActivity();
    void memberJson_data();
    void memberJson();
    void aTeamRoomsMembersAreReadOnceForTheWholeList();
    void roomListImport();
    void accessors();
    void paging_data();
    void paging();
    void pageBoundaryInsideOneDate();
    void pagesMatchTheWholeListRule_data();
    void pagesMatchTheWholeListRule();
    void unsavedMessagesArePaged();
    void unreadCount();
    void latestMessageHeals();
    void roomListFilter_data();
    void roomListFilter();
    void aggregatesAndOneToOneQueries();
    void lookupsByIDFollowChangesOnBothThreads();

private:
    std::unique_ptr<RoomModelWorld> world;
};

void TestRoomModel::roomPictures_data() {
    QTest::addColumn<QVariant>("imgUrl");
    QTest::addColumn<QVariant>("bigImgUrl");
    QTest::addColumn<QString>("image");
    QTest::addColumn<QString>("bigImage");
    QTest::newRow("no big picture") << QVariant("a%20b.png") << QVariant() << "a b.png"
                                    << "";
    QTest::newRow("own big picture") << QVariant("a.png") << QVariant("http://x.test/big%2Fone.png")
                                     << "a.png"
                                     << "http://x.test/big/one.png";
    QTest::newRow("pattern placeholder")
        << QVariant("a.png") << QVariant("http://x.test/images/pattern/1.png") << "a.png"
        << "a.png";
    QTest::newRow("dummy profile placeholder")
        << QVariant("a.png") << QVariant("http://x.test/profiles/dummy/profile.png") << "a.png"
        << "a.png";
    QTest::newRow("malformed escapes") << QVariant("a%zz.png") << QVariant("b%2") << ""
                                       << "";
    QTest::newRow("not strings") << QVariant(5) << QVariant(6) << ""
                                 << "";
}

void TestRoomModel::roomPictures() {
    QFETCH(QVariant, imgUrl);
    QFETCH(QVariant, bigImgUrl);
    QFETCH(QString, image);
    QFETCH(QString, bigImage);
    QVariantMap json{{"_id", "r1"}, {"imgUrl", imgUrl}};
    if (bigImgUrl.isValid())
        json.insert("bigImgUrl", bigImgUrl);
    auto room = ChatRoom::updateChatRoomsWithArray(QVariantList{json}).value(0);
    QVERIFY(room);
    QCOMPARE(room->imageUrl(), image);
    QCOMPARE(room->bigRoomImageUrl(), bigImage);
}

void TestRoomModel::roomImportReplacesMembersAndKeepsActivity() {
    world->user(8, "Bob");
    QVariantMap json = pelnix::test::json(R"({"_id":"r1","createDate":1000.9,"name":"Ops","type":"2",
        "totalMessages":3,"totalMembers":2,"adminOnly":1,"hideMemberProfile":0,
        "members":[{"userId":"7","isCreator":1},{"userId":8},{"userId":"12","user":{"name":"Eve"}}],
        "mostRecentMessage":{"_id":"m1","type":"message","date":5000,"text":"hi","sender":"8"}})");
    auto room = ChatRoom::updateChatRoomsWithArray(QVariantList{json}).value(0);
    QVERIFY(room);
    QCOMPARE(room->createDate(), 1000);
    QCOMPARE(room->activityDate(), 5000);
    QCOMPARE(room->latestMessageId(), QString("m1"));
    QVERIFY(room->adminOnly());
    QVERIFY(!room->hideMemberProfile());
    QCOMPARE(room->members().size(), 3);
    QCOMPARE(room->adminUserID(), kMe);
    QVERIFY(room->isCurrentUserAdmin());
    // A member seen only by ID is stored once, with that ID.
    QCOMPARE(User::PS_countOfEntitiesWithPredicate(platform::PredicateKey("userID") == 12), 1);

    // Again, without members and without the message: members go, the activity stays.
    json.remove("members");
    json.remove("mostRecentMessage");
    json["createDate"] = 10.0;
    room->updateWithDictionary(json, false);
    QCOMPARE(room->members().size(), 0);
    QCOMPARE(RoomMember::PS_countOfEntities(), 0);
    QCOMPARE(room->activityDate(), 5000);
    QCOMPARE(room->adminUserID(), 0);
    QVERIFY(!room->isCurrentUserAdmin());

    // An empty object changes nothing.
    room->updateWithDictionary(QVariantMap(), false);
    QCOMPARE(room->name(), QString("Ops"));
}

void TestRoomModel::aTeamRoomsMembersAreReadOnceForTheWholeList() {
    auto known = world->user(8, "Bob");
    const auto members = [](int from, int to) {
        QVariantList list;
        for (int id = from; id < to; ++id)
            list << QVariantMap{{"userId", id},
                                {"user", QVariantMap{{"name", QStringLiteral("Member %1").arg(id)}}}};
        list << QVariantMap{{"userId", 8}} << QVariantMap{{"userId", 8}, {"isCreator", 1}}; // listed twice
        return list;
    };
    auto room = world->room("team");
    const auto context = PLPersistence::PS_contextForCurrentThread();
    quint64 before = context->fetchCount();
    room->updateWithDictionary(QVariantMap{{"_id", "team"}, {"members", members(100, 2100)}}, true);
    // A fetch per member would be thousands, each scanning what the import inserted before it.
    QVERIFY2(context->fetchCount() - before < 20,
             qPrintable(QString::number(context->fetchCount() - before)));
    QCOMPARE(room->members().size(), 2001);
    QCOMPARE(RoomMember::PS_countOfEntities(), 2001);
    QCOMPARE(User::PS_countOfEntitiesWithPredicate(platform::PredicateKey("userID") == 8), 1);
    QCOMPARE(RoomMember::roomMemberWithRoom(room, known)->isCreator(), true);
    QCOMPARE(User::userWithIntID(2099)->profileName(), QStringLiteral("Member 2099"));

    // Half leave, a thousand join: the stayers keep their rows, the leavers' rows go.
    const auto stayer = RoomMember::roomMemberWithRoom(room, User::userWithIntID(1500));
    before = context->fetchCount();
    room->updateWithDictionary(QVariantMap{{"_id", "team"}, {"members", members(1100, 3100)}}, true);
    QVERIFY2(context->fetchCount() - before < 20,
             qPrintable(QString::number(context->fetchCount() - before)));
    QCOMPARE(room->members().size(), 2001);
    QCOMPARE(RoomMember::PS_countOfEntities(), 2001);
    QCOMPARE(RoomMember::roomMemberWithRoom(room, User::userWithIntID(1500)), stayer);
    QVERIFY(!RoomMember::roomMemberWithRoom(room, User::userWithIntID(1000)));
    QCOMPARE(User::PS_countOfEntitiesWithPredicate(platform::PredicateKey("userID") < 3100), 3001 + 1);
}

void TestRoomModel::memberJson_data() {
    QTest::addColumn<QByteArray>("member");
    QTest::addColumn<qint64>("joined");
    QTest::addColumn<bool>("isCreator");
    QTest::addColumn<QString>("status");
    QTest::newRow("fraction truncated") << QByteArray(R"({"joined":12.9})") << qint64(12) << false << "";
    QTest::newRow("admin flag absent")
        << QByteArray(R"({"status":"invited"})") << qint64(0) << false << "invited";
    QTest::newRow("admin flag 0") << QByteArray(R"({"isCreator":0})") << qint64(0) << false << "";
    QTest::newRow("admin flag 5") << QByteArray(R"({"isCreator":5,"joined":1700000000000})")
                                  << qint64(1700000000000) << true << "";
}

void TestRoomModel::memberJson() {
    QFETCH(QByteArray, member);
    QFETCH(qint64, joined);
    QFETCH(bool, isCreator);
    QFETCH(QString, status);
    auto room = world->room("r1");
    auto bob = world->user(8, "Bob");
    auto m = RoomMember::findOrCreate(room, 8);
    QCOMPARE(m->user(), bob);
    QCOMPARE(RoomMember::findOrCreate(room, "8"), m);
    m->updateWithDictionary(QJsonDocument::fromJson(member).object().toVariantMap());
    QCOMPARE(m->joined(), joined);
    QCOMPARE(m->isCreator(), isCreator);
    QCOMPARE(m->status(), status);
    // No "user": the user stays as it was.
    QCOMPARE(m->user(), bob);
    QCOMPARE(bob->profileName(), QString("Bob"));
    QCOMPARE(m->memberURL(), QString("http://127.0.0.1:0/rooms/r1/members/8"));
    auto loose = RoomMember::PS_createEntity();
    QCOMPARE(loose->memberURL(), QString());
    loose->update(); // no room: nothing is sent
}

void TestRoomModel::roomListImport() {
    auto rooms = ChatRoom::updateChatRoomsWithArray(
        QVariantList{json(R"({"_id":"a","type":"2"})"), json(R"({"_id":"e1","type":"e"})"),
                     json(R"({"type":"2"})"), QVariant("junk"), json(R"({"_id":"b","type":"1"})")});
    QCOMPARE(rooms.size(), 2);
    QCOMPARE(rooms[0]->roomId(), QString("a"));
    QCOMPARE(rooms[1]->roomId(), QString("b"));
    QVERIFY(!ChatRoom::chatRoomWithID("e1"));
    // A reply object is no list: nothing is imported, nothing breaks.
    QVERIFY(ChatRoom::updateChatRoomsWithArray(QVariantMap{{"_id", "c"}}).isEmpty());
    QVERIFY(ChatRoom::updateChatRoomsWithArray(QVariant()).isEmpty());
    QCOMPARE(ChatRoom::PS_countOfEntities(), 2);
}

void TestRoomModel::accessors() {
    auto room = world->room("r1");
    QCOMPARE(room->roomURL(), QString("http://127.0.0.1:0/rooms/r1"));
    QCOMPARE(room->messagesURL(), QString("http://127.0.0.1:0/rooms/r1/messages"));
    QCOMPARE(room->membersURL(), QString("http://127.0.0.1:0/rooms/r1/members"));
    RoomModelServices::shared().roomsURL = [] { return QStringLiteral("https://h.test/api/rooms/"); };
    QCOMPARE(room->roomURL(), QString("https://h.test/api/rooms/r1"));
    room->setRoomId("a/../b");
    QCOMPARE(room->roomURL(), QString("https://h.test/api/rooms/a%2F..%2Fb"));

    QCOMPARE(room->displayName(), QString("r1 name"));
    room->setType("1");
    QVERIFY(room->isOneToOne());
    auto me = RoomMember::findOrCreate(room, kMe);
    QCOMPARE(room->displayName(), QString("r1 name")); // only the current user
    world->user(8, "Bob");
    RoomMember::findOrCreate(room, 8);
    QCOMPARE(room->displayName(), QString("Bob"));

    QCOMPARE(room->activityDateString(), QString());
}

void TestRoomModel::paging_data() {
    QTest::addColumn<int>("pageSize");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("firstUnread");     // 1-based; 0: all read
    QTest::addColumn<QList<int>>("before");   // 1-based message whose date starts the call; 0: first page
    QTest::addColumn<QList<int>>("expected"); // per call: first, last (0, 0 for none), olderExist
    QTest::newRow("20 of 50 read: three pages")
        << 20 << 50 << 0 << QList<int>{0, 31, 11} << QList<int>{31, 50, 1, 11, 30, 1, 1, 10, 0};
    QTest::newRow("last 30 unread: the page reaches back")
        << 20 << 50 << 21 << QList<int>{0} << QList<int>{21, 50, 1};
    QTest::newRow("fewer than a page") << 20 << 15 << 0 << QList<int>{0} << QList<int>{1, 15, 0};
    QTest::newRow("before the first message") << 20 << 15 << 0 << QList<int>{1} << QList<int>{0, 0, 0};
    QTest::newRow("page size 0 counts as 1")
        << 0 << 3 << 0 << QList<int>{0, 3} << QList<int>{3, 3, 1, 2, 2, 1};
    QTest::newRow("empty room") << 20 << 0 << 0 << QList<int>{0} << QList<int>{0, 0, 0};
}

void TestRoomModel::paging() {
    QFETCH(int, pageSize);
    QFETCH(int, count);
    QFETCH(int, firstUnread);
    QFETCH(QList<int>, before);
    QFETCH(QList<int>, expected);
    world->pageSize = quint64(pageSize);
    auto room = world->room("r1");
    for (int i = 1; i <= count; ++i)
        world->message(room, QString::number(i), 1000 + i * 10, firstUnread && i >= firstUnread ? 0 : 1);
    room->save();
    for (qsizetype call = 0; call < before.size(); ++call) {
        qint64 time = before[call] ? 1000 + before[call] * 10 : 0;
        bool called = false;
        room->messagesBeforeTime(time,
                                 [&](const QList<std::shared_ptr<Message>>& page, bool older, qint64 oldest) {
                                     called = true;
                                     int first = expected[call * 3], last = expected[call * 3 + 1];
                                     QCOMPARE(page.isEmpty() ? 0 : page.first()->messageId().toInt(), first);
                                     QCOMPARE(page.isEmpty() ? 0 : page.last()->messageId().toInt(), last);
                                     QCOMPARE(page.size(), first ? last - first + 1 : 0);
                                     QCOMPARE(older, bool(expected[call * 3 + 2]));
                                     QCOMPARE(oldest, first ? 1000 + first * 10 : 0);
                                 });
        QVERIFY(called);
    }
}

void TestRoomModel::pageBoundaryInsideOneDate() {
    // Messages 1-10 at their own dates, 11-14 share one date: a page of 5 from the end would begin
    // at 12, and the next page, asked for "before that date", would never show 11.
    world->pageSize = 5;
    auto room = world->room("r1");
    for (int i = 1; i <= 16; ++i)
        world->message(room, QString::number(i), i >= 11 && i <= 14 ? 500 : i * 10 + (i > 14 ? 1000 : 0));
    room->save();
    QStringList shown;
    qint64 before = 0;
    bool older = true;
    while (older) {
        room->messagesBeforeTime(before,
                                 [&](const QList<std::shared_ptr<Message>>& page, bool o, qint64 oldest) {
                                     QStringList ids;
                                     for (const auto& m : page)
                                         ids << m->messageId();
                                     shown = ids + shown;
                                     older = o;
                                     before = oldest;
                                 });
    }
    QStringList all;
    for (int i = 1; i <= 16; ++i)
        all << QString::number(i);
    QCOMPARE(shown, all);
}

namespace {

// One page as the rule over the whole ordered list gives it: the page, older ones, oldest date;
// `exists` false for the nil page.
struct ListPage {
    QStringList ids;
    bool older = false;
    qint64 oldest = 0;
    bool exists = false;
};

ListPage pageOfWholeList(const QList<std::shared_ptr<Message>>& all, qsizetype n, qint64 time) {
    qsizetype start = 0, end = 0;
    if (time != 0) {
        end = std::find_if(all.begin(), all.end(), [time](const auto& m) { return m->date() >= time; }) -
              all.begin();
        if (end == all.size())
            return {};
        start = std::max<qsizetype>(0, end - n);
    } else {
        auto firstUnread =
            std::find_if(all.begin(), all.end(), [](const auto& m) { return m->state() == 0; });
        if (firstUnread != all.end())
            n = std::max<qsizetype>(n, all.end() - firstUnread);
        end = all.size();
        start = std::max<qsizetype>(0, end - n);
    }
    while (start > 0 && start < end && all[start - 1]->date() == all[start]->date())
        --start;
    ListPage page{{}, start > 0, start < end ? all[start]->date() : 0, true};
    for (qsizetype i = start; i < end; ++i)
        page.ids << all[i]->messageId();
    return page;
}

} // namespace

void TestRoomModel::pagesMatchTheWholeListRule_data() {
    QTest::addColumn<int>("pageSize");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("sameDate");   // messages per date
    QTest::addColumn<QString>("unread"); // "none", "last N", "one at N", "every N"
    for (int pageSize : {1, 4, 20})
        for (int count : {0, 7, 45})
            for (int sameDate : {1, 3})
                for (const char* unread : {"none", "last 9", "one at 2", "every 5"})
                    QTest::addRow("page %d, %d messages, %d a date, %s unread", pageSize, count, sameDate,
                                  unread)
                        << pageSize << count << sameDate << QString::fromLatin1(unread);
}

void TestRoomModel::pagesMatchTheWholeListRule() {
    QFETCH(int, pageSize);
    QFETCH(int, count);
    QFETCH(int, sameDate);
    QFETCH(QString, unread);
    world->pageSize = quint64(pageSize);
    const int n = unread.section(' ', -1).toInt();
    auto room = world->room("r1");
    auto other = world->room("r2");
    for (int i = 0; i < count; ++i) {
        bool isUnread = unread.startsWith("last")    ? i >= count - n
                        : unread.startsWith("one")   ? i == n
                        : unread.startsWith("every") ? i % n == 0
                                                     : false;
        world->message(room, QString::number(i), 1000 + (i / sameDate) * 10, isUnread ? 0 : 1);
        // Another room's messages of the same dates never show.
        world->message(other, QStringLiteral("x%1").arg(i), 1000 + (i / sameDate) * 10, 0);
    }
    room->save();
    const auto all = room->allMessages();
    QCOMPARE(all.size(), count);

    // From the first page back to the oldest, and once from a time after every message.
    QList<qint64> times{0};
    QList<ListPage> expected;
    for (qsizetype call = 0; call < times.size() && call < 100; ++call) {
        expected << pageOfWholeList(all, pageSize, times[call]);
        if (expected.last().older)
            times << expected.last().oldest;
    }
    times << 1000 + count * 10 + 1;
    expected << pageOfWholeList(all, pageSize, times.last());
    for (qsizetype call = 0; call < times.size(); ++call) {
        ListPage got;
        room->messagesBeforeTime(times[call],
                                 [&](const QList<std::shared_ptr<Message>>& page, bool older, qint64 oldest) {
                                     got.exists = true;
                                     for (const auto& m : page)
                                         got.ids << m->messageId();
                                     got.older = older;
                                     got.oldest = oldest;
                                 });
        QVERIFY(got.exists);
        QCOMPARE(got.ids, expected[call].ids);
        QCOMPARE(got.older, expected[call].older);
        QCOMPARE(got.oldest, expected[call].oldest);
    }
}

void TestRoomModel::unsavedMessagesArePaged() {
    world->pageSize = 3;
    auto room = world->room("r1");
    for (int i = 1; i <= 6; ++i)
        world->message(room, QString::number(i), i * 10);
    room->save();
    // A new message not saved yet, and a deleted one: the page is what this context sees.
    world->message(room, "7", 70);
    Message::removeMessage(Message::messageWithID("5"));
    QStringList ids;
    bool older = false;
    room->messagesBeforeTime(0, [&](const QList<std::shared_ptr<Message>>& page, bool o, qint64) {
        for (const auto& m : page)
            ids << m->messageId();
        older = o;
    });
    QCOMPARE(ids, QStringList({"4", "6", "7"}));
    QVERIFY(older);
}

void TestRoomModel::unreadCount() {
    auto r1 = world->room("r1");
    auto r2 = world->room("r2");
    auto closed = world->room("r3", 1);
    auto kicked = world->room("r4", 2);
    auto a = world->message(r1, "a", 10, 0, 2);
    world->message(r1, "b", 20, 0, 1);
    world->message(r1, "c", 30, 1, 0);
    world->message(closed, "d", 40, 0, 4);
    world->message(kicked, "e", 50, 0, 8);
    r1->save();
    QCOMPARE(r1->unreadMessagesCount(), 3);
    QCOMPARE(r2->unreadMessagesCount(), 0);
    QCOMPARE(ChatRoom::totalUnreadMessagesCount(), 11);

    // A message arriving for another room leaves the count alone; one arriving here joins it.
    world->onQueue([] {
        ChatRoom::updateRoomWithMessageDict(
            json(R"({"roomId":"r2","_id":"x","type":"message","date":60,"text":"t","sender":"8"})"));
        ChatRoom::updateRoomWithMessageDict(
            json(R"({"roomId":"r1","_id":"y","type":"message","date":70,"text":"t","sender":"8"})"));
    });
    r1->refreshObject();
    r2->refreshObject();
    QCOMPARE(r1->unreadMessagesCount(), 4);
    QCOMPARE(r2->unreadMessagesCount(), 1);
    QCOMPARE(ChatRoom::totalUnreadMessagesCount(), 13);
    // Reading takes the message's updates out of the count; unread again, it has none.
    a->setState(1);
    QCOMPARE(a->updateCount(), 0);
    QCOMPARE(r1->tempUnreadMessageCount(), 2);
    r1->save();
    QCOMPARE(ChatRoom::totalUnreadMessagesCount(), 11);
    a->setState(0);
    QCOMPARE(r1->tempUnreadMessageCount(), 2);
}

void TestRoomModel::latestMessageHeals() {
    auto room = world->room("r1");
    QVERIFY(!room->latestMessage());
    auto old = world->message(room, "old", 10);
    auto newest = world->message(room, "new", 30);
    room->setLatestMessageId("deleted");
    room->save();
    QCOMPARE(room->latestMessage(), newest);
    QCOMPARE(room->latestMessageId(), QString("new"));
    QVERIFY(!room->hasChanges());

    room->setActivityDate(30);
    auto same = world->message(room, "same", 30);
    room->updateLatestMessage(same);
    QCOMPARE(room->latestMessageId(), QString("same"));
    room->updateLatestMessage(old);
    QCOMPARE(room->latestMessageId(), QString("same"));
    QCOMPARE(room->activityDate(), 30);
}

void TestRoomModel::roomListFilter_data() {
    QTest::addColumn<QStringList>("filter");
    QTest::addColumn<bool>("excluding");
    QTest::addColumn<QStringList>("expected");
    const QStringList all{"r4", "r3", "r2"}; // newest first; r1 is closed
    QTest::newRow("no filter") << QStringList() << false << all;
    QTest::newRow("including, none stored") << QStringList{"zz"} << false << all;
    QTest::newRow("excluding, none stored") << QStringList{"zz"} << true << all;
    QTest::newRow("including two") << QStringList{"r2", "r4", "zz"} << false << QStringList{"r4", "r2"};
    QTest::newRow("excluding one") << QStringList{"r3"} << true << QStringList{"r4", "r2"};
    QTest::newRow("a closed room is never listed") << QStringList{"r1"} << false << all;
}

void TestRoomModel::roomListFilter() {
    QFETCH(QStringList, filter);
    QFETCH(bool, excluding);
    QFETCH(QStringList, expected);
    const qint16 statuses[] = {1, 0, 2, 3};
    for (int i = 1; i <= 4; ++i) {
        auto room = world->room(QStringLiteral("r%1").arg(i), statuses[i - 1]);
        room->setActivityDate(i * 100);
        room->save();
    }
    PelnixGroupFilter::setChatRoomsToFilter(filter, excluding);
    QStringList ids;
    for (const auto& room : ChatRoom::allChatRooms())
        ids << room->roomId();
    QCOMPARE(ids, expected);
}

void TestRoomModel::aggregatesAndOneToOneQueries() {
    QCOMPARE(ChatRoom::latestMessageDate(), 0);
    QCOMPARE(ChatRoom::totalUnreadMessagesCount(), 0);
    auto me = User::PS_findFirstByAttribute("userID", kMe);
    auto bob = world->user(8, "Bob", "bob@acme.test");
    auto cat = world->user(9, "Cat", "Cat@acme.test");
    auto add = [&](const QString& id, qint16 status, qint64 activity, QList<std::shared_ptr<User>> users) {
        auto room = world->room(id, status);
        room->setType("1");
        room->setActivityDate(activity);
        for (const auto& u : users)
            RoomMember::findOrCreate(room, u->userID());
        room->save();
        return room;
    };
    add("withBob", 0, 10, {me, bob});
    add("withCat", 1, 20, {me, cat});
    add("alone", 0, 30, {me});
    auto group = world->room("group");
    world->message(group, "m", 777);
    group->save();

    QStringList ids;
    for (const auto& room : ChatRoom::allOneToOneChatRooms())
        ids << room->roomId();
    QCOMPARE(ids, (QStringList{"alone", "withCat", "withBob"}));
    QCOMPARE(ChatRoom::latestMessageDate(), 777);

    QVERIFY(!ChatRoom::allOneToOneChatRoomsFromOtherUsersList(std::nullopt));
    auto shared =
        ChatRoom::allOneToOneChatRoomsFromOtherUsersList(QStringList{"bob@acme.test", "cat@acme.test"});
    QCOMPARE(shared->size(), 1);
    QCOMPARE(shared->first()->roomId(), QString("withBob"));
    QVERIFY(ChatRoom::allOneToOneChatRoomsFromOtherUsersList(QStringList{"me@acme.test"})->isEmpty());
}

void TestRoomModel::lookupsByIDFollowChangesOnBothThreads() {
    // Rooms and users found by ID are kept per thread: what either thread changes shows at once.
    auto r1 = world->room("r1");
    world->room("r2");
    auto bob = world->user(8, "Bob");
    QCOMPARE(ChatRoom::chatRoomWithID("r1"), r1);
    QCOMPARE(User::userWithIntID(8), bob);
    const auto onQueue = [this](const QString& roomId, qint32 userId) {
        QString found;
        world->onQueue([&] {
            auto room = ChatRoom::chatRoomWithID(roomId);
            auto user = User::userWithIntID(userId);
            found = (room ? room->name() : "-") + "/" + (user ? user->profileName() : "-");
        });
        return found;
    };
    QCOMPARE(onQueue("r2", 8), QString("r2 name/Bob"));

    r1->setRoomId("r9"); // not saved: only this thread sees it
    QVERIFY(!ChatRoom::chatRoomWithID("r1"));
    QCOMPARE(ChatRoom::chatRoomWithID("r9"), r1);
    QCOMPARE(onQueue("r1", 8), QString("r1 name/Bob"));
    r1->save();
    QCOMPARE(onQueue("r1", 8), QString("-/Bob"));
    QCOMPARE(onQueue("r9", 8), QString("r1 name/Bob"));

    bob->setUserID(80);
    ChatRoom::chatRoomWithID("r2")->PS_deleteEntity();
    QVERIFY(!ChatRoom::chatRoomWithID("r2"));
    world->room("r2")->setName("another r2");
    PLPersistence::PS_defaultContext()->save();
    QVERIFY(!User::userWithIntID(8));
    QCOMPARE(User::userWithIntID(80), bob);
    QCOMPARE(onQueue("r2", 8), QString("another r2/-"));
    QCOMPARE(onQueue("r2", 80), QString("another r2/Bob"));

    // The queue changes them too.
    world->onQueue([] {
        User::userWithIntID(80)->setProfileName("Robert");
        User::userWithIntID(80)->save();
    });
    QCOMPARE(User::userWithIntID(80)->profileName(), QString("Robert"));
}

int main(int argc, char** argv) {
    prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestRoomModel test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_room_model.moc"
