#include "foundation/StringStandardFolders.h"

#include "foundation/NumericText.h"

#include <QLocale>

namespace pelnix::StandardFolders {

namespace {
// The extension of the last path component: the text after its last ".", "" when it has none.
QString lastExtension(const QString& name) {
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return {};
    return name.mid(dot + 1);
}

QString stem(const QString& name) {
    return SF_stringByDeletingPathExtension(name);
}

QString withoutIdiomAndScale(const QString& name) {
    return stringByDeletingScaleSuffix(stringByDeletingInterfaceIdiomSuffix(name));
}

QString scaleAndIdiomSuffix(const QString& name) {
    return scaleSuffix(name) + interfaceIdiomSuffix(name);
}

QString formatNumber(double value) {
    return QString::asprintf("%g", value);
}
} // namespace

QString SF_pathExtension(const QString& name) {
    const QString extension = lastExtension(name);
    if (extension != QLatin1String("gz"))
        return extension;
    const QString before = lastExtension(name.chopped(extension.size() + 1));
    return before.isEmpty() ? extension : before + QLatin1Char('.') + extension;
}

QString SF_stringByAppendingPathExtension(const QString& name, const QString& extension) {
    return extension.isEmpty() ? name : name + QLatin1Char('.') + extension;
}

QString SF_stringByDeletingPathExtension(const QString& name) {
    const QString extension = SF_pathExtension(name);
    return extension.isEmpty() ? name : name.chopped(extension.size() + 1);
}

QString stringByReplacingPathExtensionWithExtension(const QString& name, const QString& extension) {
    return SF_stringByAppendingPathExtension(SF_stringByDeletingPathExtension(name), extension);
}

bool hasPathExtension(const QString& name) {
    return !SF_pathExtension(name).isEmpty();
}

QString stringByAppendingPathSuffix(const QString& name, const QString& suffix) {
    return SF_stringByAppendingPathExtension(stem(name) + suffix, SF_pathExtension(name));
}

QString stringByDeletingPathSuffix(const QString& name, const QString& suffix) {
    if (!hasPathSuffix(name, suffix))
        return name;
    return SF_stringByAppendingPathExtension(stem(name).chopped(suffix.size()), SF_pathExtension(name));
}

bool hasPathSuffix(const QString& name, const QString& suffix) {
    // An empty suffix is never "had": every deletion of a missing suffix is then a no-op.
    return !suffix.isEmpty() && stem(name).endsWith(suffix);
}

QString suffixForInterfaceIdiom(int idiom) {
    switch (idiom) {
    case 0:
        return QLatin1String(kPhoneIdiomSuffix);
    case 1:
        return QLatin1String(kTabletIdiomSuffix);
    case 2:
        return QLatin1String(kDesktopIdiomSuffix);
    default:
        return {};
    }
}

QString interfaceIdiomSuffix(const QString& name) {
    for (int idiom = 0; idiom <= 2; ++idiom) {
        const QString suffix = suffixForInterfaceIdiom(idiom);
        if (hasPathSuffix(name, suffix))
            return suffix;
    }
    return {};
}

QString stringByAppendingSuffixForInterfaceIdiom(const QString& name, int idiom) {
    return stringByAppendingPathSuffix(name, suffixForInterfaceIdiom(idiom));
}

QString stringByAppendingDeviceInterfaceIdiomSuffix(const QString& name, const DeviceTraits& traits) {
    return stringByAppendingSuffixForInterfaceIdiom(name, traits.idiom);
}

QString stringByDeletingInterfaceIdiomSuffix(const QString& name) {
    return stringByDeletingPathSuffix(name, interfaceIdiomSuffix(name));
}

bool hasInterfaceIdiomSuffix(const QString& name) {
    return !interfaceIdiomSuffix(name).isEmpty();
}

int interfaceIdiomFromSuffix(const QString& name, const DeviceTraits& traits) {
    const QString suffix = interfaceIdiomSuffix(name);
    for (int idiom = 0; idiom <= 2; ++idiom) {
        if (!suffix.isEmpty() && suffix == suffixForInterfaceIdiom(idiom))
            return idiom;
    }
    return traits.idiom;
}

QString stringByAppendingSuffixForScale(const QString& name, double scale, const DeviceTraits& traits) {
    if (scale == 0)
        scale = traits.scale;
    const QString suffix =
        QLatin1Char('@') + formatNumber(scale) + QLatin1Char('x') + interfaceIdiomSuffix(name);
    return stringByAppendingPathSuffix(stringByDeletingInterfaceIdiomSuffix(name), suffix);
}

QString stringByAppendingDeviceScaleSuffix(const QString& name, const DeviceTraits& traits) {
    return stringByAppendingSuffixForScale(name, 0, traits);
}

QString scaleSuffix(const QString& name) {
    const QString base = stem(stringByDeletingInterfaceIdiomSuffix(name));
    if (!base.endsWith(QLatin1Char('x')) || !base.contains(QLatin1Char('@')))
        return {};
    return base.mid(base.lastIndexOf(QLatin1Char('@')));
}

QString stringByDeletingScaleSuffix(const QString& name) {
    if (!hasScaleSuffix(name))
        return name;
    const QString idiom = interfaceIdiomSuffix(name);
    QString result = stringByDeletingInterfaceIdiomSuffix(name);
    result = stringByDeletingPathSuffix(result, scaleSuffix(result));
    return stringByAppendingPathSuffix(result, idiom);
}

bool hasScaleSuffix(const QString& name) {
    return !scaleSuffix(name).isEmpty();
}

double scaleFromSuffix(const QString& name, const DeviceTraits& traits) {
    const QString suffix = scaleSuffix(name);
    if (!suffix.isEmpty())
        return NumericText::floatValue(suffix.mid(1, suffix.size() - 2));
    if (traits.idiom == 0)
        return hasHDSuffix(name) ? 2.0 : 1.0;
    return 1.0;
}

QString stringByAppendingHDSuffix(const QString& name) {
    return stringByAppendingPathSuffix(withoutIdiomAndScale(name),
                                       QLatin1String(kHDSuffix) + scaleAndIdiomSuffix(name));
}

QString stringByAppendingHDSuffixIfDeviceIsHD(const QString& name, const DeviceTraits& traits) {
    if (traits.idiom != 0 || traits.scale > 1.0)
        return stringByAppendingHDSuffix(name);
    return name;
}

bool hasHDSuffix(const QString& name) {
    return hasPathSuffix(withoutIdiomAndScale(name), QLatin1String(kHDSuffix));
}

QString stringByDeletingHDSuffix(const QString& name) {
    if (!hasHDSuffix(name))
        return name;
    const QString suffix = scaleAndIdiomSuffix(name);
    const QString base =
        stringByDeletingPathSuffix(stringByDeletingPathSuffix(name, suffix), QLatin1String(kHDSuffix));
    return stringByAppendingPathSuffix(base, suffix);
}

QString stringByAppendingSuffixForHeight(const QString& name, double height, const DeviceTraits& traits) {
    if (height == 0)
        height = traits.longerScreenSide();
    const QString suffix =
        QLatin1Char('-') + formatNumber(height) + QLatin1Char('h') + scaleAndIdiomSuffix(name);
    return stringByAppendingPathSuffix(stringByDeletingPathSuffix(name, suffix), suffix);
}

QString stringByAppendingDeviceHeightSuffix(const QString& name, const DeviceTraits& traits) {
    return stringByAppendingSuffixForHeight(name, 0, traits);
}

QString heightSuffix(const QString& name) {
    const QString base = stem(withoutIdiomAndScale(name));
    if (!base.endsWith(QLatin1Char('h')) || !base.contains(QLatin1Char('-')))
        return {};
    const QString suffix = base.mid(base.lastIndexOf(QLatin1Char('-')));
    if (suffix.size() < 3)
        return {};
    bool isNumber = false;
    QLocale::c().toDouble(suffix.mid(1, suffix.size() - 2), &isNumber);
    return isNumber ? suffix : QString();
}

bool hasHeightSuffix(const QString& name) {
    return !heightSuffix(name).isEmpty();
}

double heightFromSuffix(const QString& name) {
    const QString suffix = heightSuffix(name);
    return suffix.isEmpty() ? 0.0 : QLocale::c().toDouble(suffix.mid(1, suffix.size() - 2));
}

QString stringByDeletingHeightSuffix(const QString& name) {
    if (!hasHeightSuffix(name))
        return name;
    const QString suffix = scaleAndIdiomSuffix(name);
    const QString base =
        stringByDeletingPathSuffix(stringByDeletingPathSuffix(name, suffix), heightSuffix(name));
    return stringByAppendingPathSuffix(base, suffix);
}

QString stringByAppendingRetinaSuffix(const QString& name) {
    return stringByAppendingSuffixForScale(name, 2);
}

QString stringByAppendingRetinaSuffixIfDeviceIsRetina(const QString& name, const DeviceTraits& traits) {
    return traits.scale > 1.0 ? stringByAppendingRetinaSuffix(name) : name;
}

bool hasRetinaSuffix(const QString& name) {
    return scaleSuffix(name) == QLatin1String("@2x");
}

QString stringByDeletingRetinaSuffix(const QString& name) {
    return hasRetinaSuffix(name) ? stringByDeletingScaleSuffix(name) : name;
}

QString stringByAppendingRetina4Suffix(const QString& name) {
    const QString suffix = scaleAndIdiomSuffix(name);
    return stringByAppendingPathSuffix(stringByDeletingPathSuffix(name, suffix),
                                       QLatin1String(kRetina4Suffix) + suffix);
}

QString stringByAppendingRetina4SuffixIfDeviceIsRetina4(const QString& name, const DeviceTraits& traits) {
    return traits.isTallScreen() ? stringByAppendingRetina4Suffix(name) : name;
}

bool hasRetina4Suffix(const QString& name) {
    return hasPathSuffix(withoutIdiomAndScale(name), QLatin1String(kRetina4Suffix));
}

QString stringByDeletingRetina4Suffix(const QString& name) {
    if (!hasRetina4Suffix(name))
        return name;
    const QString suffix = scaleAndIdiomSuffix(name);
    const QString base =
        stringByDeletingPathSuffix(stringByDeletingPathSuffix(name, suffix), QLatin1String(kRetina4Suffix));
    return stringByAppendingPathSuffix(base, suffix);
}

} // namespace pelnix::StandardFolders
