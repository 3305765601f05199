#pragma once

#include <QDateTime>

namespace pelnix {

// The date separator row of the chat window: one per calendar day shown.
class PLDateMessage {
public:
    explicit PLDateMessage(const QDateTime& date) : m_date(date) {}

    QDateTime dateMessage() const { return m_date; }
    // The day in milliseconds since 1970, so that it compares with message dates.
    qint64 date() const { return m_date.toMSecsSinceEpoch(); }
    qint16 type() const { return 8; }
    qint16 state() const { return 1; }
    bool isStale() const { return false; }
    // Stored for the row list's bookkeeping; the height shown is always the separator cell's.
    qint16 displayCellHeight() const;
    void setDisplayCellHeight(qint16 height) { m_storedHeight = height; }

private:
    QDateTime m_date;
    qint16 m_storedHeight = 0;
};

} // namespace pelnix
