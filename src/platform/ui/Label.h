#pragma once

#include "AttributedString.h"

#include <QColor>
#include <QWidget>

namespace pelnix::platform::ui {

// A label with attributed runs, a line limit (0: none), word wrap, and vertical centring or top
// alignment. Horizontal alignment follows Qt: leading and trailing mirror in right-to-left layouts
// unless Qt::AlignAbsolute is set. Text is drawn as it is, never read as markup; a long unbroken word
// wraps in time linear in its length (LineBreaker).
class Label : public QWidget {
    Q_OBJECT
public:
    explicit Label(const QString& text = {}, QWidget* parent = nullptr);

    QString text() const { return m_text.text(); }
    void setText(const QString& text);
    AttributedString attributedText() const { return m_text; }
    void setAttributedText(const AttributedString& text);
    QColor textColor() const { return m_color; }
    void setTextColor(const QColor& color);
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);
    int numberOfLines() const { return m_lines; }
    void setNumberOfLines(int lines);
    bool alignsTop() const { return m_top; }
    void setAlignsTop(bool top);

    // The size the text needs within `size` (its width bounds the lines).
    QSizeF sizeThatFits(const QSizeF& size) const;
    void sizeToFit();
    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Lays the text out at `width`, truncated to the lines; answers the used height and width.
    QSizeF layoutText(QTextLayout& layout, qreal width) const;
    QSizeF layoutLines(QTextLayout& layout, const QString& text, qreal width) const;

    AttributedString m_text;
    QColor m_color{0, 0, 0};
    Qt::Alignment m_alignment = Qt::AlignLeft;
    int m_lines = 1;
    bool m_top = false;
};

} // namespace pelnix::platform::ui
