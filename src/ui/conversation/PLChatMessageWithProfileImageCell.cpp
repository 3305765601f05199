#include "ui/conversation/PLChatMessageWithProfileImageCell.h"

#include "core/model/Message.h"
#include "core/model/User.h"
#include "media/PLImageManager.h"
#include "platform/ui/Button.h"
#include "ui/conversation/PLCellImageView.h"
#include "ui/conversation/PLChatWindowStyle.h"

#include <QPointer>
#include <QResizeEvent>

namespace pelnix {

using platform::ui::Button;

PLChatMessageWithProfileImageCell::PLChatMessageWithProfileImageCell(const QString& reuseIdentifier,
                                                                     QWidget* parent)
    : PLChatMessageCell(reuseIdentifier, parent), m_profileImageView(new PLCellImageView(contentView())),
      m_unreadIndicatorImageView(new PLCellImageView(contentView())),
      m_profileButton(new Button(contentView())) {
    m_profileImageView->setObjectName(QStringLiteral("profileImageView"));
    m_profileImageView->setRound(true);
    m_profileImageView->setImage(PLChatWindowStyle::image(QStringLiteral("tempProfileImage")));
    m_unreadIndicatorImageView->setObjectName(QStringLiteral("unreadIndicatorImageView"));
    m_unreadIndicatorImageView->setImage(PLChatWindowStyle::image(QStringLiteral("unreadMessageIndicator")));
    // Only a pressed look over the avatar: no image of its own in the normal state.
    m_profileButton->setObjectName(QStringLiteral("profileImageButton"));
    // A click opens the sender's page and leaves the keys in the room's text; Tab still reaches it.
    m_profileButton->setFocusPolicy(Qt::TabFocus);
    m_profileButton->setImage(PLChatWindowStyle::image(QStringLiteral("profileSelectionImage")),
                              Button::State::Highlighted);
    connect(m_profileButton, &Button::clicked, this,
            &PLChatMessageWithProfileImageCell::profileButtonClickHandler);
}

void PLChatMessageWithProfileImageCell::applyReadLook(bool read, bool animated) {
    PLChatMessageCell::applyReadLook(read, animated);
    m_unreadIndicatorImageView->setVisible(!read);
}

void PLChatMessageWithProfileImageCell::resizeEvent(QResizeEvent* event) {
    PLChatMessageCell::resizeEvent(event);
    m_profileButton->setGeometry(m_profileImageView->geometry());
    m_profileButton->raise();
}

void PLChatMessageWithProfileImageCell::profileButtonClickHandler() {
    if (auto* delegate = m_tapHandlerDelegate.get()) {
        const auto message = this->message();
        delegate->profileImageClickedForUser(message ? message->senderUser() : nullptr);
    }
}

void PLChatMessageWithProfileImageCell::showSenderImage(const QString& imageUrl) {
    if (imageUrl.isEmpty() || imageUrl == m_imageUrl)
        return;
    auto* images = PLImageManager::sharedManager();
    if (m_imageLoad)
        images->cancel(std::exchange(m_imageLoad, 0));
    m_imageUrl = imageUrl;
    m_profileImageView->setImage(PLChatWindowStyle::image(QStringLiteral("tempProfileImage")));
    QPointer<PLChatMessageWithProfileImageCell> self(this);
    m_imageLoad = images->loadImageWithURL(
        QUrl(imageUrl), 0, [self, imageUrl](const QImage& image, const PLOptionalError&, auto, const QUrl&) {
            if (!self || self->m_imageUrl != imageUrl)
                return;
            self->m_imageLoad = 0;
            if (!image.isNull())
                self->m_profileImageView->setImage(image);
        });
}

void PLChatMessageWithProfileImageCell::prepareForReuse() {
    PLChatMessageCell::prepareForReuse();
    m_profileButton->setDown(false);
    // A reused cell never shows the previous row's sender: a sender without a picture gets the
    // placeholder, not whoever the cell showed before.
    if (m_imageLoad)
        PLImageManager::sharedManager()->cancel(std::exchange(m_imageLoad, 0));
    m_imageUrl.clear();
    m_profileImageView->setImage(PLChatWindowStyle::image(QStringLiteral("tempProfileImage")));
}

} // namespace pelnix
