#pragma once

#include <QImage>
#include <QWidget>

namespace pelnix {

// A small picture in a chat cell (an avatar, the unread dot): drawn from a copy made once for the
// view's size and the screen's pixels, cut to a circle when asked, so that the many paints of a
// scrolling list draw it without scaling or clipping it again.
class PLCellImageView : public QWidget {
    Q_OBJECT
public:
    explicit PLCellImageView(QWidget* parent = nullptr);

    QImage image() const { return m_image; }
    void setImage(const QImage& image);
    bool isRound() const { return m_round; }
    void setRound(bool round);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage m_image;
    QImage m_drawn;
    bool m_round = false;
};

} // namespace pelnix
