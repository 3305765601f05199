#pragma once

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/CustomFontRegistration.h"

#include <QFont>
#include <QString>

// The contact picker's texts (looked up in the library's strings by their English text) and fonts.
namespace pelnix::ContactsUi {

inline QString localized(const char* text) {
    return PLCurrentBundleInfo::localizedString(QString::fromUtf8(text));
}

// A DejaVu face by its PostScript name.
inline QFont font(const char* face, qreal size) {
    return CustomFontRegistration::fontWithName(QString::fromLatin1(face), size);
}

} // namespace pelnix::ContactsUi
