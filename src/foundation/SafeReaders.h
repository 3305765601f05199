#pragma once

#include "foundation/KeyValueSource.h"

#include <QRectF>
#include <QString>
#include <QVariant>
#include <QVariantList>

// Typed reading of parsed JSON (and of objects with properties) that never fails: a missing key or
// a value of the wrong kind gives the empty value or 0.
namespace pelnix::SafeKVC {

enum class ValueClass { Any, String, Number, Dictionary, Array };

// The value when it is of the class asked for (any value for Any), else an invalid QVariant.
QVariant valueForKey(const KeyValueSource& source, const QString& key,
                     ValueClass valueClass = ValueClass::Any);
QVariant valueForKeyPath(const KeyValueSource& source, const QString& keyPath,
                         ValueClass valueClass = ValueClass::Any);

// "" unless the value is a string (a number is not read as text).
QString stringForKey(const KeyValueSource& source, const QString& key);
QString stringForKeyPath(const KeyValueSource& source, const QString& keyPath);
// A null QString when the string is empty or missing.
QString nonEmptyStringForKey(const KeyValueSource& source, const QString& key);
// Empty unless the value is an array.
QVariantList arrayForKey(const KeyValueSource& source, const QString& key);
// Numbers and strings both read ("12abc" is 12, 3.9 is 3; clamped to the 32-bit range); else 0.
int intForKey(const KeyValueSource& source, const QString& key);
int intForKeyPath(const KeyValueSource& source, const QString& keyPath);
float floatForKey(const KeyValueSource& source, const QString& key);
double doubleForKey(const KeyValueSource& source, const QString& key);
double doubleForKeyPath(const KeyValueSource& source, const QString& keyPath);
// doubleForKey as a number value; 0 when missing.
double numberForKey(const KeyValueSource& source, const QString& key);

// The numeric readings of a single value by the rules above.
int intValueOf(const QVariant& value);
double doubleValueOf(const QVariant& value);

} // namespace pelnix::SafeKVC

namespace pelnix::DictionaryAdditions {

// The rectangle written as "{{x, y}, {w, h}}" under the (plain) key, or held there as a
// rectangle; the zero rectangle when the key is missing or the text is not a rectangle.
QRectF rectForKeyPath(const KeyValueSource& source, const QString& key);

} // namespace pelnix::DictionaryAdditions
