#pragma once

namespace pelnix {

class PLCircularProgressView;

// Told when a progress animation of the ring starts and stops. Both calls are optional.
class PLCircularProgressViewDelegate {
public:
    virtual ~PLCircularProgressViewDelegate() = default;
    virtual void progressAnimationDidStart(PLCircularProgressView* view) { (void)view; }
    virtual void progressAnimationDidStop(PLCircularProgressView* view, bool finished) {
        (void)view;
        (void)finished;
    }
};

} // namespace pelnix
