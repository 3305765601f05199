#pragma once

#include <QColor>
#include <QWidget>
#include <functional>

namespace pelnix {

// One PIN dot: a 1.5-point ring that fills while its digit is entered.
class PLPinSelectionView : public QWidget {
    Q_OBJECT
public:
    explicit PLPinSelectionView(QWidget* parent = nullptr);

    QColor selectedColor() const { return m_selectedColor; }
    void setSelectedColor(const QColor& color);
    bool isSelected() const { return m_fill > 0.5; }
    // Opacity of the fill, 0 to 1.
    qreal fillAlpha() const { return m_fill; }
    void setSelected(bool selected, bool animated, std::function<void(bool)> completion = {});

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_selectedColor = Qt::white;
    qreal m_fill = 0;
};

} // namespace pelnix
