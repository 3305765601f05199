#include "DocumentPreview.h"

#include "DocumentPageCanvas.h"
#include "ImagePageSource.h"
#include "LibraryFont.h"
#include "PdfPageSource.h"
#include "ScrollIndicators.h"
#include "TextPageSource.h"

#include <QFileInfo>
#include <QImageReader>
#include <QMimeDatabase>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>

namespace pelnix::platform::ui {

namespace {
constexpr qreal kZoomStep = 1.25;
} // namespace

DocumentPreview::DocumentPreview(QWidget* parent)
    : QScrollArea(parent), m_pageTimeBoundMs(PdfPageSource::kPageTimeBoundMs),
      m_canvas(new DocumentPageCanvas), m_indicators(new ScrollIndicators(this)) {
    setWidget(m_canvas);
    setWidgetResizable(false);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setFrameShape(QFrame::NoFrame);
    setBackgroundRole(QPalette::Dark);
    // Text pages, their note and the placeholder of a page that cannot be shown are in the library's
    // face, never the host program's.
    setFont(libraryFont(kTextPixelSize));
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &DocumentPreview::updateVisibleArea);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &DocumentPreview::updateVisibleArea);
}

std::optional<PLError> DocumentPreview::fail(int code, const QString& text) {
    m_kind = Kind::None;
    m_loaded = false;
    m_canvas->clear();
    // A source can fail from inside its own work: it goes once that has returned.
    if (m_source) {
        m_source->disconnect(this);
        m_source->deleteLater();
    }
    m_source = nullptr;
    return PLError(QString::fromLatin1(ErrorDomain), code, text);
}

std::optional<PLError> DocumentPreview::showDocument(const QUrl& fileURL) {
    m_url = fileURL;
    (void)fail(0, {});
    const QString path = fileURL.toLocalFile();
    if (!fileURL.isLocalFile() || !QFileInfo(path).isFile())
        return fail(NotFoundError, QStringLiteral("The document does not exist."));

    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    if (type.inherits(QStringLiteral("application/pdf"))) {
        auto* pdf = new PdfPageSource(path, this);
        pdf->setPageTimeBound(m_pageTimeBoundMs);
        showSource(pdf, Kind::PDF);
    } else if (QImageReader(path).canRead()) {
        showSource(new ImagePageSource(path, this), Kind::Image);
    } else if (type.inherits(QStringLiteral("text/plain"))) {
        showSource(new TextPageSource(path, font(), this), Kind::Text);
    } else {
        return fail(UnsupportedFormatError, QStringLiteral("This kind of document cannot be previewed."));
    }
    return std::nullopt;
}

void DocumentPreview::showSource(DocumentPageSource* source, Kind kind) {
    m_source = source;
    m_kind = kind;
    m_zoom = 1;
    m_canvas->setSource(source);
    connect(source, &DocumentPageSource::loaded, this, [this] {
        m_loaded = true;
        relayout();
        verticalScrollBar()->setValue(0);
        emit documentLoaded();
    });
    connect(source, &DocumentPageSource::pageSizesChanged, this, &DocumentPreview::pageSizesChanged);
    connect(source, &DocumentPageSource::failed, this,
            [this](int code, const QString& text) { emit documentFailed(*fail(code, text)); });
    relayout();
}

int DocumentPreview::pageCount() const {
    return m_loaded && m_source ? m_source->pageCount() : 0;
}

void DocumentPreview::setZoom(qreal zoom) {
    zoom = qBound(kMinimumZoom, zoom, kMaximumZoom);
    if (qFuzzyCompare(zoom, m_zoom))
        return;
    // Keep the middle of what is seen in the middle.
    const QPointF centre(
        (horizontalScrollBar()->value() + viewport()->width() / 2.0) / qMax(1, m_canvas->width()),
        (verticalScrollBar()->value() + viewport()->height() / 2.0) / qMax(1, m_canvas->height()));
    m_zoom = zoom;
    relayout();
    horizontalScrollBar()->setValue(qRound(centre.x() * m_canvas->width() - viewport()->width() / 2.0));
    verticalScrollBar()->setValue(qRound(centre.y() * m_canvas->height() - viewport()->height() / 2.0));
    emit zoomChanged(m_zoom);
}

void DocumentPreview::relayout() {
    if (m_loaded)
        m_canvas->layoutPages(viewport()->width(), m_zoom);
    else
        m_canvas->resize(0, 0);
    updateVisibleArea();
}

void DocumentPreview::pageSizesChanged() {
    const int top = verticalScrollBar()->value();
    const int page = m_canvas->pagesIn(QRect(0, top, qMax(1, m_canvas->width()), 1)).first;
    const QRect before = m_canvas->pageRect(page);
    const qreal into = before.height() > 0 ? qreal(top - before.top()) / before.height() : 0;
    relayout();
    const QRect after = m_canvas->pageRect(page);
    if (after != before)
        verticalScrollBar()->setValue(after.top() + qRound(into * after.height()));
}

void DocumentPreview::updateVisibleArea() {
    m_canvas->setVisibleArea(QRect(m_canvas->mapFrom(viewport(), QPoint(0, 0)), viewport()->size()));
}

void DocumentPreview::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    relayout();
}

void DocumentPreview::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QScrollArea::wheelEvent(event);
        return;
    }
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0)
        setZoom(m_zoom * std::pow(kZoomStep, steps));
    event->accept();
}

void DocumentPreview::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QScrollArea::mousePressEvent(event);
        return;
    }
    m_pressPoint = event->position().toPoint();
    m_pressScroll = QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    event->accept();
}

// A drag moves the pages with the pointer, as a finger would.
void DocumentPreview::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) {
        QScrollArea::mouseMoveEvent(event);
        return;
    }
    const QPoint moved = event->position().toPoint() - m_pressPoint;
    horizontalScrollBar()->setValue(m_pressScroll.x() - moved.x());
    verticalScrollBar()->setValue(m_pressScroll.y() - moved.y());
    event->accept();
}

void DocumentPreview::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        event->accept();
    else
        QScrollArea::mouseReleaseEvent(event);
}

void DocumentPreview::mouseDoubleClickEvent(QMouseEvent* event) {
    setZoom(m_zoom > 1 ? 1 : 2);
    event->accept();
}

} // namespace pelnix::platform::ui
