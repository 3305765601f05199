#include "ui/conversation/PLPostFailureHandlerHelper.h"

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/PLModelManager.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "core/model/User.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "media/PLRichMediaPosts.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/Window.h"
#include "ui/conversation/ConversationLog.h"
#include "ui/conversation/ConversationNotifications.h"

#include <QDateTime>

namespace pelnix {

using platform::ui::ActionSheet;
using platform::ui::AlertView;
using platform::ui::Window;

namespace {

QString localized(const char* text) {
    return PLCurrentBundleInfo::localizedString(QLatin1String(text));
}

Window* windowOf(QWidget* view) {
    for (QWidget* widget = view; widget; widget = widget->parentWidget())
        if (auto* window = qobject_cast<Window*>(widget))
            return window;
    return Window::keyWindow();
}

bool showIn(AlertView* alert, QWidget* view) {
    Window* window = windowOf(view);
    if (!window) {
        qCWarning(lcConversation) << "no window to ask in";
        delete alert;
        return false;
    }
    alert->show(window);
    return true;
}

} // namespace

PLPostFailureHandlerHelper::PLPostFailureHandlerHelper(QObject* parent) : QObject(parent) {}

PLPostFailureHandlerHelper* PLPostFailureHandlerHelper::sharedInstance() {
    static auto* helper = new PLPostFailureHandlerHelper;
    return helper;
}

PLPostFailureHandlerHelper::Binding PLPostFailureHandlerHelper::bindingFor(const Message::Ptr& message) {
    const auto room = message ? message->room() : nullptr;
    return {message ? message->messageId() : QString(), room ? room->roomId() : QString()};
}

Message::Ptr PLPostFailureHandlerHelper::Binding::resolve() const {
    if (messageId.isEmpty())
        return nullptr;
    auto message = Message::messageWithID(messageId);
    const auto room = message ? message->room() : nullptr;
    if (!message || (room ? room->roomId() : QString()) != roomId) {
        qCInfo(lcConversation) << "the message" << messageId << "is gone; the answer changes nothing";
        return nullptr;
    }
    return message;
}

int PLPostFailureHandlerHelper::actionForSheetButton(int index, int cancelIndex, bool expired) {
    if (index == cancelIndex || index < 0)
        return -1;
    if (index == 1)
        return Discard;
    if (index == 0)
        return expired ? Discard : Resend;
    return -1;
}

ActionSheet* PLPostFailureHandlerHelper::showActionSheetInView(QWidget* view, const Message::Ptr& message) {
    Q_ASSERT(platform::isMainThread());
    if (!message)
        return nullptr;
    const int failed = message->failedPendingMessageCount();
    const bool many = failed >= 2;
    const bool expired = message->latestActionIsExpired();
    const QString title =
        many ? QStringLiteral("%1 %2").arg(failed).arg(localized("Failed Messages")) : QString();
    QStringList buttons;
    if (!expired)
        buttons << localized(many ? "Resend all" : "Resend");
    buttons << localized(many ? "Discard all" : "Discard");
    const Binding binding = bindingFor(message);
    auto* sheet = new ActionSheet(
        title, localized("Cancel"), QString(), buttons, [binding, expired](AlertView* alert, int index) {
            const int action = actionForSheetButton(index, alert->cancelButtonIndex(), expired);
            if (action < 0)
                return;
            const auto bound = binding.resolve();
            if (!bound)
                return;
            auto* helper = sharedInstance();
            if (action == Discard)
                helper->discardPendingMessage(bound);
            else
                helper->retryFailedPendingMessage(bound);
        });
    sheet->setObjectName(QStringLiteral("failedPostSheet"));
    return showIn(sheet, view) ? sheet : nullptr;
}

void PLPostFailureHandlerHelper::resendFailedMessage(const Message::Ptr& message) {
    retryFailedPendingMessage(message);
}

void PLPostFailureHandlerHelper::discardPendingMessage(const Message::Ptr& message) {
    Q_ASSERT(platform::isMainThread());
    const auto latest = message ? message->latestPendingMessage() : nullptr;
    if (!latest)
        return;
    const bool reply = latest->isReplyType();
    const QString messageId = message->messageId();
    postRetryOrDiscard(message, Discard);
    // The chat window showing the room carries a discard out; with none open, it is done here.
    const auto left = Message::messageWithID(messageId);
    if (!left)
        return;
    if (reply) {
        if (left->hasFailedPendingMessage())
            left->removeAllFailedPendingMessages();
    } else {
        removeMessageWithItsPosts(left);
    }
}

void PLPostFailureHandlerHelper::retryFailedPendingMessage(const Message::Ptr& message) {
    Q_ASSERT(platform::isMainThread());
    if (!message || !message->hasFailedPendingMessage() || message->latestActionIsExpired())
        return;
    for (const auto& entry : message->pendingMessages()) {
        if (entry->state() == kEntryPosting)
            continue;
        entry->setState(kEntryWaiting);
        entry->setTryCount(0);
        // A fresh order number puts the entry at the end of the outbox.
        entry->setMessageId(PendingMessageInfo::nextMessageId());
        if (const auto posted = entry->message())
            posted->setDate(QDateTime::currentMSecsSinceEpoch());
        for (const auto& row : entry->richMediaInfo()) {
            if (row->state() != kMediaFailed)
                continue;
            row->setState(kMediaNew);
            row->setMediaId(PLRichMediaPosts::nextMediaId());
            // A file that gave up starts its tries and its progress again.
            row->setTryCount(0);
            row->setUploadProgress(0);
            row->save();
        }
        entry->save();
    }
    if (const auto latest = message->latestPendingMessage())
        latest->postChatRoomPostingMessageStateChangedNotification();
    postRetryOrDiscard(message, Resend);
    // What the chat window does with the choice, when none shows the room.
    const auto me = CurrentUserInfo::currentUserInfo() ? CurrentUserInfo::currentUserInfo()->user() : nullptr;
    if (me && message->fromUser() != me) {
        message->setFromUser(me);
        message->save();
    }
    restartOutbox();
}

void PLPostFailureHandlerHelper::forceRetryUploadingForMessage(const Message::Ptr& message) {
    Q_ASSERT(platform::isMainThread());
    const auto latest = message ? message->latestPendingMessage() : nullptr;
    if (!latest)
        return;
    if (latest->state() == kEntryForceStopped) {
        latest->setState(kEntryWaiting);
        latest->setTryCount(0);
        if (latest->type() == kRichMediaEntry) {
            if (const auto first = PLRichMediaPosts::firstRichMedia(*latest)) {
                first->setMediaId(PLRichMediaPosts::nextMediaId());
                first->save();
            }
        }
        latest->postChatRoomPostingMessageStateChangedNotification();
    }
    latest->save();
    restartOutbox();
}

AlertView* PLPostFailureHandlerHelper::forceStopUploadingForMessage(QWidget* view,
                                                                    const Message::Ptr& message) {
    Q_ASSERT(platform::isMainThread());
    const Binding binding = bindingFor(message);
    auto* alert =
        new AlertView(localized("Confirm"), localized("Are you sure you want to cancel uploading?"),
                      localized("Cancel"), {localized("Yes")}, [binding](AlertView* shown, int index) {
                          if (shown->tag() != kStopUploadAlertTag || index == shown->cancelButtonIndex())
                              return;
                          const auto bound = binding.resolve();
                          if (!bound)
                              return;
                          if (const auto latest = bound->latestPendingMessage())
                              latest->cancelPostingRichMedia();
                          restartOutbox();
                      });
    alert->setObjectName(QStringLiteral("stopUploadAlert"));
    alert->setTag(kStopUploadAlertTag);
    return showIn(alert, view) ? alert : nullptr;
}

void PLPostFailureHandlerHelper::removeMessageWithItsPosts(const Message::Ptr& message) {
    if (!message)
        return;
    auto* context = message->managedObjectContext();
    for (const auto& entry : message->pendingMessages()) {
        PLRichMediaPosts::removeAssociatedTemporaryFilesIfRichMedia(*entry);
        for (const auto& row : entry->richMediaInfo())
            row->PS_deleteEntity();
        entry->PS_deleteEntity();
    }
    Message::removeMessage(message);
    if (context)
        context->save();
}

void PLPostFailureHandlerHelper::restartOutbox() {
    auto* manager = PLModelManager::sharedModelManager();
    manager->postPendingMessages();
    manager->uploadRichMediaFilesToCloud();
}

void PLPostFailureHandlerHelper::postRetryOrDiscard(const Message::Ptr& message, Action action) {
    const auto latest = message ? message->latestPendingMessage() : nullptr;
    if (!latest)
        return;
    platform::NotificationCenter::defaultCenter()->post(
        QLatin1String(RetryOrDiscardPendingMessageNotification), {},
        {{QLatin1String(PLFailedPendingMessageKey), latest->seqId()},
         {QLatin1String(PLPendingMessagePostFailureActionTypeKey), int(action)}});
}

} // namespace pelnix
