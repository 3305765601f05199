#include "TestSandbox.h"
#include "foundation/NetlinkReachabilitySource.h"
#include "foundation/PLReachability.h"
#include "foundation/RouteLookup.h"
#include "foundation/RouteNetlinkState.h"
#include "platform/NotificationCenter.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sched.h>
#include <unistd.h>

using namespace pelnix;

namespace {

constexpr quint32 R = PLReachability::kReachable;
constexpr quint32 Direct = PLReachability::kIsDirect;
constexpr quint32 WWAN = PLReachability::kIsWWAN;
constexpr quint32 LowerUp = 1u << 16; // IFF_LOWER_UP, which <net/if.h> leaves out
constexpr quint32 Up = IFF_UP | IFF_RUNNING | LowerUp | IFF_BROADCAST | IFF_MULTICAST;
constexpr quint32 NoCarrier = IFF_UP | IFF_BROADCAST | IFF_MULTICAST;
constexpr quint32 LoopbackUp = IFF_UP | IFF_RUNNING | LowerUp | IFF_LOOPBACK;

// One rtnetlink message laid out as the kernel lays it out: header, fixed part, aligned attributes.
class Message {
public:
    Message(quint16 type, quint16 flags = 0, quint32 sequence = 0) {
        nlmsghdr header{};
        header.nlmsg_type = type;
        header.nlmsg_flags = flags;
        header.nlmsg_seq = sequence;
        append(&header, sizeof header);
    }
    template <typename T> Message& fixed(const T& part) {
        append(&part, sizeof part);
        return *this;
    }
    Message& attribute(quint16 type, QByteArrayView payload) {
        rtattr attr{};
        attr.rta_len = RTA_LENGTH(payload.size());
        attr.rta_type = type;
        append(&attr, sizeof attr);
        append(payload.data(), payload.size());
        return *this;
    }
    Message& u32(quint16 type, quint32 value) {
        return attribute(type, QByteArrayView(reinterpret_cast<const char*>(&value), sizeof value));
    }
    Message& u8(quint16 type, quint8 value) {
        return attribute(type, QByteArrayView(reinterpret_cast<const char*>(&value), 1));
    }
    QByteArray bytes() const {
        QByteArray out = m_bytes;
        const quint32 length = quint32(out.size());
        std::memcpy(out.data(), &length, sizeof length);
        return out;
    }

private:
    void append(const void* data, qsizetype size) {
        m_bytes.append(static_cast<const char*>(data), size);
        m_bytes.append(QByteArray(NLMSG_ALIGN(m_bytes.size()) - m_bytes.size(), '\0'));
    }
    QByteArray m_bytes;
};

QByteArray ipBytes(const char* text) {
    in6_addr address{};
    const int family = QByteArrayView(text).contains(':') ? AF_INET6 : AF_INET;
    inet_pton(family, text, &address);
    return QByteArray(reinterpret_cast<const char*>(&address), family == AF_INET6 ? 16 : 4);
}

QByteArray link(int index, const char* name, quint32 flags, quint16 type = RTM_NEWLINK,
                unsigned char family = AF_UNSPEC) {
    ifinfomsg info{};
    info.ifi_family = family;
    info.ifi_type = (flags & IFF_LOOPBACK) ? 772 /* ARPHRD_LOOPBACK */ : 1 /* ARPHRD_ETHER */;
    info.ifi_index = index;
    info.ifi_flags = flags;
    info.ifi_change = 0xffffffff;
    return Message(type)
        .fixed(info)
        .attribute(IFLA_IFNAME, QByteArray(name) + '\0')
        .u32(IFLA_MTU, 1500)
        .u8(IFLA_OPERSTATE, (flags & IFF_RUNNING) ? 6 /* IF_OPER_UP */ : 2 /* IF_OPER_DOWN */)
        .bytes();
}

QByteArray address(int index, const char* text, int prefix, unsigned char scope, quint32 flags = 0,
                   quint16 type = RTM_NEWADDR) {
    const QByteArray bytes = ipBytes(text);
    ifaddrmsg info{};
    info.ifa_family = bytes.size() == 16 ? AF_INET6 : AF_INET;
    info.ifa_prefixlen = prefix;
    info.ifa_flags = flags & 0xff;
    info.ifa_scope = scope;
    info.ifa_index = index;
    Message message(type);
    message.fixed(info).attribute(IFA_ADDRESS, bytes);
    if (info.ifa_family == AF_INET) // IPv4 reports the local address apart from the peer
        message.attribute(IFA_LOCAL, bytes);
    return message.u32(IFA_FLAGS, flags).bytes();
}

struct Route {
    int link = 0;
    quint32 metric = 0;
    const char* gateway = "192.0.2.1";
    quint32 table = RT_TABLE_MAIN;
    unsigned char type = RTN_UNICAST;
    unsigned char prefix = 0;
};

QByteArray route(const Route& r, quint16 type = RTM_NEWROUTE) {
    const QByteArray gateway = ipBytes(r.gateway);
    rtmsg info{};
    info.rtm_family = gateway.size() == 16 ? AF_INET6 : AF_INET;
    info.rtm_dst_len = r.prefix;
    info.rtm_table = r.table < 256 ? r.table : RT_TABLE_COMPAT;
    info.rtm_protocol = RTPROT_BOOT;
    info.rtm_scope = RT_SCOPE_UNIVERSE;
    info.rtm_type = r.type;
    Message message(type);
    message.fixed(info).u32(RTA_TABLE, r.table);
    if (r.prefix)
        message.attribute(RTA_DST, ipBytes(info.rtm_family == AF_INET6 ? "2001:db8::" : "198.51.100.0"));
    if (r.metric)
        message.u32(RTA_PRIORITY, r.metric);
    return message.attribute(RTA_GATEWAY, gateway).u32(RTA_OIF, r.link).bytes();
}

QByteArray multipathDefault(std::initializer_list<int> links) {
    rtmsg info{};
    info.rtm_family = AF_INET;
    info.rtm_table = RT_TABLE_MAIN;
    info.rtm_type = RTN_UNICAST;
    QByteArray hops;
    for (int index : links) {
        rtnexthop hop{};
        hop.rtnh_len = RTNH_LENGTH(RTA_LENGTH(4));
        hop.rtnh_ifindex = index;
        hops.append(reinterpret_cast<const char*>(&hop), sizeof hop);
        const QByteArray gateway = Message(0).attribute(RTA_GATEWAY, ipBytes("192.0.2.1")).bytes();
        hops.append(gateway.mid(NLMSG_HDRLEN));
    }
    return Message(RTM_NEWROUTE)
        .fixed(info)
        .u32(RTA_TABLE, RT_TABLE_MAIN)
        .attribute(RTA_MULTIPATH, hops)
        .bytes();
}

QByteArray nextHopObjectDefault(quint32 id) {
    rtmsg info{};
    info.rtm_family = AF_INET;
    info.rtm_table = RT_TABLE_MAIN;
    info.rtm_type = RTN_UNICAST;
    return Message(RTM_NEWROUTE).fixed(info).u32(RTA_TABLE, RT_TABLE_MAIN).u32(RTA_NH_ID, id).bytes();
}

QByteArray done(quint32 sequence) {
    return Message(NLMSG_DONE, NLM_F_MULTI, sequence).fixed(int(0)).bytes();
}

// The kernel's answer to a route lookup: the route as `ip route get` prints it.
struct Answer {
    int link = 2;
    unsigned char type = RTN_UNICAST;
    const char* gateway = nullptr;
    bool via = false; // an IPv6 next hop of an IPv4 route
    quint32 sequence = 7;
};

QByteArray answer(const Answer& a) {
    rtmsg info{};
    info.rtm_family = AF_INET;
    info.rtm_dst_len = 32;
    info.rtm_table = RT_TABLE_MAIN;
    info.rtm_type = a.type;
    info.rtm_flags = RTM_F_CLONED;
    Message message(RTM_NEWROUTE, 0, a.sequence);
    message.fixed(info).u32(RTA_TABLE, RT_TABLE_MAIN).attribute(RTA_DST, ipBytes("198.51.100.9"));
    if (a.link)
        message.u32(RTA_OIF, a.link);
    message.attribute(RTA_PREFSRC, ipBytes("192.0.2.2"));
    if (a.gateway && a.via)
        message.attribute(RTA_VIA, QByteArray::fromHex("0a00") + ipBytes(a.gateway)); // family, address
    else if (a.gateway)
        message.attribute(RTA_GATEWAY, ipBytes(a.gateway));
    return message.u32(RTA_UID, 1000)
        .attribute(RTA_CACHEINFO, QByteArray(sizeof(rta_cacheinfo), '\0'))
        .bytes();
}

QByteArray refusal(int error, quint32 sequence = 7) {
    nlmsgerr refused{};
    refused.error = -error;
    refused.msg.nlmsg_type = RTM_GETROUTE;
    refused.msg.nlmsg_seq = sequence;
    return Message(NLMSG_ERROR, 0, sequence).fixed(refused).bytes();
}

RouteNetlinkState newState() {
    return RouteNetlinkState([](const QString& name) { return name.startsWith(QLatin1String("wwan")); });
}

RouteNetlinkState::Flags fed(const QList<QByteArray>& datagrams) {
    RouteNetlinkState state = newState();
    for (const QByteArray& datagram : datagrams)
        state.feed(datagram);
    return state.flags();
}

// The judgement worked out from `ip`'s own report of the same kernel state.
struct IpView {
    bool ok = false;
    bool internet = false;
    bool localLink = false;
};

QJsonArray ipJson(const QStringList& arguments, const std::function<void()>& inChild = {}) {
    QProcess ip;
    if (inChild)
        ip.setChildProcessModifier(inChild);
    ip.start(QStringLiteral("ip"), QStringList{QStringLiteral("-j")} + arguments);
    if (!ip.waitForFinished(10'000) || ip.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(ip.readAllStandardOutput()).array();
}

IpView judgeFromIp(const std::function<void()>& inChild = {}) {
    const QJsonArray links = ipJson({QStringLiteral("address"), QStringLiteral("show")}, inChild);
    QJsonArray routes = ipJson({QStringLiteral("-4"), QStringLiteral("route"), QStringLiteral("show"),
                                QStringLiteral("table"), QStringLiteral("all")},
                               inChild);
    for (const QJsonValue& r : ipJson({QStringLiteral("-6"), QStringLiteral("route"), QStringLiteral("show"),
                                       QStringLiteral("table"), QStringLiteral("all")},
                                      inChild))
        routes.append(r);
    IpView view;
    view.ok = !links.isEmpty();
    for (const QJsonValue& value : links) {
        const QJsonObject link = value.toObject();
        const QVariantList flags = link.value(QLatin1String("flags")).toArray().toVariantList();
        const QString operstate = link.value(QLatin1String("operstate")).toString();
        if (flags.contains(QStringLiteral("LOOPBACK")) || !flags.contains(QStringLiteral("UP")) ||
            (operstate != QLatin1String("UP") && operstate != QLatin1String("UNKNOWN")))
            continue;
        bool hasAddress = false, global = false;
        for (const QJsonValue& a : link.value(QLatin1String("addr_info")).toArray()) {
            const QJsonObject info = a.toObject();
            if (info.value(QLatin1String("tentative")).toBool() ||
                info.value(QLatin1String("dadfailed")).toBool() ||
                info.value(QLatin1String("scope")).toString() == QLatin1String("host"))
                continue;
            hasAddress = true;
            global |= info.value(QLatin1String("scope")).toString() == QLatin1String("global");
        }
        if (!hasAddress)
            continue;
        view.localLink = true;
        const QString name = link.value(QLatin1String("ifname")).toString();
        bool viaDefault = false;
        for (const QJsonValue& r : std::as_const(routes)) {
            const QJsonObject route = r.toObject();
            if (route.value(QLatin1String("dst")).toString() != QLatin1String("default") ||
                route.value(QLatin1String("type")).toString(QStringLiteral("unicast")) !=
                    QLatin1String("unicast") ||
                route.value(QLatin1String("table")).toString() == QLatin1String("local"))
                continue;
            viaDefault |= route.value(QLatin1String("dev")).toString() == name;
            for (const QJsonValue& hop : route.value(QLatin1String("nexthops")).toArray())
                viaDefault |= hop.toObject().value(QLatin1String("dev")).toString() == name;
        }
        view.internet |= viaDefault || global;
    }
    return view;
}

bool haveIp() {
    return !QStandardPaths::findExecutable(QStringLiteral("ip"),
                                           {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")})
                .isEmpty() ||
           !QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty();
}

} // namespace

class TestNetlinkReachability : public QObject {
    Q_OBJECT
private slots:
    void judgement_data();
    void judgement();
    void routesReadAgainWhereIPv4DropsThemSilently();
    void endOfDumpIsOurs();
    void cutOrMalformedInputIsBounded();
    void routeAnswer_data();
    void routeAnswer();
    void routeAnswerIsOursAndWhole();
    void routeRequestNamesTheScopesLink_data();
    void routeRequestNamesTheScopesLink();
    void liveSourceAgreesWithIp();
    void liveRouteToThisHost();
    void followsChangesInPrivateNetworkNamespace();
};

void TestNetlinkReachability::judgement_data() {
    QTest::addColumn<QList<QByteArray>>("messages");
    QTest::addColumn<quint32>("internet");
    QTest::addColumn<quint32>("localLink");

    const QByteArray eth = link(2, "eth0", Up);
    const QByteArray linkLocal = address(2, "fe80::1", 64, RT_SCOPE_LINK);
    const QByteArray global4 = address(2, "192.0.2.2", 24, RT_SCOPE_UNIVERSE);
    const QByteArray viaEth = route({.link = 2});

    QTest::newRow("nothing") << QList<QByteArray>{} << 0u << 0u;
    QTest::newRow("loopback only") << QList<QByteArray>{link(1, "lo", LoopbackUp),
                                                        address(1, "127.0.0.1", 8, RT_SCOPE_HOST),
                                                        address(1, "::1", 128, RT_SCOPE_HOST),
                                                        route({.link = 1})}
                                   << 0u << 0u;
    QTest::newRow("link up, no address") << QList<QByteArray>{eth, viaEth} << 0u << 0u;
    QTest::newRow("link-local address only") << QList<QByteArray>{eth, linkLocal} << 0u << (R | Direct);
    QTest::newRow("tentative address only")
        << QList<QByteArray>{eth, address(2, "fe80::1", 64, RT_SCOPE_LINK, IFA_F_TENTATIVE)} << 0u << 0u;
    QTest::newRow("duplicate address only")
        << QList<QByteArray>{eth, address(2, "2001:db8::2", 64, RT_SCOPE_UNIVERSE, IFA_F_DADFAILED)} << 0u
        << 0u;
    QTest::newRow("address settles after its check")
        << QList<QByteArray>{eth, address(2, "fe80::1", 64, RT_SCOPE_LINK, IFA_F_TENTATIVE), linkLocal} << 0u
        << (R | Direct);
    QTest::newRow("global address, no route") << QList<QByteArray>{eth, global4} << R << (R | Direct);
    QTest::newRow("link-local address and default route")
        << QList<QByteArray>{eth, linkLocal, route({.link = 2, .metric = 1024, .gateway = "fe80::ff"})} << R
        << (R | Direct);
    QTest::newRow("host-scope address and default route")
        << QList<QByteArray>{eth, address(2, "192.0.2.2", 32, RT_SCOPE_HOST), viaEth} << 0u << 0u;
    QTest::newRow("no carrier") << QList<QByteArray>{link(2, "eth0", NoCarrier), global4, viaEth} << 0u << 0u;
    QTest::newRow("administratively down")
        << QList<QByteArray>{link(2, "eth0", 0), global4, viaEth} << 0u << 0u;
    QTest::newRow("default route through another link that is down")
        << QList<QByteArray>{eth, linkLocal, link(3, "eth1", NoCarrier),
                             address(3, "192.0.2.3", 24, RT_SCOPE_LINK), route({.link = 3})}
        << 0u << (R | Direct);
    QTest::newRow("unreachable default route")
        << QList<QByteArray>{eth, linkLocal, route({.link = 2, .type = RTN_UNREACHABLE})} << 0u
        << (R | Direct);
    QTest::newRow("route that is not the default")
        << QList<QByteArray>{eth, linkLocal, route({.link = 2, .prefix = 24})} << 0u << (R | Direct);
    QTest::newRow("default route in a policy table")
        << QList<QByteArray>{eth, linkLocal, route({.link = 2, .table = 51820})} << R << (R | Direct);
    QTest::newRow("multipath default route")
        << QList<QByteArray>{eth, linkLocal, multipathDefault({5, 2})} << R << (R | Direct);
    QTest::newRow("default route over a next-hop object")
        << QList<QByteArray>{eth, linkLocal, nextHopObjectDefault(7)} << R << (R | Direct);

    const QByteArray wwan = link(4, "wwan0", Up);
    const QByteArray wwanAddress = address(4, "198.51.100.9", 24, RT_SCOPE_UNIVERSE);
    const QByteArray wlan = link(3, "wlan0", Up);
    const QByteArray wlanLinkLocal = address(3, "fe80::3", 64, RT_SCOPE_LINK);
    QTest::newRow("cellular only") << QList<QByteArray>{wwan, wwanAddress, route({.link = 4, .metric = 700})}
                                   << (R | WWAN) << 0u;
    QTest::newRow("cellular default route, Wi-Fi without one")
        << QList<QByteArray>{wwan, wwanAddress, route({.link = 4, .metric = 700}), wlan, wlanLinkLocal}
        << (R | WWAN) << (R | Direct);
    QTest::newRow("Wi-Fi default route with the lower metric")
        << QList<QByteArray>{wwan, wwanAddress,   route({.link = 4, .metric = 700}),
                             wlan, wlanLinkLocal, route({.link = 3, .metric = 600})}
        << R << (R | Direct);
    QTest::newRow("cellular default route with the lower metric")
        << QList<QByteArray>{wwan, wwanAddress,   route({.link = 4, .metric = 700}),
                             wlan, wlanLinkLocal, route({.link = 3, .metric = 800})}
        << (R | WWAN) << (R | Direct);
    QTest::newRow("a default route before a global address")
        << QList<QByteArray>{wwan, wwanAddress, wlan, wlanLinkLocal, route({.link = 3, .metric = 600})} << R
        << (R | Direct);

    QTest::newRow("bridge port reports leave the link alone")
        << QList<QByteArray>{eth, global4, link(2, "eth0", 0, RTM_NEWLINK, AF_BRIDGE),
                             link(2, "eth0", 0, RTM_DELLINK, AF_BRIDGE)}
        << R << (R | Direct);
    QTest::newRow("address removed") << QList<QByteArray>{eth, global4,
                                                          address(2, "192.0.2.2", 24, RT_SCOPE_UNIVERSE, 0,
                                                                  RTM_DELADDR)}
                                     << 0u << 0u;
    QTest::newRow("default route removed")
        << QList<QByteArray>{eth, linkLocal, viaEth, route({.link = 2}, RTM_DELROUTE)} << 0u << (R | Direct);
    QTest::newRow("one of two default routes removed")
        << QList<QByteArray>{eth, linkLocal, viaEth, route({.link = 2, .metric = 50}),
                             route({.link = 2}, RTM_DELROUTE)}
        << R << (R | Direct);
    QTest::newRow("link went down") << QList<QByteArray>{eth, global4, viaEth, link(2, "eth0", 0)} << 0u
                                    << 0u;
    QTest::newRow("link removed, then one with its index")
        << QList<QByteArray>{eth, global4, link(2, "eth0", Up, RTM_DELLINK), link(2, "eth9", Up)} << 0u << 0u;
    QTest::newRow("renamed to a cellular link")
        << QList<QByteArray>{eth, global4, link(2, "wwan1", Up)} << (R | WWAN) << 0u;
    QTest::newRow("one dump datagram")
        << QList<QByteArray>{eth + linkLocal + viaEth + done(3)} << R << (R | Direct);
}

void TestNetlinkReachability::judgement() {
    QFETCH(QList<QByteArray>, messages);
    QFETCH(quint32, internet);
    QFETCH(quint32, localLink);
    const RouteNetlinkState::Flags flags = fed(messages);
    QCOMPARE(flags.internet, internet);
    QCOMPARE(flags.localLink, localLink);
}

void TestNetlinkReachability::routesReadAgainWhereIPv4DropsThemSilently() {
    RouteNetlinkState state = newState();
    QVERIFY(!state.feed(link(2, "eth0", Up)).routesStale);
    QVERIFY(!state.feed(address(2, "192.0.2.2", 24, RT_SCOPE_LINK)).routesStale);
    QVERIFY(!state.feed(route({.link = 2})).routesStale);
    QVERIFY(!state.feed(link(2, "eth0", Up)).routesStale);       // unchanged
    QVERIFY(state.feed(link(2, "eth0", NoCarrier)).routesStale); // carrier lost
    QVERIFY(!state.feed(link(2, "eth0", 0)).routesStale);        // already down
    QVERIFY(!state.feed(link(2, "eth0", Up)).routesStale);
    QVERIFY(state.feed(address(2, "192.0.2.2", 24, RT_SCOPE_LINK, 0, RTM_DELADDR)).routesStale);
    QVERIFY(!state.feed(address(2, "192.0.2.2", 24, RT_SCOPE_LINK, 0, RTM_DELADDR)).routesStale); // unknown
    QVERIFY(!state.feed(route({.link = 2}, RTM_DELROUTE)).routesStale);
    // A deletion that matches nothing held (one hop of a multipath route, say) leaves the held routes
    // in doubt.
    QVERIFY(state.feed(route({.link = 2}, RTM_DELROUTE)).routesStale);
    QVERIFY(state.feed(link(2, "eth0", Up, RTM_DELLINK)).routesStale);
}

void TestNetlinkReachability::endOfDumpIsOurs() {
    RouteNetlinkState state = newState();
    QVERIFY(state.feed(done(7), 7).endOfDump);
    QCOMPARE(state.feed(done(7), 7).dumpError, 0);
    QVERIFY(!state.feed(done(7), 8).endOfDump);
    QVERIFY(!state.feed(done(0), 0).endOfDump); // no dump in flight
    nlmsgerr error{};
    error.error = -EBUSY;
    const auto refused = state.feed(Message(NLMSG_ERROR, 0, 9).fixed(error).bytes(), 9);
    QVERIFY(refused.endOfDump);
    QCOMPARE(refused.dumpError, EBUSY);
    // The end may close a datagram of replies; the replies still count.
    const auto batch = state.feed(link(2, "eth0", Up) + address(2, "192.0.2.2", 24, 0) + done(11), 11);
    QVERIFY(batch.endOfDump);
    QCOMPARE(state.flags().internet, R);
}

void TestNetlinkReachability::cutOrMalformedInputIsBounded() {
    const QByteArray linkAndAddress = link(2, "eth0", Up) + address(2, "192.0.2.2", 24, RT_SCOPE_UNIVERSE);
    const QByteArray whole = linkAndAddress + multipathDefault({2, 3}) + route({.link = 2, .metric = 5});
    // Every cut: the whole messages before it apply, the cut one does not. Each cut is a buffer of
    // its own, so that a read past it would be one past an allocation.
    for (qsizetype size = 0; size <= whole.size(); ++size) {
        const QByteArray cut(whole.constData(), size);
        RouteNetlinkState state = newState();
        state.feed(cut);
        QCOMPARE(state.flags().internet, size >= linkAndAddress.size() ? R : 0u);
    }
    // A length that claims more than the datagram holds, and an attribute that runs past its message.
    QByteArray overlong = link(2, "eth0", Up);
    const quint32 claimed = quint32(overlong.size() + 64);
    std::memcpy(overlong.data(), &claimed, sizeof claimed);
    QCOMPARE(fed({overlong}).localLink, 0u);

    QByteArray badAttribute = address(2, "192.0.2.2", 24, RT_SCOPE_UNIVERSE);
    const quint16 huge = 0xfff0;
    std::memcpy(badAttribute.data() + NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(ifaddrmsg)), &huge, sizeof huge);
    RouteNetlinkState state = newState();
    state.feed(link(2, "eth0", Up));
    state.feed(badAttribute); // no address read, none held
    QCOMPARE(state.flags().internet, 0u);
    QCOMPARE(state.flags().localLink, 0u);
}

void TestNetlinkReachability::routeAnswer_data() {
    QTest::addColumn<QList<QByteArray>>("links");
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<quint32>("flags");

    const QList<QByteArray> eth{link(1, "lo", LoopbackUp), link(2, "eth0", Up)};
    const QList<QByteArray> wwan{link(4, "wwan0", Up)};
    QTest::newRow("straight to the destination") << eth << answer({}) << (R | Direct);
    QTest::newRow("through a gateway") << eth << answer({.gateway = "192.0.2.1"}) << R;
    QTest::newRow("through a gateway of the other family")
        << eth << answer({.gateway = "fe80::1", .via = true}) << R;
    QTest::newRow("through a cellular link")
        << wwan << answer({.link = 4, .gateway = "192.0.2.1"}) << (R | WWAN);
    QTest::newRow("straight over a cellular link") << wwan << answer({.link = 4}) << (R | Direct | WWAN);
    QTest::newRow("output link without carrier")
        << QList<QByteArray>{link(2, "eth0", NoCarrier)} << answer({.gateway = "192.0.2.1"}) << 0u;
    QTest::newRow("output link gone")
        << QList<QByteArray>{link(2, "eth0", Up), link(2, "eth0", Up, RTM_DELLINK)} << answer({}) << 0u;
    QTest::newRow("output link unknown") << eth << answer({.link = 9}) << 0u;
    QTest::newRow("to this host") << eth << answer({.link = 1, .type = RTN_LOCAL}) << (R | Direct);
    QTest::newRow("to this host, links not yet read")
        << QList<QByteArray>{} << answer({.link = 1, .type = RTN_LOCAL}) << (R | Direct);
    QTest::newRow("broadcast on the link") << eth << answer({.type = RTN_BROADCAST}) << (R | Direct);
    // IPv6 answers this as a route through the loopback; IPv4 refuses the lookup.
    QTest::newRow("unreachable route") << eth << answer({.link = 1, .type = RTN_UNREACHABLE}) << 0u;
    QTest::newRow("no route") << eth << refusal(ENETUNREACH) << 0u;
    QTest::newRow("refused for a blackhole") << eth << refusal(EINVAL) << 0u;
    QTest::newRow("a late answer to an earlier lookup before ours")
        << eth << answer({.link = 1, .type = RTN_LOCAL, .sequence = 6}) + answer({.gateway = "192.0.2.1"})
        << R;
}

void TestNetlinkReachability::routeAnswer() {
    QFETCH(QList<QByteArray>, links);
    QFETCH(QByteArray, datagram);
    QFETCH(quint32, flags);
    RouteNetlinkState state = newState();
    for (const QByteArray& message : links)
        state.feed(message);
    const auto parsed = RouteLookup::parse(datagram, 7);
    QVERIFY(parsed);
    QCOMPARE(RouteLookup::flags(*parsed, state.linkStates()), flags);
}

void TestNetlinkReachability::routeAnswerIsOursAndWhole() {
    QVERIFY(!RouteLookup::parse(answer({}), 8));          // another lookup's
    QVERIFY(!RouteLookup::parse(refusal(0), 7));          // an acknowledgement carries no route
    QVERIFY(!RouteLookup::parse(link(2, "eth0", Up), 0)); // not an answer at all
    QVERIFY(!RouteLookup::parse(QByteArray(), 7));
    // Every cut of an answer is no answer; each cut is a buffer of its own, so a read past it would be
    // one past an allocation.
    const QByteArray whole = answer({.gateway = "192.0.2.1"});
    for (qsizetype size = 0; size < whole.size(); ++size)
        QVERIFY(!RouteLookup::parse(QByteArray(whole.constData(), size), 7));
    // An attribute that claims more than its message holds ends the reading of attributes, not more.
    QByteArray overlong = whole;
    const quint16 huge = 0xfff0;
    std::memcpy(overlong.data() + NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(rtmsg)), &huge, sizeof huge);
    const auto parsed = RouteLookup::parse(overlong, 7);
    QVERIFY(parsed);
    QCOMPARE(parsed->outputLink, 0);
    QVERIFY(RouteLookup::request(QHostAddress(), 7).isEmpty());
}

void TestNetlinkReachability::routeRequestNamesTheScopesLink_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("made");
    QTest::addColumn<int>("destinationBytes");
    QTest::addColumn<quint32>("link"); // RTA_OIF, 0 for none
    const quint32 loopback = ::if_nametoindex("lo");
    QTest::newRow("IPv4") << "192.0.2.7" << true << 4 << 0u;
    QTest::newRow("IPv6") << "2001:db8::7" << true << 16 << 0u;
    QTest::newRow("link-local without a scope") << "fe80::1" << true << 16 << 0u;
    QTest::newRow("scope by name") << "fe80::1%lo" << true << 16 << loopback;
    QTest::newRow("scope by index") << "fe80::1%7" << true << 16 << 7u;
    QTest::newRow("scope naming no link here") << "fe80::1%nosuchlink0" << false << 0 << 0u;
}

void TestNetlinkReachability::routeRequestNamesTheScopesLink() {
    QFETCH(QString, address);
    QFETCH(bool, made);
    QFETCH(int, destinationBytes);
    QFETCH(quint32, link);
    const QHostAddress host(address);
    QVERIFY(!host.isNull());
    const QByteArray request = RouteLookup::request(host, 9);
    QCOMPARE(!request.isEmpty(), made);
    if (!made)
        return;
    // The attributes the request carries, read as the kernel reads them.
    QByteArray destination;
    quint32 outputLink = 0;
    qsizetype at = NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(rtmsg));
    QCOMPARE(qsizetype(reinterpret_cast<const nlmsghdr*>(request.constData())->nlmsg_len), request.size());
    while (at + qsizetype(sizeof(rtattr)) <= request.size()) {
        rtattr attribute;
        std::memcpy(&attribute, request.constData() + at, sizeof attribute);
        QVERIFY(attribute.rta_len >= sizeof(rtattr) && at + attribute.rta_len <= request.size());
        const QByteArray payload = request.mid(at + RTA_LENGTH(0), attribute.rta_len - RTA_LENGTH(0));
        if (attribute.rta_type == RTA_DST)
            destination = payload;
        else if (attribute.rta_type == RTA_OIF && payload.size() == sizeof outputLink)
            std::memcpy(&outputLink, payload.constData(), sizeof outputLink);
        at += RTA_ALIGN(attribute.rta_len);
    }
    QCOMPARE(destination.size(), destinationBytes);
    QCOMPARE(outputLink, link);
}

void TestNetlinkReachability::liveSourceAgreesWithIp() {
    auto source = NetlinkReachabilitySource::create();
    if (!source)
        QSKIP("no rtnetlink socket here");
    // The state is read in full while the source is made.
    QVERIFY(source->isSettled());
    if (!haveIp())
        QSKIP("no ip command here");
    const IpView expected = judgeFromIp();
    QVERIFY(expected.ok);
    using Target = ReachabilitySource::Target;
    QCOMPARE(bool(source->flags(Target::Internet) & R), expected.internet);
    QCOMPARE(bool(source->flags(Target::LocalLink) & R), expected.localLink);
    QCOMPARE(PLReachability(source, false).currentReachabilityStatus(), expected.internet ? 1 : 0);
}

void TestNetlinkReachability::liveRouteToThisHost() {
    auto source = NetlinkReachabilitySource::create();
    if (!source)
        QSKIP("no rtnetlink socket here");
    // Always a local route, through the loopback.
    QCOMPARE(source->flagsForAddress(QHostAddress(QHostAddress::LocalHost)), R | Direct);
    QCOMPARE(source->flagsForAddress(QHostAddress()), 0u);
    if (source->flagsForAddress(QHostAddress(QHostAddress::LocalHostIPv6)) != 0) {
        // A scoped address is looked up on its own link: the loopback reaches itself, and no
        // link-local address lies behind it, whatever other links reach.
        QCOMPARE(source->flagsForAddress(QHostAddress(QStringLiteral("::1%lo"))), R | Direct);
        QCOMPARE(source->flagsForAddress(QHostAddress(QStringLiteral("fe80::1%lo"))), 0u);
    }
    PLReachability::setDefaultSource(source);
    auto restore = qScopeGuard([] { PLReachability::setDefaultSource({}); });
    QCOMPARE(PLReachability::reachabilityWithAddress(QHostAddress(QHostAddress::LocalHost))
                 ->currentReachabilityStatus(),
             1);
    QCOMPARE(
        PLReachability::reachabilityWithHostName(QStringLiteral("127.0.0.1"))->currentReachabilityStatus(),
        1);
}

void TestNetlinkReachability::followsChangesInPrivateNetworkNamespace() {
    if (!haveIp())
        QSKIP("no ip command here");
    // The socket joins the namespace of the thread that opens it; the thread then goes back.
    const int home = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    QVERIFY(home >= 0);
    if (::unshare(CLONE_NEWNET) != 0) {
        ::close(home);
        QSKIP("no permission to make a network namespace");
    }
    const int ns = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    // Without IPv6 the new links get no link-local addresses whose checks would race the test.
    QFile ipv6(QStringLiteral("/proc/sys/net/ipv6/conf/default/disable_ipv6"));
    if (ipv6.open(QIODevice::WriteOnly))
        ipv6.write("1\n");
    ipv6.close();
    auto source = NetlinkReachabilitySource::create();
    const bool back = ::setns(home, CLONE_NEWNET) == 0;
    ::close(home);
    auto closeNs = qScopeGuard([ns] { ::close(ns); });
    QVERIFY(back);
    QVERIFY(ns >= 0);
    QVERIFY(source);
    QVERIFY(source->isSettled());

    // Every command runs in the private namespace or not at all.
    const auto inNamespace = [ns] {
        if (::setns(ns, CLONE_NEWNET) != 0)
            ::_exit(127);
    };
    const auto ip = [&](const QString& command) {
        QProcess process;
        process.setChildProcessModifier(inNamespace);
        process.start(QStringLiteral("ip"), command.split(QLatin1Char(' ')));
        return process.waitForFinished(10'000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    };
    using Target = ReachabilitySource::Target;
    const auto internet = [&] { return source->flags(Target::Internet); };
    const auto local = [&] { return source->flags(Target::LocalLink); };
    // The kernel queues the notifications before the command exits: one pass of the event loop
    // brings them in.
    const auto settle = [&] {
        QCoreApplication::processEvents();
        return source->isSettled();
    };

    QCOMPARE(internet(), 0u); // only the loopback, down
    QCOMPARE(local(), 0u);
    QVERIFY(ip(QStringLiteral("link set lo up")));
    QVERIFY(settle());
    QCOMPARE(internet(), 0u);

    if (!ip(QStringLiteral("link add v0 type veth peer name v1")))
        QSKIP("no virtual Ethernet links here");
    QVERIFY(ip(QStringLiteral("link set v0 up")));
    QVERIFY(ip(QStringLiteral("address add 192.0.2.10/24 dev v0 scope link")));
    QVERIFY(ip(QStringLiteral("route add default via 192.0.2.1 dev v0")));
    QVERIFY(settle());
    QCOMPARE(internet(), 0u); // no carrier while the peer is down
    QCOMPARE(local(), 0u);

    // Routes to addresses are asked of the namespace the source was made in.
    const QHostAddress neighbour(QStringLiteral("192.0.2.5")), beyond(QStringLiteral("198.51.100.1"));
    QCOMPARE(source->flagsForAddress(neighbour), 0u);
    QCOMPARE(source->flagsForAddress(QHostAddress(QStringLiteral("192.0.2.10"))), R | Direct); // our own
    PLReachability::setDefaultSource(source);
    auto restore = qScopeGuard([] { PLReachability::setDefaultSource({}); });
    const auto neighbourTarget = PLReachability::reachabilityWithAddress(neighbour);
    QVERIFY(neighbourTarget->startNotifier());
    int posted = 0;
    const auto token = platform::NotificationCenter::defaultCenter()->addObserver(
        QString::fromLatin1(PLReachabilityChangedNotification),
        [&posted](const platform::Notification&) { ++posted; }, nullptr,
        QVariant::fromValue(static_cast<QObject*>(neighbourTarget.get())));
    auto removeObserver =
        qScopeGuard([token] { platform::NotificationCenter::defaultCenter()->removeObserver(token); });

    QSignalSpy changed(source.get(), &ReachabilitySource::flagsChanged);
    QVERIFY(ip(QStringLiteral("link set v1 up")));
    QTRY_COMPARE(internet(), R);
    QCOMPARE(local(), R | Direct);
    QVERIFY(changed.count() >= 1);
    const IpView view = judgeFromIp(inNamespace);
    QVERIFY(view.internet && view.localLink);
    QCOMPARE(source->flagsForAddress(neighbour), R | Direct);
    QCOMPARE(source->flagsForAddress(beyond), R); // through the gateway
    QCOMPARE(neighbourTarget->currentReachabilityStatus(), 1);
    QCOMPARE(posted, 1);

    // A route of its own changes no flag of the source's, but the address is judged again.
    QVERIFY(ip(QStringLiteral("route add unreachable 192.0.2.5/32")));
    QTRY_COMPARE(posted, 2);
    QCOMPARE(neighbourTarget->currentReachabilityStatus(), 0);
    QCOMPARE(internet(), R);
    QVERIFY(ip(QStringLiteral("route del unreachable 192.0.2.5/32")));
    QTRY_COMPARE(posted, 3);
    QCOMPARE(neighbourTarget->currentReachabilityStatus(), 1);

    // Taking the link down drops its IPv4 default route without a word; up again, it has none.
    QVERIFY(ip(QStringLiteral("link set v0 down")));
    QTRY_COMPARE(local(), 0u);
    QCOMPARE(internet(), 0u);
    QCOMPARE(source->flagsForAddress(beyond), 0u);
    QTRY_COMPARE(posted, 4);
    QCOMPARE(neighbourTarget->currentReachabilityStatus(), 0);
    QVERIFY(ip(QStringLiteral("link set v0 up")));
    QTRY_COMPARE(local(), R | Direct);
    QVERIFY(settle());
    QCOMPARE(internet(), 0u);
    QCOMPARE(judgeFromIp(inNamespace).internet, false);

    QVERIFY(ip(QStringLiteral("address add 198.51.100.7/24 dev v0")));
    QTRY_COMPARE(internet(), R); // a global address
    QVERIFY(ip(QStringLiteral("link del v0")));
    QTRY_COMPARE(local(), 0u);
    QCOMPARE(internet(), 0u);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestNetlinkReachability t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_netlinkreachability.moc"
