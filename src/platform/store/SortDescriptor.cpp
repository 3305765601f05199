#include "platform/store/SortDescriptor.h"

#include "platform/store/ManagedObject.h"

namespace pelnix::platform {

QList<SortDescriptor> SortDescriptor::parseTerm(const QString& term, bool ascending) {
    QList<SortDescriptor> out;
    bool running = ascending;
    for (const QString& part : term.split(QLatin1Char(','))) {
        const QStringList pieces = part.split(QLatin1Char(':'));
        QString key = part;
        if (pieces.size() >= 2) {
            running = boolValue(pieces.last());
            key = pieces.first();
        }
        out << SortDescriptor{key, running};
    }
    return out;
}

QList<SortDescriptor> SortDescriptor::withKeys(const QStringList& keys, bool ascending) {
    QList<SortDescriptor> out;
    for (const QString& k : keys)
        out << SortDescriptor{k, ascending};
    return out;
}

bool SortDescriptor::boolValue(const QString& word) {
    int i = 0;
    const int n = int(word.size());
    while (i < n && word[i].isSpace())
        ++i;
    if (i < n && (word[i] == QLatin1Char('+') || word[i] == QLatin1Char('-')))
        ++i;
    while (i < n && word[i] == QLatin1Char('0'))
        ++i;
    if (i >= n)
        return false;
    const QChar c = word[i];
    return c == QLatin1Char('Y') || c == QLatin1Char('y') || c == QLatin1Char('T') || c == QLatin1Char('t') ||
           (c >= QLatin1Char('1') && c <= QLatin1Char('9'));
}

namespace {
int compareSortValues(const QVariant& a, const QVariant& b) {
    const bool an = a.isNull(), bn = b.isNull();
    if (an || bn)
        return an == bn ? 0 : (an ? -1 : 1); // nulls first, as SQLite orders them
    if (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString) {
        const int c = a.toString().compare(b.toString());
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    if (a.typeId() == QMetaType::QByteArray) {
        const int c = a.toByteArray().compare(b.toByteArray());
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    if (a.typeId() == QMetaType::Double || b.typeId() == QMetaType::Double) {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const qlonglong x = a.toLongLong(), y = b.toLongLong();
    return x < y ? -1 : (x > y ? 1 : 0);
}
} // namespace

int SortDescriptor::compare(const ManagedObject& a, const ManagedObject& b,
                            const QList<SortDescriptor>& sorts) {
    for (const auto& s : sorts) {
        int c = compareSortValues(a.valueForKeyPath(s.key), b.valueForKeyPath(s.key));
        if (c != 0)
            return s.ascending ? c : -c;
    }
    const int byKey = a.primaryKey() < b.primaryKey() ? -1 : (a.primaryKey() > b.primaryKey() ? 1 : 0);
    return !sorts.isEmpty() && !sorts.last().ascending ? -byKey : byKey;
}

} // namespace pelnix::platform
