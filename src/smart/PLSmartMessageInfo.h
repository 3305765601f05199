#pragma once

#include <QString>

#include <memory>

namespace pelnix {

class Message;
class User;

// A chat-window row standing for a smart message as it was shown before an update: a snapshot of
// its sender, last updater, time text, HTML, height, details-link visibility and latest action, or a
// placeholder of a given height. Always stale; type 1.
class PLSmartMessageInfo {
public:
    PLSmartMessageInfo(std::shared_ptr<User> senderUser, std::shared_ptr<User> fromUser, QString dateString,
                       QString htmlString, double cellHeight, QString detailsLinkVisibility,
                       QString latestAction, const std::shared_ptr<Message>& smartMessage);
    // A placeholder: type 1, state 1, nothing else but the height.
    static std::shared_ptr<PLSmartMessageInfo> dummyInstanceWithDisplayHeight(double height);

    qint16 type() const { return 1; }
    qint16 state() const { return m_state; }
    bool isStale() const { return true; }

    // The message it stands for, while that is alive.
    std::shared_ptr<Message> smartMessage() const { return m_smartMessage.lock(); }
    std::shared_ptr<User> senderUser() const { return m_senderUser; }
    std::shared_ptr<User> fromUser() const { return m_fromUser; }
    QString chatWindowTimeString() const { return m_dateString; }
    QString htmlString() const { return m_htmlString; }
    void setHtmlString(const QString& html) { m_htmlString = html; }
    qint16 displayCellHeight() const { return m_displayCellHeight; }
    void setDisplayCellHeight(qint16 height) { m_displayCellHeight = height; }
    QString detailsLinkVisibility() const { return m_detailsLinkVisibility; }
    QString latestAction() const { return m_latestAction; }

    // Whether the sender (or the last updater) is the signed-in account's user.
    bool senderIsMe() const;
    bool lastUpdatedUserIsMe() const;
    bool latestActionIsInit() const { return m_latestAction == QLatin1String("init"); }
    bool latestActionIsReply() const { return m_latestAction == QLatin1String("reply"); }
    bool latestActionIsComment() const { return m_latestAction == QLatin1String("comment"); }
    bool latestActionIsExpired() const { return m_latestAction == QLatin1String("expired"); }

private:
    PLSmartMessageInfo() = default;
    static bool isCurrentUser(const std::shared_ptr<User>& user);

    std::shared_ptr<User> m_senderUser;
    std::shared_ptr<User> m_fromUser;
    QString m_dateString;
    QString m_htmlString;
    qint16 m_displayCellHeight = 0;
    QString m_detailsLinkVisibility;
    QString m_latestAction;
    std::weak_ptr<Message> m_smartMessage;
    qint16 m_state = 0;
};

} // namespace pelnix
