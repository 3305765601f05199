#pragma once

#include "platform/ui/WeakDelegate.h"
#include "ui/conversation/PLBulkUserJoinedMessageCellDelegate.h"
#include "ui/conversation/PLChatMessageCell.h"

namespace pelnix {

class PLClippedView;

namespace platform::ui {
class Button;
class Label;
class TapGestureRecognizer;
} // namespace platform::ui

// A "joined" event that can list everybody who joined: the event's text in a box with an arrow, and,
// expanded, the names under it joined by a small triangle; the time below. The chat window keeps the
// expanded state per message and fills the cell again when it changes.
class PLBulkUserJoinedMessageCell : public PLChatMessageCell {
    Q_OBJECT
public:
    static inline const QString kIdentifier = QStringLiteral("PLBulkUserJoinedMessageCell");
    static constexpr qreal kMinimumTextHeight = 28.0;
    static constexpr qreal kNamesSpacing = 10.0;
    static constexpr qreal kHeightConstant = 15.0;
    static constexpr int kArrowWidth = 20;

    explicit PLBulkUserJoinedMessageCell(QWidget* parent = nullptr);

    // The height of the row in a cell `cellWidth` wide that keeps `trailingReserve` free.
    static qreal cellHeightWithMessageString(const QString& text, const QString& bulkJoinedUserNames,
                                             bool isExpanded, qreal cellWidth, int trailingReserve = 0);

    void setMessage(const std::shared_ptr<Message>& message, PLBulkUserJoinedMessageCellDelegate* delegate,
                    bool isCellExpanded);
    void prepareForReuse() override;
    PLBulkUserJoinedMessageCellDelegate* delegate() const { return m_delegate.get(); }
    bool isExpanded() const { return m_expanded; }

    void arrowIndicatorButtontapHandler();
    void expandMessageContent();

    platform::ui::Label* messageLabel() const { return m_messageLabel; }
    platform::ui::Label* userNamesLabel() const { return m_userNamesLabel; }
    platform::ui::Label* timeStampLabel() const { return m_timeStampLabel; }
    platform::ui::Button* arrowIndicatorButton() const { return m_arrowIndicatorButton; }
    PLClippedView* clippedView() const { return m_clippedView; }
    QWidget* expandableView() const { return m_expandableView; }
    QWidget* messageInfoView() const { return m_messageInfoView; }

protected:
    void applyReadLook(bool read, bool animated) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    using PLChatMessageCell::setMessage;
    void layOut();
    // Centred, the boxes keep clear of a trailing reserve on both sides.
    static int boxWidth(qreal cellWidth, int trailingReserve);

    QWidget* m_messageInfoView;
    QWidget* m_expandableView;
    platform::ui::Label* m_messageLabel;
    platform::ui::Label* m_userNamesLabel;
    platform::ui::Label* m_timeStampLabel;
    platform::ui::Button* m_arrowIndicatorButton;
    PLClippedView* m_clippedView;
    platform::ui::TapGestureRecognizer* m_tapGestureRecognizer;
    platform::ui::WeakDelegate<PLBulkUserJoinedMessageCellDelegate> m_delegate;
    bool m_expanded = false;
    // The layout's sizes, as the constraints of the cell set them.
    qreal m_messageInfoHeight = kMinimumTextHeight;
    qreal m_userNamesLabelHeight = 0;
    int m_arrowButtonWidth = kArrowWidth;
    int m_clippedViewWidth = 12;
};

} // namespace pelnix
