#pragma once

#include <QCollator>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <iterator>

namespace pelnix::platform::ui {

// A–Z sections for a list of names, as a table's section index shows them: "A" to "Z", then "#" for
// names that start with anything else (digits, symbols, other scripts, nothing). Accented Latin
// letters go with their base letter ("Émile" under "E"). Within a section, names sort with the
// locale's collation, case and accents secondary.
class IndexedCollation {
public:
    explicit IndexedCollation(const QLocale& locale = QLocale());

    // "A" ... "Z", "#".
    QStringList sectionTitles() const;
    QStringList sectionIndexTitles() const { return sectionTitles(); }
    // The section of an index title (the index itself, as titles and sections match one to one).
    int sectionForSectionIndexTitleAtIndex(int index) const;
    int sectionForString(const QString& name) const;

    // Names sorted for one section.
    QStringList sortedStrings(QStringList names) const;
    // Items of one section sorted by their names, equal names keeping their order.
    template <typename T>
    QList<T> sortedItems(QList<T> items, const std::function<QString(const T&)>& name) const {
        std::stable_sort(items.begin(), items.end(),
                         [&](const T& a, const T& b) { return m_collator.compare(name(a), name(b)) < 0; });
        return items;
    }
    // Two lists sorted by sortedItems as one, as sortedItems sorts the first followed by the second
    // (equal names keep the first list's items first), in time linear in their lengths.
    template <typename T>
    QList<T> mergedItems(const QList<T>& first, const QList<T>& second,
                         const std::function<QString(const T&)>& name) const {
        QList<T> out;
        out.reserve(first.size() + second.size());
        std::merge(first.cbegin(), first.cend(), second.cbegin(), second.cend(), std::back_inserter(out),
                   [&](const T& a, const T& b) { return m_collator.compare(name(a), name(b)) < 0; });
        return out;
    }
    // Items in sections, each section sorted by the item's name.
    template <typename T>
    QList<QList<T>> sections(const QList<T>& items, const std::function<QString(const T&)>& name) const {
        QList<QList<T>> out(sectionTitles().size());
        for (const T& item : items)
            out[sectionForString(name(item))] << item;
        for (auto& section : out)
            std::stable_sort(section.begin(), section.end(), [&](const T& a, const T& b) {
                return m_collator.compare(name(a), name(b)) < 0;
            });
        return out;
    }

private:
    QCollator m_collator;
};

} // namespace pelnix::platform::ui
