#include "ui/account/PLHostBarButtonItems.h"

#include "core/session/PelnixInfo.h"
#include "platform/ui/BarButtonItem.h"

#include <QPointer>

namespace pelnix {

using platform::ui::BarButtonItem;

namespace {
QList<BarButtonItem*> hostItems() {
    QList<BarButtonItem*> items;
    const auto info = PelnixInfo::sharedInstance();
    if (!info)
        return items;
    for (const QVariant& value : info->leftBarButtonItems())
        if (auto* item = qobject_cast<BarButtonItem*>(value.value<QObject*>()))
            items << item;
    return items;
}
} // namespace

bool PLHostBarButtonItems::hasItems() {
    return !hostItems().isEmpty();
}

QList<BarButtonItem*> PLHostBarButtonItems::makeItems() {
    QList<BarButtonItem*> mirrors;
    for (BarButtonItem* item : hostItems()) {
        QPointer<BarButtonItem> host(item);
        const auto action = [host] {
            if (host)
                host->trigger();
        };
        BarButtonItem* mirror = nullptr;
        if (item->systemItem() != BarButtonItem::SystemItem::None)
            mirror = new BarButtonItem(item->systemItem(), action);
        else if (!item->image().isNull())
            mirror = new BarButtonItem(item->image(), action);
        else
            mirror = new BarButtonItem(item->title(), action);
        if (!item->title().isEmpty() && item->systemItem() == BarButtonItem::SystemItem::None)
            mirror->setTitle(item->title());
        mirror->setEnabled(item->isEnabled());
        mirrors << mirror;
    }
    return mirrors;
}

} // namespace pelnix
