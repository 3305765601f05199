#pragma once

#include "platform/ui/PlainTextView.h"

namespace pelnix {

// A text editor that refuses any edit (typing, paste, drop, input method) after which its text would
// be longer than its limit, counted in UTF-16 units as the counter counts; a paste that does not fit
// is refused whole rather than cut.
class PLCaptionTextView : public platform::ui::PlainTextView {
    Q_OBJECT
public:
    explicit PLCaptionTextView(int maximumLength, QWidget* parent = nullptr);

    int maximumLength() const { return m_maximumLength; }
    // Whether replacing `replacedLength` units with `replacement` keeps the text within the limit.
    bool shouldChangeText(int replacedLength, const QString& replacement) const;
    // Replaces the selection with `text` as typing would, unless that passes the limit.
    bool insertAsTyped(const QString& text);
    // The height the text needs at the editor's width, margins included.
    int heightForCurrentText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    int selectedLength() const;

    int m_maximumLength;
};

} // namespace pelnix
