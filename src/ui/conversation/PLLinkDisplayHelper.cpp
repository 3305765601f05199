#include "ui/conversation/PLLinkDisplayHelper.h"

#include "core/model/PLAddressBookHelper.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/PLReachabilityResponder.h"
#include "platform/BidiText.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/SystemServices.h"
#include "platform/ui/ViewController.h"
#include "smart/MessageLinkProcessing.h"
#include "ui/conversation/ConversationSmartLog.h"
#include "ui/conversation/PLInternalLinkWebViewController.h"
#include "ui/conversation/PLMediaDownloading.h"
#include "ui/conversation/PLPostChatletViewController.h"
#include "ui/conversation/PLReplyWebViewController.h"
#include "ui/conversation/SmartScreenSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace pelnix {

using SmartScreenSupport::text;
using SmartScreenSupport::topOf;

using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;
using platform::ui::SystemServices;
using platform::ui::ViewController;

namespace {

// A comma-separated list of recipients, without empty ones, each without the directional controls
// that would make the composer show it otherwise than it sends it.
QStringList recipients(const QVariant& value) {
    QStringList list;
    for (const QString& part : value.toString().split(QLatin1Char(','))) {
        const QString recipient = platform::BidiText::withoutControls(part).trimmed();
        if (!recipient.isEmpty())
            list << recipient;
    }
    return list;
}

} // namespace

bool PLLinkDisplayHelper::canHandleLinkforType(int linkType) {
    // Bit (type - 1) of the mask: 1-8, 10, 12, 13, 14.
    constexpr unsigned kHandled = 0x3AFF;
    return linkType >= 1 && linkType <= 14 && (kHandled & (1u << (linkType - 1))) != 0;
}

PLLinkDisplayHelper::PLLinkDisplayHelper(ViewController* viewController, ChatRoom::Ptr chatRoom)
    : QObject(viewController), m_inViewController(viewController), m_currentChatRoom(std::move(chatRoom)) {}

PLLinkDisplayHelper* PLLinkDisplayHelper::instanceWithViewController(ViewController* viewController,
                                                                     const ChatRoom::Ptr& chatRoom) {
    return new PLLinkDisplayHelper(viewController, chatRoom);
}

PLLinkDisplayHelper::~PLLinkDisplayHelper() {
    if (m_mediaDownloadHelper)
        m_mediaDownloadHelper->cleanUp();
}

QString PLLinkDisplayHelper::notAvailableText() {
    return text("This is not available in this version.");
}

void PLLinkDisplayHelper::showAlert(const QString& title, const QString& message) const {
    SmartScreenSupport::showAlert(m_inViewController, title, message);
}

bool PLLinkDisplayHelper::networkReachable() const {
    return PLReachabilityResponder::sharedInstance()->isNetworkReachable(true);
}

void PLLinkDisplayHelper::handleProcessedLink(int linkType, const QString& urlString,
                                              const QVariantMap& linkInfo, const Message::Ptr& message) {
    if (!canHandleLinkforType(linkType))
        return;
    qCDebug(lcConversationSmart) << "link action of type" << linkType;
    switch (linkType) {
    case PLLinkTypeSMS:
        showSMSViewController(linkInfo);
        break;
    case PLLinkTypeMail:
        showMailComposerController(linkInfo);
        break;
    case PLLinkTypeTelephone:
    case PLLinkTypeExternal:
        showExternalLink(linkInfo);
        break;
    case PLLinkTypeMap:
        showMapViewControllerWithURL(urlString, message);
        break;
    case PLLinkTypeCompose:
        showReplayFormViewController(linkInfo, message);
        break;
    case PLLinkTypeDownload:
        startDownloadingAssetWithMessage(linkInfo, message);
        break;
    case PLLinkTypeDetails:
    case PLLinkTypeComments:
        showDetailsPageWithInfo(linkInfo, message, linkType);
        break;
    case PLLinkTypeLocation:
        showSendLocationViewController(linkInfo, message);
        break;
    case PLLinkTypeInternal:
        showInternalLink(linkInfo);
        break;
    case PLLinkTypeContact:
        showContactInfoView(linkInfo);
        break;
    default:
        break;
    }
}

void PLLinkDisplayHelper::showSMSViewController(const QVariantMap& info) {
    SystemServices* services = SystemServices::current();
    if (!services->canSendText()) {
        showAlert(text("Failed"), text("Can't Send SMS"));
        return;
    }
    platform::ui::TextDraft draft;
    draft.recipients = recipients(info.value(QStringLiteral("recipient")));
    draft.body = info.value(QStringLiteral("body")).toString();
    services->composeText(draft, m_inViewController ? m_inViewController->view() : nullptr, {});
}

void PLLinkDisplayHelper::showMailComposerController(const QVariantMap& info) {
    SystemServices* services = SystemServices::current();
    if (!services->canSendMail()) {
        showAlert(text("Alert"), text("Email is not supported in your device!"));
        return;
    }
    platform::ui::MailDraft draft;
    draft.toRecipients = recipients(info.value(QStringLiteral("recipient")));
    draft.ccRecipients = recipients(info.value(QStringLiteral("cc")));
    draft.subject = info.value(QStringLiteral("subject")).toString();
    draft.body = info.value(QStringLiteral("body")).toString();
    services->composeMail(draft, m_inViewController ? m_inViewController->view() : nullptr, {});
}

void PLLinkDisplayHelper::showExternalLink(const QVariantMap& info) {
    showExternalLinkWithURL(QUrl(info.value(QLatin1String(PLExternalLinkDict)).toString()));
}

// Only what the system services allow is opened (web, mail, telephone, text and the configured
// application schemes); a file: link or an unknown handler is refused like a link nothing opens.
void PLLinkDisplayHelper::showExternalLinkWithURL(const QUrl& url) {
    SystemServices* services = SystemServices::current();
    if (!services->canOpenURL(url) || !services->openURL(url))
        showAlert(text("Alert"), text("Failed to open Url"));
}

void PLLinkDisplayHelper::showMapViewControllerWithURL(const QString& urlString, const Message::Ptr&) {
    if (!networkReachable())
        return;
    ViewController* initial =
        ScreenRegistry::shared()->instantiateInitial(QLatin1String(kLocationStoryboard));
    if (ViewController* screen = topOf(initial))
        screen->setProperty(kLocationMapURLProperty, urlString);
    presentInitial(initial);
}

void PLLinkDisplayHelper::showSendLocationViewController(const QVariantMap& info, const Message::Ptr&) {
    if (!networkReachable())
        return;
    ViewController* initial =
        ScreenRegistry::shared()->instantiateInitial(QLatin1String(kLocationStoryboard));
    if (ViewController* screen = topOf(initial)) {
        screen->setProperty(kLocationInfoProperty, info.value(QLatin1String(PLActionInfoDict)).toMap());
        if (m_postLocationCompletionHandler)
            screen->setProperty(kLocationCompletionProperty,
                                QVariant::fromValue(m_postLocationCompletionHandler));
    }
    presentInitial(initial);
}

void PLLinkDisplayHelper::presentInitial(ViewController* initial) {
    if (!initial || !topOf(initial) || !m_inViewController) {
        delete initial;
        showAlert(text("Failed"), notAvailableText());
        return;
    }
    m_inViewController->presentViewController(initial, true);
}

void PLLinkDisplayHelper::showReplayFormViewController(const QVariantMap& info, const Message::Ptr& message) {
    ViewController* initial = ScreenRegistry::shared()->instantiate(
        PLPostChatletViewController::kStoryboard, PLPostChatletViewController::kNavigationIdentifier);
    auto* composer = qobject_cast<PLPostChatletViewController*>(topOf(initial));
    if (!composer || !m_inViewController) {
        delete initial;
        showAlert(text("Failed"), notAvailableText());
        return;
    }
    const QVariantMap params = info.value(QLatin1String(PLParamInfoDict)).toMap();
    composer->setTitle(params.value(QStringLiteral("displayname")).toString());
    if (auto* delegate = m_postChatletDelegate.get())
        composer->setPostChatletDelegate(delegate);
    composer->configureWithMessageType(info.value(QLatin1String(PLSmartType)).toString(), params,
                                       info.value(QLatin1String(PLActionInfoDict)).toMap(), message,
                                       std::nullopt, PLPostChatletViewController::Reply);
    m_inViewController->presentViewController(initial, true);
}

void PLLinkDisplayHelper::startDownloadingAssetWithMessage(const QVariantMap& info,
                                                           const Message::Ptr& message) {
    if (!networkReachable())
        return;
    QVariantMap media = info.value(QLatin1String(PLActionInfoDict)).toMap();
    const QJsonObject json =
        QJsonDocument::fromJson(message ? message->text().toUtf8() : QByteArray()).object();
    const QJsonObject content = json.value(QStringLiteral("content")).toObject();
    QJsonValue caption = json.value(QStringLiteral("caption"));
    if (caption.isUndefined())
        caption = content.value(QStringLiteral("image")).toObject().value(QStringLiteral("caption"));
    // The library's own shares keep it in their one media entry; the link carries only the file.
    if (caption.isUndefined())
        caption = content.value(QStringLiteral("media"))
                      .toArray()
                      .at(0)
                      .toObject()
                      .value(QStringLiteral("caption"));
    if (!caption.isUndefined())
        media.insert(QStringLiteral("caption"), caption.toVariant());
    if (!m_mediaDownloadHelper)
        m_mediaDownloadHelper = PLMediaDownloading::make();
    if (!m_mediaDownloadHelper) {
        showAlert(text("Failed"), notAvailableText());
        return;
    }
    m_mediaDownloadHelper->setMessage(message);
    m_mediaDownloadHelper->downloadMediaFromURL(media.value(QStringLiteral("fileUrl")).toString(),
                                                message ? message->room() : nullptr, media,
                                                m_inViewController);
}

void PLLinkDisplayHelper::showDetailsPageWithInfo(const QVariantMap& info, const Message::Ptr& message,
                                                  int linkType) {
    auto* details = qobject_cast<PLReplyWebViewController*>(ScreenRegistry::shared()->instantiate(
        PLReplyWebViewController::kStoryboard, PLReplyWebViewController::kIdentifier));
    NavigationController* navigation =
        m_inViewController ? m_inViewController->navigationController() : nullptr;
    if (!details || !navigation) {
        delete details;
        showAlert(text("Failed"), notAvailableText());
        return;
    }
    details->setLinkInfo(info);
    details->setMessage(message);
    details->setLinkType(linkType);
    navigation->pushViewController(details, true);
}

void PLLinkDisplayHelper::showInternalLink(const QVariantMap& info) {
    const QVariantMap link = info.value(QLatin1String(PLInternalLinkDict)).toMap();
    std::optional<QString> error;
    SystemServices* services = SystemServices::current();
    if (link.contains(QStringLiteral("web"))) {
        const QVariantMap web = link.value(QStringLiteral("web")).toMap();
        const QUrl url(web.value(QStringLiteral("url")).toString());
        NavigationController* navigation =
            m_inViewController ? m_inViewController->navigationController() : nullptr;
        if (!services->canOpenURL(url)) {
            error = text("Failed to open Url");
        } else if (auto* browser =
                       qobject_cast<PLInternalLinkWebViewController*>(ScreenRegistry::shared()->instantiate(
                           m_inViewController && !m_inViewController->storyboardName().isEmpty()
                               ? m_inViewController->storyboardName()
                               : PLInternalLinkWebViewController::kStoryboard,
                           PLInternalLinkWebViewController::kIdentifier));
                   browser && navigation) {
            browser->configureWithLinkURL(url, web.value(QStringLiteral("title")).toString());
            navigation->pushViewController(browser, true);
        } else {
            delete browser;
            error = notAvailableText();
        }
    } else if (link.contains(QStringLiteral("launchApp"))) {
        const QVariantMap launch = link.value(QStringLiteral("launchApp")).toMap();
        if (launch.contains(QStringLiteral("schema"))) {
            const QUrl url(launch.value(QStringLiteral("schema")).toString());
            if (services->canOpenURL(url) && services->openURL(url))
                return;
            if (launch.contains(QStringLiteral("appNotFoundErrorText")))
                error = launch.value(QStringLiteral("appNotFoundErrorText")).toString();
        } else if (launch.contains(QStringLiteral("errorText"))) {
            error = launch.value(QStringLiteral("errorText")).toString();
        }
    } else {
        error = text("Failed to open Url");
    }
    if (error)
        showAlert(text("Failed"), *error);
}

void PLLinkDisplayHelper::showContactInfoView(const QVariantMap& info) {
    const QVariantMap contact = info.value(QLatin1String(PLActionInfoDict)).toMap();
    QPointer<ViewController> in(m_inViewController);
    PLAddressBookHelper::sharedInstance()->hasAddressBookAccess([in, contact](bool) {
        if (in)
            PLAddressBookHelper::showOptionToAddContact(contact, in);
    });
}

} // namespace pelnix
