#pragma once

#include <QList>
#include <QString>

namespace pelnix::platform {

class ManagedObject;

// One sort key: an attribute (or a key path through to-one relationships) and a direction.
struct SortDescriptor {
    QString key;
    bool ascending = true;

    bool operator==(const SortDescriptor&) const = default;

    // The sort-term grammar: keys separated by ","; a key may end in ":" and a direction word,
    // and that direction carries over to the following keys that have none. "activityDate:NO,name"
    // gives two descending keys. No spaces are trimmed.
    static QList<SortDescriptor> parseTerm(const QString& term, bool ascending);
    // One descriptor per key, all with the same direction.
    static QList<SortDescriptor> withKeys(const QStringList& keys, bool ascending);
    // Boolean value of a direction word: after optional spaces, a sign and zeros, "Y", "y", "T",
    // "t" or a digit 1 to 9 is true.
    static bool boolValue(const QString& word);
    // Orders two objects by the descriptors (nulls first), then by primary key in the direction of
    // the last descriptor, as fetches do. -1, 0 or 1.
    static int compare(const ManagedObject& a, const ManagedObject& b, const QList<SortDescriptor>& sorts);
};

} // namespace pelnix::platform
