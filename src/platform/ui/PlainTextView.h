#pragma once

#include <QPlainTextEdit>

namespace pelnix::platform::ui {

// A plain text editor whose text reads as a message does: from the side of its first strong
// character, and with none (nothing yet, digits) from the view's leading edge, caret and placeholder
// alike, also after a direction turned at run time. Qt's plain text layout aligns every paragraph
// alike, so the whole text takes the side of its first strong character; each paragraph's letters
// still run in its own direction.
class PlainTextView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit PlainTextView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void followText();
    bool showsPlaceholder() const;
};

} // namespace pelnix::platform::ui
