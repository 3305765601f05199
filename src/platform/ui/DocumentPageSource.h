#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QSizeF>

namespace pelnix::platform::ui {

// Where a previewed document's pages come from: how many there are, their sizes, and each page
// drawn at a pixel size. Drawing happens off the main thread; results come back as signals on it.
class DocumentPageSource : public QObject {
    Q_OBJECT
public:
    struct Request {
        int page = -1;
        QSize pixels;
        // A page taller than it is laid out: its whole height at pixels' width, of which the top
        // pixels.height() rows are drawn. 0 for a page drawn whole.
        int pageHeight = 0;
        bool operator==(const Request&) const = default;
    };

    using QObject::QObject;

    // 0 until loaded().
    virtual int pageCount() const = 0;
    // In points. A page whose size has not arrived yet takes the last size that has.
    virtual QSizeF pageSize(int page) const = 0;
    // How many pages, from the first, have their own sizes; they arrive in order and stay.
    virtual int knownPageSizes() const { return pageCount(); }
    // Shown above the first page: what of the document is left out. Empty when nothing is.
    virtual QString leadingNote() const { return {}; }
    // The pages to draw, in the order given; replaces what was asked before. A page being drawn
    // goes on.
    virtual void request(const QList<Request>& pages) = 0;

signals:
    // The page count and the first sizes are known.
    void loaded();
    // The document cannot be shown: an error code and text of DocumentPreview's.
    void failed(int code, const QString& text);
    void pageSizesChanged();
    void pageRendered(int page, const QImage& image);
    // The page cannot be drawn (it passed its time bound, or its drawing failed).
    void pageFailed(int page);
};

} // namespace pelnix::platform::ui
