#pragma once

#include "ui/account/PLImageSelectionProvider.h"

namespace pelnix {

// The library's own picture selection: one PLImageSelectionHelper per request, let go when its
// showing ends (also when the user cancels) or with the screen that asked.
class PLImageSelectionHelperProvider : public PLImageSelectionProvider {
public:
    void showImageSelectionOptions(platform::ui::ViewController* parent, const Request& request,
                                   Handler handler) override;
};

} // namespace pelnix
