#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

namespace pelnix::platform::ui {

class Button;
class ScrollView;

// Pages side by side under a strip of tabs: a tab shows its page, a drag or fling of the pages settles
// on the neighbouring page, and the strip's marker follows the pages as they move. The page view owns
// its pages.
class PageView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTabStripHeight = 44;
    static constexpr int kMarkerHeight = 3;

    explicit PageView(QWidget* parent = nullptr);

    void addPage(const QString& title, QWidget* page);
    int count() const { return int(m_pages.size()); }
    QWidget* page(int index) const;
    Button* tab(int index) const;
    int currentIndex() const { return m_current; }
    void setCurrentIndex(int index, bool animated = false);
    QWidget* tabStrip() const { return m_strip; }
    QWidget* marker() const { return m_marker; }
    ScrollView* pagesView() const { return m_pagesView; }

    QColor tintColor() const { return m_tint; }
    void setTintColor(const QColor& color);

signals:
    void currentIndexChanged(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layOutPages();
    void placeMarker();
    void settled();
    void styleTabs();

    QWidget* m_strip = nullptr;
    QWidget* m_marker = nullptr;
    ScrollView* m_pagesView = nullptr;
    QWidget* m_content = nullptr;
    QList<QPointer<QWidget>> m_pages;
    QList<Button*> m_tabs;
    int m_current = -1;
    QColor m_tint{0, 134, 202};
};

} // namespace pelnix::platform::ui
