#pragma once

#include "foundation/RouteNetlinkState.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QHostAddress>

#include <optional>

namespace pelnix {

// The route the kernel would send packets for one address by: an RTM_GETROUTE request with the
// destination (the lookup `ip route get` makes) and its answer, as rtnetlink datagrams (Linux). Built
// and read without a socket, so both are checked on datagrams made by hand.
class RouteLookup {
public:
    struct Answer {
        int error = 0;        // the errno the lookup was refused with (no route, unreachable, prohibited)
        quint8 type = 0;      // RTN_UNICAST, RTN_LOCAL, ...
        int outputLink = 0;   // the output link's index; 0 when the answer names none
        bool gateway = false; // leaves through a next hop, not straight to the destination
    };

    // The request for an IPv4 or IPv6 address, made on the link a scoped address names; empty for
    // anything else, and for a scope that names no link here.
    static QByteArray request(const QHostAddress& address, quint32 sequence);
    // The answer to the request with `sequence`, when the datagram holds it. A datagram may hold the
    // late answer to an earlier request, which is passed over.
    static std::optional<Answer> parse(QByteArrayView datagram, quint32 sequence);
    // Reachable to this host itself, or over an output link that is up with a carrier; direct without a
    // gateway; WWAN over a cellular link. Connection-required is never set here.
    static quint32 flags(const Answer& answer, const QHash<int, RouteNetlinkState::LinkState>& links);
};

} // namespace pelnix
