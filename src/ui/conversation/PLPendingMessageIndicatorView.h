#pragma once

#include "ui/conversation/PLOutboxState.h"

#include <QWidget>
#include <memory>

namespace pelnix {

class Message;
class PLRotatingImageView;
class PLRoundedCountLabel;

namespace platform::ui {
class Button;
class Label;
} // namespace platform::ui

// The outbox state of a message inside its cell: a clock (turning while a post is under way) with the
// number of replies still waiting, a failure mark with the number of failed replies, and the message
// time beside whichever of them shows. It holds nothing but the message and is set up again from it
// on every setMessage(); a reused cell keeps its indicator and puts it back as it was made
// (prepareForReuse()) rather than building a new one. The compact text cell shows no time.
class PLPendingMessageIndicatorView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 18;
    static constexpr int kGroupWidth = 30;
    // The failure group's inset from the trailing edge when it shows alone.
    static constexpr double kRightToLeftShift = 13.0;

    // Laid out for its width as the cell gives it.
    explicit PLPendingMessageIndicatorView(int width, QWidget* parent = nullptr);
    ~PLPendingMessageIndicatorView() override;

    std::shared_ptr<Message> message() const { return m_message; }
    void setMessage(const std::shared_ptr<Message>& message);
    // The same, with the message's outbox state already read.
    void setMessage(const std::shared_ptr<Message>& message, const PLOutboxState& state);
    // The outbox state shown, as read at the last setMessage().
    const PLOutboxState& outboxState() const { return m_state; }
    // Back to the layout it was made with, for the next message of a reused cell.
    void prepareForReuse();
    bool isExtendedTextMessage() const { return m_extended; }
    void setIsExtendedTextMessage(bool extended) { m_extended = extended; }

    void configurePendingView();
    void configureTimeLabel();
    void stopRotatingClockImageView();
    // The failure mark's action: offers resend or discard while the mark shows.
    void checkForFailureButtonTap();

    QWidget* failedIndicatorView() const { return m_failedIndicatorView; }
    QWidget* pendingIndicatorView() const { return m_pendingIndicatorView; }
    platform::ui::Button* failureIndicatorButton() const { return m_failureIndicatorButton; }
    PLRoundedCountLabel* failedPendingMessageCountLabel() const { return m_failedCountLabel; }
    PLRoundedCountLabel* pendingMessageCountLabel() const { return m_pendingCountLabel; }
    PLRotatingImageView* clockIconImageView() const { return m_clockIconImageView; }
    platform::ui::Label* timeLabel() const { return m_timeLabel; }

protected:
    void changeEvent(QEvent* event) override;

signals:
    // The visible failure mark was tapped for this message.
    void failureIndicatorTapped(const std::shared_ptr<pelnix::Message>& message);

private:
    bool isRightToLeft() const;
    void layOutAsMade();
    // Mirrors every view's place (and the time's alignment) when `mirrored` differs from now.
    void setMirrored(bool mirrored);

    std::shared_ptr<Message> m_message;
    PLOutboxState m_state;
    bool m_extended = false;
    bool m_mirrored = false;
    QWidget* m_failedIndicatorView;
    QWidget* m_pendingIndicatorView;
    platform::ui::Button* m_failureIndicatorButton;
    PLRoundedCountLabel* m_failedCountLabel;
    PLRoundedCountLabel* m_pendingCountLabel;
    PLRotatingImageView* m_clockIconImageView;
    platform::ui::Label* m_timeLabel;
};

} // namespace pelnix
