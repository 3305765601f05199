#pragma once

#include <QColor>
#include <QWidget>

class QPainter;
class QVariantAnimation;

namespace pelnix::platform::ui {

// An activity indicator: twelve fading spokes that turn while animating.
class Spinner : public QWidget {
    Q_OBJECT
public:
    explicit Spinner(QWidget* parent = nullptr);

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return m_animating; }
    void setHidesWhenStopped(bool hides);
    void setColor(const QColor& color);
    QSize sizeHint() const override { return {36, 36}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void drawSpokes(QPainter& painter) const;

    QVariantAnimation* m_animation = nullptr;
    QColor m_color{110, 110, 110};
    int m_step = 0;
    bool m_animating = false;
    bool m_hidesWhenStopped = true;
};

} // namespace pelnix::platform::ui
