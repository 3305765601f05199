#pragma once

#include "platform/ui/ImageView.h"

namespace pelnix {

// An image view made round when set up: corner radius half its width at that moment (round only when
// square; later size changes keep the radius), on a white backdrop at 20 % behind missing pictures.
class PLRoundImageView : public platform::ui::ImageView {
    Q_OBJECT
public:
    explicit PLRoundImageView(QWidget* parent = nullptr);
    void awakeFromNib();
    qreal cornerRadius() const { return m_radius; }

private:
    qreal m_radius = 0;
};

} // namespace pelnix
