#include "smart/PLSmartMessageInfo.h"

#include "smart/SmartModel.h"

#include <limits>

namespace pelnix {

namespace {
// Heights are whole points in a signed 16-bit field.
qint16 clampedHeight(double height) {
    if (!(height > 0))
        return 0;
    return height >= std::numeric_limits<qint16>::max() ? std::numeric_limits<qint16>::max() : qint16(height);
}
} // namespace

PLSmartMessageInfo::PLSmartMessageInfo(User::Ptr senderUser, User::Ptr fromUser, QString dateString,
                                       QString htmlString, double cellHeight, QString detailsLinkVisibility,
                                       QString latestAction, const Message::Ptr& smartMessage)
    : m_senderUser(std::move(senderUser)), m_fromUser(std::move(fromUser)),
      m_dateString(std::move(dateString)), m_htmlString(std::move(htmlString)),
      m_displayCellHeight(clampedHeight(cellHeight)),
      m_detailsLinkVisibility(std::move(detailsLinkVisibility)), m_latestAction(std::move(latestAction)),
      m_smartMessage(smartMessage), m_state(smartMessage ? smartMessage->state() : 0) {}

std::shared_ptr<PLSmartMessageInfo> PLSmartMessageInfo::dummyInstanceWithDisplayHeight(double height) {
    std::shared_ptr<PLSmartMessageInfo> info(new PLSmartMessageInfo);
    info->m_displayCellHeight = clampedHeight(height);
    info->m_state = 1;
    return info;
}

bool PLSmartMessageInfo::isCurrentUser(const User::Ptr& user) {
    if (!user)
        return false;
    const auto account = CurrentUserInfo::PS_findFirst();
    const auto me = account ? account->user() : nullptr;
    return me && me->userID() == user->userID();
}

bool PLSmartMessageInfo::senderIsMe() const {
    return isCurrentUser(m_senderUser);
}

bool PLSmartMessageInfo::lastUpdatedUserIsMe() const {
    return isCurrentUser(m_fromUser);
}

} // namespace pelnix
