#pragma once

#include <QImage>
#include <QWidget>

namespace pelnix {

// An image drawn turned by the view's rotation (the angle a spin of RotationAnimation drives).
class PLRotatingImageView : public QWidget {
    Q_OBJECT
public:
    explicit PLRotatingImageView(QWidget* parent = nullptr);

    QImage image() const { return m_image; }
    void setImage(const QImage& image);
    qreal rotation() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
};

} // namespace pelnix
