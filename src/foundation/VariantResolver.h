#pragma once

#include "foundation/DeviceTraits.h"

#include <QCache>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <functional>

namespace pelnix {

// Picks the best existing variant of a resource file for a device: candidates by scale, idiom and
// tall screen are built from the name and tested from the last built to the first. Answers for
// paths inside the resource folder (which never changes) are cached, both found and not found,
// until purgeCaches() or until the device traits change.
//
// In place of process-wide loading hooks, callers that load images ask imageFileForName() and
// load the answer themselves at the scale it gives.
class VariantResolver {
public:
    using ExistsFunction = std::function<bool(const QString& path)>;
    using TraitsFunction = std::function<DeviceTraits()>;

    VariantResolver(QString resourceFolder, ExistsFunction exists, TraitsFunction traits);

    // The one the library uses: the library's resources, the real file system, the current traits.
    static VariantResolver& shared();

    // The best existing variant of `name` (given type `type` when it has no extension; relative
    // names lie in the resource folder), or "" when none exists.
    QString normalizedPathForFile(const QString& name, const QString& type = QStringLiteral("png"));

    struct ImageFile {
        QString path;       // "" when no variant exists
        double scale = 1.0; // device pixels per point of the image at `path`
    };
    ImageFile imageFileForName(const QString& name);

    // The candidates for `path` in the order they are built (tested last to first).
    QStringList candidatesForPath(const QString& path, const QString& type, const DeviceTraits& traits) const;

    // Forgets every cached answer (the memory-warning response).
    void purgeCaches();

private:
    const QString m_resourceFolder;
    const ExistsFunction m_exists;
    const TraitsFunction m_traits;
    QMutex m_mutex;
    QCache<QString, QString> m_cache;
    DeviceTraits m_cachedTraits;
};

} // namespace pelnix
