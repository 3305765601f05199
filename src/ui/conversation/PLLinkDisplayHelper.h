#pragma once

#include "core/model/ChatRoom.h"
#include "core/model/Message.h"
#include "platform/ui/WeakDelegate.h"
#include "ui/conversation/PLLocationScreenInput.h"
#include "ui/conversation/PLPostChatletDelegate.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QVariantMap>
#include <memory>

namespace pelnix {

namespace platform::ui {
class ViewController;
}
class PLMediaDownloading;

// Turns a classified link of a message into what the user sees: a text or mail draft, the system's
// handler of a URL (only the schemes the system services allow), the map and location screens, the
// reply form, the download of an attachment, the details page, the in-app browser or another
// application, or a card offering to keep a shared contact. Screens are found in the screen registry;
// one that is not there is reported as not available. Owned by the screen that shows the links.
class PLLinkDisplayHelper : public QObject {
    Q_OBJECT
public:
    // Whether the helper acts on a link type: 1-8, 10, 12, 13 and 14.
    static bool canHandleLinkforType(int linkType);
    static PLLinkDisplayHelper* instanceWithViewController(platform::ui::ViewController* viewController,
                                                           const ChatRoom::Ptr& chatRoom);
    ~PLLinkDisplayHelper() override;

    PLPostChatletDelegate* postChatletDelegate() const { return m_postChatletDelegate.get(); }
    void setPostChatletDelegate(PLPostChatletDelegate* delegate) { m_postChatletDelegate.set(delegate); }
    PLPostLocationCompletionHandler postLocationCompletionHandler() const {
        return m_postLocationCompletionHandler;
    }
    void setPostLocationCompletionHandler(PLPostLocationCompletionHandler handler) {
        m_postLocationCompletionHandler = std::move(handler);
    }
    platform::ui::ViewController* inViewController() const { return m_inViewController; }
    ChatRoom::Ptr currentChatRoom() const { return m_currentChatRoom; }
    PLMediaDownloading* mediaDownloadHelper() const { return m_mediaDownloadHelper.get(); }

    // The dispatcher: types it cannot handle do nothing.
    void handleProcessedLink(int linkType, const QString& urlString, const QVariantMap& linkInfo,
                             const Message::Ptr& message);

    void showSMSViewController(const QVariantMap& info);
    void showMailComposerController(const QVariantMap& info);
    void showExternalLink(const QVariantMap& info);
    void showExternalLinkWithURL(const QUrl& url);
    void showMapViewControllerWithURL(const QString& urlString, const Message::Ptr& message);
    void showReplayFormViewController(const QVariantMap& info, const Message::Ptr& message);
    void startDownloadingAssetWithMessage(const QVariantMap& info, const Message::Ptr& message);
    void showDetailsPageWithInfo(const QVariantMap& info, const Message::Ptr& message, int linkType);
    void showSendLocationViewController(const QVariantMap& info, const Message::Ptr& message);
    void showInternalLink(const QVariantMap& info);
    void showContactInfoView(const QVariantMap& info);

    // The text shown when a screen a link needs is not part of this build.
    static QString notAvailableText();

private:
    PLLinkDisplayHelper(platform::ui::ViewController* viewController, ChatRoom::Ptr chatRoom);
    void showAlert(const QString& title, const QString& message) const;
    bool networkReachable() const;
    // Presents a storyboard's initial screen, or says that it is not available.
    void presentInitial(platform::ui::ViewController* initial);

    platform::ui::WeakDelegate<PLPostChatletDelegate> m_postChatletDelegate;
    PLPostLocationCompletionHandler m_postLocationCompletionHandler;
    QPointer<platform::ui::ViewController> m_inViewController;
    ChatRoom::Ptr m_currentChatRoom;
    std::unique_ptr<PLMediaDownloading> m_mediaDownloadHelper;
};

} // namespace pelnix
