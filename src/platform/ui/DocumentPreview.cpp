#include "DocumentPreview.h"

#include "DocumentPageCanvas.h"
#include "ScrollIndicators.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeDatabase>
#include <QPainter>
#include <QPdfDocument>
#include <QScrollBar>
#include <QTextDocument>
#include <QWheelEvent>

namespace pelnix::platform::ui {

namespace {
// Text is laid out at a phone's reading width and cut into slices, each drawn like a page.
constexpr qreal kTextWidth = 360;
constexpr qreal kTextSliceHeight = 1000;
constexpr qint64 kMaxTextBytes = 8 * 1024 * 1024;
constexpr qreal kZoomStep = 1.25;
} // namespace

DocumentPreview::DocumentPreview(QWidget* parent)
    : QScrollArea(parent), m_canvas(new DocumentPageCanvas), m_pdf(new QPdfDocument(this)),
      m_text(new QTextDocument(this)), m_indicators(new ScrollIndicators(this)) {
    setWidget(m_canvas);
    setWidgetResizable(false);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setFrameShape(QFrame::NoFrame);
    setBackgroundRole(QPalette::Dark);
}

std::optional<PLError> DocumentPreview::fail(int code, const QString& text) {
    m_kind = Kind::None;
    m_canvas->clear();
    return PLError(QString::fromLatin1(ErrorDomain), code, text);
}

std::optional<PLError> DocumentPreview::showDocument(const QUrl& fileURL) {
    m_url = fileURL;
    m_pdf->close();
    m_image = {};
    m_text->clear();
    const QString path = fileURL.toLocalFile();
    if (!fileURL.isLocalFile() || !QFileInfo(path).isFile())
        return fail(NotFoundError, QStringLiteral("The document does not exist."));

    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    if (type.inherits(QStringLiteral("application/pdf"))) {
        if (m_pdf->load(path) != QPdfDocument::Error::None || m_pdf->pageCount() == 0)
            return fail(DamagedError, QStringLiteral("The PDF document cannot be read."));
        QList<QSizeF> sizes;
        for (int page = 0; page < m_pdf->pageCount(); ++page)
            sizes << m_pdf->pagePointSize(page);
        m_kind = Kind::PDF;
        m_canvas->setPages(sizes,
                           [this](int page, const QSize& pixels) { return m_pdf->render(page, pixels); });
    } else if (QImageReader reader(path); reader.canRead()) {
        m_image = reader.read();
        if (m_image.isNull())
            return fail(DamagedError, QStringLiteral("The picture cannot be read."));
        m_kind = Kind::Image;
        m_canvas->setPages({QSizeF(m_image.size())}, [this](int, const QSize& pixels) {
            return m_image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        });
    } else if (type.inherits(QStringLiteral("text/plain"))) {
        QFile file(path);
        if (file.size() > kMaxTextBytes || !file.open(QIODevice::ReadOnly))
            return fail(UnsupportedFormatError, QStringLiteral("The text is too large to preview."));
        m_text->setPlainText(QString::fromUtf8(file.readAll()));
        m_text->setTextWidth(kTextWidth);
        const qreal height = m_text->size().height();
        QList<QSizeF> slices;
        for (qreal top = 0; top < height; top += kTextSliceHeight)
            slices << QSizeF(kTextWidth, qMin(kTextSliceHeight, height - top));
        m_kind = Kind::Text;
        m_canvas->setPages(slices, [this](int slice, const QSize& pixels) {
            QImage image(pixels, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            painter.scale(pixels.width() / kTextWidth, pixels.width() / kTextWidth);
            painter.translate(0, -slice * kTextSliceHeight);
            QAbstractTextDocumentLayout::PaintContext context;
            context.clip = QRectF(0, slice * kTextSliceHeight, kTextWidth, kTextSliceHeight);
            m_text->documentLayout()->draw(&painter, context);
            return image;
        });
    } else {
        return fail(UnsupportedFormatError, QStringLiteral("This kind of document cannot be previewed."));
    }
    m_zoom = 1;
    relayout();
    verticalScrollBar()->setValue(0);
    return std::nullopt;
}

int DocumentPreview::pageCount() const {
    return m_kind == Kind::PDF ? m_pdf->pageCount() : m_canvas->pageCount();
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
    m_canvas->layoutPages(viewport()->width(), m_zoom);
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
