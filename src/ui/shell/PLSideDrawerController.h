#pragma once

namespace pelnix {

class PLSideDrawerDelegate;

// What the root container needs of the host's side drawer screen (registered in "Home" as
// "PLSideDrawerTableViewController"): a delegate to report choices to, and word when it is about to
// show or hide. Its rows and options are the host's.
class PLSideDrawerController {
public:
    virtual ~PLSideDrawerController() = default;
    virtual void setDelegate(PLSideDrawerDelegate* delegate) = 0;
    virtual void sideDrawerWillAppear() {}
    virtual void sideDrawerWillDisappear() {}
};

} // namespace pelnix
