#pragma once

#include "platform/NotificationCenter.h"
#include "platform/ui/Scheduler.h"

#include <QList>
#include <QObject>
#include <QPointer>

namespace pelnix {

class PLChatMessageCell;

namespace platform::ui {
class CollectionViewCell;
}

// Marks cells read after they have stayed on screen for a while: each handed cell is asked to mark
// itself read (markRead(1)) once its delay is over, unless it leaves the screen first ("chat window
// cell did move out of screen"). A cell is scheduled at most once while it stays on screen: it stays
// in the list after its mark has fired and leaves it only when its request is cancelled. Going away
// cancels whatever has not fired yet.
class PLMarkMessageAsReadHelper : public QObject {
    Q_OBJECT
public:
    explicit PLMarkMessageAsReadHelper(QObject* parent = nullptr);
    ~PLMarkMessageAsReadHelper() override;

    void markAsReadCells(const QList<platform::ui::CollectionViewCell*>& cells, qint64 delayMs);
    void cancelPreviousSelectorForCell(QObject* cell);
    void cancelAllPreviousRequest();
    void cleanUp();
    bool isScheduled(const QObject* cell) const;
    int scheduledCount() const { return int(m_cellsToMarkAsRead.size()); }

private:
    struct Request {
        QPointer<PLChatMessageCell> cell;
        const QObject* key;
        platform::ui::Scheduler::Id id;
    };

    QList<Request> m_cellsToMarkAsRead;
    platform::NotificationCenter::Token m_observer = 0;
};

} // namespace pelnix
