#include "foundation/RouteLookup.h"

#if defined(__linux__)

#include "foundation/NetlinkMessages.h"
#include "foundation/PLReachability.h"

#include <net/if.h>
#include <sys/socket.h>

namespace pelnix {

namespace {

void appendBytes(QByteArray& out, const void* data, qsizetype size) {
    out.append(static_cast<const char*>(data), size);
    out.append(QByteArray(NLMSG_ALIGN(out.size()) - out.size(), '\0'));
}

void appendAttribute(QByteArray& out, quint16 type, const void* data, qsizetype size) {
    rtattr attribute{};
    attribute.rta_type = type;
    attribute.rta_len = quint16(RTA_LENGTH(size));
    appendBytes(out, &attribute, sizeof attribute);
    appendBytes(out, data, size);
}

// The link a scoped address (fe80::1%eth0, fe80::1%2) names: its index, 0 when no such link is here.
quint32 linkOfScope(const QString& scope) {
    bool numeric = false;
    const quint32 index = scope.toUInt(&numeric);
    if (numeric)
        return index;
    return ::if_nametoindex(scope.toLocal8Bit().constData());
}

} // namespace

QByteArray RouteLookup::request(const QHostAddress& address, quint32 sequence) {
    QByteArray destination;
    quint32 outputLink = 0;
    rtmsg info{};
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        const quint32 host = address.toIPv4Address();
        const unsigned char bytes[4] = {quint8(host >> 24), quint8(host >> 16), quint8(host >> 8),
                                        quint8(host)};
        destination = QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes);
        info.rtm_family = AF_INET;
    } else if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        destination = QByteArray(reinterpret_cast<const char*>(bytes.c), sizeof bytes.c);
        info.rtm_family = AF_INET6;
        // A link-local address means something only on its own link: the lookup is made on it.
        if (!address.scopeId().isEmpty()) {
            outputLink = linkOfScope(address.scopeId());
            if (outputLink == 0)
                return {};
        }
    } else {
        return {};
    }
    info.rtm_dst_len = quint8(destination.size() * 8);

    nlmsghdr header{};
    header.nlmsg_type = RTM_GETROUTE;
    header.nlmsg_flags = NLM_F_REQUEST;
    header.nlmsg_seq = sequence;

    QByteArray out;
    appendBytes(out, &header, sizeof header);
    appendBytes(out, &info, sizeof info);
    appendAttribute(out, RTA_DST, destination.constData(), destination.size());
    if (outputLink != 0)
        appendAttribute(out, RTA_OIF, &outputLink, sizeof outputLink);
    const quint32 length = quint32(out.size());
    std::memcpy(out.data(), &length, sizeof length);
    return out;
}

std::optional<RouteLookup::Answer> RouteLookup::parse(QByteArrayView datagram, quint32 sequence) {
    std::optional<Answer> found;
    netlink::forEachMessage(datagram, [&](const nlmsghdr& header, QByteArrayView body) {
        if (found || header.nlmsg_seq != sequence)
            return;
        if (header.nlmsg_type == NLMSG_ERROR) {
            int error = 0;
            // 0 would be an acknowledgement, which carries no route.
            if (netlink::readStruct(body, error) && error < 0)
                found = Answer{-error, 0, 0, false};
            return;
        }
        rtmsg info;
        if (header.nlmsg_type != RTM_NEWROUTE || !netlink::readStruct(body, info))
            return;
        Answer answer;
        answer.type = info.rtm_type;
        netlink::forEachAttribute(netlink::attributesAfter<rtmsg>(body),
                                  [&answer](int attribute, QByteArrayView payload) {
                                      if (attribute == RTA_OIF)
                                          answer.outputLink = int(netlink::readU32(payload));
                                      else if (attribute == RTA_GATEWAY || attribute == RTA_VIA)
                                          answer.gateway = true;
                                  });
        found = answer;
    });
    return found;
}

quint32 RouteLookup::flags(const Answer& answer, const QHash<int, RouteNetlinkState::LinkState>& links) {
    if (answer.error != 0)
        return 0;
    switch (answer.type) {
    case RTN_LOCAL:
        return PLReachability::kReachable | PLReachability::kIsDirect;
    case RTN_UNICAST:
    case RTN_BROADCAST:
    case RTN_MULTICAST:
    case RTN_ANYCAST:
        break;
    default: // unreachable, blackhole, prohibit, throw: IPv6 answers these as routes
        return 0;
    }
    const auto link = links.constFind(answer.outputLink);
    if (link == links.cend() || !link->up)
        return 0;
    return PLReachability::kReachable | (answer.gateway ? 0 : PLReachability::kIsDirect) |
           (link->cellular ? PLReachability::kIsWWAN : 0);
}

} // namespace pelnix

#endif // __linux__
