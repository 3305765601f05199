#pragma once

namespace pelnix {

// Told when the "New Updates" button is tapped.
class PLNewUpdatesNotificationButtonDelegate {
public:
    virtual ~PLNewUpdatesNotificationButtonDelegate() = default;
    virtual void scrollToNewUpdate() = 0;
};

} // namespace pelnix
