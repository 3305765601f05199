#pragma once

#include "platform/ui/WeakDelegate.h"
#include "ui/conversation/PLChatMessageCell.h"
#include "ui/conversation/PLChatMessageCellProfileTapDelegate.h"

namespace pelnix {

class PLCellImageView;

namespace platform::ui {
class Button;
} // namespace platform::ui

// A message cell with the sender's avatar, the unread dot, and a tap target over the avatar that
// reports the sender to the tap delegate. Subclasses place the avatar and the dot in their layout;
// the tap target follows the avatar on every layout.
class PLChatMessageWithProfileImageCell : public PLChatMessageCell {
    Q_OBJECT
public:
    explicit PLChatMessageWithProfileImageCell(const QString& reuseIdentifier, QWidget* parent = nullptr);

    PLCellImageView* profileImageView() const { return m_profileImageView; }
    PLCellImageView* unreadIndicatorImageView() const { return m_unreadIndicatorImageView; }
    platform::ui::Button* profileImageButton() const { return m_profileButton; }
    PLChatMessageCellProfileTapDelegate* tapHandlerDelegate() const { return m_tapHandlerDelegate.get(); }
    void setTapHandlerDelegate(PLChatMessageCellProfileTapDelegate* delegate) {
        m_tapHandlerDelegate.set(delegate);
    }
    // Shows the sender's picture, the bundle's placeholder while it loads; a sender without a
    // picture keeps what the avatar shows.
    void showSenderImage(const QString& imageUrl);
    void profileButtonClickHandler();

protected:
    void applyReadLook(bool read, bool animated) override;
    void resizeEvent(QResizeEvent* event) override;
    void prepareForReuse() override;

private:
    PLCellImageView* m_profileImageView;
    PLCellImageView* m_unreadIndicatorImageView;
    platform::ui::Button* m_profileButton;
    platform::ui::WeakDelegate<PLChatMessageCellProfileTapDelegate> m_tapHandlerDelegate;
    quint64 m_imageLoad = 0;
    QString m_imageUrl;
};

} // namespace pelnix
