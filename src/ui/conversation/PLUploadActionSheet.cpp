#include "ui/conversation/PLUploadActionSheet.h"

#include "core/api/PLAppConfigurations.h"
#include "core/api/UploadSizeLimitText.h"
#include "foundation/PLReachabilityResponder.h"
#include "media/PLMultiMediaHandler.h"
#include "media/PLRichMediaPosts.h"
#include "platform/ui/ImagePicker.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ScreenRegistry.h"
#include "ui/account/PLImageSelectionHelper.h"
#include "ui/account/PLPickerInfo.h"
#include "ui/conversation/AttachmentsLog.h"
#include "ui/conversation/PLAddressBookContactViewController.h"
#include "ui/conversation/PLChatWindowStyle.h"
#include "ui/conversation/PLLinkDisplayHelper.h"
#include "ui/conversation/PLLocationScreenInput.h"
#include "ui/conversation/PLPostChatletDelegate.h"
#include "ui/conversation/PLUploadViewerWithCaptionController.h"
#include "ui/conversation/SmartScreenSupport.h"

#include <QThread>

namespace pelnix {

using platform::ui::ActionSheet;
using platform::ui::AlertView;
using platform::ui::ImagePicker;
using platform::ui::ScreenRegistry;
using platform::ui::ViewController;
using SmartScreenSupport::text;
using SmartScreenSupport::topOf;

namespace {

void postToRoom(const ChatRoom::Ptr& room, const QVariantMap& mediaSelection, const QByteArray& data) {
    const auto mediaInfo = mediaSelection.value(PLUploadActionSheet::kMediaInfoKey).value<PLMultiMediaInfo>();
    if (!PLRichMediaPosts::postRichMediaWithPreparedMedia(room, mediaInfo, data))
        qCWarning(lcAttachments) << "the picked item could not be posted";
}

PLUploadActionSheet::MediaPoster& mediaPoster() {
    static PLUploadActionSheet::MediaPoster poster = postToRoom;
    return poster;
}

} // namespace

void PLUploadActionSheet::setMediaPoster(MediaPoster poster) {
    mediaPoster() = poster ? std::move(poster) : MediaPoster(postToRoom);
}

PLUploadActionSheet::PLUploadActionSheet(QObject* parent) : ViewController(parent) {
    setObjectName(QStringLiteral("uploadActionSheet"));
}

PLUploadActionSheet::~PLUploadActionSheet() {
    if (m_actionSheet)
        m_actionSheet->dismiss();
}

ChatRoom::Ptr PLUploadActionSheet::currentChatRoom() const {
    return m_roomId.isEmpty() ? nullptr : ChatRoom::chatRoomWithID(m_roomId);
}

void PLUploadActionSheet::setInViewController(QObject* controller) {
    m_inViewController = qobject_cast<ViewController*>(controller);
}

void PLUploadActionSheet::showActionSheet() {
    Q_ASSERT(QThread::currentThread() == thread());
    if (m_actionSheet)
        m_actionSheet->dismiss();
    QPointer<PLUploadActionSheet> self(this);
    auto* sheet = new ActionSheet(QString(), text("Cancel"), QString(),
                                  {text("Take Photo or Video"), text("Choose Existing Photo or Video"),
                                   text("Send Location"), text("Share Contact")},
                                  [self](AlertView*, int index) {
                                      if (self)
                                          self->actionSheetDidDismissWithButtonIndex(index);
                                  });
    sheet->setObjectName(QStringLiteral("uploadActionSheetView"));
    sheet->setFont(PLChatWindowStyle::font(QStringLiteral("DejaVuSans"), 16));
    m_actionSheet = sheet;
    sheet->show(m_inViewController ? m_inViewController->window() : nullptr);
}

void PLUploadActionSheet::cleanUp() {
    platform::ui::Scheduler::shared()->cancelPerforms(this);
    if (m_actionSheet)
        m_actionSheet->dismiss();
}

void PLUploadActionSheet::actionSheetDidDismissWithButtonIndex(int buttonIndex) {
    switch (buttonIndex) {
    case TakePhotoIndex:
        takePhotoOrVideo();
        break;
    case ChooseExistingIndex:
        chooseExisting();
        break;
    case SendLocationIndex:
        sendLocation();
        break;
    case ShareContactIndex:
        shareContact();
        break;
    default: // Cancel, and anything past it
        break;
    }
}

void PLUploadActionSheet::takePhotoOrVideo() {
    if (!ImagePicker::current()->isSourceTypeAvailable(ImagePicker::Source::Camera)) {
        showAlert(text("Camera source not found"));
        return;
    }
    if (PLImageSelectionHelper::needsPermissionForFirstTime())
        return;
    if (!PLImageSelectionHelper::isAuthorizedToUseAlbum()) {
        showAlert(text("Please enable access to Photos in Privacy Settings"));
        return;
    }
    m_isExisting = false;
    presentPicker(true);
}

void PLUploadActionSheet::chooseExisting() {
    m_isExisting = true;
    presentPicker(false);
}

void PLUploadActionSheet::presentPicker(bool camera) {
    if (!m_inViewController)
        return;
    QPointer<PLUploadActionSheet> self(this);
    ImagePicker* picker = ImagePicker::current();
    picker->setCameraDevice(ImagePicker::CameraDevice::Rear);
    picker->pick(camera ? ImagePicker::Source::Camera : ImagePicker::Source::PhotoLibrary,
                 ImagePicker::MediaKinds::ImagesAndVideos, false, m_inViewController->view(),
                 [self, camera](const std::optional<platform::ui::PickedMedia>& picked,
                                const std::optional<PLError>& error) {
                     if (!self)
                         return;
                     if (picked) {
                         self->imagePickerControllerDidFinishPickingMediaWithInfo(
                             PLPickerInfo::infoFromPickedMedia(*picked, !camera));
                     } else if (error) {
                         // A pick the library could not hand over is refused, never lost in silence.
                         qCWarning(lcAttachments) << "the pick failed:" << error->logText();
                         self->showAlert(text("The picked item cannot be read."));
                     }
                 });
}

void PLUploadActionSheet::imagePickerControllerDidFinishPickingMediaWithInfo(const QVariantMap& info) {
    if (PLPickerInfo::isMovie(info)) {
        m_mediaCaption = QStringLiteral("");
        writeToGalleryIfNeededWithInfo(info);
        return;
    }
    if (!m_inViewController)
        return;
    auto* captionScreen = new PLUploadViewerWithCaptionController;
    captionScreen->setPickerSelection(info);
    QPointer<PLUploadActionSheet> self(this);
    captionScreen->setCaptionEditedCompletionHandler([self, info](const QString& caption) {
        if (!self)
            return;
        self->m_mediaCaption = caption.isEmpty() ? QStringLiteral("") : caption;
        self->dismissPresented();
        self->writeToGalleryIfNeededWithInfo(info);
    });
    m_inViewController->presentViewController(captionScreen, true);
}

void PLUploadActionSheet::writeToGalleryIfNeededWithInfo(const QVariantMap& info) {
    if (m_isExisting) {
        checkUploadSizeForInfo(info);
        dismissPresented();
        return;
    }
    QPointer<PLUploadActionSheet> self(this);
    const auto saved = [self, info](const QUrl& assetURL, const PLOptionalError&) {
        if (self)
            self->writeCameraCapturedAssetURL(assetURL, info);
    };
    const auto* configuration = PLAppConfigurations::currentConfiguration();
    if (PLPickerInfo::isMovie(info))
        PLMultiMediaHandler::writeVideoWithURL(
            QUrl::fromLocalFile(info.value(PLPickerInfo::kMediaURLKey).toString()),
            configuration->pelnixVideoAlbum(), saved);
    else
        PLMultiMediaHandler::writeImage(PLPickerInfo::pictureOf(info), configuration->pelnixImageAlbum(),
                                        saved);
}

void PLUploadActionSheet::writeCameraCapturedAssetURL(const QUrl& assetURL, const QVariantMap& info) {
    QVariantMap withReference = info;
    if (!assetURL.isEmpty())
        withReference.insert(PLPickerInfo::kReferenceURLKey,
                             assetURL.isLocalFile() ? assetURL.toLocalFile() : assetURL.toString());
    checkUploadSizeForInfo(withReference);
    dismissPresented();
}

void PLUploadActionSheet::checkUploadSizeForInfo(const QVariantMap& info) {
    QPointer<PLUploadActionSheet> self(this);
    const bool existing = m_isExisting;
    platform::ui::Scheduler::shared()->dispatchAfter(kSizeCheckDelayMs, [self, info, existing] {
        switch (PLPickerInfo::checkUploadLimit(info, existing)) {
        case PLPickerInfo::LimitAnswer::WithinLimit:
            if (self)
                self->createPendingObjectWithCurrentPickerSelection(info);
            break;
        case PLPickerInfo::LimitAnswer::OverLimit:
            SmartScreenSupport::showAlert(nullptr, text("Alert"),
                                          UploadSizeLimitText::currentOverLimitMessage());
            break;
        case PLPickerInfo::LimitAnswer::Unreadable:
            qCWarning(lcAttachments) << "the picked library item cannot be read";
            SmartScreenSupport::showAlert(nullptr, text("Alert"), text("The picked item cannot be read."));
            break;
        }
    });
}

void PLUploadActionSheet::createPendingObjectWithCurrentPickerSelection(const QVariantMap& info) {
    QVariantMap pickerInfo = info;
    pickerInfo.insert(PLPickerInfo::kIsExistingMediaKey, m_isExisting);
    const ChatRoom::Ptr room = currentChatRoom();
    const QString caption = m_mediaCaption;
    // A video's thumbnail comes from the media stack: the description is complete when it answers,
    // and the main thread does not wait for it.
    auto handler = std::make_shared<PLMultiMediaHandler>();
    QPointer<PLUploadActionSheet> self(this);
    handler->processMultiMediaWithInfo(PLPickerInfo::mediaSelection(info, m_isExisting),
                                       [self, handler, room, pickerInfo, caption](const QByteArray& data) {
                                           // The chat window went away meanwhile: the pick goes with it.
                                           if (!self)
                                               return;
                                           PLMultiMediaInfo mediaInfo = handler->currentMediaInfo();
                                           if (!caption.isNull())
                                               mediaInfo.caption = caption;
                                           mediaPoster()(room,
                                                         {{kPickerSelectionInfoKey, pickerInfo},
                                                          {kMediaInfoKey, QVariant::fromValue(mediaInfo)}},
                                                         data);
                                       });
}

void PLUploadActionSheet::sendLocation() {
    if (!PLReachabilityResponder::sharedInstance()->isNetworkReachable(true))
        return;
    ViewController* initial =
        ScreenRegistry::shared()->instantiateInitial(QLatin1String(kLocationStoryboard));
    ViewController* screen = topOf(initial);
    if (!screen || !m_inViewController) {
        delete initial;
        SmartScreenSupport::showAlert(m_inViewController, text("Failed"),
                                      PLLinkDisplayHelper::notAvailableText());
        return;
    }
    QPointer<QObject> delegate = m_postChatletDelegate;
    screen->setProperty(
        kLocationCompletionProperty,
        QVariant::fromValue(PLPostLocationCompletionHandler([delegate](const QString& message) {
            if (auto* target = dynamic_cast<PLPostChatletDelegate*>(delegate.data()))
                target->postChatletToChatWindow(message, nullptr, {});
        })));
    m_inViewController->presentViewController(initial, true);
}

void PLUploadActionSheet::shareContact() {
    ViewController* initial =
        ScreenRegistry::shared()->instantiate(PLAddressBookContactViewController::kStoryboard,
                                              PLAddressBookContactViewController::kNavigationIdentifier);
    auto* list = qobject_cast<PLAddressBookContactViewController*>(topOf(initial));
    if (!list || !m_inViewController) {
        delete initial;
        SmartScreenSupport::showAlert(m_inViewController, text("Failed"),
                                      PLLinkDisplayHelper::notAvailableText());
        return;
    }
    list->setShareContactDelegate(m_inViewController);
    m_inViewController->presentViewController(initial, true);
}

void PLUploadActionSheet::showAlert(const QString& message) {
    SmartScreenSupport::showAlert(m_inViewController, text("Alert"), message);
}

void PLUploadActionSheet::dismissPresented() {
    if (m_inViewController && m_inViewController->presentedViewController())
        m_inViewController->dismissViewController(true);
}

} // namespace pelnix
