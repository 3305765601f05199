#pragma once

#include "ui/conversation/PLChatMessageCell.h"

namespace pelnix {

namespace platform::ui {
class Label;
}

// A one-line system event (a member left, the room got a new name, ...): its text centred in a fixed
// width, the time below. Height: the text measured at the label's width, plus the chrome around the
// label, plus 10.
class PLUserActionMessageCell : public PLChatMessageCell {
    Q_OBJECT
public:
    static inline const QString kIdentifier = QStringLiteral("PLUserActionMessageCell");
    static constexpr qreal kHeightConstant = 10.0;
    // The label's width (its width constraint) in a phone's 320-point row; wider rows widen it by as
    // much, up to a line that still reads as one.
    static constexpr int kLabelWidth = 260;
    static constexpr int kMaximumLabelWidth = 600;
    // Centred, it keeps clear of a trailing reserve on both sides.
    static int labelWidthForCellWidth(int cellWidth, int trailingReserve = 0);

    explicit PLUserActionMessageCell(QWidget* parent = nullptr);

    static qreal cellHeightWithMessageString(const QString& text);
    static qreal cellHeightWithMessageString(const QString& text, int cellWidth, int trailingReserve = 0);

    platform::ui::Label* messageLabel() const { return m_messageLabel; }
    platform::ui::Label* timeLabel() const { return m_timeLabel; }
    void setMessage(const std::shared_ptr<Message>& message) override;
    void prepareForReuse() override;

protected:
    void applyReadLook(bool read, bool animated) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    platform::ui::Label* m_messageLabel;
    platform::ui::Label* m_timeLabel;
};

} // namespace pelnix
