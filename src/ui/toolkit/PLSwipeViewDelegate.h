#pragma once

namespace pelnix {

// Told when the swipe container's selection changes.
class PLSwipeViewDelegate {
public:
    virtual ~PLSwipeViewDelegate() = default;
    virtual void resetSearchBar(bool reset) { (void)reset; }
};

} // namespace pelnix
