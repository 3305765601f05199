#pragma once

#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <QTextOption>

namespace pelnix::platform::ui {

// Makes the lines of a text layout that wraps at word boundaries or anywhere, in time linear in the
// text's length.
//
// Qt measures the whole word at the start of every line before it falls back to breaking anywhere,
// so a word of n characters costs n^2 / (characters a line) (a 256 KB word took 81 s). A line that
// starts in a run without a break opportunity longer than kLongRun characters is made with
// WrapAnywhere, which is what Qt's fallback makes of it whenever the run does not fit on the line.
// Lines come out as Qt's own unless more than kLongRun characters fit on one line.
class LineBreaker {
public:
    // A run longer than any word or link of ordinary text.
    static constexpr int kLongRun = 256;

    // Takes the layout's text option (its wrap mode WrapAtWordBoundaryOrAnywhere) as set now; the
    // option is put back when the breaker goes.
    explicit LineBreaker(QTextLayout& layout);
    ~LineBreaker();
    LineBreaker(const LineBreaker&) = delete;
    LineBreaker& operator=(const LineBreaker&) = delete;

    // In place of QTextLayout::createLine, between beginLayout and endLayout.
    QTextLine createLine();

    // Whether `text` holds a run from one break opportunity to the next (trailing spaces included,
    // as createLine counts) longer than kLongRun characters.
    // Where lines are made by Qt's own text document, which cannot change its wrap mode per line,
    // such a text is wrapped anywhere instead.
    static bool hasLongRun(const QString& text);

private:
    QTextLayout& m_layout;
    QTextOption m_option;
    QTextOption m_anywhere;
    QTextBoundaryFinder m_finder;
    QTextLine m_last;
    int m_runEnd = 0;
};

} // namespace pelnix::platform::ui
