#pragma once

#include "DocumentPageSource.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QWidget>

namespace pelnix::platform::ui {

// The pages of a previewed document, stacked top to bottom and fitted to a width times the zoom.
// Pages near the part in view are asked of the source as they come near, at the size they are shown
// (at most kMaxPagePixels: larger, they are drawn at that and scaled), and let go once they are more
// than a view's height away, so memory follows the view, not the document. A page that cannot be
// drawn shows a placeholder; the source's leading note, when it has one, stands above the first page.
//
// Page sizes arrive in runs while the first pages show. The layout keeps, per page whose size has
// arrived, the sum of the height-to-width ratios of the pages before it, and takes the pages still
// to come at the last size: a run costs what it holds, and a page's place at any width is a sum away,
// however many pages there are.
//
// Every page is as wide as the width asks and at most kMaxPageRatio times as tall: one page of absurd
// proportions (0.0001 x 14,400 points) would otherwise claim the tallest widget and leave every page
// a pixel wide. Such a page shows its top part, drawn at its own proportions.
class DocumentPageCanvas : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPageGap = 8;
    static constexpr qint64 kMaxPagePixels = 8 * 1024 * 1024;
    // Far past a receipt or a web page printed as one page; such a page at 4 times in a 4K-wide view
    // takes a seventeenth of the tallest widget.
    static constexpr double kMaxPageRatio = 64;
    // Shown once, in the middle of the part of the page in view.
    static inline const QString kPlaceholderText = QStringLiteral("This page cannot be shown.");

    explicit DocumentPageCanvas(QWidget* parent = nullptr);

    // The pages of `source` (not owned), laid out on the next layoutPages().
    void setSource(DocumentPageSource* source);
    void clear();
    // Lays the pages out for the given width and zoom (1: each page as wide as the width).
    void layoutPages(int width, qreal zoom);
    QRect pageRect(int page) const;
    // The pages laid out: all of the source's, unless not even pages a pixel wide would fit.
    int pageCount() const { return m_count; }
    QString note() const { return m_note; }
    QRect noteRect() const { return m_noteRect; }
    // The part of the canvas in view, in its own coordinates.
    void setVisibleArea(const QRect& area);
    QRect visibleArea() const { return m_visible; }
    // The first page and one past the last page that `area` meets.
    std::pair<int, int> pagesIn(const QRect& area) const;
    // The pixel size the page is drawn at.
    QSize pagePixels(int page) const;
    // The page asked of the source: at pagePixels(), and only its top part when it is taller than
    // laid out.
    DocumentPageSource::Request pageRequest(int page) const;
    QImage pageImage(int page) const { return m_drawn.value(page); }
    QList<int> keptPages() const { return m_drawn.keys(); }
    bool isPageFailed(int page) const { return m_failed.contains(page); }
    // Every page in view is drawn at its size, or failed.
    bool isSettled() const;

signals:
    // The pages in view became settled.
    void settled();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void pageRendered(int page, const QImage& image);
    void pageFailed(int page);
    std::pair<int, int> keptRange() const;
    // Lets go of the pages far from view and asks for those near it.
    void refresh();
    // Takes in the sizes that arrived since the last layout.
    void takeNewSizes();
    // The sum of the height-to-width ratios of the pages before `page`.
    double ratiosBefore(int page) const;
    // The top of `page`; of the canvas's bottom edge for one past the last page.
    qint64 pageTop(int page, int pageWidth) const;

    QPointer<DocumentPageSource> m_source;
    // ratiosBefore() of every page up to the last whose own size has arrived, and of the one after it.
    QList<double> m_ratioSums;
    // The ratio of each page whose size has not arrived.
    double m_laterRatio = 0;
    int m_count = 0;
    int m_pageWidth = 1;
    // The top of the first page.
    int m_pagesTop = kPageGap;
    QString m_note;
    QRect m_noteRect;
    QRect m_visible;
    QHash<int, QImage> m_drawn;
    QSet<int> m_failed;
};

} // namespace pelnix::platform::ui
