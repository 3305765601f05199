#include "ui/rooms/RoomsContactPicker.h"

#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenRegistry.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcRoomsContactPicker, "pelnix.ui.rooms.contactpicker", QtWarningMsg)

namespace pelnix::RoomsContactPicker {

using platform::ui::NavigationController;
using platform::ui::ViewController;

bool present(ViewController* presenter, const QVariantList& added, bool addMore) {
    if (!presenter)
        return false;
    ViewController* picker = platform::ui::ScreenRegistry::shared()->instantiate(
        QStringLiteral("Home"), QStringLiteral("PLContactsNavigationController"));
    if (!picker) {
        qCWarning(lcRoomsContactPicker) << "the contact picker is not available";
        return false;
    }
    ViewController* top = picker;
    if (auto* nav = qobject_cast<NavigationController*>(picker))
        top = nav->topViewController() ? nav->topViewController() : picker;
    if (!QMetaObject::invokeMethod(top, "configureWithAddedContacts", Qt::DirectConnection,
                                   Q_ARG(QVariantList, added), Q_ARG(QObject*, presenter),
                                   Q_ARG(bool, addMore)))
        qCDebug(lcRoomsContactPicker) << "the contact picker takes no configuration";
    presenter->presentViewController(picker, true);
    return true;
}

} // namespace pelnix::RoomsContactPicker
