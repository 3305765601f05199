#include "ui/conversation/PLMarkMessageAsReadHelper.h"

#include "platform/MainThread.h"
#include "platform/ui/CollectionViewCell.h"
#include "ui/conversation/ConversationNotifications.h"
#include "ui/conversation/PLChatMessageCell.h"

namespace pelnix {

using platform::ui::Scheduler;

PLMarkMessageAsReadHelper::PLMarkMessageAsReadHelper(QObject* parent) : QObject(parent) {
    m_observer = platform::NotificationCenter::defaultCenter()->addObserver(
        QLatin1String(PLChatWindowCellDidMoveOutOfScreenNotification),
        [this](const platform::Notification& n) {
            cancelPreviousSelectorForCell(
                n.userInfo.value(QLatin1String(kChatWindowCellKey)).value<QObject*>());
        },
        this);
}

PLMarkMessageAsReadHelper::~PLMarkMessageAsReadHelper() {
    cleanUp();
}

bool PLMarkMessageAsReadHelper::isScheduled(const QObject* cell) const {
    for (const Request& request : m_cellsToMarkAsRead)
        if (request.key == cell)
            return true;
    return false;
}

void PLMarkMessageAsReadHelper::markAsReadCells(const QList<platform::ui::CollectionViewCell*>& cells,
                                                qint64 delayMs) {
    Q_ASSERT(platform::isMainThread());
    // A cell that is gone left the screen too; its address may come back as another cell's.
    m_cellsToMarkAsRead.removeIf([](const Request& request) { return !request.cell; });
    for (auto* cell : cells) {
        auto* messageCell = qobject_cast<PLChatMessageCell*>(cell);
        if (!messageCell || isScheduled(messageCell))
            continue;
        QPointer<PLChatMessageCell> guard(messageCell);
        const auto id = Scheduler::shared()->performAfter(messageCell, delayMs, [guard] {
            if (guard)
                guard->markRead(1);
        });
        m_cellsToMarkAsRead << Request{guard, messageCell, id};
    }
}

void PLMarkMessageAsReadHelper::cancelPreviousSelectorForCell(QObject* cell) {
    for (int i = 0; i < m_cellsToMarkAsRead.size(); ++i) {
        if (m_cellsToMarkAsRead[i].key != cell)
            continue;
        Scheduler::shared()->cancel(m_cellsToMarkAsRead[i].id);
        m_cellsToMarkAsRead.removeAt(i);
        return;
    }
}

void PLMarkMessageAsReadHelper::cancelAllPreviousRequest() {
    while (!m_cellsToMarkAsRead.isEmpty())
        cancelPreviousSelectorForCell(const_cast<QObject*>(m_cellsToMarkAsRead.first().key));
}

void PLMarkMessageAsReadHelper::cleanUp() {
    if (m_observer) {
        platform::NotificationCenter::defaultCenter()->removeObserver(std::exchange(m_observer, 0));
    }
    cancelAllPreviousRequest();
}

} // namespace pelnix
