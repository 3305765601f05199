#pragma once

#include "platform/ui/Label.h"

namespace pelnix {

// A count in a round badge: the label clipped to a circle of half its width with a thin border of
// "679CB0".
class PLRoundedCountLabel : public platform::ui::Label {
    Q_OBJECT
public:
    explicit PLRoundedCountLabel(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace pelnix
