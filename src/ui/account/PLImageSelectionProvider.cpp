#include "ui/account/PLImageSelectionProvider.h"

#include "platform/MainThread.h"
#include "ui/account/AccountUi.h"

namespace pelnix {

namespace {
std::unique_ptr<PLImageSelectionProvider>& slot() {
    static std::unique_ptr<PLImageSelectionProvider> provider;
    return provider;
}
} // namespace

PLImageSelectionProvider* PLImageSelectionProvider::current() {
    Q_ASSERT(platform::isMainThread());
    return slot().get();
}

void PLImageSelectionProvider::setCurrent(std::unique_ptr<PLImageSelectionProvider> provider) {
    Q_ASSERT(platform::isMainThread());
    slot() = std::move(provider);
}

void PLImageSelectionProvider::askForPicture(platform::ui::ViewController* parent, const Request& request,
                                             Handler handler, bool* available) {
    PLImageSelectionProvider* provider = current();
    if (available)
        *available = provider;
    if (provider) {
        provider->showImageSelectionOptions(parent, request, std::move(handler));
        return;
    }
    qCInfo(lcAccountScreens) << "No image selection is installed";
    AccountUi::showOkAlert(parent, AccountUi::localized("Alert"),
                           AccountUi::localized("Choosing a picture is not available."));
}

} // namespace pelnix
