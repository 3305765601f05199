// The rooms list over 1,000 rooms of 100 messages and 100,000 rooms of one message (or the sizes given
// with --sizes=1000x100,100000x1), each figure beside its baseline in the same run:
//  - the screen made, loaded and painted once, beside the core's rooms query alone (both from a cold
//    store context, as at a first appearance);
//  - the core's rooms query beside raw SQL reading the same rows and columns, and the same query with
//    every row's latest message beside the raw join that reads them, the raw side on a connection
//    opened as the store opens its file; the latter also in turns, pair by pair, which a busy machine
//    moves least;
//  - scrolling top to bottom, frame by frame, beside a QListView painting the same two lines per row;
//  - a burst of 200 "ChatRoomUpdatedNotification"s, each for a room that became the newest, applied to
//    the list on screen, beside the same notifications with nobody but the store's lookups behind them.
// The queries and the first frame run at every size, the scrolling and the burst at sizes of at most
// 10,000 rooms. Larger sizes run each query fewer times (one iteration per run, 21 pairs in turns):
// seeding 100,000 rooms takes a while, and so does each of their reads.

#include "BenchRun.h"
#include "ScrollBenchmark.h"
#include "SideBySideBaseline.h"
#include "TestSandbox.h"

#include "core/model/ChatRoom.h"
#include "core/model/ChatRoomNotifications.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/Message.h"
#include "core/model/PelnixDataModel.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "core/session/PLAppLockSettingsManager.h"
#include "foundation/persistence/PLPersistence.h"
#include "interface/PelnixSetUp.h"
#include "media/PLImageManager.h"
#include "platform/NotificationCenter.h"
#include "platform/store/ObjectStore.h"
#include "platform/store/SqliteConnection.h"
#include "platform/ui/Animator.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"
#include "ui/rooms/PLChatRoomTableViewCell.h"
#include "ui/rooms/PLChatRoomsTableViewController.h"

#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QListView>
#include <QPainter>
#include <QScrollBar>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace pelnix;
using namespace pelnix::bench;
using platform::ui::NavigationController;
using platform::ui::Window;

namespace {

// A store of `rooms` rooms of `messagesPerRoom` messages each.
struct StoreSize {
    int rooms = 1000;
    int messagesPerRoom = 100;
    std::string name() const { return std::to_string(rooms) + "x" + std::to_string(messagesPerRoom); }
    bool operator==(const StoreSize&) const = default;
    // Iterations of a query per run: about 10,000 rooms read.
    int queryIterations() const { return bench::iterations(std::max(1, 10'000 / rooms)); }
};
const int kBurst = bench::sized(200, 20);
constexpr int kPictures = 50;
constexpr qint32 kMe = 41;
QMap<QString, double> g_seconds;

// A smart message's page as the library stores it once rendered: about 3 KB of markup.
QString renderedPoll(int room) {
    QString html = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><style>"
                                  "body{font:14px sans-serif;margin:0}td{padding:4px 8px}"
                                  ".bar{background:#4a90d9;height:6px}</style></head><body>"
                                  "<h3>Lunch poll %1</h3><table>")
                       .arg(room);
    for (int option = 0; html.size() < 3000; ++option)
        html +=
            QStringLiteral("<tr><td><input type=\"radio\" name=\"choice\" value=\"%1\"></td>"
                           "<td>Option %1: the place around the corner</td><td>%2 votes</td></tr>"
                           "<tr><td colspan=\"3\"><div class=\"bar\" style=\"width:%2%\"></div></td></tr>")
                .arg(option)
                .arg((room + option * 7) % 100);
    return html + QStringLiteral("</table><button>Vote</button></body></html>");
}

// The store in a sandbox: the signed-in user, rooms (every fifth one-to-one) of their messages, a
// tenth unread, pictures of 50 addresses in the image cache, counts and latest messages settled.
// A third of the rooms end on a smart message (a poll) with its rendered page.
struct RoomsWorld {
    test::TestSandbox sandbox;
    StoreSize size;
    explicit RoomsWorld(StoreSize storeSize) : size(storeSize) {
        std::fprintf(stderr, "seeding %d rooms of %d messages...\n", size.rooms, size.messagesPerRoom);
        PelnixDataModel::registerDeclaration();
        PLManagedObject::initializeDatabase();
        PelnixSetUp::connectImageViews();
        PLAppLockSettingsManager::sharedAppLockSettingsManager()->setShouldShowAppLockScreen(false);
        auto account = CurrentUserInfo::PS_createEntity();
        auto me = User::PS_createEntity();
        me->setUserID(kMe);
        me->setEmail(QStringLiteral("me@acme.test"));
        account->setUser(me);
        account->setStatus(3);
        QList<std::shared_ptr<User>> people;
        for (int p = 0; p < 20; ++p) {
            auto user = User::PS_createEntity();
            user->setUserID(100 + p);
            user->setProfileName(QStringLiteral("Person %1").arg(p));
            user->setEmail(QStringLiteral("person%1@acme.test").arg(p));
            user->setImageUrl(pictureURL(p));
            people << user;
        }
        qint64 date = 1'700'000'000'000;
        for (int r = 0; r < size.rooms; ++r) {
            auto room = ChatRoom::PS_createEntity();
            room->setRoomId(QStringLiteral("room-%1").arg(r));
            room->setName(QStringLiteral("Room %1 of the organisation").arg(r));
            const bool oneToOne = r % 5 == 0;
            room->setType(oneToOne ? QStringLiteral("1") : QStringLiteral("0"));
            room->setImageUrl(pictureURL(r));
            // Counted from here on as messages arrive (no recount of the whole unsaved room per message).
            room->setTempUnreadMessageCount(0);
            for (const auto& user : {me, people[r % people.size()]}) {
                auto member = RoomMember::PS_createEntity();
                member->setUser(user);
                member->setIsCreator(user == me && r % 3 == 0);
                room->addMembersObject(member);
            }
            for (int m = 0; m < size.messagesPerRoom; ++m) {
                auto message = Message::PS_createEntity();
                message->setMessageId(QStringLiteral("m-%1-%2").arg(r).arg(m));
                message->setText(QStringLiteral("Message %1 in room %2 of ordinary length.").arg(m).arg(r));
                message->setType(2);
                message->setDate(date + qint64(m) * size.rooms + r);
                message->setValue("state", qint16(m % 10 == 0 ? 0 : 1));
                message->setUpdateCount(m % 10 == 0 ? 1 : 0);
                message->setSenderUser(m % 2 ? me : people[m % people.size()]);
                if (r % 3 == 0 && m == size.messagesPerRoom - 1) {
                    message->setType(1);
                    message->setTypeString(QStringLiteral("smartmessage"));
                    message->setText(QStringLiteral(R"({"displayname":"Lunch poll %1","xslt":"poll",)"
                                                    R"("formid":"POLL-%1","options":["a","b","c","d"]})")
                                         .arg(r));
                    message->setXsltName(QStringLiteral("poll"));
                    message->setFormId(QStringLiteral("POLL-%1").arg(r));
                    message->setDisplayName(QStringLiteral("Lunch poll %1").arg(r));
                    message->setLatestAction(QStringLiteral("init"));
                    message->setHtmlText(renderedPoll(r));
                }
                room->addMessagesObject(message);
                room->updateLatestMessage(message);
            }
        }
        PLPersistence::PS_defaultContext()->save();
        for (const auto& room : ChatRoom::PS_findAll())
            room->unreadMessagesCount();
        PLPersistence::PS_defaultContext()->save();
        PLPersistence::PS_defaultContext()->reset();
        // A store at rest: its log copied back into the file, as after the last connection closed.
        sqlite3* db = nullptr;
        sqlite3_open(PLPersistence::PS_defaultStore()->path().toUtf8().constData(), &db);
        sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        for (int p = 0; p < kPictures; ++p) {
            QImage picture(96, 96, QImage::Format_ARGB32_Premultiplied);
            picture.fill(QColor::fromHsv(p * 7 % 360, 150, 200));
            PLImageManager::sharedManager()->imageCache().storeInMemory(
                PLImageCache::keyForURL(QUrl(pictureURL(p))), picture);
        }
    }
    ~RoomsWorld() { PLPersistence::cleanUp(); }
    static QString pictureURL(int n) {
        return QStringLiteral("https://pictures.bench.invalid/%1.png").arg(n % kPictures);
    }
};

RoomsWorld* g_world = nullptr;

// The world of that size, seeded when the one open is of another size (one store is open at a time).
void ensureWorld(StoreSize size) {
    if (g_world && g_world->size == size)
        return;
    delete g_world;
    g_world = nullptr;
    g_world = new RoomsWorld(size);
}

// The rooms list in its navigation controller, in a phone-sized window.
struct ListOnScreen {
    Window window;
    PLChatRoomsTableViewController* list = new PLChatRoomsTableViewController;
    ListOnScreen() {
        window.resize(kScreen);
        window.setRootViewController(new NavigationController(list));
        window.show();
    }
};

void paintOnce(QWidget& widget) {
    static QImage frame(kScreen, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&frame);
    widget.render(&painter);
}

void BM_CoreRoomsQueryCold(benchmark::State& state, StoreSize size) {
    ensureWorld(size);
    for (auto _ : state) {
        const auto rooms = ChatRoom::allChatRooms();
        benchmark::DoNotOptimize(rooms);
        state.PauseTiming();
        if (rooms.size() != size.rooms) {
            bench::fail(state, "wrong rooms");
            break;
        }
        PLPersistence::PS_defaultContext()->reset();
        state.ResumeTiming();
    }
}

// `sql` prepared on the store's file opened as the store opens it (the same connection code: WAL,
// mapped reads, ...): SQLite's defaults would read every page through a copy, a baseline that slows as
// the file grows. Null, the run skipped, where the file does not open.
sqlite3_stmt* preparedOnStoreFile(platform::SqliteConnection& connection, const char* sql,
                                  benchmark::State& state, StoreSize size) {
    ensureWorld(size);
    QString problem;
    if (!connection.open(PLPersistence::PS_defaultStore()->path(), &problem)) {
        state.SkipWithError(qPrintable(problem));
        return nullptr;
    }
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(connection.handle(), sql, -1, &q, nullptr);
    return q;
}

// Runs a raw query of the rooms on the store's file once per iteration, each row read by `read`.
template <typename Read>
void rawRoomsQuery(benchmark::State& state, StoreSize size, const char* sql, Read read) {
    platform::SqliteConnection connection;
    sqlite3_stmt* q = preparedOnStoreFile(connection, sql, state, size);
    if (!q)
        return;
    for (auto _ : state) {
        QList<decltype(read(q))> rows;
        while (sqlite3_step(q) == SQLITE_ROW)
            rows.append(read(q));
        sqlite3_reset(q);
        if (rows.size() != size.rooms) {
            bench::fail(state, "wrong rooms");
            break;
        }
        benchmark::DoNotOptimize(rows);
    }
    sqlite3_finalize(q);
}

// The rooms query's equal straight from SQLite: the same rows in the same order, every column of
// each read into a value, as the store reads a row into its object.
void BM_RawRoomsQueryOfEveryColumn(benchmark::State& state, StoreSize size) {
    rawRoomsQuery(state, size, "SELECT * FROM ChatRoom WHERE status IS NOT 1 ORDER BY activityDate DESC",
                  [](sqlite3_stmt* q) {
                      QVariantList row;
                      const int columns = sqlite3_column_count(q);
                      row.reserve(columns);
                      for (int c = 0; c < columns; ++c) {
                          switch (sqlite3_column_type(q, c)) {
                          case SQLITE_INTEGER:
                              row.append(sqlite3_column_int64(q, c));
                              break;
                          case SQLITE_FLOAT:
                              row.append(sqlite3_column_double(q, c));
                              break;
                          case SQLITE_TEXT:
                              row.append(
                                  QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(q, c)),
                                                    sqlite3_column_bytes(q, c)));
                              break;
                          case SQLITE_BLOB:
                              row.append(QByteArray(static_cast<const char*>(sqlite3_column_blob(q, c)),
                                                    sqlite3_column_bytes(q, c)));
                              break;
                          default:
                              row.append(QVariant());
                          }
                      }
                      return row;
                  });
}

// What a row of the list shows, read by the core and by the raw join alike.
struct ShownRow {
    QString id, name, type, picture, text;
    qint64 activity, unread, date, sender;
    int messageType, messageState;
};

// The query with every row's values as the list reads them, latest messages included: the raw join's
// equal. The objects go with the list they came in, as the query's own work.
QList<ShownRow> coreShownRows() {
    QList<ShownRow> rows;
    for (const auto& room : ChatRoom::allChatRoomsWithLatestMessages()) {
        const auto latest = room->latestMessageSummary();
        rows.append({room->roomId(), room->name(), room->type(), room->imageUrl(),
                     latest ? latest->displayText : QString(), room->activityDate(),
                     room->tempUnreadMessageCount(), latest ? latest->date : 0,
                     latest ? latest->senderUserKey : 0, latest ? latest->type : 0,
                     latest ? latest->state : 0});
    }
    return rows;
}

void BM_CoreRoomsQueryWithLatestMessagesCold(benchmark::State& state, StoreSize size) {
    ensureWorld(size);
    for (auto _ : state) {
        qsizetype read = 0;
        {
            // Freed within the time, as the raw side frees its rows.
            QList<ShownRow> rows = coreShownRows();
            benchmark::DoNotOptimize(rows);
            read = rows.size();
        }
        state.PauseTiming();
        if (read != size.rooms) {
            bench::fail(state, "wrong rooms");
            break;
        }
        PLPersistence::PS_defaultContext()->reset();
        state.ResumeTiming();
    }
}

// What the list shows, straight from SQLite: the rooms in order with name, type, picture and stored
// count, and their latest messages' line (a smart message's display name), date, type, state and sender.
constexpr const char* kShownColumnsSql =
    "SELECT r.roomId, r.name, r.type, r.imageUrl, r.activityDate, r.tempUnreadMessageCount, "
    "CASE WHEN m.type = 1 THEN m.displayName ELSE m.text END, m.date, m.type, m.state, m.senderUser "
    "FROM ChatRoom r "
    "LEFT JOIN Message m ON m.messageId = r.latestMessageId "
    "WHERE r.status != 1 ORDER BY r.activityDate DESC";

ShownRow rawShownRow(sqlite3_stmt* q) {
    const auto text = [q](int column) {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(q, column)));
    };
    return ShownRow{text(0),
                    text(1),
                    text(2),
                    text(3),
                    text(6),
                    sqlite3_column_int64(q, 4),
                    sqlite3_column_int64(q, 5),
                    sqlite3_column_int64(q, 7),
                    sqlite3_column_int64(q, 10),
                    sqlite3_column_int(q, 8),
                    sqlite3_column_int(q, 9)};
}

void BM_RawRoomsQueryOfTheShownColumns(benchmark::State& state, StoreSize size) {
    rawRoomsQuery(state, size, kShownColumnsSql, rawShownRow);
}

// The two above in turns, each pair timed back to back (which goes first alternates): a moment of a
// busy machine then falls on both sides of a pair, and the median of the pairs' ratios is the
// comparison least moved by it.
struct PairedMedians {
    int pairs = 0;
    double coreMs = 0, rawMs = 0, ratio = 0;
};
std::map<std::string, PairedMedians> g_paired; // by size

// 150 pairs of 1,000 rooms; at least 21 of larger sizes.
int pairsFor(StoreSize size) {
    return bench::sized(std::max(21, 150'000 / size.rooms), 3);
}

void BM_LatestMessagesCoreAndRawInTurns(benchmark::State& state, StoreSize size) {
    platform::SqliteConnection connection;
    sqlite3_stmt* q = preparedOnStoreFile(connection, kShownColumnsSql, state, size);
    if (!q)
        return;
    const int rooms = size.rooms;
    const int pairs = pairsFor(size);
    bool wrong = false;
    const auto raw = [q, &wrong, rooms] {
        QElapsedTimer timer;
        timer.start();
        qsizetype read = 0;
        {
            QList<ShownRow> rows;
            while (sqlite3_step(q) == SQLITE_ROW)
                rows.append(rawShownRow(q));
            sqlite3_reset(q);
            benchmark::DoNotOptimize(rows);
            read = rows.size();
        }
        const double elapsed = double(timer.nsecsElapsed());
        wrong = wrong || read != rooms;
        return elapsed;
    };
    const auto core = [&wrong, rooms] {
        QElapsedTimer timer;
        timer.start();
        qsizetype read = 0;
        {
            QList<ShownRow> rows = coreShownRows();
            benchmark::DoNotOptimize(rows);
            read = rows.size();
        }
        const double elapsed = double(timer.nsecsElapsed());
        wrong = wrong || read != rooms;
        PLPersistence::PS_defaultContext()->reset();
        return elapsed;
    };
    std::vector<double> ratios, cores, raws;
    for (auto _ : state) {
        for (int pair = 0; pair < pairs; ++pair) {
            const double rawFirst = pair % 2 ? 0 : raw();
            const double coreTime = core();
            const double rawTime = pair % 2 ? raw() : rawFirst;
            ratios.push_back(coreTime / rawTime);
            cores.push_back(coreTime);
            raws.push_back(rawTime);
        }
    }
    const auto median = [](std::vector<double>& values) {
        std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
        return values[values.size() / 2];
    };
    g_paired[size.name()] = {pairs, median(cores) / 1e6, median(raws) / 1e6, median(ratios)};
    sqlite3_finalize(q);
    if (wrong)
        state.SkipWithError("wrong rooms");
}

void BM_RoomsListFirstFrameCold(benchmark::State& state, StoreSize size) {
    ensureWorld(size);
    for (auto _ : state) {
        auto* screen = new ListOnScreen;
        QCoreApplication::processEvents();
        paintOnce(screen->window);
        state.PauseTiming();
        const bool filled = screen->list->chatRooms().size() == size.rooms &&
                            screen->list->tableView()->visibleCells().size() >= 9;
        delete screen;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        PLPersistence::PS_defaultContext()->reset();
        if (!filled) {
            bench::fail(state, "the list is not filled");
            break;
        }
        state.ResumeTiming();
    }
}

// The same two lines per row for the list view: the room's name and its last message, 72 high.
class TwoLineRooms : public QAbstractListModel {
public:
    explicit TwoLineRooms(const QList<std::shared_ptr<ChatRoom>>& rooms) {
        for (const auto& room : rooms) {
            const auto latest = room->latestMessage();
            m_lines << room->name() + QLatin1Char('\n') + (latest ? latest->text() : QString());
        }
    }
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : int(m_lines.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole)
            return m_lines.value(index.row());
        if (role == Qt::SizeHintRole)
            return QSize(kScreen.width(), int(PLChatRoomTableViewCell::cellHeight()));
        return {};
    }

private:
    QStringList m_lines;
};

void BM_RoomsListScroll(benchmark::State& state, StoreSize size) {
    ensureWorld(size);
    const OwnMemory before = OwnMemory::now();
    ListOnScreen screen;
    QCoreApplication::processEvents();
    auto* table = screen.list->tableView();
    // The list itself is painted, as the list view is: the navigation bar above it does not scroll.
    const int content = int(table->contentSize().height()) + kScreen.height() - table->height();
    scrollFrames(
        state, *table, content, [&](int y) { table->setContentOffset(QPointF(0, y)); }, before);
    state.counters["cells"] = double(table->findChildren<PLChatRoomTableViewCell*>().size());
}

void BM_PlainListViewScroll(benchmark::State& state, StoreSize size) {
    ensureWorld(size);
    const OwnMemory before = OwnMemory::now();
    TwoLineRooms model(ChatRoom::allChatRooms());
    QListView list;
    list.setModel(&model);
    list.setUniformItemSizes(true);
    list.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // As large as the rooms list under its navigation bar.
    list.resize(kScreen.width(), kScreen.height() - platform::ui::NavigationBar::kHeight);
    list.show();
    QCoreApplication::processEvents();
    const int content = list.verticalScrollBar()->maximum() + kScreen.height();
    scrollFrames(
        state, list, content, [&](int y) { list.verticalScrollBar()->setValue(y); }, before);
}

// Makes `count` rooms from the bottom of the list the newest, one after the other, in the store.
QStringList touchRooms(int count, qint64& clock) {
    QStringList ids;
    auto rooms = ChatRoom::allChatRooms();
    for (int i = 0; i < count; ++i) {
        const auto& room = rooms[rooms.size() - 1 - (i * 3) % rooms.size()];
        room->setActivityDate(++clock);
        ids << room->roomId();
    }
    PLPersistence::PS_defaultContext()->save();
    return ids;
}

void postUpdates(const QStringList& ids) {
    auto* center = platform::NotificationCenter::defaultCenter();
    for (const QString& id : ids)
        center->post(QLatin1String(ChatRoomUpdatedNotification), {}, {{QLatin1String(kChatRoomIDKey), id}});
}

qint64 g_clock = 1'800'000'000'000;

void BM_RoomsListBurstOf200Updates(benchmark::State& state, StoreSize size) {
    ensureWorld(size);
    ListOnScreen screen;
    QCoreApplication::processEvents();
    paintOnce(screen.window);
    for (auto _ : state) {
        state.PauseTiming();
        const QStringList ids = touchRooms(kBurst, g_clock);
        state.ResumeTiming();
        postUpdates(ids);
        QCoreApplication::processEvents();
        paintOnce(screen.window);
        state.PauseTiming();
        // Every row in its place: the list's order is the store's, and each cell on screen shows the
        // room of its row.
        const auto stored = ChatRoom::allChatRooms();
        const auto shown = screen.list->chatRooms();
        bool inPlace = shown.size() == stored.size();
        for (int i = 0; inPlace && i < shown.size(); ++i)
            inPlace = shown[i]->roomId() == stored[i]->roomId();
        auto* table = screen.list->tableView();
        for (auto* cell : table->visibleCells()) {
            auto* row = qobject_cast<PLChatRoomTableViewCell*>(cell);
            inPlace = inPlace && row && row->chatRoom() == shown.value(table->indexPathForCell(row)->row);
        }
        if (!inPlace || shown.first()->roomId() != ids.last()) {
            bench::fail(state, "a row is out of place after the burst");
            break;
        }
        state.ResumeTiming();
    }
}

// The notifications alone: delivered, each room looked up and re-read, nothing on screen.
void BM_BurstOf200NotificationsWithoutAList(benchmark::State& state, StoreSize size) {
    ensureWorld(size);
    auto* center = platform::NotificationCenter::defaultCenter();
    const auto token =
        center->addObserver(QLatin1String(ChatRoomUpdatedNotification), [](const platform::Notification& n) {
            const auto room =
                ChatRoom::chatRoomWithID(n.userInfo.value(QLatin1String(kChatRoomIDKey)).toString());
            if (room)
                room->refreshObject();
        });
    for (auto _ : state) {
        state.PauseTiming();
        const QStringList ids = touchRooms(kBurst, g_clock);
        state.ResumeTiming();
        postUpdates(ids);
        QCoreApplication::processEvents();
    }
    center->removeObserver(token);
}

// The queries take a few milliseconds, as long as a busy machine's hiccup: each side is the median
// of several runs.
const int kQueryRuns = bench::sized(7, 1);

using SizedBenchmark = void (*)(benchmark::State&, StoreSize);

std::string sizedName(const char* name, StoreSize size) {
    return std::string(name) + "/" + size.name();
}

benchmark::internal::Benchmark* add(const char* name, SizedBenchmark run, StoreSize size) {
    return benchmark::RegisterBenchmark(sizedName(name, size).c_str(),
                                        [run, size](benchmark::State& state) { run(state, size); })
        ->Unit(benchmark::kMillisecond);
}

// Every benchmark of a size, one size after the other (each size's store is seeded once).
void registerBenchmarks(const QList<StoreSize>& sizes) {
    for (const StoreSize& size : sizes) {
        const int iterations = size.queryIterations();
        for (const auto& [name, run] :
             {std::pair<const char*, SizedBenchmark>{"BM_RawRoomsQueryOfEveryColumn",
                                                     BM_RawRoomsQueryOfEveryColumn},
              {"BM_RawRoomsQueryOfTheShownColumns", BM_RawRoomsQueryOfTheShownColumns},
              {"BM_CoreRoomsQueryCold", BM_CoreRoomsQueryCold},
              {"BM_CoreRoomsQueryWithLatestMessagesCold", BM_CoreRoomsQueryWithLatestMessagesCold}})
            add(name, run, size)->Iterations(iterations)->Repetitions(kQueryRuns);
        add("BM_LatestMessagesCoreAndRawInTurns", BM_LatestMessagesCoreAndRawInTurns, size)->Iterations(1);
        add("BM_RoomsListFirstFrameCold", BM_RoomsListFirstFrameCold, size)
            ->Iterations(bench::iterations(std::max(3, iterations)));
        if (size.rooms > 10'000)
            continue;
        add("BM_PlainListViewScroll", BM_PlainListViewScroll, size)->Iterations(bench::iterations(5));
        add("BM_RoomsListScroll", BM_RoomsListScroll, size)->Iterations(bench::iterations(5));
        add("BM_BurstOf200NotificationsWithoutAList", BM_BurstOf200NotificationsWithoutAList, size)
            ->Iterations(bench::iterations(5));
        add("BM_RoomsListBurstOf200Updates", BM_RoomsListBurstOf200Updates, size)
            ->Iterations(bench::iterations(5));
    }
}

// "--sizes=1000x100,100000x1" taken out of the arguments; the default sizes without it (a small one in
// a short run), none (an error) for a list that does not read.
std::optional<QList<StoreSize>> takeSizes(int& argc, char** argv) {
    QList<StoreSize> sizes =
        bench::sized(QList<StoreSize>{{1000, 100}, {100'000, 1}}, QList<StoreSize>{{50, 10}});
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (!arg.startsWith("--sizes="))
            continue;
        sizes.clear();
        for (const QByteArray& item : arg.mid(8).split(',')) {
            const QList<QByteArray> parts = item.split('x');
            bool roomsOk = false, perRoomOk = false;
            const StoreSize size{parts.value(0).toInt(&roomsOk), parts.value(1).toInt(&perRoomOk)};
            if (parts.size() != 2 || !roomsOk || !perRoomOk || size.rooms <= 0 || size.messagesPerRoom <= 0)
                return std::nullopt;
            sizes << size;
        }
        std::copy(argv + i + 1, argv + argc, argv + i);
        --argc;
        --i;
    }
    if (sizes.isEmpty())
        return std::nullopt;
    return sizes;
}

// Fonts, glyph caches, the backing store and the store's statements exist before anything is timed.
void warmUp(StoreSize size) {
    platform::ui::Animator::setInstant(true);
    ensureWorld(size);
    ListOnScreen screen;
    QCoreApplication::processEvents();
    for (int y = 0; y < 20000; y += 500) {
        screen.list->tableView()->setContentOffset(QPointF(0, y));
        paintOnce(screen.window);
    }
    PLPersistence::PS_defaultContext()->reset();
}

void printFigures(StoreSize size) {
    auto ms = [&size](const char* name) {
        return g_seconds.value(QString::fromStdString(sizedName(name, size))) * 1e3;
    };
    std::printf(
        "\nRooms list, %d rooms / %lld messages (target for the rooms query: < 5 ms at 1,000 rooms and "
        "<= 2x of raw SQL doing the same work; each query the median of %d runs of %d):\n",
        size.rooms, qint64(size.rooms) * size.messagesPerRoom, kQueryRuns, size.queryIterations());
    std::printf("  first painted frame in a warm process %.1f ms (the fresh process: bench_startup)\n",
                ms("BM_RoomsListFirstFrameCold"));
    std::printf(
        "  the core's rooms query alone %.1f ms beside a raw query of the same rows and columns %.1f ms "
        "(%.2fx)\n",
        ms("BM_CoreRoomsQueryCold"), ms("BM_RawRoomsQueryOfEveryColumn"),
        ms("BM_CoreRoomsQueryCold") / ms("BM_RawRoomsQueryOfEveryColumn"));
    std::printf("  the core's rooms query with every row's latest message %.1f ms beside the raw join that "
                "reads them %.1f ms (%.2fx)\n",
                ms("BM_CoreRoomsQueryWithLatestMessagesCold"), ms("BM_RawRoomsQueryOfTheShownColumns"),
                ms("BM_CoreRoomsQueryWithLatestMessagesCold") / ms("BM_RawRoomsQueryOfTheShownColumns"));
    const PairedMedians& paired = g_paired[size.name()];
    std::printf("    the same two in turns, %d pairs: the core %.1f ms, raw %.1f ms, the pairs' ratio %.2fx "
                "(medians)\n",
                paired.pairs, paired.coreMs, paired.rawMs, paired.ratio);
    if (size.rooms > 10'000)
        return;
    std::printf("  a burst of %d updates applied on screen %.1f ms (target < 100 ms); the notifications "
                "alone %.1f ms\n",
                kBurst, ms("BM_RoomsListBurstOf200Updates"), ms("BM_BurstOf200NotificationsWithoutAList"));
    std::printf("  scrolling: see the fps counters of BM_RoomsListScroll and BM_PlainListViewScroll\n");
}

} // namespace

int main(int argc, char** argv) {
    bench::BenchRun run(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const auto sizes = takeSizes(argc, argv);
    if (!sizes) {
        std::fprintf(stderr, "usage: bench_roomslist [--sizes=ROOMSxMESSAGES,...] [benchmark options]\n");
        return 2;
    }
    QApplication app(argc, argv);
    warmUp(sizes->first());
    registerBenchmarks(*sizes);
    SideBySideReporter reporter(g_seconds);
    run.run(&reporter);
    for (const StoreSize& size : *sizes)
        printFigures(size);
    delete g_world;
    return run.finish();
}
