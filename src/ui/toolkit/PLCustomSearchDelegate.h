#pragma once

namespace pelnix {

class PLCustomSearchTextField;

// What the search view tells its owner. Both calls are optional.
class PLCustomSearchDelegate {
public:
    virtual ~PLCustomSearchDelegate() = default;
    // After every edit by the user, the clear button included.
    virtual void searchTextFieldDidChange(PLCustomSearchTextField* textField) { (void)textField; }
    virtual void searchViewCancelledSearch() {}
};

} // namespace pelnix
