#include "ScrollViewAdditions.h"

#include "platform/ui/ScrollView.h"

namespace pelnix::ScrollViewAdditions {

Metrics metrics(const platform::ui::ScrollView* view) {
    if (!view)
        return {};
    return Metrics{double(view->height()), double(view->contentInset().top()),
                   double(view->contentInset().bottom()), view->contentOffset().y(),
                   view->contentSize().height()};
}

double verticalOffsetForTop(const Metrics& m) {
    return -m.insetTop;
}

double verticalOffsetForBottom(const Metrics& m) {
    return m.contentHeight - (m.frameHeight + m.insetTop + m.insetBottom);
}

bool isAtTop(const Metrics& m) {
    return verticalOffsetForTop(m) >= m.offset;
}

bool isAtBottom(const Metrics& m) {
    return m.offset >= verticalOffsetForBottom(m);
}

bool isNearToBottom(const Metrics& m) {
    return m.offset >= m.contentHeight - (m.frameHeight + m.insetTop - m.insetBottom);
}

} // namespace pelnix::ScrollViewAdditions
