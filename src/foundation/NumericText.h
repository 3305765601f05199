#pragma once

#include <QString>

namespace pelnix::NumericText {

// The numeric readings of text that server values and file names get: leading white space, an
// optional sign, then as many digits as follow; anything after them is ignored and text without
// digits reads as 0 ("12abc" is 12, "abc" is 0).

// Clamped to the 32-bit range (INT_MAX / INT_MIN on overflow).
int intValue(const QString& text);
// Also takes a fraction and an exponent ("1.5", "-2e3").
double doubleValue(const QString& text);
float floatValue(const QString& text);

} // namespace pelnix::NumericText
