#pragma once

#include "platform/PLError.h"

#include <QScrollArea>
#include <QUrl>
#include <optional>

class QPdfDocument;
class QTextDocument;

namespace pelnix::platform::ui {

class DocumentPageCanvas;
class ScrollIndicators;

// A zoomable preview of a local document: PDF pages, a picture, or plain text. Zoom 1 fits the
// width; a double click switches between that and twice it; Ctrl and the wheel zoom in steps. The wheel
// or a drag scrolls, with thin overlay indicators in place of scroll bars.
class DocumentPreview : public QScrollArea {
    Q_OBJECT
public:
    enum class Kind { None, PDF, Image, Text };
    static constexpr const char* ErrorDomain = "PLDocumentPreviewErrorDomain";
    enum ErrorCode { NotFoundError = 1, UnsupportedFormatError = 2, DamagedError = 3 };
    static constexpr qreal kMinimumZoom = 0.5;
    static constexpr qreal kMaximumZoom = 4.0;

    explicit DocumentPreview(QWidget* parent = nullptr);

    // Shows the file in place of what was shown; on an error the preview is left empty.
    std::optional<PLError> showDocument(const QUrl& fileURL);
    QUrl documentURL() const { return m_url; }
    Kind kind() const { return m_kind; }
    int pageCount() const;
    qreal zoom() const { return m_zoom; }
    void setZoom(qreal zoom);
    DocumentPageCanvas* canvas() const { return m_canvas; }
    ScrollIndicators* scrollIndicators() const { return m_indicators; }

signals:
    void zoomChanged(qreal zoom);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::optional<PLError> fail(int code, const QString& text);
    void relayout();

    QUrl m_url;
    Kind m_kind = Kind::None;
    qreal m_zoom = 1;
    DocumentPageCanvas* m_canvas;
    QPdfDocument* m_pdf;
    QTextDocument* m_text;
    QImage m_image;
    ScrollIndicators* m_indicators;
    QPoint m_pressPoint;
    QPoint m_pressScroll;
};

} // namespace pelnix::platform::ui
