#pragma once

#include <QByteArray>
#include <QString>

namespace pelnix {

// The framework bundle: the library's own resources (configuration, strings, images, fonts, form
// templates), compiled in under the resource prefix ":/pelnix". Never the host's resources.
class PLCurrentBundleInfo {
public:
    // ":/pelnix"
    static QString bundlePath();
    // The bundle identifier ("inc.karvest.Pelnix"): the error domain and the key-chain prefix.
    static QString identifier();
    // ":/pelnix/<name>.<type>" (or "<name>" when type is empty) when that resource exists, else "".
    // `name` may hold a sub-folder ("fonts/DejaVuSans").
    static QString pathForResource(const QString& name, const QString& type = {});
    static QByteArray dataForResource(const QString& name, const QString& type = {});
    // The localized text for `key` from the library's own translation, or the key itself. The
    // translation is queried directly; nothing is installed on the host's application object.
    static QString localizedString(const QString& key);
};

} // namespace pelnix
