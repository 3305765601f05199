#pragma once

namespace pelnix {

// Asked for older messages by the list's header.
class PLLoadMoreMessagesViewDelegate {
public:
    virtual ~PLLoadMoreMessagesViewDelegate() = default;
    virtual void loadMoreMessagesButtonClicked() = 0;
};

} // namespace pelnix
