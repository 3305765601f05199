#pragma once

#include "platform/PLError.h"

#include <QScrollArea>
#include <QUrl>
#include <optional>

namespace pelnix::platform::ui {

class DocumentPageCanvas;
class DocumentPageSource;
class ScrollIndicators;

// A zoomable preview of a local document: PDF pages, a picture, or plain text. Zoom 1 fits the
// width; a double click switches between that and twice it; Ctrl and the wheel zoom in steps. The wheel
// or a drag scrolls, with thin overlay indicators in place of scroll bars.
//
// Nothing of the document is read on the main thread: PDF pages are opened and drawn in a worker
// process with a time bound per page (PdfPageSource), pictures and text on the thread pool. The
// document loads after showDocument() returns (documentLoaded, or documentFailed with the error).
class DocumentPreview : public QScrollArea {
    Q_OBJECT
public:
    enum class Kind { None, PDF, Image, Text };
    static constexpr const char* ErrorDomain = "PLDocumentPreviewErrorDomain";
    enum ErrorCode { NotFoundError = 1, UnsupportedFormatError = 2, DamagedError = 3 };
    static constexpr qreal kMinimumZoom = 0.5;
    static constexpr qreal kMaximumZoom = 4.0;
    // The size of the library's face that text pages are set in (on a page laid out 360 pixels wide and
    // scaled with it) and the notes drawn, unless the preview is given a font of its own.
    static constexpr int kTextPixelSize = 15;

    explicit DocumentPreview(QWidget* parent = nullptr);

    // Shows the file in place of what was shown; on an error, now or later, the preview is left empty.
    std::optional<PLError> showDocument(const QUrl& fileURL);
    QUrl documentURL() const { return m_url; }
    Kind kind() const { return m_kind; }
    // 0 until the document has loaded.
    int pageCount() const;
    bool isLoaded() const { return m_loaded; }
    // Where the pages come from; none while nothing is shown.
    DocumentPageSource* source() const { return m_source; }
    // The time a PDF page may take to draw before it shows a placeholder; for documents shown later.
    int pageTimeBound() const { return m_pageTimeBoundMs; }
    void setPageTimeBound(int ms) { m_pageTimeBoundMs = ms; }
    qreal zoom() const { return m_zoom; }
    void setZoom(qreal zoom);
    DocumentPageCanvas* canvas() const { return m_canvas; }
    ScrollIndicators* scrollIndicators() const { return m_indicators; }

signals:
    void zoomChanged(qreal zoom);
    void documentLoaded();
    void documentFailed(const PLError& error);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::optional<PLError> fail(int code, const QString& text);
    void showSource(DocumentPageSource* source, Kind kind);
    void relayout();
    // Lays out again as page sizes arrive, keeping the page at the top of the view where it is.
    void pageSizesChanged();
    void updateVisibleArea();

    QUrl m_url;
    Kind m_kind = Kind::None;
    bool m_loaded = false;
    qreal m_zoom = 1;
    int m_pageTimeBoundMs;
    DocumentPageCanvas* m_canvas;
    DocumentPageSource* m_source = nullptr;
    ScrollIndicators* m_indicators;
    QPoint m_pressPoint;
    QPoint m_pressScroll;
};

} // namespace pelnix::platform::ui
