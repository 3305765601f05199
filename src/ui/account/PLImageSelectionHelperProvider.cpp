#include "ui/account/PLImageSelectionHelperProvider.h"

#include "platform/ui/ViewController.h"
#include "ui/account/PLImageSelectionHelper.h"

namespace pelnix {

void PLImageSelectionHelperProvider::showImageSelectionOptions(platform::ui::ViewController* parent,
                                                               const Request& request, Handler handler) {
    auto* helper = new PLImageSelectionHelper(parent);
    helper->setShouldUseFrontCamera(request.useFrontCamera);
    helper->setShouldShowResetImage(request.offerRemoval);
    QObject::connect(helper, &PLImageSelectionHelper::finished, helper, &QObject::deleteLater);
    helper->showImageSelectionOptionsInViewOfViewController(parent, std::move(handler));
}

} // namespace pelnix
