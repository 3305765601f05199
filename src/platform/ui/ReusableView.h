#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace pelnix::platform::ui {

// A row view that a list recycles: cells and headers carry the identifier under which they return to
// the list's reuse pool. Subclasses reset their content in prepareForReuse().
class ReusableView : public QWidget {
    Q_OBJECT
public:
    explicit ReusableView(const QString& reuseIdentifier = {}, QWidget* parent = nullptr);

    QString reuseIdentifier() const { return m_reuseIdentifier; }
    void setReuseIdentifier(const QString& identifier) { m_reuseIdentifier = identifier; }
    virtual void prepareForReuse() {}

    // For a view whose hiding and showing cost more than its painting (a browser page is told of each,
    // across processes): while the list moves, the view waits in the reuse pool shown but out of sight
    // and disabled, and is hidden only once the list has rested (RowListView), so that a row reused a
    // moment later costs no hide and show.
    bool staysShownInPool() const { return m_staysShownInPool; }
    void setStaysShownInPool(bool stays) { m_staysShownInPool = stays; }

    bool isSelected() const { return m_selected; }
    virtual void setSelected(bool selected, bool animated = false);
    bool isHighlighted() const { return m_highlighted; }
    virtual void setHighlighted(bool highlighted);

    QColor backgroundColor() const { return m_background; }
    void setBackgroundColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

    QString m_reuseIdentifier;
    bool m_selected = false;
    bool m_highlighted = false;
    bool m_staysShownInPool = false;
    QColor m_background = Qt::white;
};

} // namespace pelnix::platform::ui
