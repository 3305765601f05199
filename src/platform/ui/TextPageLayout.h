#pragma once

#include <QFont>
#include <QImage>
#include <QList>
#include <QSizeF>
#include <QString>

#include <vector>

namespace pelnix::platform::ui {

// Plain text laid out at a width in paragraphs, each wrapped in time linear in its length
// (LineBreaker), and drawn one slice of a height at a time. Only where lines break is kept: each
// line drawn is shaped again on the drawing thread, because Qt's shaped text belongs to the font
// engines of the thread that shaped it. It belongs to no thread: made on one, then used by one thread
// at a time.
class TextPageLayout {
public:
    static constexpr qreal kMargin = 8;

    // `note`, when given, comes first, in grey italics, set apart from the text.
    TextPageLayout(const QString& text, const QFont& font, qreal width, const QString& note = {});

    qreal width() const { return m_width; }
    qreal height() const { return m_height; }
    int lineCount() const { return int(m_lines.size()); }
    // The sizes of the slices that cover the text.
    QList<QSizeF> slices(qreal sliceHeight) const;
    // Slice `slice` drawn on white at `pixels` (its width standing for the layout's width).
    QImage drawSlice(int slice, qreal sliceHeight, const QSize& pixels) const;

private:
    struct Line {
        qsizetype start = 0;
        qsizetype length = 0;
        qreal y = 0;
        bool note = false;
        bool rightToLeft = false;
    };
    void add(const QString& text, qsizetype offset, qsizetype length, bool note);
    QFont fontOf(const Line& line) const;

    QString m_text;
    QString m_note;
    QFont m_font;
    qreal m_width;
    qreal m_height = 0;
    std::vector<Line> m_lines;
};

} // namespace pelnix::platform::ui
