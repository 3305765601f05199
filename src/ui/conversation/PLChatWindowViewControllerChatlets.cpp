// Smart messages in the chat window: the pages of their cells, chatlets composed into the room, and
// the conversation search.

#include "ui/conversation/PLChatWindowViewController.h"

#include "media/PLRichMediaPosts.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"
#include "ui/conversation/ConversationLog.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowSearchViewController.h"
#include "ui/conversation/PLLinkDisplayHelper.h"
#include "ui/conversation/PLPostChatletViewController.h"
#include "ui/conversation/PLSmartMessageCell.h"
#include "ui/conversation/SmartScreenSupport.h"

#include <QPointer>

namespace pelnix {

using platform::ui::NavigationController;
using platform::ui::ScreenRegistry;

PLLinkDisplayHelper* PLChatWindowViewController::linkDisplayHelper() const {
    return m_linkDisplayHelper;
}

// A page that found a new height has it stored and its row resized before it shows; links go to the
// link actions.
void PLChatWindowViewController::configureSmartMessageCell(PLSmartMessageCell* cell) {
    QPointer<PLChatWindowViewController> self(this);
    // A grown page keeps the list at its bottom when it was there.
    cell->resizeRowOnLoad(m_collectionView, [self](bool wasAtBottom) {
        if (self && wasAtBottom && self->m_shouldScrollToBottomOnWebviewLoad)
            self->m_collectionView->scrollToBottomAnimated(false);
    });
    cell->setLinkHandler([self](const QString& url, const Message::Ptr& message) {
        if (self)
            self->processLinkURLString(url, message);
    });
}

void PLChatWindowViewController::postChatletToChatWindow(const QString& message,
                                                         const Message::Ptr& linkedMessage,
                                                         const QList<PLMediaSelection>& pickerSelections) {
    if (!m_chatRoom || message.isEmpty())
        return;
    if (!pickerSelections.isEmpty() && linkedMessage)
        PLRichMediaPosts::replyToChatletWithMultipleRichMediaSelectionString(m_chatRoom, message,
                                                                             pickerSelections, linkedMessage);
    else if (!pickerSelections.isEmpty())
        PLRichMediaPosts::postChatletWithMessageString(m_chatRoom, message, pickerSelections);
    else if (linkedMessage)
        m_chatRoom->replyToChatlet(message, linkedMessage);
    else
        m_chatRoom->postChatlet(message);
}

void PLChatWindowViewController::showChatletComposer() {
    platform::ui::ViewController* composerScreen = ScreenRegistry::shared()->instantiate(
        PLPostChatletViewController::kStoryboard, PLPostChatletViewController::kNavigationIdentifier);
    auto* composer = qobject_cast<PLPostChatletViewController*>(SmartScreenSupport::topOf(composerScreen));
    if (!composer) {
        delete composerScreen;
        SmartScreenSupport::showAlert(this, SmartScreenSupport::text("Failed"),
                                      PLLinkDisplayHelper::notAvailableText());
        return;
    }
    composer->setPostChatletDelegate(this);
    presentViewController(composerScreen, true);
}

void PLChatWindowViewController::chatWindowSearchClicked() {
    auto* search = qobject_cast<PLChatWindowSearchViewController*>(ScreenRegistry::shared()->instantiate(
        PLChatWindowSearchViewController::kStoryboard, PLChatWindowSearchViewController::kIdentifier));
    NavigationController* navigation = navigationController();
    if (!search || !navigation) {
        if (!search)
            showNotAvailableAlert(QStringLiteral("Search"));
        delete search;
        return;
    }
    search->setChatRoom(m_chatRoom);
    QPointer<PLChatWindowViewController> self(this);
    search->setCompletion([self](const QString& url, const Message::Ptr& message) {
        if (self)
            self->processLinkURLString(url, message);
    });
    navigation->pushViewController(search, true);
    // Rows read in the search show as read when the window comes back.
    m_needToReloadVisibleCellReadState = true;
}

} // namespace pelnix
