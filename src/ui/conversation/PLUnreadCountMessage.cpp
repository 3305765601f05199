#include "ui/conversation/PLUnreadCountMessage.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "ui/conversation/PLUnreadMessagesSeparatorCell.h"

namespace pelnix {

PLUnreadCountMessage::PLUnreadCountMessage(qint64 unreadMessagesCount)
    : m_count(unreadMessagesCount), m_displayCellHeight(qint16(PLUnreadMessagesSeparatorCell::cellHeight())) {
}

QString PLUnreadCountMessage::displayText() const {
    if (m_count == 0)
        return {};
    // A single update keeps the width of the plural with a blank in place of the "s".
    const QString noun = PLCurrentBundleInfo::localizedString(QStringLiteral("New Update")) +
                         (m_count < 2 ? QStringLiteral(" ") : QStringLiteral("s"));
    return QStringLiteral("%1 %2 ").arg(QString::number(m_count), noun);
}

} // namespace pelnix
