#include "interface/PelnixSetUp.h"

#include "core/model/CurrentUserInfo.h"
#include "core/model/PLModelManager.h"
#include "core/model/PLModelManagerHooks.h"
#include "core/model/RoomModelServices.h"
#include "core/session/PelnixInfo.h"
#include "core/session/PelnixStateManager.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/CustomUIDatePickerLabels.h"
#include "foundation/ui/WidgetServices.h"
#include "interface/PLAnalyticsTrackingHelper.h"
#include "interface/PelnixErrorHandlingHelper.h"
#include "interface/PelnixProfileImageUploadHelper.h"
#include "interface/PelnixScreenAssembly.h"
#include "media/PLImageManager.h"
#include "media/PLMultiMediaHandler.h"
#include "media/PLRichMediaOutbox.h"
#include "media/PLVideoThumbnailer.h"
#include "platform/MainThread.h"
#include "platform/ui/ImageViewWebCache.h"
#include "smart/PLChatletCategoryItems.h"
#include "smart/SmartBringUpDownloads.h"
#include "smart/SmartMessageRenderer.h"

#include <QGuiApplication>

namespace pelnix {

Q_LOGGING_CATEGORY(lcFacade, "pelnix.facade", QtWarningMsg)

namespace PelnixSetUp {

void ensureLibraryIsSetUp() {
    Q_ASSERT(platform::isMainThread());
    static bool done = false;
    if (done)
        return;
    done = true;
    PLModelManager::registerModelLayer();
    // The core cannot call up into the media layer: the facade connects the upload pipeline to the
    // outbox, once.
    PLRichMediaOutbox::install();
    // The media handler cannot reach up either: its video previews come from the media stack.
    PLMultiMediaHandler::setThumbnailProvider(
        [](const QString& path) { return PLVideoThumbnailer::thumbnailFromVideoAtPath(path); });
    connectAppearance();
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        WidgetServices::install();
        // The host's date pickers too, as the library's own, take the library's look.
        CustomUIDatePickerLabels::restyleDatePickers();
        // A profile picture refused for its size tells the user why.
        PelnixProfileImageUploadHelper::setAlertHook(WidgetServices::showAlert);
        connectImageViews();
        connectScreens();
    }
}

void connectScreens() {
    // The screens stand above the facade: the library's assembly registers them.
    if (const auto& registerScreens = PelnixScreenAssembly::shared().registerScreens)
        registerScreens();
    else
        qCWarning(lcFacade) << "Pelnix : no screens are assembled into this program";
}

void connectImageViews() {
    // The screen layer cannot link the media layer: remote pictures of image views load through the
    // media layer's caches and downloader from here.
    using platform::ui::ImageViewWebCache::Completed;
    platform::ui::ImageViewWebCache::setImageSource({
        [](const QUrl& url, int options, Completed done) -> quint64 {
            return PLImageManager::sharedManager()->loadImageWithURL(
                url, options,
                [done](const QImage& image, const PLOptionalError& error, PLImageManager::CacheType type,
                       const QUrl& loaded) { done(image, error, int(type), loaded); });
        },
        [](quint64 id) { PLImageManager::sharedManager()->cancel(id); },
        [](const QUrl& url) { return PLImageManager::sharedManager()->cachedImageExistsForURL(url); },
    });
}

void connectSmartMessages() {
    // The core cannot call up into smart messages; the facade is the layer that links both.
    RoomModelServices::shared().renderSmartMessage = [](const std::shared_ptr<Message>& message) {
        SmartMessageRenderer::generateHTMLString(message, false);
    };
    auto& hooks = PLModelManager::hooks();
    hooks.startFetchingXSLT = [](PLResultHandler completion, PLProgressHandler progress) {
        return SmartBringUpDownloads::startFetchingXSLT(std::move(completion), std::move(progress));
    };
    hooks.updateFormJSONs = [](PLResultHandler completion) {
        return SmartBringUpDownloads::updateFormJSONs(std::move(completion));
    };
    hooks.refreshChatlets = [] { PLChatletCategoryItems::updateChaletsWithCompletionHandler(); };
}

bool isInitialSetUpDone() {
    return PelnixStateManager::sharedStateManagerInstance()->isInitialSetUpDone();
}

quint64 sessionState() {
    return PelnixInfo::sharedInstance()->sessionState();
}

PLError error(qint64 code, const char* text) {
    return PelnixErrorHandlingHelper::errorWithCode(
        code, PLCurrentBundleInfo::localizedString(QString::fromUtf8(text)));
}

PLError notInitializedError() {
    return error(PelnixErrorNotInitialized, "InitWithCompletionHandler method is not called");
}

std::shared_ptr<CurrentUserInfo> loggedInAccount() {
    if (!PelnixInfo::sharedInstance()->isLoggedInToPelnix())
        return nullptr;
    ensureLibraryIsSetUp();
    PelnixStateManager::sharedStateManagerInstance()->initializeDatabase();
    return CurrentUserInfo::currentUserInfo();
}

} // namespace PelnixSetUp
} // namespace pelnix
