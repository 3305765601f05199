#pragma once

#include "foundation/persistence/PLPersistence.h"

#include <QDateTime>
#include <QVariant>
#include <array>
#include <optional>

namespace pelnix {

// Import of key-value data (maps, lists of maps, or plain values) into entities, steered by the
// model's user info: "mappedKeyName" (and "mappedKeyName.1" to ".9"), "relatedByAttribute",
// "attributeValueClassName", "dateFormat" and "useDefaultValueWhenNotPresent". An Int64 attribute
// with a "dateFormat" is a date, kept as milliseconds since 1970. Nothing is saved.
namespace PLDataImport {

platform::ObjectPtr PS_importFromObject(const QString& entity, const QVariant& data,
                                        const ContextPtr& context = {});
QList<platform::ObjectPtr> PS_importFromArray(const QString& entity, const QVariantList& items,
                                              const ContextPtr& context = {});
bool PS_importValuesForKeysWithObject(const platform::ObjectPtr& object, const QVariant& data);

// The data's value at a dotted key path of maps; null when absent.
QVariant valueAtKeyPath(const QVariant& data, const QString& keyPath);
// The first key path among the attribute's mapped key and its alternatives 1..9 that has a value.
std::optional<QString> PS_lookupKeyForAttribute(const platform::AttributeDescription& attribute,
                                                const QVariant& data);
// The attribute's value at a key path, converted for its type (step of the import).
QVariant PS_valueForKeyPath(const platform::AttributeDescription& attribute, const QString& keyPath,
                            const QVariant& data);

// "User" -> "User" with its first character upper-cased; "" stays "".
QString PS_attributeNameFromString(const QString& text);
// "User" -> "userID".
QString PS_primaryKeyNameFromString(const QString& text);
// Parsed with a date format (Unicode patterns, as "yyyy-MM-dd'T'HH:mm:ssz") at GMT; null when it
// does not parse.
QDateTime PS_dateFromString(const QString& text, const QString& format);
QDateTime PS_dateFromNumber(double number, bool isMilliseconds);
// The text's leading number, 0 when it does not begin with one.
double PS_numberFromString(const QString& text);
QDateTime PS_adjustDateForDST(const QDateTime& date);
// The four integers of "rgba(r,g,b,a)", read in order while skipping runs of "(", "," and ")".
// At most four are read and reading stops at the first text that is not an integer; slots not
// read (and all four when the prefix is not "rgba") are 0.
std::array<int, 4> PS_newColorComponentsFromString(const QString& text);
// [red/255, green/255, blue/255, alpha] or an empty list.
QVariantList PS_colorFromString(const QString& text);

} // namespace PLDataImport
} // namespace pelnix
