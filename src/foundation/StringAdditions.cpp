#include "foundation/StringAdditions.h"

#include "foundation/Base64.h"
#include "foundation/DateAdditions.h"

#include <QLocale>
#include <QRegularExpression>
#include <QUrl>

namespace pelnix::StringAdditions {

QString stringByTrimmingWhiteSpacesAndNewLines(const QString& text) {
    return text.trimmed();
}

bool isValidEmailAddress(const QString& text) {
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral(".+@(.+\\.)+(.+)")));
    return pattern.match(text).hasMatch();
}

bool isValidPassword(const QString& text) {
    return text.size() > 5;
}

bool isValidPhoneNumber(const QString& text) {
    return !text.isEmpty();
}

QString PL_stringByReplacingPercentEscapesUsingEncoding(const QString& text) {
    if (text.isEmpty())
        return text;
    // Qt's default set of characters left alone is exactly the unreserved one.
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

QString base64EncodedString(const QString& text) {
    return Base64::base64EncodedString(text);
}

QString stringGroupByFirstInitial(const QString& text) {
    if (text.isEmpty())
        return text;
    const qsizetype firstLength =
        text.at(0).isHighSurrogate() && text.size() > 1 && text.at(1).isLowSurrogate() ? 2 : 1;
    if (text.size() <= firstLength)
        return text;
    return text.left(firstLength).toUpper();
}

QString URLDecodedString(const QString& text) {
    return QUrl::fromPercentEncoding(text.toUtf8());
}

namespace {
struct Replacement {
    const char* from;
    const char* to;
};

template <size_t N> QString replaceInOrder(const QString& text, const Replacement (&replacements)[N]) {
    if (text.isEmpty())
        return QString(QLatin1String(""));
    QString result = text;
    for (const Replacement& r : replacements)
        result.replace(QLatin1String(r.from), QLatin1String(r.to));
    return result;
}
} // namespace

QString escapeHTMLCodes(const QString& text) {
    static constexpr Replacement replacements[] = {
        {"&", "&amp;amp;"}, {"<", "&amp;lt;"}, {">", "&amp;gt;"}, {"'", "&amp;#39;"}, {"\"", "&amp;quot;"}};
    return replaceInOrder(text, replacements);
}

QString reverseEscapeHTMLCodes(const QString& text) {
    static constexpr Replacement replacements[] = {
        {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&#39;", "'"}, {"&quot;", "\""}};
    return replaceInOrder(text, replacements);
}

QString escapeNewLine(const QString& text) {
    QString result = text;
    return result.replace(QLatin1Char('\n'), QLatin1String("\\n"));
}

QString escapeString(const QString& text) {
    QString result = text;
    result.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    result.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return result;
}

QString stringTrimmedForLeadingAndTrailingWhiteSpacesFromString(const QString& text) {
    if (text.isEmpty())
        return QString(QLatin1String(""));
    static const QRegularExpression pattern(QStringLiteral("(?:^\\s+)|(?:\\s+$)"),
                                            QRegularExpression::CaseInsensitiveOption);
    QString result = text;
    return result.remove(pattern);
}

QString convertToDateString(qint64 milliseconds) {
    return DateAdditions::getFormattedDateStringFromDate(QDateTime::fromSecsSinceEpoch(milliseconds / 1000));
}

QString firstPreferredLanguage() {
    return QLocale::system().uiLanguages().value(0);
}

bool validateString(const QString& text, const QString& pattern, const QString& preferredLanguage) {
    if (pattern == QLatin1String("^[a-zA-Z ]+$") && !preferredLanguage.contains(QLatin1String("en")))
        return true;
    if (text.isNull() || pattern.isEmpty())
        return false;
    const QRegularExpression expression(pattern, QRegularExpression::CaseInsensitiveOption);
    return expression.isValid() && expression.match(text).hasMatch();
}

} // namespace pelnix::StringAdditions
