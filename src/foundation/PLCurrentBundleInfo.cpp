#include "foundation/PLCurrentBundleInfo.h"

#include "platform/PlistCodec.h"

#include <QFile>
#include <QLocale>
#include <QMutex>
#include <QTranslator>

namespace pelnix {

namespace {
const QString kBundlePath = QStringLiteral(":/pelnix");

// The library's own translator, loaded once from ":/pelnix/strings/pelnix_<locale>.qm" when the bundle
// ships one. It is queried directly and never installed on the application object.
QTranslator* translator() {
    static QTranslator* instance = [] {
        auto* t = new QTranslator;
        if (!t->load(QLocale::system(), QStringLiteral("pelnix"), QStringLiteral("_"),
                     kBundlePath + QStringLiteral("/strings"))) {
            delete t;
            return static_cast<QTranslator*>(nullptr);
        }
        return t;
    }();
    return instance;
}
} // namespace

QString PLCurrentBundleInfo::bundlePath() {
    return kBundlePath;
}

QString PLCurrentBundleInfo::identifier() {
    static const QString id = [] {
        const auto info = platform::PlistCodec::readFile(kBundlePath + QStringLiteral("/Info.plist"));
        const QString value =
            info ? info->toMap().value(QStringLiteral("CFBundleIdentifier")).toString() : QString();
        return value.isEmpty() ? QStringLiteral("inc.karvest.Pelnix") : value;
    }();
    return id;
}

QString PLCurrentBundleInfo::pathForResource(const QString& name, const QString& type) {
    if (name.isEmpty())
        return {};
    const QString path =
        kBundlePath + QLatin1Char('/') + name + (type.isEmpty() ? QString() : QLatin1Char('.') + type);
    return QFile::exists(path) ? path : QString();
}

QByteArray PLCurrentBundleInfo::dataForResource(const QString& name, const QString& type) {
    const QString path = pathForResource(name, type);
    if (path.isEmpty())
        return {};
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString PLCurrentBundleInfo::localizedString(const QString& key) {
    if (auto* t = translator()) {
        const QString text = t->translate("Pelnix", key.toUtf8().constData());
        if (!text.isEmpty())
            return text;
    }
    return key;
}

} // namespace pelnix
