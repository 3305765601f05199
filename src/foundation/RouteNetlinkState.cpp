#include "foundation/RouteNetlinkState.h"

#if defined(__linux__)

#include "foundation/NetlinkMessages.h"
#include "foundation/PLReachability.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>

namespace pelnix {

using namespace netlink;

namespace {

bool isUp(quint32 flags) {
    return (flags & IFF_UP) && (flags & IFF_RUNNING);
}

} // namespace

RouteNetlinkState::RouteNetlinkState(CellularTest isCellular) : m_isCellular(std::move(isCellular)) {}

RouteNetlinkState::Batch RouteNetlinkState::feed(QByteArrayView datagram, quint32 dumpSequence) {
    Batch batch;
    forEachMessage(datagram, [&](const nlmsghdr& header, QByteArrayView body) {
        switch (header.nlmsg_type) {
        case NLMSG_DONE:
        case NLMSG_ERROR:
            if (dumpSequence != 0 && header.nlmsg_seq == dumpSequence) {
                // Both lead with the (negative) errno; a dump that went well ends with 0.
                int error = 0;
                readStruct(body, error);
                batch.endOfDump = true;
                batch.dumpError = -error;
            }
            break;
        case RTM_NEWLINK:
        case RTM_DELLINK:
            batch.routesStale |= applyLink(header.nlmsg_type, body);
            batch.reported = true;
            break;
        case RTM_NEWADDR:
        case RTM_DELADDR:
            batch.routesStale |= applyAddress(header.nlmsg_type, body);
            batch.reported = true;
            break;
        case RTM_NEWROUTE:
        case RTM_DELROUTE:
            batch.routesStale |= applyRoute(header.nlmsg_type, body);
            batch.reported = true;
            break;
        default:
            break;
        }
    });
    return batch;
}

bool RouteNetlinkState::applyLink(int type, QByteArrayView body) {
    ifinfomsg info;
    // Other families (the bridge's port reports) describe a facet of a link, not the link.
    if (!readStruct(body, info) || info.ifi_family != AF_UNSPEC)
        return false;
    const int index = info.ifi_index;
    if (type == RTM_DELLINK) {
        const bool known = m_links.remove(index) > 0;
        std::erase_if(m_addresses, [index](const auto& entry) { return std::get<0>(entry.first) == index; });
        return known;
    }
    QString name;
    forEachAttribute(attributesAfter<ifinfomsg>(body), [&name](int attribute, QByteArrayView payload) {
        if (attribute == IFLA_IFNAME)
            name = QString::fromUtf8(payload.data(), qstrnlen(payload.data(), payload.size()));
    });
    const auto found = m_links.constFind(index);
    const bool wasUp = found != m_links.cend() && isUp(found->flags);
    Link& link = m_links[index];
    if (!name.isEmpty() && name != link.name) {
        link.name = name;
        link.cellular = m_isCellular && m_isCellular(name);
    }
    link.flags = info.ifi_flags;
    return wasUp && !isUp(link.flags);
}

bool RouteNetlinkState::applyAddress(int type, QByteArrayView body) {
    ifaddrmsg info;
    if (!readStruct(body, info) || (info.ifa_family != AF_INET && info.ifa_family != AF_INET6))
        return false;
    QByteArray address, local;
    quint32 flags = info.ifa_flags;
    forEachAttribute(attributesAfter<ifaddrmsg>(body), [&](int attribute, QByteArrayView payload) {
        if (attribute == IFA_ADDRESS)
            address = payload.toByteArray();
        else if (attribute == IFA_LOCAL)
            local = payload.toByteArray();
        else if (attribute == IFA_FLAGS)
            flags = readU32(payload);
    });
    // On a point-to-point link IFA_ADDRESS is the peer; IFA_LOCAL is ours.
    const QByteArray own = local.isEmpty() ? address : local;
    if (own.isEmpty())
        return false;
    const AddressKey key{int(info.ifa_index), info.ifa_family, info.ifa_prefixlen, own};
    if (type == RTM_DELADDR)
        return m_addresses.erase(key) > 0;
    m_addresses[key] = {info.ifa_scope, !(flags & (IFA_F_TENTATIVE | IFA_F_DADFAILED))};
    return false;
}

bool RouteNetlinkState::applyRoute(int type, QByteArrayView body) {
    rtmsg info;
    if (!readStruct(body, info) || (info.rtm_family != AF_INET && info.rtm_family != AF_INET6) ||
        info.rtm_dst_len != 0 || info.rtm_type != RTN_UNICAST)
        return false;
    quint32 table = info.rtm_table, metric = 0, nextHopObject = 0;
    QByteArray gateway;
    std::vector<int> links;
    forEachAttribute(attributesAfter<rtmsg>(body), [&](int attribute, QByteArrayView payload) {
        switch (attribute) {
        case RTA_TABLE:
            table = readU32(payload);
            break;
        case RTA_PRIORITY:
            metric = readU32(payload);
            break;
        case RTA_OIF:
            links.push_back(int(readU32(payload)));
            break;
        case RTA_GATEWAY:
            gateway = payload.toByteArray();
            break;
        case RTA_NH_ID:
            nextHopObject = readU32(payload);
            break;
        case RTA_MULTIPATH:
            while (payload.size() >= qsizetype(sizeof(rtnexthop))) {
                rtnexthop hop;
                std::memcpy(&hop, payload.data(), sizeof hop);
                if (hop.rtnh_len < sizeof hop || hop.rtnh_len > payload.size())
                    break;
                links.push_back(hop.rtnh_ifindex);
                const qsizetype step = RTNH_ALIGN(hop.rtnh_len);
                if (step >= payload.size())
                    break;
                payload = payload.sliced(step);
            }
            break;
        default:
            break;
        }
    });
    std::sort(links.begin(), links.end());
    Route route{info.rtm_family, table, metric, info.rtm_tos, gateway, nextHopObject, std::move(links)};
    if (type == RTM_NEWROUTE) {
        m_defaultRoutes.insert(std::move(route));
        return false;
    }
    // A deletion that matches nothing known (one next hop of several, say): read the routes again.
    return m_defaultRoutes.erase(route) == 0;
}

void RouteNetlinkState::clearLinks() {
    m_links.clear();
}

void RouteNetlinkState::clearAddresses() {
    m_addresses.clear();
}

void RouteNetlinkState::clearRoutes() {
    m_defaultRoutes.clear();
}

RouteNetlinkState::Flags RouteNetlinkState::flags() const {
    struct Held {
        bool address = false;
        bool global = false;
    };
    QHash<int, Held> held;
    for (const auto& [key, address] : m_addresses) {
        if (!address.usable || address.scope >= RT_SCOPE_HOST)
            continue;
        Held& h = held[std::get<0>(key)];
        h.address = true;
        h.global |= address.scope == RT_SCOPE_UNIVERSE;
    }

    // The link the internet is best reached through: a default route's before a global address's,
    // the lower metric first, a non-cellular one first.
    using Rank = std::tuple<bool, quint32, bool>; // no default route, metric, cellular
    std::optional<Rank> best;
    bool localLink = false;
    for (auto it = m_links.cbegin(); it != m_links.cend(); ++it) {
        const Link& link = it.value();
        const Held h = held.value(it.key());
        if ((link.flags & IFF_LOOPBACK) || !isUp(link.flags) || !h.address)
            continue;
        localLink |= !link.cellular;
        std::optional<quint32> metric;
        for (const Route& route : m_defaultRoutes) {
            const std::vector<int>& through = std::get<6>(route);
            // A route over a next-hop object names no link: it may leave through any.
            if (through.empty() || std::binary_search(through.begin(), through.end(), it.key()))
                metric = std::min(metric.value_or(std::numeric_limits<quint32>::max()), std::get<2>(route));
        }
        if (!metric && !h.global)
            continue;
        const Rank rank{!metric.has_value(), metric.value_or(0), link.cellular};
        if (!best || rank < *best)
            best = rank;
    }

    Flags flags;
    if (best)
        flags.internet = PLReachability::kReachable | (std::get<2>(*best) ? PLReachability::kIsWWAN : 0);
    if (localLink)
        flags.localLink = PLReachability::kReachable | PLReachability::kIsDirect;
    return flags;
}

QHash<int, RouteNetlinkState::LinkState> RouteNetlinkState::linkStates() const {
    QHash<int, LinkState> states;
    for (auto it = m_links.cbegin(); it != m_links.cend(); ++it)
        states.insert(it.key(), {isUp(it->flags), it->cellular});
    return states;
}

} // namespace pelnix

#endif // __linux__
