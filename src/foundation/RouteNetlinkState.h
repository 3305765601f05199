#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <functional>
#include <map>
#include <set>
#include <tuple>
#include <vector>

namespace pelnix {

// The links, addresses and default routes that the kernel reports over rtnetlink (Linux), and the
// reachability they imply. Fed whole datagrams, as read from a NETLINK_ROUTE socket: dump replies
// and change notifications alike.
//
// The judgement: the internet is reachable when some link that is not the loopback is up (with a
// carrier) and has a usable address, and either a default route leaves through it or one of its
// addresses has global scope. The local link is reachable and direct when some such link that is
// not cellular has a usable address of any scope. Internet through a cellular link carries WWAN.
class RouteNetlinkState {
public:
    // Whether the named link is a cellular modem; asked once per link name.
    using CellularTest = std::function<bool(const QString& linkName)>;

    explicit RouteNetlinkState(CellularTest isCellular = {});

    // What a datagram asks of the reader besides the changes it made.
    struct Batch {
        // A NLMSG_DONE or NLMSG_ERROR answered the request with this sequence number.
        bool endOfDump = false;
        // The errno that request failed with (0 when it did not): what it read is incomplete.
        int dumpError = 0;
        // A link went down or away, or an address went: IPv4 drops the routes through them without
        // a notification, so the routes must be read again.
        bool routesStale = false;
        // It reported a link, an address or a route, of any destination: where a given address is
        // reached through may have changed.
        bool reported = false;
    };
    Batch feed(QByteArrayView datagram, quint32 dumpSequence = 0);

    void clearLinks();
    void clearAddresses();
    void clearRoutes();

    struct Flags {
        quint32 internet = 0;
        quint32 localLink = 0;
        bool operator==(const Flags&) const = default;
    };
    Flags flags() const;

    // What a route's output link says of it, by link index.
    struct LinkState {
        bool up = false; // up, with a carrier
        bool cellular = false;
        bool operator==(const LinkState&) const = default;
    };
    QHash<int, LinkState> linkStates() const;

private:
    struct Link {
        QString name;
        quint32 flags = 0;
        bool cellular = false;
    };
    struct Address {
        quint8 scope = 0;
        bool usable = false;
    };
    // Link index, family, prefix length, address bytes.
    using AddressKey = std::tuple<int, int, int, QByteArray>;
    // Family, table, metric, TOS, gateway, next-hop object, output links (sorted; empty if unknown).
    using Route = std::tuple<int, quint32, quint32, int, QByteArray, quint32, std::vector<int>>;

    bool applyLink(int type, QByteArrayView body);
    bool applyAddress(int type, QByteArrayView body);
    bool applyRoute(int type, QByteArrayView body);

    CellularTest m_isCellular;
    QHash<int, Link> m_links;
    std::map<AddressKey, Address> m_addresses;
    std::set<Route> m_defaultRoutes;
};

} // namespace pelnix
