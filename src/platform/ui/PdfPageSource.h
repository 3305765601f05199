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
// arrive in runs while the first pages are drawn. A document claiming more than kMaxPages shows its
// first kMaxPages under a note that says so.
//
// Nothing a worker says is taken on trust: a count, a size, a page or a frame out of bounds ends
// that worker as if it had died, and so does an answer nobody asked for (a page not being drawn,
// sizes it sent already, any frame while it owes nothing). Nor is it waited for without end: while it owes an
// answer it has a deadline that only a whole answer moves, the open bound until it opens the document, the
// page bound for a page and for each run of sizes. A worker that ends while drawing a page costs that page;
// one that ends otherwise (the document keeps it from staying up, it answers nonsense or falls silent) is
// started again at most kMaxRestarts times for the document, which then cannot be read.
//
// The program is looked for in PELNIX_DOCUMENT_WORKER (a file path), beside libPelnix.so, beside the
// application, and in the build tree.
class PdfPageSource : public DocumentPageSource {
    Q_OBJECT
public:
    static constexpr int kPageTimeBoundMs = 4000;
    // Opening is bounded too: a file the engine cannot make sense of in this time is not read.
    static constexpr int kOpenTimeBoundMs = 20000;
    static constexpr int kMaxPages = documentworker::kMaxPages;
    static constexpr int kMaxRestarts = 2;

    explicit PdfPageSource(const QString& path, QObject* parent = nullptr);
    ~PdfPageSource() override;

    int pageCount() const override { return m_count; }
    QSizeF pageSize(int page) const override;
    int knownPageSizes() const override { return int(m_sizes.size()); }
    QString leadingNote() const override { return m_note; }
    void request(const QList<Request>& pages) override;
    // The pages the document claims, of which pageCount() are shown.
    int claimedPageCount() const { return m_claimed; }
    // The note over a document claiming `claimed` pages of which `shown` are shown.
    static QString noteFor(int shown, int claimed);

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
    // What the worker said breaks the protocol or its bounds: it goes as if it had ended.
    void refuse(const char* what);
    void handle(const documentworker::Frame& frame);
    void pump();
    // Gives the worker the page bound for its next run of sizes when it owes one; none otherwise.
    void awaitSizes();
    void timedOut();
    void fail();

    QString m_path;
    QProcess* m_worker = nullptr;
    documentworker::FrameReader m_reader;
    QTimer m_bound;
    int m_pageTimeBoundMs = kPageTimeBoundMs;
    bool m_open = false;
    // The sizes this worker has sent, from the first page: its next run starts here.
    int m_workerSized = 0;
    bool m_failed = false;
    int m_count = 0;
    int m_claimed = 0;
    QString m_note;
    QList<QSizeF> m_sizes;
    QList<Request> m_queue;
    Request m_drawing;
    int m_started = 0;
    int m_killed = 0;
    // Workers that ended other than while drawing a page.
    int m_endedIdle = 0;
};

} // namespace pelnix::platform::ui
