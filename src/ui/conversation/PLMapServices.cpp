#include "ui/conversation/PLMapServices.h"

#include "core/api/PLAppConfigurations.h"
#include "platform/ui/HttpGeocoder.h"
#include "platform/ui/MapTileLoader.h"

#include <QCoreApplication>

#include <memory>

namespace pelnix::PLMapServices {

using platform::ui::Geocoder;
using platform::ui::HttpGeocoder;

Geocoder* geocoder() {
    if (Geocoder::isInstalled())
        return Geocoder::current();
    static std::unique_ptr<HttpGeocoder> configured;
    // Ended with the application, while its thread can still be stopped.
    static const bool cleanUp = [] {
        qAddPostRoutine([] { configured.reset(); });
        return true;
    }();
    Q_UNUSED(cleanUp);
    const QUrl url(PLAppConfigurations::currentConfiguration()->geocoderURL().trimmed());
    if (!HttpGeocoder::isUsableURL(url)) {
        configured.reset();
        return Geocoder::unavailable();
    }
    if (!configured ||
        configured->serviceURL().adjusted(QUrl::StripTrailingSlash) != url.adjusted(QUrl::StripTrailingSlash))
        configured = std::make_unique<HttpGeocoder>(url);
    return configured.get();
}

QString tileURLTemplate() {
    const QString configured = PLAppConfigurations::currentConfiguration()->mapTileURL().trimmed();
    return platform::ui::MapTileLoader::isUsableTemplate(configured) ? configured : QString();
}

} // namespace pelnix::PLMapServices
