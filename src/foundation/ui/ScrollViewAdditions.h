#pragma once

namespace pelnix {
namespace platform::ui {
class ScrollView;
}

// Scroll-position tests. `isNearToBottom` counts the bottom inset in the other direction than
// `verticalOffsetForBottom`, on purpose: the screens rely on that slack.
namespace ScrollViewAdditions {

struct Metrics {
    double frameHeight = 0;
    double insetTop = 0;
    double insetBottom = 0;
    double offset = 0;
    double contentHeight = 0;
};

Metrics metrics(const platform::ui::ScrollView* view);
double verticalOffsetForTop(const Metrics& m);
double verticalOffsetForBottom(const Metrics& m);
bool isAtTop(const Metrics& m);
bool isAtBottom(const Metrics& m);
bool isNearToBottom(const Metrics& m);

} // namespace ScrollViewAdditions
} // namespace pelnix
