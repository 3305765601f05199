#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/PLReachabilityResponder.h"
#include "platform/MainThread.h"

#include <QMutex>

namespace pelnix {

namespace {
QMutex g_presenterMutex;
PLReachabilityResponder::AlertPresenter g_presenter;
} // namespace

void PLReachabilityResponder::setAlertPresenter(AlertPresenter presenter) {
    QMutexLocker lock(&g_presenterMutex);
    g_presenter = std::move(presenter);
}

bool PLReachabilityResponder::isNetworkReachable(bool showAlert) const {
    if (isReachable())
        return true;
    if (showAlert) {
        AlertPresenter presenter;
        {
            QMutexLocker lock(&g_presenterMutex);
            presenter = g_presenter;
        }
        if (presenter) {
            const QString title = PLCurrentBundleInfo::localizedString(QStringLiteral("Failed"));
            const QString message = PLCurrentBundleInfo::localizedString(
                QStringLiteral("Please check your network connectivity."));
            const QString cancel = PLCurrentBundleInfo::localizedString(QStringLiteral("OK"));
            auto show = [presenter, title, message, cancel] { presenter(title, message, cancel); };
            // Alerts belong to the main thread; the caller does not wait for it.
            if (platform::isMainThread())
                show();
            else
                platform::runOnMain(show);
        }
    }
    return false;
}

} // namespace pelnix
