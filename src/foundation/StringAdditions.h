#pragma once

#include <QString>

// Text helpers: trimming, input checks, the form escaping of every server parameter, HTML and JSON
// escaping, Base64 and the contact-list group letter.
//
// The label-height measurement needs fonts and so lives with the widget helpers, not here.
namespace pelnix::StringAdditions {

QString stringByTrimmingWhiteSpacesAndNewLines(const QString& text);
// The whole text matches ".+@(.+\.)+(.+)".
bool isValidEmailAddress(const QString& text);
bool isValidPassword(const QString& text);
bool isValidPhoneNumber(const QString& text);

// Form escaping: the UTF-8 bytes of every character but ASCII letters, digits, "-", ".", "_" and
// "~" become "%" and two upper-case hex digits.
QString PL_stringByReplacingPercentEscapesUsingEncoding(const QString& text);
QString base64EncodedString(const QString& text);
// The first character (code point, never half a surrogate pair) upper-cased; text of one character
// or none comes back unchanged.
QString stringGroupByFirstInitial(const QString& text);
QString URLDecodedString(const QString& text);

// "&" -> "&amp;amp;", "<" -> "&amp;lt;", ">" -> "&amp;gt;", "'" -> "&amp;#39;", "\"" -> "&amp;quot;":
// escaped twice on purpose, for the smart-message markup.
QString escapeHTMLCodes(const QString& text);
// One level back: "&amp;", "&lt;", "&gt;", "&#39;", "&quot;" to their characters.
QString reverseEscapeHTMLCodes(const QString& text);
QString escapeNewLine(const QString& text);
// Backslashes doubled, then double quotes preceded by a backslash (text inside hand-built JSON).
QString escapeString(const QString& text);
// Leading and trailing white space removed; "" (never null) for null text.
QString stringTrimmedForLeadingAndTrailingWhiteSpacesFromString(const QString& text);
// Milliseconds since 1970 as the relative date text.
QString convertToDateString(qint64 milliseconds);

// The user's first preferred language ("en-US", "de-DE", ...).
QString firstPreferredLanguage();
// Whether `pattern` (case-insensitive) matches somewhere in `text`. The letters-and-spaces pattern
// "^[a-zA-Z ]+$" is waived (YES) when the first preferred language is not English. Null text, a
// null, empty or invalid pattern: NO.
bool validateString(const QString& text, const QString& pattern,
                    const QString& preferredLanguage = firstPreferredLanguage());

} // namespace pelnix::StringAdditions
