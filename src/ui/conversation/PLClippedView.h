#pragma once

#include <QColor>
#include <QWidget>

namespace pelnix {

// An upward-pointing triangle filling its bounds: the notch that joins the expanded list of names to
// its event.
class PLClippedView : public QWidget {
    Q_OBJECT
public:
    explicit PLClippedView(QWidget* parent = nullptr);
    void setFillColor(const QColor& color);
    QPolygonF trianglePath() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill;
};

} // namespace pelnix
