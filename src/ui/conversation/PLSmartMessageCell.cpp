#include "ui/conversation/PLSmartMessageCell.h"

#include "core/model/Message.h"
#include "core/model/PendingMessageInfo.h"
#include "core/model/RichMediaInfo.h"
#include "core/model/User.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "media/PLMultiMediaInfo.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Label.h"
#include "smart/PLSmartMessageInfo.h"
#include "ui/conversation/PLCellImageView.h"
#include "ui/conversation/PLCellLabel.h"
#include "ui/conversation/PLChatWindowStyle.h"
#include "ui/conversation/PLMessageCellLayout.h"
#include "ui/conversation/PLPendingMessageIndicatorView.h"
#include "ui/conversation/PLPendingRichMediaView.h"
#include "ui/conversation/PLPostFailureHandlerHelper.h"

#include <QTextDocumentFragment>

namespace pelnix {

using platform::ui::Label;

namespace Layout = PLMessageCellLayout;

namespace {
constexpr int kBodyTop = 26;
constexpr int kBottomMargin = 8;
constexpr int kPictureMaximumWidth = 220;
constexpr int kStaleMarkMs = 500;
// Post entry type of a single attachment.
constexpr qint16 kRichMediaEntry = 3;

RichMediaInfo::Ptr firstRichMedia(const PendingMessageInfo::Ptr& entry) {
    RichMediaInfo::Ptr first;
    for (const auto& file : entry ? entry->richMediaInfo() : QList<RichMediaInfo::Ptr>())
        if (!first || file->mediaId() < first->mediaId())
            first = file;
    return first;
}
} // namespace

PLSmartMessageCell::PLSmartMessageCell(QWidget* parent)
    : PLChatMessageWithProfileImageCell(kIdentifier, parent), m_userNameLabel(new PLCellLabel(contentView())),
      m_bodyLabel(new PLCellLabel(contentView())), m_pendingMessageView(new QWidget(contentView())),
      m_pendingRichMediaView(new PLPendingRichMediaView(contentView())),
      m_staleMark(new PLCellLabel(contentView())) {
    m_userNameLabel->setObjectName(QStringLiteral("userNameLabel"));
    m_userNameLabel->setFont(PLChatWindowStyle::senderNameFont());
    m_userNameLabel->setTextColor(QColor(0x33, 0x33, 0x33));
    m_userNameLabel->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
    m_bodyLabel->setObjectName(QStringLiteral("bodyLabel"));
    m_bodyLabel->setFont(PLChatWindowStyle::messageFont());
    m_bodyLabel->setNumberOfLines(0);
    m_bodyLabel->setAlignsTop(true);
    m_bodyLabel->setAlignment(Qt::AlignLeading | Qt::AlignTop);
    m_pendingMessageView->setObjectName(QStringLiteral("pendingMessageView"));
    m_pendingMessageView->resize(Layout::kIndicatorWidth, Layout::kHeaderHeight);
    m_pendingRichMediaView->hide();
    m_staleMark->setObjectName(QStringLiteral("staleMessageIndicator"));
    m_staleMark->setText(PLCurrentBundleInfo::localizedString(QStringLiteral("Updated")));
    m_staleMark->setFont(PLChatWindowStyle::timeFont());
    m_staleMark->setTextColor(QColor(0xE0, 0x8A, 0x1E));
    m_staleMark->setAlignment(Qt::AlignTrailing | Qt::AlignVCenter);
    setAsUpdated(false, false);
    markRead(0);
}

QString PLSmartMessageCell::plainTextForRow(const PLChatWindowCellContent& row) {
    QString html;
    if (const auto message = row.message())
        html = message->htmlText();
    else if (const auto snapshot = row.smartMessageInfo())
        html = snapshot->htmlString();
    QString text = html.isEmpty() ? QString() : QTextDocumentFragment::fromHtml(html).toPlainText().trimmed();
    if (text.isEmpty())
        if (const auto message = row.message())
            text = message->displayName();
    return text;
}

void PLSmartMessageCell::loadCellFromSmartMessageInfo(const PLChatWindowCellContent& row) {
    m_row = row;
    const auto message = row.message();
    const auto snapshot = row.smartMessageInfo();
    setMessage(message);
    if (snapshot) {
        m_smartMessageInfo = snapshot;
        setAsUpdated(true, true);
    } else if (message) {
        m_smartMessageInfo = std::make_shared<PLSmartMessageInfo>(
            message->senderUser(), message->fromUser(), message->chatWindowTimeString(), message->htmlText(),
            message->displayCellHeight(), message->detailsLinkVisibility(), message->latestAction(), message);
        setAsUpdated(false, false);
    }
    // A snapshot stands for no stored message; it only shows the state it was taken with.
    if (!message && snapshot && snapshot->state() == 1)
        markRead(1);
    const auto sender = message ? message->senderUser() : (snapshot ? snapshot->senderUser() : nullptr);
    const bool mine = message ? message->senderIsMe() : (snapshot && snapshot->senderIsMe());
    m_userNameLabel->setText(mine ? PLCurrentBundleInfo::localizedString(QStringLiteral("Me"))
                                  : (sender ? sender->profileName() : QString()));
    if (sender)
        showSenderImage(sender->imageUrl());
    m_bodyLabel->setText(plainTextForRow(row));
    if (message) {
        if (!m_indicator) {
            m_indicator =
                new PLPendingMessageIndicatorView(m_pendingMessageView->width(), m_pendingMessageView);
            m_indicator->show();
        }
        m_indicator->setMessage(message);
    }
    const auto entry = message ? message->latestPendingMessage() : nullptr;
    const auto file =
        entry && entry->type() == kRichMediaEntry && !entry->isCompletd() ? firstRichMedia(entry) : nullptr;
    m_pendingRichMediaView->setVisible(file != nullptr);
    m_pictureSize = QSizeF();
    if (file) {
        if (const auto info = PLMultiMediaInfo::multiMediaInfoFromJSONstring(file->uploadedMediaInfo()))
            m_pictureSize = info->bigImgSize;
        m_pendingRichMediaView->configureWithRichMediaInfo(file, this);
    }
    m_bodyLabel->setVisible(!file);
    layOut();
}

void PLSmartMessageCell::layOut() {
    const int w = width();
    Layout::placeSenderHeader(this, m_userNameLabel, m_pendingMessageView);
    const QRectF body(Layout::kContentLeft, kBodyTop,
                      qMax(0, w - Layout::kContentLeft - Layout::kTrailingMargin),
                      qMax(0, height() - kBodyTop - kBottomMargin));
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    Layout::place(m_bodyLabel, body.toRect(), w, rtl);
    m_staleMark->setGeometry(
        PLChatWindowStyle::mirrored(QRect(w - Layout::kTrailingMargin - 80, 4, 80, 16), w, rtl));
    const QRectF pictureBox(body.topLeft(),
                            QSizeF(qMin<qreal>(body.width(), kPictureMaximumWidth), body.height()));
    Layout::place(m_pendingRichMediaView,
                  PLPendingRichMediaView::fittedPictureRect(m_pictureSize, pictureBox).toRect(), w, rtl);
}

void PLSmartMessageCell::resizeEvent(QResizeEvent* event) {
    PLChatMessageWithProfileImageCell::resizeEvent(event);
    layOut();
}

void PLSmartMessageCell::prepareForReuse() {
    PLChatMessageWithProfileImageCell::prepareForReuse();
    m_row = {};
    m_smartMessageInfo.reset();
    setAsUpdated(false, false);
    m_bodyLabel->setText(QString());
    m_userNameLabel->setText(QString());
    if (m_indicator)
        m_indicator->prepareForReuse();
    m_pendingRichMediaView->configureWithRichMediaInfo(nullptr, nullptr);
    m_pendingRichMediaView->hide();
}

void PLSmartMessageCell::setAsUpdated(bool updated, bool animated) {
    platform::ui::Animator::animateAlpha(m_staleMark, updated ? 1 : 0, animated ? kStaleMarkMs : 0);
}

void PLSmartMessageCell::setAsUpdated(bool updated, bool animated, bool reload) {
    if (reload && m_smartMessageInfo)
        m_bodyLabel->setText(plainTextForRow(PLChatWindowCellContent(m_smartMessageInfo)));
    setAsUpdated(updated, animated);
}

void PLSmartMessageCell::retryOrCancelUploadFromRichMediaView(PLPendingRichMediaView* view) {
    const auto shown = message();
    emit uploadRetryOrCancelRequested(shown);
    if (!shown)
        return;
    // First match wins: a stopped upload restarts, a failed post is resent, a running upload may stop.
    auto* helper = PLPostFailureHandlerHelper::sharedInstance();
    const auto latest = shown->latestPendingMessage();
    const auto entry = m_pendingRichMediaView->pendingMessage();
    const auto file = m_pendingRichMediaView->richMediaInfo();
    if (entry && entry->isForceStopped())
        helper->forceRetryUploadingForMessage(shown);
    else if (latest && latest->isFailed())
        helper->resendFailedMessage(shown);
    else if (file && file->state() < PLPostFailureHandlerHelper::kMediaStored)
        helper->forceStopUploadingForMessage(view, shown);
}

} // namespace pelnix
