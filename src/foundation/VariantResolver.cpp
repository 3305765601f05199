#include "foundation/VariantResolver.h"

#include "foundation/StandardFolders.h"
#include "foundation/StringStandardFolders.h"

#include <QDir>
#include <QFile>
#include <QSet>

namespace pelnix {

using namespace StandardFolders;

namespace {
// Appends, for every candidate present when the step began, the variants `make` gives it.
template <typename Make> void forEachCandidate(QStringList& candidates, Make make) {
    const QStringList before = candidates;
    for (const QString& candidate : before)
        candidates << make(candidate);
}
} // namespace

VariantResolver::VariantResolver(QString resourceFolder, ExistsFunction exists, TraitsFunction traits)
    : m_resourceFolder(std::move(resourceFolder)), m_exists(std::move(exists)), m_traits(std::move(traits)),
      m_cache(4096) {}

VariantResolver& VariantResolver::shared() {
    static VariantResolver instance(
        StandardFolders::resourcePath(), [](const QString& path) { return QFile::exists(path); },
        [] { return DeviceTraits::current(); });
    return instance;
}

QStringList VariantResolver::candidatesForPath(const QString& path, const QString& type,
                                               const DeviceTraits& traits) const {
    QStringList candidates{path};
    if (!(traits.scale > 1.0))
        candidates = {stringByAppendingSuffixForScale(path, 3, traits),
                      stringByAppendingSuffixForScale(path, 2, traits), path};

    const auto scaleVariants = [&traits](const QString& c) {
        return QStringList{stringByAppendingSuffixForScale(c, 3, traits),
                           stringByAppendingSuffixForScale(c, 2, traits),
                           stringByAppendingDeviceScaleSuffix(c, traits)};
    };
    switch (traits.idiom) {
    case 2: {
        const QString lowerType = type.toLower();
        if (lowerType.isEmpty() || lowerType == QLatin1String("png") || lowerType == QLatin1String("jpg") ||
            lowerType == QLatin1String("jpeg"))
            candidates << stringByReplacingPathExtensionWithExtension(path, QStringLiteral("tiff"));
        forEachCandidate(candidates,
                         [](const QString& c) { return QStringList{stringByAppendingHDSuffix(c)}; });
        if (traits.scale > 1.0)
            forEachCandidate(candidates, scaleVariants);
        forEachCandidate(candidates, [](const QString& c) {
            return QStringList{stringByAppendingPathSuffix(c, QLatin1String(kDesktopIdiomSuffix))};
        });
        break;
    }
    case 1:
        forEachCandidate(candidates,
                         [](const QString& c) { return QStringList{stringByAppendingHDSuffix(c)}; });
        forEachCandidate(candidates, [&traits](const QString& c) {
            return QStringList{stringByAppendingDeviceHeightSuffix(c, traits)};
        });
        if (traits.scale > 1.0)
            forEachCandidate(candidates, scaleVariants);
        forEachCandidate(candidates, [](const QString& c) {
            return QStringList{stringByAppendingPathSuffix(c, QLatin1String(kTabletIdiomSuffix))};
        });
        break;
    case 0:
        forEachCandidate(candidates, [&traits](const QString& c) {
            QStringList variants;
            if (traits.isTallScreen())
                variants << stringByAppendingSuffixForHeight(c, 568, traits);
            variants << stringByAppendingDeviceHeightSuffix(c, traits);
            return variants;
        });
        if (traits.scale > 1.0)
            forEachCandidate(candidates, [&](const QString& c) {
                return QStringList{stringByAppendingHDSuffix(c)} + scaleVariants(c);
            });
        forEachCandidate(candidates, [](const QString& c) {
            return QStringList{stringByAppendingPathSuffix(c, QLatin1String(kPhoneIdiomSuffix))};
        });
        break;
    default:
        break;
    }
    return candidates;
}

QString VariantResolver::normalizedPathForFile(const QString& name, const QString& type) {
    QString path = name;
    if (!hasPathExtension(path) && !type.isEmpty())
        path = SF_stringByAppendingPathExtension(path, type);
    if (!QDir::isAbsolutePath(path))
        path = m_resourceFolder + QLatin1Char('/') + path;

    const DeviceTraits traits = m_traits();
    QMutexLocker lock(&m_mutex);
    // Answers hold for one set of traits; new traits (set by the host after start-up) start afresh.
    if (traits != m_cachedTraits) {
        m_cache.clear();
        m_cachedTraits = traits;
    }
    const bool cacheable =
        !m_resourceFolder.isEmpty() && path.startsWith(m_resourceFolder + QLatin1Char('/'));
    if (cacheable) {
        if (const QString* known = m_cache.object(path))
            return *known;
    }

    const QStringList candidates = candidatesForPath(path, type, traits);
    QString found;
    QSet<QString> tested;
    for (auto it = candidates.crbegin(); it != candidates.crend(); ++it) {
        if (tested.contains(*it))
            continue;
        tested.insert(*it);
        if (m_exists(*it)) {
            found = *it;
            break;
        }
    }
    if (cacheable)
        m_cache.insert(path, new QString(found));
    return found;
}

VariantResolver::ImageFile VariantResolver::imageFileForName(const QString& name) {
    ImageFile file;
    file.path = normalizedPathForFile(name);
    if (!file.path.isEmpty())
        file.scale = scaleFromSuffix(file.path, m_traits());
    return file;
}

void VariantResolver::purgeCaches() {
    QMutexLocker lock(&m_mutex);
    m_cache.clear();
}

} // namespace pelnix
