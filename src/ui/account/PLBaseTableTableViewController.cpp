#include "ui/account/PLBaseTableTableViewController.h"

#include "platform/ui/TableView.h"

namespace pelnix {

PLBaseTableTableViewController::PLBaseTableTableViewController(QObject* parent) : ViewController(parent) {}

PLBaseTableTableViewController::~PLBaseTableTableViewController() = default;

platform::ui::TableView* PLBaseTableTableViewController::tableView() {
    return qobject_cast<platform::ui::TableView*>(view());
}

QWidget* PLBaseTableTableViewController::loadView() {
    return new platform::ui::TableView;
}

void PLBaseTableTableViewController::viewDidAppear(bool animated) {
    ViewController::viewDidAppear(animated);
    m_arming.screenDidAppear();
}

void PLBaseTableTableViewController::viewWillDisappear(bool animated) {
    ViewController::viewWillDisappear(animated);
    m_arming.screenWillDisappear();
}

} // namespace pelnix
