#pragma once

#include <QString>

class QPlainTextEdit;

namespace pelnix {

// What the input bar reports: the media and chatlet buttons, a text to send (trimmed), and every
// change of the text (optional).
class PLPostToChatViewDelegate {
public:
    virtual ~PLPostToChatViewDelegate() = default;
    virtual void uploadMediaButtonClickHandler() = 0;
    virtual void postChatletButtonClickHandler() = 0;
    virtual void postTextMessage(const QString& text) = 0;
    virtual void textViewDidChange(QPlainTextEdit* textView) { (void)textView; }
};

} // namespace pelnix
