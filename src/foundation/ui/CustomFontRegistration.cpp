#include "CustomFontRegistration.h"

#include "foundation/PLCurrentBundleInfo.h"

#include <QFile>
#include <QFontDatabase>
#include <QHash>
#include <QRawFont>
#include <QResource>
#include <atomic>
#include <mutex>

namespace pelnix::CustomFontRegistration {

namespace {
struct Face {
    QString family;
    QFont::Weight weight;
    QFont::Style style;
};

QHash<QString, Face>& faces() {
    static QHash<QString, Face> map;
    return map;
}

QStringList& order() {
    static QStringList names;
    return names;
}

const QStringList kFontNames{"DejaVuSans",
                             "DejaVuSans-Bold",
                             "DejaVuSans-ExtraLight",
                             "DejaVuSansCondensed-Bold",
                             "DejaVuSansCondensed-Oblique",
                             "DejaVuSansCondensed"};

// The face file: straight from the library's resources when they hold it uncompressed (no copy of
// a few MB), else read.
QByteArray faceData(const QString& name) {
    const QString path = PLCurrentBundleInfo::pathForResource(QStringLiteral("fonts/") + name, "ttf");
    if (path.isEmpty())
        return {};
    const QResource resource(path);
    if (resource.isValid() && resource.compressionAlgorithm() == QResource::NoCompression)
        return QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()), resource.size());
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Set once loading begins on any thread; readers then wait for it to end.
std::atomic<bool> g_loadingBegun{false};
} // namespace

void loadCustomFonts() {
    g_loadingBegun = true;
    static std::once_flag once;
    std::call_once(once, [] {
        for (const QString& name : kFontNames) {
            const QByteArray data = faceData(name);
            if (data.isEmpty())
                continue; // a missing file fails quietly, as a failed registration does
            const int id = QFontDatabase::addApplicationFontFromData(data);
            if (id < 0)
                continue;
            // The face's own names decide: the last family is the specific one ("DejaVu Sans
            // Condensed" rather than "DejaVu Sans"), and the style name gives weight and slant
            // (the weight class of the light face is not reported reliably).
            const QStringList families = QFontDatabase::applicationFontFamilies(id);
            const QRawFont raw(data, 12);
            const QString style = raw.styleName();
            const QFont::Weight weight = style.contains(QLatin1String("ExtraLight")) ? QFont::ExtraLight
                                         : style.contains(QLatin1String("Bold"))     ? QFont::Bold
                                                                                     : QFont::Normal;
            const bool slanted =
                style.contains(QLatin1String("Oblique")) || style.contains(QLatin1String("Italic"));
            Face face{families.isEmpty() ? raw.familyName() : families.last(), weight,
                      slanted ? QFont::StyleOblique : QFont::StyleNormal};
            faces().insert(name, face);
            order() << name;
        }
    });
}

QStringList registeredFontNames() {
    if (g_loadingBegun)
        loadCustomFonts();
    return order();
}

QFont fontWithName(const QString& postScriptName, qreal size) {
    loadCustomFonts();
    QFont font;
    const auto it = faces().constFind(postScriptName);
    if (it != faces().constEnd()) {
        font = QFont(it->family);
        font.setWeight(it->weight);
        font.setStyle(it->style);
    }
    font.setPixelSize(qMax(1, qRound(size)));
    return font;
}

} // namespace pelnix::CustomFontRegistration
