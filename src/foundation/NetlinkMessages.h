#pragma once

// Bounded readers of rtnetlink datagrams (Linux): every length is checked against the bytes held
// before anything is read.

#include <QByteArrayView>

#include <cstring>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>

namespace pelnix::netlink {

template <typename T> bool readStruct(QByteArrayView bytes, T& out) {
    if (bytes.size() < qsizetype(sizeof(T)))
        return false;
    std::memcpy(&out, bytes.data(), sizeof(T));
    return true;
}

inline quint32 readU32(QByteArrayView payload) {
    quint32 value = 0;
    readStruct(payload, value);
    return value;
}

// Calls fn(header, body) for each whole message of a datagram; stops at the first malformed one.
template <typename Fn> void forEachMessage(QByteArrayView datagram, Fn&& fn) {
    while (datagram.size() >= qsizetype(sizeof(nlmsghdr))) {
        nlmsghdr header;
        std::memcpy(&header, datagram.data(), sizeof header);
        if (header.nlmsg_len < NLMSG_HDRLEN || header.nlmsg_len > datagram.size())
            return;
        fn(header, datagram.sliced(NLMSG_HDRLEN, header.nlmsg_len - NLMSG_HDRLEN));
        const qsizetype step = NLMSG_ALIGN(header.nlmsg_len);
        if (step >= datagram.size())
            return;
        datagram = datagram.sliced(step);
    }
}

// Calls fn(type, payload) for each well-formed attribute; stops at the first malformed one.
template <typename Fn> void forEachAttribute(QByteArrayView bytes, Fn&& fn) {
    while (bytes.size() >= qsizetype(sizeof(rtattr))) {
        rtattr attr;
        std::memcpy(&attr, bytes.data(), sizeof attr);
        if (attr.rta_len < sizeof(rtattr) || attr.rta_len > bytes.size())
            return;
        fn(attr.rta_type & NLA_TYPE_MASK, bytes.sliced(RTA_LENGTH(0), attr.rta_len - RTA_LENGTH(0)));
        const qsizetype step = RTA_ALIGN(attr.rta_len);
        if (step >= bytes.size())
            return;
        bytes = bytes.sliced(step);
    }
}

// The attributes after a message's fixed header.
template <typename T> QByteArrayView attributesAfter(QByteArrayView body) {
    const qsizetype offset = NLMSG_ALIGN(sizeof(T));
    return offset < body.size() ? body.sliced(offset) : QByteArrayView();
}

} // namespace pelnix::netlink
