#pragma once

#include "platform/ui/ZoomingScrollView.h"

namespace pelnix {

// A zooming scroll view that keeps content smaller than its content area in that area's middle, so a
// picture zoomed out below its fitted size stays centred.
class PLCenteringZoomView : public platform::ui::ZoomingScrollView {
    Q_OBJECT
public:
    using ZoomingScrollView::ZoomingScrollView;

protected:
    void layoutContent() override;
};

} // namespace pelnix
