#pragma once

#include <QDateTime>
#include <QString>
#include <memory>
#include <variant>

namespace pelnix {

class Message;
class PLDateMessage;
class PLSmartMessageInfo;
class PLUnreadCountMessage;
class User;

// One row of the chat window: a stored message, a snapshot (or placeholder) of a smart message, a date
// separator or the new-updates separator. A handle: copies name the same row object, and two handles
// are equal when they name the same object. Row types 1 to 7 are message types, 8 a date separator,
// 9 the new-updates separator.
class PLChatWindowCellContent {
public:
    PLChatWindowCellContent() = default;
    PLChatWindowCellContent(std::shared_ptr<Message> message);
    PLChatWindowCellContent(std::shared_ptr<PLSmartMessageInfo> snapshot);
    PLChatWindowCellContent(std::shared_ptr<PLDateMessage> date);
    PLChatWindowCellContent(std::shared_ptr<PLUnreadCountMessage> separator);

    bool isNull() const;
    qint16 type() const;
    // 0 unread, 1 read.
    qint16 state() const;
    bool isStale() const;
    // Milliseconds since 1970; a date separator answers its day.
    qint64 date() const;
    // The calendar day the row falls on (local time), from its date in whole seconds.
    QDate day() const;
    qint16 displayCellHeight() const;
    void setDisplayCellHeight(qint16 height);
    QString displayText() const;
    std::shared_ptr<User> senderUser() const;

    std::shared_ptr<Message> message() const;
    std::shared_ptr<PLSmartMessageInfo> smartMessageInfo() const;
    std::shared_ptr<PLDateMessage> dateMessage() const;
    std::shared_ptr<PLUnreadCountMessage> unreadCountMessage() const;

    bool operator==(const PLChatWindowCellContent& other) const { return identity() == other.identity(); }
    const void* identity() const;

private:
    std::variant<std::monostate, std::shared_ptr<Message>, std::shared_ptr<PLSmartMessageInfo>,
                 std::shared_ptr<PLDateMessage>, std::shared_ptr<PLUnreadCountMessage>>
        m_row;
};

// The calendar day of a date in milliseconds since 1970 (local time, whole seconds).
QDate chatWindowDayOfDate(qint64 milliseconds);

} // namespace pelnix
