#pragma once

#include "smart/PLXMLDocument.h"
#include "smart/PLXSLTStylesheet.h"

#include <QMutex>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace pelnix {

// Runs transforms in worker processes (the program pelnix-xslt-worker), so that the time bound holds
// whatever a stylesheet evaluates.
//
// The bounds inside a transform (PLXSLTStylesheet) stop it between instructions and XPath steps, but
// libxml2 does some work inside one step without a check (comparing two node-sets, merging the
// node-sets of a path like //*//*//*): one evaluation ran minutes. A thread cannot be stopped
// safely in the middle of libxml2, a process can: a worker that has not answered by the end of the
// time bound (and a short grace for the bounds' own report) is killed, and everything it held goes
// with it. Workers are kept for the next transform, one per transform running at once.
//
// The worker program is looked for in PELNIX_XSLT_WORKER (a file path), beside libPelnix.so, beside
// the program, and in the build tree.
class XSLTWorkerPool {
public:
    static XSLTWorkerPool& shared();
    ~XSLTWorkerPool();
    XSLTWorkerPool(const XSLTWorkerPool&) = delete;
    XSLTWorkerPool& operator=(const XSLTWorkerPool&) = delete;

    // Whether a worker program was found.
    bool isAvailable();
    // The transform's output; none, with `error` set, when it failed, passed a bound or was ended.
    std::optional<QString> transform(const QByteArray& xslt, const PLXMLDocument& input,
                                     const PLXSLTStylesheet::Limits& limits, QString* error);
    // Time a worker gets beyond the time bound before it is killed.
    static qint64 graceMs(const PLXSLTStylesheet::Limits& limits);
    // Workers started and killed so far (for tests).
    int startedCount() const;
    int killedCount() const;

    static QStringList candidates();

private:
    struct Worker;
    XSLTWorkerPool() = default;
    std::unique_ptr<Worker> take(QString* error);
    void giveBack(std::unique_ptr<Worker> worker);
    std::unique_ptr<Worker> start(QString* error);

    mutable QMutex m_mutex;
    std::vector<std::unique_ptr<Worker>> m_idle;
    std::optional<QString> m_program;
    int m_started = 0;
    int m_killed = 0;
};

} // namespace pelnix
