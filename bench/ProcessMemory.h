#pragma once

// The memory of this process, or of it and every process below it (the browser engine's), from /proc.
//
// A process's own memory is its anonymous resident pages (RssAnon: heaps, stacks, what it made); the
// pages of files it maps (RssFile: the store's file, read through a mapping, libraries) are the
// kernel's to take back whenever it needs them, and are reported apart. Every figure is in KiB as
// /proc gives it and printed in MiB (1 MiB = 1,048,576 bytes).

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QList>
#include <QMap>

namespace pelnix::bench {

constexpr double kBytesPerMiB = 1048576.0;

inline double mib(double kib) {
    return kib / 1024.0;
}

// A field of /proc/<pid>/<file> in KiB ("VmRSS:" of status, "Pss:" of smaps_rollup).
inline long procKb(qint64 pid, const char* file, const QByteArray& field) {
    QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(file)));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toLong();
    return 0;
}

// A line of /proc/self/status in KiB ("VmRSS:", "RssAnon:", "RssFile:", "VmHWM:").
inline long statusKb(const char* field) {
    return procKb(QCoreApplication::applicationPid(), "status", QByteArray(field));
}

inline long residentKb() {
    return statusKb("VmRSS:");
}

// The memory the process itself holds.
inline long anonymousResidentKb() {
    return statusKb("RssAnon:");
}

// The resident pages of mapped files: the store's among them.
inline long fileResidentKb() {
    return statusKb("RssFile:");
}

// The process's own memory and its mapped files' pages, read at once.
struct OwnMemory {
    long anonKb = 0;
    long fileKb = 0;

    static OwnMemory now() {
        OwnMemory memory;
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return memory;
        const auto kb = [](const QByteArray& line, int key) {
            return line.mid(key).trimmed().split(' ').value(0).toLong();
        };
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("RssAnon:"))
                memory.anonKb = kb(line, 8);
            else if (line.startsWith("RssFile:"))
                memory.fileKb = kb(line, 8);
        }
        return memory;
    }
    // Each figure's peak.
    void keepPeak(const OwnMemory& other) {
        anonKb = qMax(anonKb, other.anonKb);
        fileKb = qMax(fileKb, other.fileKb);
    }
};

// This process and every one below it.
inline QList<qint64> processTree() {
    const qint64 self = QCoreApplication::applicationPid();
    QMap<qint64, qint64> parentOf;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        // "pid (name) state ppid ...": the name may hold spaces, the fields after it do not.
        parentOf[pid] = text.mid(text.lastIndexOf(')') + 2).split(' ').value(1).toLongLong();
    }
    QList<qint64> tree;
    for (auto it = parentOf.begin(); it != parentOf.end(); ++it) {
        qint64 pid = it.key();
        for (int depth = 0; depth < 8 && pid > 1; ++depth, pid = parentOf.value(pid))
            if (pid == self) {
                tree << it.key();
                break;
            }
    }
    return tree;
}

// Memory of every process of the program: the proportional sets (each shared page split among the
// processes that map it), their own memory and their mapped files' pages, and the resident sets
// (shared pages counted in every process), each summed.
struct TreeMemory {
    long pssKb = 0;
    long anonKb = 0;
    long fileKb = 0;
    long rssKb = 0;
    int processes = 0;

    static TreeMemory now() {
        TreeMemory memory;
        for (qint64 pid : processTree()) {
            memory.pssKb += procKb(pid, "smaps_rollup", "Pss:");
            memory.anonKb += procKb(pid, "status", "RssAnon:");
            memory.fileKb += procKb(pid, "status", "RssFile:");
            memory.rssKb += procKb(pid, "status", "VmRSS:");
            ++memory.processes;
        }
        return memory;
    }
    // Each figure's peak.
    void keepPeak(const TreeMemory& other) {
        pssKb = qMax(pssKb, other.pssKb);
        anonKb = qMax(anonKb, other.anonKb);
        fileKb = qMax(fileKb, other.fileKb);
        rssKb = qMax(rssKb, other.rssKb);
        processes = qMax(processes, other.processes);
    }
};

} // namespace pelnix::bench
