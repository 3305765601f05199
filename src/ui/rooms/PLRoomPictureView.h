#pragma once

#include "ui/toolkit/PLRoundImageView.h"

namespace pelnix {

// The round picture of a room row. It draws what a round image view draws, but renders the round,
// scaled picture once per picture and size and then only copies it: a list that scrolls repaints
// every picture on every frame.
class PLRoomPictureView : public PLRoundImageView {
    Q_OBJECT
public:
    explicit PLRoomPictureView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_rendered;
    qint64 m_renderedKey = 0;
    QSize m_renderedSize;
};

} // namespace pelnix
