#include "IndexedCollation.h"

namespace pelnix::platform::ui {

namespace {
constexpr int kLetters = 26;
}

IndexedCollation::IndexedCollation(const QLocale& locale) : m_collator(locale) {
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_collator.setNumericMode(true);
}

QStringList IndexedCollation::sectionTitles() const {
    QStringList titles;
    for (int i = 0; i < kLetters; ++i)
        titles << QString(QChar(u'A' + i));
    titles << QStringLiteral("#");
    return titles;
}

int IndexedCollation::sectionForSectionIndexTitleAtIndex(int index) const {
    return qBound(0, index, kLetters);
}

int IndexedCollation::sectionForString(const QString& name) const {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return kLetters;
    // The base letter of an accented one is the first character of its canonical decomposition.
    const QString base =
        trimmed.left(trimmed.at(0).isHighSurrogate() ? 2 : 1).normalized(QString::NormalizationForm_D);
    const QChar first = base.at(0).toUpper();
    if (first >= u'A' && first <= u'Z')
        return first.unicode() - u'A';
    return kLetters;
}

QStringList IndexedCollation::sortedStrings(QStringList names) const {
    std::stable_sort(names.begin(), names.end(),
                     [this](const QString& a, const QString& b) { return m_collator.compare(a, b) < 0; });
    return names;
}

} // namespace pelnix::platform::ui
