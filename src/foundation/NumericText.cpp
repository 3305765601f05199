#include "foundation/NumericText.h"

#include <QLocale>

#include <cstdint>
#include <limits>

namespace pelnix::NumericText {

namespace {
bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

qsizetype skipSpace(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    return i;
}
} // namespace

int intValue(const QString& text) {
    qsizetype i = skipSpace(text);
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    // Accumulate in 64 bits and stop growing once past the 32-bit range, so long digit runs clamp.
    constexpr std::int64_t limit = std::int64_t(std::numeric_limits<int>::max()) + 1;
    std::int64_t value = 0;
    for (; i < text.size() && isDigit(text.at(i)); ++i) {
        if (value <= limit)
            value = value * 10 + (text.at(i).unicode() - '0');
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return int(value);
}

double doubleValue(const QString& text) {
    const qsizetype start = skipSpace(text);
    qsizetype i = start;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    qsizetype digits = 0;
    for (; i < text.size() && isDigit(text.at(i)); ++i)
        ++digits;
    if (i < text.size() && text.at(i) == QLatin1Char('.')) {
        ++i;
        for (; i < text.size() && isDigit(text.at(i)); ++i)
            ++digits;
    }
    if (digits == 0)
        return 0.0;
    qsizetype end = i;
    if (i < text.size() && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < text.size() && (text.at(j) == QLatin1Char('+') || text.at(j) == QLatin1Char('-')))
            ++j;
        const qsizetype expStart = j;
        while (j < text.size() && isDigit(text.at(j)))
            ++j;
        if (j > expStart)
            end = j;
    }
    QString number = text.mid(start, end - start);
    if (number.endsWith(QLatin1Char('.')))
        number.chop(1);
    if (number.startsWith(QLatin1Char('+')))
        number.remove(0, 1);
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    return ok ? value : 0.0;
}

float floatValue(const QString& text) {
    return float(doubleValue(text));
}

} // namespace pelnix::NumericText
