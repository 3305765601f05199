#pragma once

#include <QString>

namespace pelnix {

// The new-updates separator row that stands above the first unread message. Stale: it is collapsed
// once it has been seen and scrolled away.
class PLUnreadCountMessage {
public:
    explicit PLUnreadCountMessage(qint64 unreadMessagesCount);

    qint64 unreadMessagesCount() const { return m_count; }
    qint16 type() const { return 9; }
    qint16 state() const { return 1; }
    bool isStale() const { return true; }
    qint16 displayCellHeight() const { return m_displayCellHeight; }
    void setDisplayCellHeight(qint16 height) { m_displayCellHeight = height; }
    // "3 New Updates ", "1 New Update  "; empty for no count.
    QString displayText() const;

private:
    qint64 m_count;
    qint16 m_displayCellHeight;
};

} // namespace pelnix
