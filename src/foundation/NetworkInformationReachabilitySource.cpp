#include "foundation/NetworkInformationReachabilitySource.h"

#include "foundation/PLReachability.h"
#include "platform/Log.h"

#include <QNetworkInformation>

namespace pelnix {

NetworkInformationReachabilitySource::NetworkInformationReachabilitySource() {
    update();
    followOnMainThread([this] { attach(); });
}

void NetworkInformationReachabilitySource::attach() {
    m_hasBackend = QNetworkInformation::instance() ||
                   QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    if (auto* info = QNetworkInformation::instance()) {
        connect(info, &QNetworkInformation::reachabilityChanged, this, [this] { update(); });
        if (info->supports(QNetworkInformation::Feature::TransportMedium))
            connect(info, &QNetworkInformation::transportMediumChanged, this, [this] { update(); });
    } else {
        platform::Log::debug(
            QStringLiteral("No network information backend: the network counts as reachable"));
    }
    update();
}

void NetworkInformationReachabilitySource::update() {
    using R = QNetworkInformation::Reachability;
    constexpr quint32 reachable = PLReachability::kReachable;
    constexpr quint32 direct = PLReachability::kReachable | PLReachability::kIsDirect;

    auto* info = QNetworkInformation::instance();
    if (!info || info->reachability() == R::Unknown) {
        setFlags(reachable, direct);
        return;
    }
    const bool cellular = info->supports(QNetworkInformation::Feature::TransportMedium) &&
                          info->transportMedium() == QNetworkInformation::TransportMedium::Cellular;
    quint32 internet = 0;
    quint32 localLink = 0;
    switch (info->reachability()) {
    case R::Online:
    case R::Site:
        internet = reachable | (cellular ? PLReachability::kIsWWAN : 0);
        localLink = cellular ? 0 : direct;
        break;
    case R::Local:
        localLink = cellular ? 0 : direct;
        break;
    default:
        break;
    }
    setFlags(internet, localLink);
}

} // namespace pelnix
