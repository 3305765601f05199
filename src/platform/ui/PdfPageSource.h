#pragma once

#include "DocumentPageSource.h"
#include "DocumentWorkerProtocol.h"

#include <QPointer>
#include <QTimer>

class QProcess;

namespace pelnix::platform::ui {

// A PDF's pages, drawn by a worker process (pelnix-document-worker). The PDF engine cannot stop a
// page in the middle, and it runs one page at a time for the whole process: in a thread, one page of
// millions of strokes would hold every other page, and the host's exit, for minutes. A worker whose
// page passes the time bound is killed instead; that page fails and a new worker draws the others.
// Opening happens in the worker too, so a document of any page count opens at once; page sizes
// arrive in runs while the first pages are drawn.
//
// The program is looked for in PELNIX_DOCUMENT_WORKER (a file path), beside libPelnix.so, beside the
// application, and in the build tree.
class PdfPageSource : public DocumentPageSource {
    Q_OBJECT
public:
    static constexpr int kPageTimeBoundMs = 4000;
    // Opening is bounded too: a file the engine cannot make sense of in this time is not read.
    static constexpr int kOpenTimeBoundMs = 20000;

    explicit PdfPageSource(const QString& path, QObject* parent = nullptr);
    ~PdfPageSource() override;

    int pageCount() const override { return m_count; }
    QSizeF pageSize(int page) const override;
    void request(const QList<Request>& pages) override;

    int pageTimeBound() const { return m_pageTimeBoundMs; }
    void setPageTimeBound(int ms) { m_pageTimeBoundMs = ms; }
    // The worker now running (0 when none) and how many were started and killed so far.
    qint64 workerProcessId() const;
    int startedWorkers() const { return m_started; }
    int killedWorkers() const { return m_killed; }

    static QString workerProgram();

private:
    void startWorker();
    void endWorker();
    void workerReadable();
    void workerEnded();
    void handle(const documentworker::Frame& frame);
    void pump();
    void timedOut();
    void fail();

    QString m_path;
    QProcess* m_worker = nullptr;
    documentworker::FrameReader m_reader;
    QTimer m_bound;
    int m_pageTimeBoundMs = kPageTimeBoundMs;
    bool m_open = false;
    bool m_failed = false;
    int m_count = 0;
    QList<QSizeF> m_sizes;
    QList<Request> m_queue;
    Request m_drawing;
    int m_started = 0;
    int m_killed = 0;
};

} // namespace pelnix::platform::ui
