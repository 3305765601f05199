#include "PdfPageSource.h"

#include "DocumentPreview.h"
#include "platform/HelperProgram.h"
#include "platform/MainThread.h"

#include <QLocale>
#include <QLoggingCategory>
#include <QProcess>

namespace pelnix::platform::ui {

Q_LOGGING_CATEGORY(lcPdfPages, "pelnix.ui.pdfpages", QtWarningMsg)

using namespace documentworker;

namespace {
// A page whose size has not arrived yet, before any has: A4.
const QSizeF kDefaultPageSize(595, 842);
} // namespace

PdfPageSource::PdfPageSource(const QString& path, QObject* parent)
    : DocumentPageSource(parent), m_path(path) {
    m_bound.setSingleShot(true);
    // A coarse timer may fire 5 % early: the bound is the least time a page gets.
    m_bound.setTimerType(Qt::PreciseTimer);
    connect(&m_bound, &QTimer::timeout, this, &PdfPageSource::timedOut);
    startWorker();
}

PdfPageSource::~PdfPageSource() {
    endWorker();
}

QString PdfPageSource::workerProgram() {
#ifdef PELNIX_DOCUMENT_WORKER_BUILD_PATH
    const QString buildPath = QStringLiteral(PELNIX_DOCUMENT_WORKER_BUILD_PATH);
#else
    const QString buildPath;
#endif
    return HelperProgram(QStringLiteral("pelnix-document-worker"), "PELNIX_DOCUMENT_WORKER", buildPath)
        .path();
}

qint64 PdfPageSource::workerProcessId() const {
    return m_worker ? m_worker->processId() : 0;
}

QString PdfPageSource::noteFor(int shown, int claimed) {
    const QLocale locale;
    return QStringLiteral("This document has %1 pages: only its first %2 are shown.")
        .arg(locale.toString(claimed), locale.toString(shown));
}

QSizeF PdfPageSource::pageSize(int page) const {
    if (page >= 0 && page < m_sizes.size())
        return m_sizes[page];
    return m_sizes.isEmpty() ? kDefaultPageSize : m_sizes.last();
}

void PdfPageSource::startWorker() {
    const QString program = workerProgram();
    if (program.isEmpty()) {
        qCCritical(lcPdfPages) << "no document worker found: PDF documents cannot be shown";
        // Told after the caller had a chance to listen.
        QMetaObject::invokeMethod(this, &PdfPageSource::fail, Qt::QueuedConnection);
        return;
    }
    m_reader = FrameReader();
    m_open = false;
    m_workerSized = 0;
    m_worker = new QProcess(this);
    m_worker->setStandardErrorFile(QProcess::nullDevice());
    connect(m_worker, &QProcess::readyReadStandardOutput, this, &PdfPageSource::workerReadable);
    connect(m_worker, &QProcess::finished, this, &PdfPageSource::workerEnded);
    connect(m_worker, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            workerEnded();
    });
    QProcess* worker = m_worker;
    ++m_started;
    m_bound.start(kOpenTimeBoundMs);
    worker->start(program, {});
    // A worker that could not start has been dealt with already.
    if (m_worker == worker)
        worker->write(openFrame(m_path));
}

void PdfPageSource::endWorker() {
    m_bound.stop();
    if (!m_worker)
        return;
    QProcess* worker = m_worker;
    m_worker = nullptr;
    worker->disconnect(this);
    worker->setParent(nullptr);
    // This can run inside one of the worker's own signals: the object goes once the killed process
    // has been collected, never waited for here.
    if (worker->state() == QProcess::NotRunning) {
        worker->deleteLater();
        return;
    }
    connect(worker, &QProcess::finished, worker, &QObject::deleteLater);
    worker->kill();
}

void PdfPageSource::fail() {
    if (m_failed)
        return;
    m_failed = true;
    endWorker();
    m_queue.clear();
    emit failed(DocumentPreview::DamagedError, QStringLiteral("The PDF document cannot be read."));
}

void PdfPageSource::workerReadable() {
    if (!m_worker)
        return;
    m_reader.append(m_worker->readAllStandardOutput());
    while (const std::optional<Frame> frame = m_reader.next()) {
        handle(*frame);
        if (!m_worker)
            return;
    }
    if (m_reader.isBroken())
        refuse("a frame");
    // The bound runs whenever the worker owes an answer: a frame begun without it was not asked for.
    else if (m_reader.hasPartFrame() && !m_bound.isActive())
        refuse("an answer nobody asked for");
}

void PdfPageSource::refuse(const char* what) {
    qCWarning(lcPdfPages) << "the document worker's answer is out of bounds:" << what;
    workerEnded();
}

void PdfPageSource::handle(const Frame& frame) {
    switch (frame.kind) {
    case Opened: {
        const std::optional<int> count = readOpened(frame);
        // Once per worker; a worker started again must find the same document.
        if (!count || m_open || (m_claimed > 0 && *count != m_claimed)) {
            refuse("the page count");
            return;
        }
        m_open = true;
        if (m_claimed == 0) {
            m_claimed = *count;
            m_count = qMin(*count, kMaxPages);
            if (m_count < m_claimed) {
                qCInfo(lcPdfPages) << "the document claims" << m_claimed << "pages; the first" << m_count
                                   << "are shown";
                m_note = noteFor(m_count, m_claimed);
            }
        }
        pump();
        if (m_drawing.page < 0)
            awaitSizes();
        break;
    }
    case Failed:
        if (m_open)
            refuse("a failure after opening");
        else
            fail();
        break;
    case Sizes: {
        const std::optional<SizeRun> run = readSizes(frame);
        // Runs come in order, each once; a worker started again sends the known ones again.
        if (!m_open || !run || run->first != m_workerSized || run->first + run->sizes.size() > m_count) {
            refuse("page sizes");
            return;
        }
        m_workerSized += int(run->sizes.size());
        // A page being drawn keeps its own deadline.
        if (m_drawing.page < 0)
            awaitSizes();
        const bool first = m_sizes.isEmpty();
        const qsizetype known = m_sizes.size();
        for (qsizetype i = known - run->first; i < run->sizes.size(); ++i)
            m_sizes << run->sizes[i];
        if (first && !m_sizes.isEmpty())
            emit loaded();
        else if (m_sizes.size() > known)
            emit pageSizesChanged();
        break;
    }
    case Page: {
        const std::optional<RenderedPage> page = readPage(frame);
        // The page asked for, at the size asked for, or none.
        if (!page || m_drawing.page < 0 || page->page != m_drawing.page ||
            (!page->image.isNull() && page->image.size() != m_drawing.pixels)) {
            refuse("a page");
            return;
        }
        m_drawing = {};
        if (page->image.isNull())
            emit pageFailed(page->page);
        else
            emit pageRendered(page->page, page->image);
        // Told on the way: a new page may be asked for, or the document gone.
        if (m_worker && m_drawing.page < 0) {
            pump();
            if (m_drawing.page < 0)
                awaitSizes();
        }
        break;
    }
    default:
        refuse("a frame of the preview's own");
    }
}

void PdfPageSource::workerEnded() {
    const bool wasOpen = m_open;
    const int page = m_drawing.page;
    endWorker();
    m_drawing = {};
    if (!wasOpen) {
        // It could not open the document (again).
        fail();
        return;
    }
    ++m_killed;
    if (page >= 0) {
        qCWarning(lcPdfPages) << "page" << page + 1 << "could not be drawn: its worker ended";
        emit pageFailed(page);
    } else if (++m_endedIdle > kMaxRestarts) {
        qCWarning(lcPdfPages) << "the document worker ended" << m_endedIdle
                              << "times while drawing nothing: the document is not read";
        fail();
        return;
    }
    if (!m_failed)
        startWorker();
}

void PdfPageSource::awaitSizes() {
    if (m_worker && m_open && m_workerSized < m_count)
        m_bound.start(m_pageTimeBoundMs);
    else
        m_bound.stop();
}

void PdfPageSource::timedOut() {
    if (!m_open) {
        qCWarning(lcPdfPages) << "the document did not open within" << kOpenTimeBoundMs << "ms";
        fail();
        return;
    }
    if (m_drawing.page >= 0)
        qCWarning(lcPdfPages) << "page" << m_drawing.page + 1 << "passed its time bound of"
                              << m_pageTimeBoundMs << "ms";
    else
        qCWarning(lcPdfPages) << "the document worker sent no page sizes within" << m_pageTimeBoundMs << "ms";
    workerEnded();
}

void PdfPageSource::request(const QList<Request>& pages) {
    Q_ASSERT_X(platform::isMainThread(), "PdfPageSource", "pages are asked for on the main thread");
    m_queue = pages;
    // The page being drawn comes once.
    m_queue.removeAll(m_drawing);
    pump();
}

void PdfPageSource::pump() {
    if (!m_worker || !m_open || m_drawing.page >= 0)
        return;
    while (!m_queue.isEmpty()) {
        const Request next = m_queue.takeFirst();
        if (next.page < 0 || next.page >= m_count || next.pixels.isEmpty() ||
            qint64(next.pixels.width()) * next.pixels.height() > kMaxPixels ||
            (next.pageHeight != 0 && next.pageHeight <= next.pixels.height()))
            continue;
        m_drawing = next;
        m_worker->write(renderFrame(next.page, next.pixels, next.pageHeight));
        m_bound.start(m_pageTimeBoundMs);
        return;
    }
}

} // namespace pelnix::platform::ui
