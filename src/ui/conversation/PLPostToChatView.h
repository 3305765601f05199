#pragma once

#include "platform/ui/WeakDelegate.h"
#include "ui/conversation/PLPostToChatViewDelegate.h"

#include <QImage>
#include <QWidget>

class QKeyEvent;
class QPlainTextEdit;

namespace pelnix {

namespace platform::ui {
class Button;
}

// The bar under the message list: a chatlet button, the text of a new message with the placeholder
// "Type your message here", and at the trailing end a media button that the send button replaces
// while there is text. It only reports the user's intents to its delegate, which clears it after a
// send with reset().
//
// The placeholder is a real placeholder, never text in the field: a user's text that happens to
// equal it stays as typed.
//
// The text view keeps the keyboard: a click on a button leaves the keys in it (Tab still reaches the
// buttons), and a button that hides while it has the focus hands it back to the text. Return sends as
// Send does, Shift+Return starts a new line.
class PLPostToChatView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDefaultHeight = 44;
    static constexpr int kSwapMs = 300;

    explicit PLPostToChatView(QWidget* parent = nullptr);

    PLPostToChatViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(PLPostToChatViewDelegate* delegate) { m_delegate.set(delegate); }

    QPlainTextEdit* messageTextView() const { return m_messageTextView; }
    platform::ui::Button* mediaUploadButton() const { return m_mediaUploadButton; }
    platform::ui::Button* postChatletButton() const { return m_postChatletButton; }
    platform::ui::Button* sendButton() const { return m_sendButton; }
    QWidget* rightBackgroundView() const { return m_rightBackgroundView; }
    QWidget* rightDivider() const { return m_rightDivider; }
    QString placeholderText() const;
    // How many times the media and send buttons swapped places (each is one 0.3 s animation).
    int buttonSwapCount() const { return m_swaps; }

    void dismissKeyboard();
    void reset();
    void textViewDidChange();
    void updateViewIfRequired();
    void uploadMediaButtonClicked();
    void postChatletsButtonClicked();
    void sendMessageButtonClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void swapButtons(qreal mediaAlpha, const QWidget* dividerAnchor);
    // Return and Enter in the text view; false for keys left to it.
    bool handleReturn(const QKeyEvent* event);
    void layOut();

    QPlainTextEdit* m_messageTextView;
    platform::ui::Button* m_mediaUploadButton;
    platform::ui::Button* m_postChatletButton;
    platform::ui::Button* m_sendButton;
    QWidget* m_rightBackgroundView;
    QWidget* m_rightDivider;
    platform::ui::WeakDelegate<PLPostToChatViewDelegate> m_delegate;
    int m_swaps = 0;
    // The whole placeholder; the field shows it cut to its width, since Qt wraps a placeholder onto
    // lines that a one-line field clips.
    QString m_placeholder;
    // The field's rounded frame on the bar's colour, drawn again only when the field's size changes.
    QImage m_fieldFrame;
    qreal m_mediaAlpha = 1;
};

} // namespace pelnix
