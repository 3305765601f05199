#pragma once

namespace pelnix {

class PLChatWindowScrollToBottomOrTopView;

// Told which of the two floating buttons was tapped: 0 the top one, 1 the bottom one.
class PLChatWindowScrollToBottomOrTopViewDelegate {
public:
    virtual ~PLChatWindowScrollToBottomOrTopViewDelegate() = default;
    virtual void scrollToTopOrBottomView(PLChatWindowScrollToBottomOrTopView* view, unsigned buttonType) {
        (void)view;
        (void)buttonType;
    }
};

} // namespace pelnix
