#include "LineBreaker.h"

namespace pelnix::platform::ui {

LineBreaker::LineBreaker(QTextLayout& layout) : m_layout(layout), m_option(layout.textOption()) {
    m_anywhere = m_option;
    m_anywhere.setWrapMode(QTextOption::WrapAnywhere);
    // A text no longer than a long run holds none: it pays nothing for the line-break analysis.
    if (m_option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere && layout.text().size() > kLongRun)
        m_finder = QTextBoundaryFinder(QTextBoundaryFinder::Line, layout.text());
}

LineBreaker::~LineBreaker() {
    m_layout.setTextOption(m_option);
}

QTextLine LineBreaker::createLine() {
    if (m_finder.isValid()) {
        const int start = m_last.isValid() ? m_last.textStart() + m_last.textLength() : 0;
        if (m_runEnd <= start) {
            m_finder.setPosition(start);
            m_runEnd = m_finder.toNextBoundary();
            if (m_runEnd < 0)
                m_runEnd = int(m_layout.text().size());
        }
        m_layout.setTextOption(m_runEnd - start > kLongRun ? m_anywhere : m_option);
    }
    m_last = m_layout.createLine();
    return m_last;
}

bool LineBreaker::hasLongRun(const QString& text) {
    if (text.size() <= kLongRun)
        return false;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text);
    qsizetype last = 0;
    for (qsizetype next = finder.toNextBoundary(); next >= 0; next = finder.toNextBoundary()) {
        if (next - last > kLongRun)
            return true;
        last = next;
    }
    return text.size() - last > kLongRun;
}

} // namespace pelnix::platform::ui
