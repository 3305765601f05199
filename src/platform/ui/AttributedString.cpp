#include "AttributedString.h"

namespace pelnix::platform::ui {

AttributedString::AttributedString(const QString& text, const TextAttributes& attributes) : m_text(text) {
    // Plain text needs no run: the view's own attributes apply.
    const bool plain = !attributes.font && !attributes.color && !attributes.kern && !attributes.underline &&
                       !attributes.bold && !attributes.link.isValid();
    if (!plain)
        addAttributes(attributes, 0, int(text.size()));
}

void AttributedString::addAttributes(const TextAttributes& attributes, int start, int length) {
    const int begin = qBound(0, start, int(m_text.size()));
    const int end = qBound(begin, start + qMax(0, length), int(m_text.size()));
    if (end > begin)
        m_runs << Run{begin, end - begin, attributes};
}

void AttributedString::append(const AttributedString& other) {
    const int shift = int(m_text.size());
    m_text += other.m_text;
    for (Run run : other.m_runs) {
        run.start += shift;
        m_runs << run;
    }
}

QList<QTextLayout::FormatRange> AttributedString::formats() const {
    QList<QTextLayout::FormatRange> out;
    for (const Run& run : m_runs) {
        QTextLayout::FormatRange range;
        range.start = run.start;
        range.length = run.length;
        const TextAttributes& a = run.attributes;
        if (a.font)
            range.format.setFont(*a.font, QTextCharFormat::FontPropertiesSpecifiedOnly);
        if (a.bold)
            range.format.setFontWeight(QFont::Bold);
        if (a.color)
            range.format.setForeground(*a.color);
        if (a.kern) {
            range.format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
            range.format.setFontLetterSpacing(*a.kern);
        }
        if (a.underline)
            range.format.setFontUnderline(true);
        if (a.link.isValid()) {
            range.format.setAnchor(true);
            range.format.setAnchorHref(a.link.toString());
        }
        out << range;
    }
    return out;
}

} // namespace pelnix::platform::ui
