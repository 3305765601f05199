#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QSizeF>
#include <QString>

#include <memory>
#include <vector>

class QTextLayout;

namespace pelnix::platform::ui {

// Plain text laid out at a width in paragraphs, each wrapped in time linear in its length
// (LineBreaker), and drawn one slice of a height at a time. It belongs to no thread: it is made on
// one and then used by one thread at a time.
class TextPageLayout {
public:
    static constexpr qreal kMargin = 8;

    // `note`, when given, comes first, in grey, set apart from the text.
    TextPageLayout(const QString& text, const QFont& font, qreal width, const QString& note = {});
    ~TextPageLayout();
    TextPageLayout(const TextPageLayout&) = delete;
    TextPageLayout& operator=(const TextPageLayout&) = delete;

    qreal width() const { return m_width; }
    qreal height() const { return m_height; }
    int lineCount() const { return m_lines; }
    // The sizes of the slices that cover the text.
    QList<QSizeF> slices(qreal sliceHeight) const;
    // Slice `slice` drawn on white at `pixels` (its width standing for the layout's width).
    QImage drawSlice(int slice, qreal sliceHeight, const QSize& pixels) const;

private:
    struct Paragraph {
        std::unique_ptr<QTextLayout> layout;
        qreal top = 0;
        qreal bottom = 0;
        QColor colour;
    };
    void add(const QString& text, const QFont& font, const QColor& colour);

    qreal m_width;
    qreal m_height = 0;
    int m_lines = 0;
    std::vector<Paragraph> m_paragraphs;
};

} // namespace pelnix::platform::ui
