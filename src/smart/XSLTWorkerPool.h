#pragma once

#include "smart/PLXMLDocument.h"
#include "smart/PLXSLTStylesheet.h"
#include "smart/XSLTWorkerProtocol.h"

#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <QWaitCondition>

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
// with it. Workers are kept warm for the next transform, each with the stylesheets it compiled.
//
// At most maxWorkers() workers live at once (each holds its own copy of the libraries and whatever
// a stylesheet built): a caller beyond them waits for a worker to come free, and a worker ended at
// the bound is replaced within that number. The wait is not counted in the caller's time bound.
//
// A batch of inputs goes in one request and its answers come back one by one, so the round trip
// is paid once per batch while every input still has the whole time bound of its own: an input
// that passes it ends its worker, and the inputs after it go to another. A larger batch is shared
// among several workers at once.
//
// The worker program is looked for in PELNIX_XSLT_WORKER (a file path), beside libPelnix.so, beside
// the program, and in the build tree.
class XSLTWorkerPool {
public:
    static XSLTWorkerPool& shared();
    ~XSLTWorkerPool();
    XSLTWorkerPool(const XSLTWorkerPool&) = delete;
    XSLTWorkerPool& operator=(const XSLTWorkerPool&) = delete;

    // What became of one input.
    struct Result {
        // The output; none when the transform failed, passed a bound or was ended.
        std::optional<QString> html;
        QString error;
        // Whether the failure came from the stylesheet and its input (so the same pair fails again),
        // rather than from starting a worker.
        bool lasting = true;
    };

    // Whether a worker program was found.
    bool isAvailable();
    // The transform's output; none, with `error` set, when it failed, passed a bound or was ended.
    std::optional<QString> transform(const QByteArray& xslt, const PLXMLDocument& input,
                                     const PLXSLTStylesheet::Limits& limits, QString* error);
    // Every input transformed by one stylesheet, each within `limits`: one result per input, in
    // their order. A batch of more than kMinInputsPerWorker inputs is shared among the workers.
    QList<Result> transform(const QByteArray& xslt, const QList<xsltworker::Input>& inputs,
                            const PLXSLTStylesheet::Limits& limits);
    // Time a worker gets beyond the time bound before it is killed.
    static qint64 graceMs(const PLXSLTStylesheet::Limits& limits);

    // Workers alive at once at most: the machine's cores, and no more than kMaxWorkers.
    static constexpr int kMaxWorkers = 4;
    static constexpr int kMinInputsPerWorker = 4;
    int maxWorkers() const;
    // For tests; takes effect as workers come free.
    void setMaxWorkers(int count);
    // Workers alive now, busy or idle; started and killed so far (for tests).
    int workerCount() const;
    int startedCount() const;
    int killedCount() const;

    static QStringList candidates();

private:
    struct Worker;
    XSLTWorkerPool();
    // An idle worker, or a new one while fewer than maxWorkers() live; waits for one otherwise.
    std::unique_ptr<Worker> take(QString* error);
    void giveBack(std::unique_ptr<Worker> worker);
    // Ends a worker and frees its place.
    void retire(std::unique_ptr<Worker> worker, bool killed);
    std::unique_ptr<Worker> start(QString* error);
    // The inputs one after the other, a request per worker.
    QList<Result> transformInTurn(const QByteArray& xslt, const QList<xsltworker::Input>& inputs,
                                  const PLXSLTStylesheet::Limits& limits);

    mutable QMutex m_mutex;
    QWaitCondition m_freed;
    std::vector<std::unique_ptr<Worker>> m_idle;
    std::optional<QString> m_program;
    int m_maxWorkers;
    int m_live = 0;
    int m_started = 0;
    int m_killed = 0;
    // Threads that run the other shares of a batch.
    QThreadPool m_helpers;
};

} // namespace pelnix
