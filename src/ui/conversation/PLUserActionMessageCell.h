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
    // The label's width (its width constraint).
    static constexpr int kLabelWidth = 260;

    explicit PLUserActionMessageCell(QWidget* parent = nullptr);

    static qreal cellHeightWithMessageString(const QString& text);

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
