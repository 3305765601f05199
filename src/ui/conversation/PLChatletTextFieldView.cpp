#include "ui/conversation/PLChatletTextFieldView.h"

#include "platform/ui/TextView.h"
#include "ui/toolkit/PLCustomTextField.h"
#include "ui/toolkit/ToolkitStyle.h"

#include <QPainter>
#include <QTextDocument>
#include <QVBoxLayout>

namespace pelnix {

namespace {
// A several-line input in the toolkit's field frame.
class FramedTextView : public platform::ui::TextView {
public:
    FramedTextView() {
        setEditable(true);
        setFrameShape(QFrame::NoFrame);
        setFixedHeight(88);
        // The text keeps off the frame by the document's margin: the frame is the whole viewport.
        document()->setDocumentMargin(8);
        setFont(ToolkitStyle::regularFont());
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        {
            QPainter painter(viewport());
            painter.setRenderHint(QPainter::Antialiasing);
            ToolkitStyle::paintFieldFrame(painter, QRectF(viewport()->rect()).adjusted(0.5, 0.5, -0.5, -0.5),
                                          hasFocus());
        }
        platform::ui::TextView::paintEvent(event);
    }
    // The frame tells whether the field has the keys: the editor repaints only its caret as they come
    // and go, which would leave the frame as it last was.
    void focusInEvent(QFocusEvent* event) override {
        platform::ui::TextView::focusInEvent(event);
        viewport()->update();
    }
    void focusOutEvent(QFocusEvent* event) override {
        platform::ui::TextView::focusOutEvent(event);
        viewport()->update();
    }
};
} // namespace

PLChatletTextFieldView::PLChatletTextFieldView(const QVariantMap& definition, QWidget* parent)
    : PLChatletFormFieldView(definition, parent) {
    if (fieldType() == QLatin1String("textarea")) {
        m_area = new FramedTextView;
        m_area->setObjectName(QStringLiteral("input"));
        connect(m_area, &platform::ui::TextView::textChanged, this, &PLChatletFormFieldView::valueChanged);
        body()->addWidget(m_area);
        return;
    }
    m_line = new PLCustomTextField;
    m_line->setObjectName(QStringLiteral("input"));
    m_line->awakeFromNib();
    // What the user types reads as a value, not in the placeholder's grey.
    ToolkitStyle::applyFieldPalette(m_line, ToolkitStyle::textColor());
    m_line->setPlaceholder(label());
    connect(m_line, &QLineEdit::textChanged, this, &PLChatletFormFieldView::valueChanged);
    body()->addWidget(m_line);
}

QString PLChatletTextFieldView::text() const {
    return m_area ? m_area->plainText() : m_line ? m_line->text() : QString();
}

void PLChatletTextFieldView::setText(const QString& text) {
    if (m_area)
        m_area->setPlainText(text);
    else if (m_line)
        m_line->setText(text);
    emit valueChanged();
}

QWidget* PLChatletTextFieldView::input() const {
    return m_area ? static_cast<QWidget*>(m_area.data()) : m_line.data();
}

} // namespace pelnix
