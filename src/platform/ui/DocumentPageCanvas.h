#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QSizeF>
#include <QWidget>
#include <functional>

namespace pelnix::platform::ui {

// The pages of a previewed document, stacked top to bottom and fitted to a width times the zoom.
// Pages are drawn when they come into view, at the size they are shown, and kept until the zoom
// or the document changes.
class DocumentPageCanvas : public QWidget {
    Q_OBJECT
public:
    using Renderer = std::function<QImage(int page, const QSize& pixels)>;
    static constexpr int kPageGap = 8;

    explicit DocumentPageCanvas(QWidget* parent = nullptr);

    // Page sizes in points; `render` draws one page at a pixel size.
    void setPages(const QList<QSizeF>& pageSizes, Renderer render);
    void clear();
    // Lays the pages out for the given width and zoom (1: each page as wide as the width).
    void layoutPages(int width, qreal zoom);
    QRect pageRect(int page) const;
    int pageCount() const { return int(m_pages.size()); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<QSizeF> m_pages;
    QList<QRect> m_rects;
    Renderer m_render;
    QHash<int, QImage> m_drawn;
};

} // namespace pelnix::platform::ui
