// Cell choice, sizes, text grouping, the expansion of "joined" rows and link taps.

#include "ui/conversation/PLChatWindowViewController.h"

#include "core/api/PLAppConfigurations.h"
#include "core/model/User.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "platform/ui/AlertView.h"
#include "smart/MessageLinkProcessing.h"
#include "smart/PLSmartMessageInfo.h"
#include "ui/conversation/ConversationLog.h"
#include "ui/conversation/ConversationNotifications.h"
#include "ui/conversation/PLBulkUserJoinedMessageCell.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLDateMessage.h"
#include "ui/conversation/PLDateMessageCell.h"
#include "ui/conversation/PLExtendedTextMessageCell.h"
#include "ui/conversation/PLLinkDisplayHelper.h"
#include "ui/conversation/PLLoadMoreMessagesView.h"
#include "ui/conversation/PLSmartMessageCell.h"
#include "ui/conversation/PLStaleMessageCell.h"
#include "ui/conversation/PLTextMessageCell.h"
#include "ui/conversation/PLUnreadMessagesSeparatorCell.h"
#include "ui/conversation/PLUserActionMessageCell.h"

#include <QPointer>

namespace pelnix {

using platform::ui::CollectionView;
using platform::ui::CollectionViewCell;
using platform::ui::IndexPath;
using platform::ui::ReusableView;

namespace {
enum RowType : qint16 { SmartMessage = 1, TextMessage = 2, BulkJoined = 3, DateRow = 8, UnreadSeparator = 9 };
// Text rows grouped under the previous one, and rows that head their own run.
enum TextMessageState : int { NotWorkedOut = 0, Extended = 1, HeadsRun = 2 };

bool isCollapsedSnapshot(const PLChatWindowCellContent& row) {
    return row.isStale() && row.displayCellHeight() == 0;
}

// Whether two rows come from the same person: users are compared by ID, as the store may hand out
// different objects for one user.
bool sameSender(const PLChatWindowCellContent& a, const PLChatWindowCellContent& b) {
    const auto first = a.senderUser();
    const auto second = b.senderUser();
    return first && second && first->userID() == second->userID();
}
} // namespace

int PLChatWindowViewController::numberOfItemsInSection(CollectionView*, int) {
    return m_rows.count();
}

QString PLChatWindowViewController::reuseIdentifierForItemAtIndex(int index) {
    const PLChatWindowCellContent row = m_rows.at(index);
    switch (row.type()) {
    case SmartMessage:
        return isCollapsedSnapshot(row) ? PLStaleMessageCell::kIdentifier : PLSmartMessageCell::kIdentifier;
    case TextMessage:
        return isExtendedTextMessageAtIndexPath(IndexPath::forItem(index))
                   ? PLExtendedTextMessageCell::kIdentifier
                   : PLTextMessageCell::kIdentifier;
    case BulkJoined:
        return PLBulkUserJoinedMessageCell::kIdentifier;
    case DateRow:
        return PLDateMessageCell::kIdentifier;
    case UnreadSeparator:
        return PLUnreadMessagesSeparatorCell::kIdentifier;
    default:
        return PLUserActionMessageCell::kIdentifier;
    }
}

CollectionViewCell* PLChatWindowViewController::cellForItemAtIndexPath(CollectionView* view,
                                                                       const IndexPath& path) {
    const int index = path.item();
    const PLChatWindowCellContent row = m_rows.at(index);
    const bool hidden = isCollapsedSnapshot(row);
    CollectionViewCell* cell = view->dequeueReusableCell(reuseIdentifierForItemAtIndex(index), path);
    switch (row.type()) {
    case SmartMessage:
        if (auto* smart = qobject_cast<PLSmartMessageCell*>(cell); smart && !hidden) {
            configureSmartMessageCell(smart);
            smart->loadCellFromSmartMessageInfo(row);
        }
        break;
    case TextMessage:
        if (auto* text = qobject_cast<PLTextMessageCell*>(cell)) {
            text->setTextMessageDelegate(this);
            text->setMessage(row.message());
        } else if (auto* extended = qobject_cast<PLExtendedTextMessageCell*>(cell)) {
            extended->setTextMessageDelegate(this);
            extended->setMessage(row.message());
        }
        break;
    case BulkJoined:
        if (auto* joined = qobject_cast<PLBulkUserJoinedMessageCell*>(cell)) {
            const auto message = row.message();
            joined->setMessage(message, this,
                               message && m_bulkUserJoinedMessageState.value(message->messageId()) != 0);
        }
        break;
    case DateRow:
        if (auto* date = qobject_cast<PLDateMessageCell*>(cell))
            date->setDate(row.dateMessage()->dateMessage());
        break;
    case UnreadSeparator:
        if (auto* separator = qobject_cast<PLUnreadMessagesSeparatorCell*>(cell); separator && !hidden) {
            separator->setChatWindowCellContent(row);
            // The separator goes the first time it is off screen once scrolling stops.
            m_rows.currentCellsToHide().insert(index);
        }
        break;
    default:
        if (auto* action = qobject_cast<PLUserActionMessageCell*>(cell))
            action->setMessage(row.message());
        break;
    }
    if (auto* withProfile = qobject_cast<PLChatMessageWithProfileImageCell*>(cell))
        withProfile->setTapHandlerDelegate(this);
    if (auto* messageCell = qobject_cast<PLChatMessageCell*>(cell))
        messageCell->setTrailingReserve(scrollControlReserve());
    return cell;
}

ReusableView* PLChatWindowViewController::viewForSupplementaryElementOfKind(CollectionView* view,
                                                                            const QString& kind,
                                                                            const IndexPath& path) {
    auto* header = qobject_cast<PLLoadMoreMessagesView*>(
        view->dequeueReusableSupplementaryView(kind, PLLoadMoreMessagesView::kIdentifier, path));
    if (header)
        header->setDelegate(this);
    return header;
}

QSizeF PLChatWindowViewController::sizeForItemAtIndexPath(CollectionView* view, const IndexPath& path) {
    const qreal width = view->viewport()->width();
    const int index = path.item();
    PLChatWindowCellContent row = m_rows.at(index);
    if (shouldHideMessageAtIndexPath(path)) {
        row.setDisplayCellHeight(0);
        return {width, 0};
    }
    qreal height = 0;
    switch (row.type()) {
    case SmartMessage:
        height =
            row.displayCellHeight() != 0 ? row.displayCellHeight() : PLSmartMessageCell::defaultCellHeight();
        break;
    case TextMessage:
        height = isExtendedTextMessageAtIndexPath(path)
                     ? PLExtendedTextMessageCell::cellHeightWithMessageString(row.displayText(), width,
                                                                              scrollControlReserve())
                     : PLTextMessageCell::cellHeightWithMessageString(row.displayText(), width,
                                                                      scrollControlReserve());
        break;
    case BulkJoined: {
        const auto message = row.message();
        height = PLBulkUserJoinedMessageCell::cellHeightWithMessageString(
            row.displayText(), message ? message->bulkJoinedUserNames() : QString(),
            message && m_bulkUserJoinedMessageState.value(message->messageId()) != 0, width,
            scrollControlReserve());
        break;
    }
    case DateRow:
        height = PLDateMessageCell::cellHeight();
        break;
    case UnreadSeparator:
        height = PLUnreadMessagesSeparatorCell::cellHeight();
        break;
    default:
        height = PLUserActionMessageCell::cellHeightWithMessageString(row.displayText(), int(width),
                                                                      scrollControlReserve());
        break;
    }
    return {width, height};
}

bool PLChatWindowViewController::shouldSelectItemAtIndexPath(CollectionView*, const IndexPath&) {
    return false;
}

void PLChatWindowViewController::didEndDisplayingCell(CollectionView*, CollectionViewCell* cell,
                                                      const IndexPath&) {
    platform::NotificationCenter::defaultCenter()->post(
        QLatin1String(PLChatWindowCellDidMoveOutOfScreenNotification), {},
        {{QLatin1String(kChatWindowCellKey), QVariant::fromValue<QObject*>(cell)}});
}

bool PLChatWindowViewController::isExtendedTextMessageAtIndexPath(const IndexPath& path) {
    const int index = path.item();
    if (index <= 0)
        return false;
    const PLChatWindowCellContent row = m_rows.at(index);
    const auto message = row.message();
    if (message && message->textMessageState() != NotWorkedOut)
        return message->textMessageState() == Extended;
    // The row just above: a date row or the separator in between breaks the run.
    const PLChatWindowCellContent previous = m_rows.at(index - 1);
    const double window =
        PLAppConfigurations::currentConfiguration()->durationBetweenTextMessagesToGroup() * 60 * 1000;
    const bool extended = previous.type() == TextMessage && row.type() == TextMessage &&
                          sameSender(row, previous) && double(qint64(row.date() - previous.date())) < window;
    if (message)
        message->setTextMessageState(extended ? Extended : HeadsRun);
    return extended;
}

void PLChatWindowViewController::resetTextMessagesState() {
    for (const auto& row : m_rows.rows())
        if (row.type() == TextMessage)
            if (const auto message = row.message())
                message->setTextMessageState(NotWorkedOut);
}

void PLChatWindowViewController::arrowIndicatorButtonTappedFrom(PLBulkUserJoinedMessageCell* cell) {
    const auto message = cell ? cell->message() : nullptr;
    const int index = m_rows.indexOfMessage(message.get());
    if (index == PLChatWindowRowList::kNotFound)
        return;
    int& expanded = m_bulkUserJoinedMessageState[message->messageId()];
    expanded = expanded != 0 ? 0 : 1;
    const bool nowExpanded = expanded != 0;
    QPointer<PLChatWindowViewController> self(this);
    QPointer<PLBulkUserJoinedMessageCell> guard(cell);
    const IndexPath path = IndexPath::forItem(index);
    m_collectionView->performBatchUpdates(
        [this, path] { m_collectionView->reloadItems({path}); },
        [self, path, nowExpanded](bool) {
            if (!self || !nowExpanded)
                return;
            auto* list = self->m_collectionView.data();
            if (path.item() == self->m_rows.count() - 1) {
                list->scrollToBottomAnimated(true);
                return;
            }
            // The whole expanded row comes into view.
            const qreal bottom = list->rectForRow(path).bottom();
            const qreal threshold = self->bottomVisibleCellThresholdTopValue();
            if (bottom > threshold)
                list->setContentOffset(list->contentOffset() + QPointF(0, bottom - threshold), true);
        });
}

void PLChatWindowViewController::cellDidTapOnLinkWithURL(PLChatMessageCell* cell, const QUrl& url) {
    processLinkURLString(url.toString(), cell ? cell->message() : nullptr);
}

void PLChatWindowViewController::processLinkURLString(const QString& urlString, const Message::Ptr& message) {
    const auto failed = [](const QString& text) {
        auto* alert =
            new platform::ui::AlertView(PLCurrentBundleInfo::localizedString(QStringLiteral("Failed")),
                                        PLCurrentBundleInfo::localizedString(text),
                                        PLCurrentBundleInfo::localizedString(QStringLiteral("OK")), {});
        alert->show();
    };
    const qint16 status = m_chatRoom ? m_chatRoom->status() : 0;
    if (status == 3) {
        failed(QStringLiteral("This group has been terminated by Admin. You are not allowed to post here"));
        return;
    }
    if (status == 2) {
        failed(QStringLiteral("You are no longer a member of this Room."));
        return;
    }
    QPointer<PLChatWindowViewController> self(this);
    MessageLinkProcessing::processLinkURLString(
        message, urlString, [self, urlString, message](int linkType, const QVariantMap& info) {
            if (!self)
                return;
            if (linkType == PLLinkTypeImmediateResponse) {
                // An immediate answer posts its prepared reply at once.
                const QString reply = info.value(QLatin1String(PLMessageToPost)).toString();
                if (!reply.isEmpty() && message && self->m_chatRoom)
                    self->m_chatRoom->replyToChatlet(reply, message);
                return;
            }
            if (self->m_processedLinkHandler) {
                self->m_processedLinkHandler(linkType, info, urlString, message);
                return;
            }
            if (!PLLinkDisplayHelper::canHandleLinkforType(linkType)) {
                qCDebug(lcConversation) << "link of type" << linkType << "has no action";
                return;
            }
            if (!self->m_linkDisplayHelper) {
                self->m_linkDisplayHelper =
                    PLLinkDisplayHelper::instanceWithViewController(self, self->m_chatRoom);
                self->m_linkDisplayHelper->setPostChatletDelegate(self);
            }
            // A location answer replies to the message that asked for it.
            if (linkType == PLLinkTypeLocation)
                self->m_linkDisplayHelper->setPostLocationCompletionHandler(
                    [self, message](const QString& response) {
                        if (self)
                            self->postChatletToChatWindow(response, message, {});
                    });
            self->m_linkDisplayHelper->handleProcessedLink(linkType, urlString, info, message);
        });
}

} // namespace pelnix
