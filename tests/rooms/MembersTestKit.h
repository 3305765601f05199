#pragma once

// What the members screens' tests share: a room of named people imported through the core's room
// import into the rooms store, screens shown inside a navigation controller in a window of their
// own, a recording member-row delegate, and a reader of another user's event stream.

#include "RoomsTestKit.h"
#include "ui/rooms/PLMembersCellDelegate.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace pelnix::test {

struct Person {
    qint32 id;
    QString name;
    QString email;
};

inline QVariantMap personJSON(const Person& p) {
    QVariantMap user{{"id", p.id}, {"email", p.email}};
    if (!p.name.isNull())
        user.insert("name", p.name);
    return user;
}

// A group of `people` (Ann, 41, is always one of them) with `admin` as its admin.
inline void addGroup(const QString& id, const QString& name, const QList<Person>& people, qint32 admin,
                     bool hideMemberProfile = false) {
    QVariantList members;
    for (const Person& p : people)
        members << QVariantMap{
            {"userId", p.id}, {"isCreator", p.id == admin ? 1 : 0}, {"user", personJSON(p)}};
    ChatRoom::updateChatRoomsWithArray(
        QVariantList{QVariantMap{{"_id", id},
                                 {"name", name},
                                 {"type", "0"},
                                 {"createDate", 1000.0},
                                 {"hideMemberProfile", hideMemberProfile ? 1 : 0},
                                 {"totalMembers", members.size()},
                                 {"members", members}}});
}

inline const Person kAnnPerson{kAnn, "Ann", "ann@acme.test"};

// A screen at the top of a navigation stack in a window of its own, over `below` screens.
struct OnScreen {
    platform::ui::Window window;
    NavigationController* nav = nullptr;

    explicit OnScreen(platform::ui::ViewController* screen, int below = 0, QSize size = {320, 568}) {
        window.resize(size);
        QList<platform::ui::ViewController*> stack;
        for (int i = 0; i < below; ++i)
            stack << new platform::ui::ViewController;
        nav = new NavigationController(stack.isEmpty() ? screen : stack.first());
        window.setRootViewController(nav);
        window.makeKeyAndVisible();
        for (int i = 1; i < stack.size(); ++i)
            nav->pushViewController(stack[i], false);
        if (below > 0)
            nav->pushViewController(screen, false);
        QCoreApplication::processEvents();
    }
    AlertView* alert() const { return window.alerts().isEmpty() ? nullptr : window.alerts().last(); }
    QString alertText() const {
        AlertView* shown = alert();
        return shown ? shown->title() + QStringLiteral(" | ") + shown->message() : QString();
    }
};

// Every call a member row makes of its list.
class RecordingMembersDelegate : public QObject, public PLMembersCellDelegate {
public:
    void invitePendingMemberViaSms(const QString& name) override { calls << "invite " + name; }
    void removePendingMember(const QString& name) override { calls << "withdraw " + name; }
    void removeMember(const std::shared_ptr<RoomMember>& member) override {
        calls << "remove " + (member && member->user() ? member->user()->profileName() : QString());
    }
    QStringList calls;
};

// Another user's client as far as the event stream goes: what the service streams to that user.
class StreamReader {
public:
    StreamReader(const QString& baseUrl, qint64 userID, const QString& token) {
        QNetworkRequest request(QUrl(baseUrl + QStringLiteral("events?after=0")));
        request.setRawHeader("Authorization",
                             QStringLiteral("Tavrix %1:%2:echat").arg(userID).arg(token).toUtf8());
        m_reply = m_network.get(request);
        QObject::connect(m_reply, &QNetworkReply::readyRead, m_reply,
                         [this] { m_received += m_reply->readAll(); });
    }
    ~StreamReader() {
        m_reply->abort();
        m_reply->deleteLater();
    }
    // The events of `type` about `roomID` received so far.
    QList<QVariantMap> events(const QString& type, const QString& roomID) const {
        QList<QVariantMap> out;
        for (const QByteArray& line : m_received.split('\n')) {
            if (!line.startsWith("data: "))
                continue;
            const QVariantMap event = QJsonDocument::fromJson(line.mid(6)).object().toVariantMap();
            if (event.value("type").toString() == type && event.value("roomId").toString() == roomID)
                out << event;
        }
        return out;
    }

private:
    QNetworkAccessManager m_network;
    QNetworkReply* m_reply = nullptr;
    QByteArray m_received;
};

} // namespace pelnix::test
