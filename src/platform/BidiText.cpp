#include "platform/BidiText.h"

#include <QStringList>

#include <algorithm>
#include <optional>

namespace pelnix::platform {

namespace {
bool isIsolateStart(char32_t c) {
    return c >= 0x2066 && c <= 0x2068;
}

// Calls `visit` with each code point of `text` in order until it answers true; answers whether one did.
// A lone surrogate is passed as it is.
template <class Visit> bool anyCodePoint(QStringView text, Visit visit) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
            ++i;
        }
        if (visit(c))
            return true;
    }
    return false;
}

bool isLineEnd(QChar c) {
    // What Qt's layout and the bidi algorithm take as the end of a paragraph or a line.
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::ParagraphSeparator ||
           c == QChar::LineSeparator || c == QChar(0x85) || c == QChar(0x1C) || c == QChar(0x1D) ||
           c == QChar(0x1E);
}

// One line with its controls balanced, wrapped in a first-strong isolate.
QString isolatedLine(QStringView line) {
    QString out;
    out.reserve(line.size() + 4);
    out += QChar(BidiText::kFirstStrongIsolate);
    int open = 0;
    for (const QChar c : line) {
        if (c.unicode() == BidiText::kPopDirectionalIsolate) {
            // A closing mark with nothing of the line's own to close would end the isolate.
            if (open == 0)
                continue;
            --open;
        } else if (isIsolateStart(c.unicode())) {
            ++open;
        }
        out += c;
    }
    // An isolate left open would take the closing mark for itself; embeddings and overrides end
    // with the isolate that holds them.
    out += QString(open + 1, QChar(BidiText::kPopDirectionalIsolate));
    return out;
}

} // namespace

// Reads up to the first strong character only: a long text is not walked whole.
std::optional<Qt::LayoutDirection> BidiText::strongDirection(QStringView text) {
    int isolates = 0;
    std::optional<Qt::LayoutDirection> found;
    anyCodePoint(text, [&](char32_t c) {
        switch (QChar::direction(c)) {
        case QChar::DirLRI:
        case QChar::DirRLI:
        case QChar::DirFSI:
            ++isolates;
            return false;
        case QChar::DirPDI:
            // A closing mark closes only an isolate that is open.
            isolates = std::max(0, isolates - 1);
            return false;
        case QChar::DirL:
        case QChar::DirR:
        case QChar::DirAL:
            if (isolates > 0)
                return false;
            found = QChar::direction(c) == QChar::DirL ? Qt::LeftToRight : Qt::RightToLeft;
            return true;
        default:
            return false;
        }
    });
    return found;
}

namespace {
bool lineNeedsIsolation(QStringView line) {
    return anyCodePoint(line, [](char32_t c) {
        if (c < 0x80)
            return false;
        if (BidiText::isControl(c))
            return true;
        switch (QChar::direction(c)) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirAN:
        case QChar::DirLRE:
        case QChar::DirLRO:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirPDF:
        case QChar::DirLRI:
        case QChar::DirRLI:
        case QChar::DirFSI:
        case QChar::DirPDI:
            return true;
        default:
            return false;
        }
    });
}
} // namespace

bool BidiText::isControl(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

bool BidiText::hasControls(const QString& text) {
    // Every control is in the Basic Multilingual Plane and no surrogate is one.
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return isControl(c.unicode()); });
}

QString BidiText::withoutControls(const QString& text) {
    if (!hasControls(text))
        return text;
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        if (!isControl(c.unicode()))
            out += c;
    return out;
}

QString BidiText::withControlsShown(const QString& text) {
    if (!hasControls(text))
        return text;
    QString out = text;
    for (QChar& c : out)
        if (isControl(c.unicode()))
            c = QChar(kReplacement);
    return out;
}

bool BidiText::needsIsolation(const QString& text) {
    return lineNeedsIsolation(text);
}

Qt::LayoutDirection BidiText::firstStrongDirection(QStringView text) {
    return strongDirection(text).value_or(Qt::LeftToRight);
}

bool BidiText::endsParagraph(QChar c) {
    return c == QLatin1Char('\n') || c == QChar::ParagraphSeparator;
}

QList<BidiText::Paragraph> BidiText::paragraphs(QStringView text) {
    QList<Paragraph> paragraphs;
    // Paragraphs without a strong character wait for the next direction found.
    qsizetype undecided = 0;
    std::optional<Qt::LayoutDirection> last;
    qsizetype start = 0;
    for (qsizetype at = 0; at <= text.size(); ++at) {
        if (at < text.size() && !endsParagraph(text[at]))
            continue;
        qsizetype end = at;
        if (at < text.size() && text[at] == QLatin1Char('\n') && end > start &&
            text[end - 1] == QLatin1Char('\r'))
            --end;
        const auto own = strongDirection(text.mid(start, end - start));
        if (own) {
            for (qsizetype i = paragraphs.size() - undecided; i < paragraphs.size(); ++i)
                paragraphs[i].direction = *own;
            undecided = 0;
            last = own;
        } else if (!last) {
            ++undecided;
        }
        paragraphs.append({start, end - start, own.value_or(last.value_or(Qt::LeftToRight))});
        start = at + 1;
    }
    return paragraphs;
}

QString BidiText::isolated(const QString& text) {
    if (!needsIsolation(text))
        return text;
    QString out;
    out.reserve(text.size() + 4);
    qsizetype from = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isLineEnd(text.at(i)))
            continue;
        const QStringView line = QStringView(text).mid(from, i - from);
        out += lineNeedsIsolation(line) ? isolatedLine(line) : line.toString();
        if (i < text.size())
            out += text.at(i);
        from = i + 1;
    }
    return out;
}

} // namespace pelnix::platform
