#include "LineTruncation.h"

#include <QFontMetricsF>
#include <QTextLayout>

#include <algorithm>

namespace pelnix::platform::ui {

namespace {
constexpr qsizetype kMeasuredAtMost = 4096;
} // namespace

QString truncatedToLines(const QTextLayout& laidOut, int lines, qreal width, const QFont& font) {
    if (lines <= 0 || laidOut.lineCount() < lines)
        return {};
    const QString text = laidOut.text();
    const QTextLine last = laidOut.lineAt(laidOut.lineCount() - 1);
    const int shownEnd = last.textStart() + last.textLength();
    if (std::all_of(text.cbegin() + qMin(shownEnd, int(text.size())), text.cend(),
                    [](QChar c) { return c.isSpace(); }))
        return {};
    // The rest from the last line's start, up to a line break that would start a line not shown.
    // No line holds more than a few hundred characters: measuring a longer rest would only cost time.
    QString rest = text.mid(last.textStart(), kMeasuredAtMost);
    const qsizetype lineBreak = rest.indexOf(QChar::LineSeparator);
    const QFontMetricsF metrics(font);
    if (lineBreak >= 0) {
        rest.truncate(lineBreak);
        const QString ended = rest + QChar(0x2026);
        if (metrics.horizontalAdvance(ended) <= width)
            return text.left(last.textStart()) + ended;
    }
    const QString elided = metrics.elidedText(rest, Qt::ElideRight, width);
    // A line too narrow for a letter and the ellipsis shows what it holds of the text instead.
    if (elided.size() <= 1)
        return {};
    return text.left(last.textStart()) + elided;
}

} // namespace pelnix::platform::ui
