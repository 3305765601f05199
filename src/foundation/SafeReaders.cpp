#include "foundation/SafeReaders.h"

#include "foundation/NumericText.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace pelnix::SafeKVC {

namespace {
bool isNumber(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

bool isString(const QVariant& value) {
    return value.metaType().id() == QMetaType::QString;
}

bool isOfClass(const QVariant& value, ValueClass valueClass) {
    if (!value.isValid())
        return false;
    switch (valueClass) {
    case ValueClass::Any:
        return true;
    case ValueClass::String:
        return isString(value);
    case ValueClass::Number:
        return isNumber(value);
    case ValueClass::Dictionary:
        return value.metaType().id() == QMetaType::QVariantMap ||
               value.metaType().id() == QMetaType::QVariantHash;
    case ValueClass::Array:
        return value.metaType().id() == QMetaType::QVariantList ||
               value.metaType().id() == QMetaType::QStringList;
    }
    return false;
}

QVariant ofClass(const QVariant& value, ValueClass valueClass) {
    return isOfClass(value, valueClass) ? value : QVariant();
}
} // namespace

QVariant valueForKey(const KeyValueSource& source, const QString& key, ValueClass valueClass) {
    return ofClass(source.value(key), valueClass);
}

QVariant valueForKeyPath(const KeyValueSource& source, const QString& keyPath, ValueClass valueClass) {
    return ofClass(source.valueForPath(keyPath), valueClass);
}

QString stringForKey(const KeyValueSource& source, const QString& key) {
    const QVariant value = source.value(key);
    return isString(value) ? value.toString() : QString(QLatin1String(""));
}

QString stringForKeyPath(const KeyValueSource& source, const QString& keyPath) {
    const QVariant value = source.valueForPath(keyPath);
    return isString(value) ? value.toString() : QString(QLatin1String(""));
}

QString nonEmptyStringForKey(const KeyValueSource& source, const QString& key) {
    const QString text = stringForKey(source, key);
    return text.isEmpty() ? QString() : text;
}

QVariantList arrayForKey(const KeyValueSource& source, const QString& key) {
    const QVariant value = source.value(key);
    return isOfClass(value, ValueClass::Array) ? value.toList() : QVariantList();
}

int intValueOf(const QVariant& value) {
    if (isString(value))
        return NumericText::intValue(value.toString());
    if (!isNumber(value))
        return 0;
    const double number = value.toDouble();
    if (std::isnan(number))
        return 0;
    // Truncated toward zero and clamped, so no value is undefined behaviour.
    if (number >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (number <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(number);
}

double doubleValueOf(const QVariant& value) {
    if (isString(value))
        return NumericText::doubleValue(value.toString());
    return isNumber(value) ? value.toDouble() : 0.0;
}

int intForKey(const KeyValueSource& source, const QString& key) {
    return intValueOf(source.value(key));
}

int intForKeyPath(const KeyValueSource& source, const QString& keyPath) {
    return intValueOf(source.valueForPath(keyPath));
}

float floatForKey(const KeyValueSource& source, const QString& key) {
    return float(doubleValueOf(source.value(key)));
}

double doubleForKey(const KeyValueSource& source, const QString& key) {
    return doubleValueOf(source.value(key));
}

double doubleForKeyPath(const KeyValueSource& source, const QString& keyPath) {
    return doubleValueOf(source.valueForPath(keyPath));
}

double numberForKey(const KeyValueSource& source, const QString& key) {
    return doubleForKey(source, key);
}

} // namespace pelnix::SafeKVC

namespace pelnix::DictionaryAdditions {

QRectF rectForKeyPath(const KeyValueSource& source, const QString& key) {
    const QVariant value = source.value(key);
    if (value.metaType().id() == QMetaType::QRectF || value.metaType().id() == QMetaType::QRect)
        return value.toRectF();
    static const QString number = QStringLiteral("\\s*([-+]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][-+]?\\d+)?)\\s*");
    static const QRegularExpression pattern(
        QStringLiteral("\\{\\s*\\{%1,%1\\}\\s*,\\s*\\{%1,%1\\}\\s*\\}").arg(number));
    const QRegularExpressionMatch match = pattern.match(value.toString());
    if (!match.hasMatch())
        return {};
    return QRectF(match.captured(1).toDouble(), match.captured(2).toDouble(), match.captured(3).toDouble(),
                  match.captured(4).toDouble());
}

} // namespace pelnix::DictionaryAdditions
