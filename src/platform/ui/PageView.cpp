#include "PageView.h"

#include "Button.h"
#include "LibraryFont.h"
#include "ScrollView.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <cmath>

namespace pelnix::platform::ui {

namespace {
// A plain coloured bar: the marker under the current tab.
class Marker : public QWidget {
public:
    explicit Marker(QWidget* parent) : QWidget(parent) {}
    QColor color;

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), color); }
};
} // namespace

PageView::PageView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pageView"));
    m_strip = new QWidget(this);
    m_strip->setObjectName(QStringLiteral("tabStrip"));
    m_strip->setAutoFillBackground(true);
    QPalette palette = m_strip->palette();
    palette.setColor(QPalette::Window, Qt::white);
    m_strip->setPalette(palette);
    auto* row = new QHBoxLayout(m_strip);
    row->setContentsMargins(0, 0, 0, kMarkerHeight);
    row->setSpacing(0);
    auto* marker = new Marker(m_strip);
    marker->color = m_tint;
    m_marker = marker;
    m_marker->setObjectName(QStringLiteral("tabMarker"));

    m_pagesView = new ScrollView(this);
    m_pagesView->setObjectName(QStringLiteral("pages"));
    m_pagesView->setPagingEnabled(true);
    // The tab marker already shows where the pages stand.
    m_pagesView->setShowsHorizontalScrollIndicator(false);
    m_content = new QWidget;
    m_pagesView->setContentWidget(m_content);
    // Pages follow the viewport's own size, which settles after the page view's.
    m_pagesView->viewport()->installEventFilter(this);
    connect(m_pagesView, &ScrollView::didScroll, this, &PageView::placeMarker);
    connect(m_pagesView, &ScrollView::didEndDecelerating, this, &PageView::settled);
    connect(m_pagesView, &ScrollView::didEndDragging, this, [this](bool willDecelerate) {
        if (!willDecelerate)
            settled();
    });
}

QWidget* PageView::page(int index) const {
    return index >= 0 && index < count() ? m_pages[index].data() : nullptr;
}

Button* PageView::tab(int index) const {
    return index >= 0 && index < m_tabs.size() ? m_tabs[index] : nullptr;
}

void PageView::addPage(const QString& title, QWidget* page) {
    if (!page)
        return;
    page->setParent(m_content);
    page->show();
    m_pages << page;
    auto* tab = new Button(m_strip);
    tab->setTitle(title);
    // In the library's face, never the host program's.
    tab->setTitleFont(libraryFont(15));
    tab->setFocusPolicy(Qt::NoFocus);
    const int index = int(m_tabs.size());
    connect(tab, &Button::clicked, this, [this, index] { setCurrentIndex(index, true); });
    static_cast<QHBoxLayout*>(m_strip->layout())->addWidget(tab, 1);
    m_tabs << tab;
    if (m_current < 0)
        m_current = 0;
    styleTabs();
    layOutPages();
}

void PageView::setTintColor(const QColor& color) {
    m_tint = color;
    static_cast<Marker*>(m_marker)->color = color;
    m_marker->update();
    styleTabs();
}

void PageView::setCurrentIndex(int index, bool animated) {
    if (index < 0 || index >= count())
        return;
    const int width = m_pagesView->viewport()->width();
    m_pagesView->setContentOffset(QPointF(index * width, 0), animated);
    if (index == m_current)
        return;
    m_current = index;
    styleTabs();
    emit currentIndexChanged(index);
}

void PageView::settled() {
    const int width = qMax(1, m_pagesView->viewport()->width());
    const int index =
        qBound(0, int(std::lround(m_pagesView->contentOffset().x() / width)), qMax(0, count() - 1));
    if (index == m_current || count() == 0)
        return;
    m_current = index;
    styleTabs();
    emit currentIndexChanged(index);
}

void PageView::styleTabs() {
    for (int i = 0; i < m_tabs.size(); ++i)
        m_tabs[i]->setTitleColor(i == m_current ? m_tint : QColor(120, 120, 120));
}

void PageView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_strip->setGeometry(0, 0, width(), kTabStripHeight);
    m_pagesView->setGeometry(0, kTabStripHeight, width(), qMax(0, height() - kTabStripHeight));
}

bool PageView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pagesView->viewport() && event->type() == QEvent::Resize)
        layOutPages();
    return QWidget::eventFilter(watched, event);
}

void PageView::layOutPages() {
    const QSize size = m_pagesView->viewport()->size();
    for (int i = 0; i < count(); ++i)
        if (m_pages[i])
            m_pages[i]->setGeometry(i * size.width(), 0, size.width(), size.height());
    m_content->resize(size.width() * qMax(1, count()), size.height());
    m_pagesView->setContentSize(QSizeF(m_content->size()));
    m_pagesView->setContentOffset(QPointF(qMax(0, m_current) * size.width(), 0));
    placeMarker();
}

void PageView::placeMarker() {
    if (count() == 0) {
        m_marker->hide();
        return;
    }
    // The marker slides with the pages: a page's width of scrolling moves it one tab.
    const qreal tabWidth = qreal(width()) / count();
    const qreal pageWidth = qMax(1, m_pagesView->viewport()->width());
    const qreal x = m_pagesView->contentOffset().x() / pageWidth * tabWidth;
    m_marker->setGeometry(qRound(x), kTabStripHeight - kMarkerHeight, qRound(tabWidth), kMarkerHeight);
    m_marker->show();
    m_marker->raise();
}

} // namespace pelnix::platform::ui
