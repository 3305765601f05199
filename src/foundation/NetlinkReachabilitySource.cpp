#include "foundation/NetlinkReachabilitySource.h"

#if defined(__linux__)

#include "foundation/PLReachability.h"
#include "foundation/RouteLookup.h"

#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <cstring>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pelnix {

namespace {

Q_LOGGING_CATEGORY(lcReachability, "pelnix.reachability", QtWarningMsg)

// The kernel marks the links of cellular modems (the WWAN drivers) with this device type.
bool isCellularLink(const QString& name) {
    if (name.contains(QLatin1Char('/')) || name.startsWith(QLatin1Char('.')))
        return false;
    QFile uevent(QStringLiteral("/sys/class/net/%1/uevent").arg(name));
    if (!uevent.open(QIODevice::ReadOnly))
        return false;
    return uevent.readAll().split('\n').contains("DEVTYPE=wwan");
}

int openSocket() {
    return ::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE);
}

int openNotifiedSocket() {
    const int fd = openSocket();
    if (fd < 0)
        return -1;
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups =
        RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// Dump replies are cut to at most 32 KiB by the kernel; notifications are far smaller.
constexpr size_t kDatagramBytes = 32 * 1024;
// A route lookup's answer is one message of a few hundred bytes.
constexpr size_t kAnswerBytes = 4 * 1024;

// Reads one datagram from the kernel without waiting; its size, or -1 with errno set.
ssize_t receiveFromKernel(int fd, char* buffer, size_t size, bool& truncated) {
    for (;;) {
        sockaddr_nl from{};
        iovec io{buffer, size};
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        const ssize_t received = ::recvmsg(fd, &message, MSG_DONTWAIT);
        if (received < 0 && errno == EINTR)
            continue;
        if (received >= 0 && from.nl_pid != 0)
            continue; // not from the kernel
        truncated = received >= 0 && (message.msg_flags & MSG_TRUNC);
        return received;
    }
}

} // namespace

std::shared_ptr<NetlinkReachabilitySource> NetlinkReachabilitySource::create() {
    const int fd = openNotifiedSocket();
    if (fd < 0) {
        const int error = errno;
        qCDebug(lcReachability) << "No rtnetlink socket:" << std::strerror(error);
        return {};
    }
    // Opened here, so that lookups ask the network namespace the state is read from.
    const int queryFd = openSocket();
    if (queryFd < 0)
        qCDebug(lcReachability) << "No rtnetlink socket for route lookups:" << std::strerror(errno);
    // The socket notifier must go on the main thread, where the source lives.
    std::shared_ptr<NetlinkReachabilitySource> source(
        new NetlinkReachabilitySource(fd, queryFd), [](NetlinkReachabilitySource* source) {
            if (QCoreApplication::instance() && source->thread() != QThread::currentThread())
                source->deleteLater();
            else
                delete source;
        });
    if (source->m_failed) {
        qCDebug(lcReachability) << "The kernel does not report the routing state here";
        return {};
    }
    return source;
}

NetlinkReachabilitySource::NetlinkReachabilitySource(int fd, int queryFd)
    : m_fd(fd), m_state(isCellularLink), m_queryFd(queryFd) {
    // Until the state is read, the network counts as reachable.
    setFlags(PLReachability::kReachable, PLReachability::kReachable | PLReachability::kIsDirect);
    // Dump replies are made as they are read, so the whole state is normally in hand on return.
    requestDumps(Links | Addresses | Routes);
    readAvailable();
    followOnMainThread([this] { attach(); });
}

NetlinkReachabilitySource::~NetlinkReachabilitySource() {
    delete m_notifier;
    ::close(m_fd);
    if (m_queryFd >= 0)
        ::close(m_queryFd);
}

void NetlinkReachabilitySource::attach() {
    // Without an application there is no event loop to follow changes on.
    if (!QCoreApplication::instance())
        return;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &NetlinkReachabilitySource::readAvailable);
    readAvailable();
}

void NetlinkReachabilitySource::readAvailable() {
    Q_ASSERT(QThread::currentThread() == thread());
    alignas(nlmsghdr) char buffer[kDatagramBytes];
    for (;;) {
        bool truncated = false;
        const ssize_t size = receiveFromKernel(m_fd, buffer, sizeof buffer, truncated);
        if (size < 0) {
            if (errno == ENOBUFS) {
                // Notifications were dropped: what is held may be wrong.
                qCDebug(lcReachability) << "rtnetlink overflow: reading the state again";
                requestDumps(Links | Addresses | Routes);
                continue;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                qCWarning(lcReachability) << "rtnetlink read failed:" << std::strerror(errno);
            break;
        }
        if (truncated) {
            requestDumps(Links | Addresses | Routes);
            continue;
        }
        const RouteNetlinkState::Batch batch = m_state.feed(QByteArrayView(buffer, size), m_dumpSequence);
        m_reported |= batch.reported;
        if (batch.routesStale)
            requestDumps(Routes);
        if (batch.dumpError != 0 && !m_failed) {
            qCWarning(lcReachability) << "rtnetlink report refused:" << std::strerror(batch.dumpError);
            m_failed = true;
        }
        if (batch.endOfDump) {
            m_dumpSequence = 0;
            sendNextDump();
        }
    }
    if (m_dumpSequence == 0 && m_pendingDumps != 0)
        sendNextDump();
    else if (m_dumpSequence == 0)
        publish();
}

void NetlinkReachabilitySource::requestDumps(unsigned dumps) {
    m_pendingDumps |= dumps;
    m_settled = false;
    if (m_dumpSequence == 0)
        sendNextDump();
}

void NetlinkReachabilitySource::sendNextDump() {
    // One dump at a time per socket; links before addresses before routes.
    const unsigned dump = m_pendingDumps & (~m_pendingDumps + 1);
    if (dump == 0)
        return;
    m_pendingDumps &= ~dump;

    struct {
        nlmsghdr header;
        union {
            ifinfomsg link;
            ifaddrmsg address;
            rtmsg route;
        } body;
    } request{};
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    if (++m_sequence == 0)
        ++m_sequence; // 0 marks no dump in flight
    request.header.nlmsg_seq = m_sequence;
    switch (dump) {
    case Links:
        m_state.clearLinks();
        request.header.nlmsg_type = RTM_GETLINK;
        request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifinfomsg));
        break;
    case Addresses:
        m_state.clearAddresses();
        request.header.nlmsg_type = RTM_GETADDR;
        request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifaddrmsg));
        break;
    default:
        m_state.clearRoutes();
        request.header.nlmsg_type = RTM_GETROUTE;
        request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg));
        break;
    }
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    ssize_t sent = -1;
    do
        sent = ::sendto(m_fd, &request, request.header.nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel),
                        sizeof kernel);
    while (sent < 0 && errno == EINTR);
    if (sent < 0) {
        // Tried again on the next read; meanwhile the network counts as reachable.
        qCWarning(lcReachability) << "rtnetlink request failed:" << std::strerror(errno);
        m_pendingDumps |= dump;
        setFlags(PLReachability::kReachable, PLReachability::kReachable | PLReachability::kIsDirect);
        return;
    }
    m_dumpSequence = request.header.nlmsg_seq;
}

void NetlinkReachabilitySource::publish() {
    RouteNetlinkState::Flags flags = m_state.flags();
    if (m_failed)
        flags = {PLReachability::kReachable, PLReachability::kReachable | PLReachability::kIsDirect};
    const bool flagsChange =
        flags.internet != this->flags(Target::Internet) || flags.localLink != this->flags(Target::LocalLink);
    if (flagsChange)
        qCDebug(lcReachability) << "internet" << Qt::hex << flags.internet << "local link" << flags.localLink;
    {
        QMutexLocker lock(&m_queryMutex);
        m_publishedLinks = m_state.linkStates();
        m_judging = !m_failed;
    }
    m_settled = true;
    setFlags(flags.internet, flags.localLink); // a change of flags says the network changed too
    if (m_reported && !flagsChange)
        emit networkChanged();
    m_reported = false;
}

quint32 NetlinkReachabilitySource::flagsForAddress(const QHostAddress& address) const {
    QMutexLocker lock(&m_queryMutex);
    if (m_queryFd < 0 || !m_judging)
        return flags(Target::Internet);
    if (++m_querySequence == 0)
        ++m_querySequence;
    const QByteArray request = RouteLookup::request(address, m_querySequence);
    if (request.isEmpty())
        return 0; // not an internet address
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    ssize_t sent = -1;
    do
        sent = ::sendto(m_queryFd, request.constData(), size_t(request.size()), 0,
                        reinterpret_cast<sockaddr*>(&kernel), sizeof kernel);
    while (sent < 0 && errno == EINTR);
    if (sent < 0) {
        qCWarning(lcReachability) << "route lookup failed:" << std::strerror(errno);
        return flags(Target::Internet);
    }
    // The kernel answers while the request is sent, so the answer is queued by now; earlier answers
    // that came too late for their lookup are passed over.
    alignas(nlmsghdr) char buffer[kAnswerBytes];
    for (;;) {
        bool truncated = false;
        const ssize_t size = receiveFromKernel(m_queryFd, buffer, sizeof buffer, truncated);
        if (size < 0) {
            qCWarning(lcReachability) << "route lookup unanswered:" << std::strerror(errno);
            return flags(Target::Internet);
        }
        if (truncated)
            continue;
        if (const auto answer = RouteLookup::parse(QByteArrayView(buffer, size), m_querySequence))
            return RouteLookup::flags(*answer, m_publishedLinks);
    }
}

} // namespace pelnix

#endif // __linux__
