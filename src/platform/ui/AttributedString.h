#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <QTextLayout>
#include <QUrl>
#include <optional>

namespace pelnix::platform::ui {

// Attributes of a run of text; unset ones fall back to the view's own.
struct TextAttributes {
    std::optional<QFont> font;
    std::optional<QColor> color;
    std::optional<qreal> kern;
    bool underline = false;
    bool bold = false;
    QUrl link;
};

// Text with attributed runs (fonts, colours, kern, underline, bold ranges, links) and line spacing.
class AttributedString {
public:
    struct Run {
        int start;
        int length;
        TextAttributes attributes;
    };

    AttributedString() = default;
    explicit AttributedString(const QString& text, const TextAttributes& attributes = {});

    QString text() const { return m_text; }
    bool isEmpty() const { return m_text.isEmpty(); }
    int length() const { return int(m_text.size()); }
    // Later runs win where runs overlap; ranges are clipped to the text.
    void addAttributes(const TextAttributes& attributes, int start, int length);
    QList<Run> runs() const { return m_runs; }
    qreal lineSpacing() const { return m_lineSpacing; }
    void setLineSpacing(qreal spacing) { m_lineSpacing = spacing; }
    void append(const AttributedString& other);

    // Formats for a text layout over `base`.
    QList<QTextLayout::FormatRange> formats() const;

private:
    QString m_text;
    QList<Run> m_runs;
    qreal m_lineSpacing = 0;
};

} // namespace pelnix::platform::ui
