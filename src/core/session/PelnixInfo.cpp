#include "core/session/PelnixInfo.h"

namespace pelnix {

void PelnixInfo::setSessionState(quint64 state) {
    if (state == m_sessionState)
        return;
    m_sessionState = state;
    if (state == 0 || state == 3)
        destroy();
}

void PelnixInfo::destroy() {
    m_navigationTitleColor.clear();
    m_navigationTitle.clear();
    m_tableViewSeparatorColor.clear();
    m_mediaIconBase64.clear();
    m_chatletIconBase64.clear();
    m_showContactsOptions = 0;
    m_sandboxingFeatureEnabled = true;
    m_appLockFeatureEnabled = true;
    save();
}

} // namespace pelnix
