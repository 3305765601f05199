#pragma once

#include <QColor>
#include <QWidget>

namespace pelnix {

// A hairline: once set up, the background colour given before becomes a border half a device pixel
// wide, and the background is cleared. Without a background colour it draws nothing.
class PLThinSeperatorImageView : public QWidget {
    Q_OBJECT
public:
    explicit PLThinSeperatorImageView(QWidget* parent = nullptr);

    QColor backgroundColor() const { return m_background; }
    void setBackgroundColor(const QColor& color);
    void awakeFromNib();
    QColor borderColor() const { return m_borderColor; }
    qreal borderWidth() const { return m_borderWidth; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_background;
    QColor m_borderColor;
    qreal m_borderWidth = 0;
};

} // namespace pelnix
