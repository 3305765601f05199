#include "ui/account/PLBaseViewController.h"

namespace pelnix {

PLBaseViewController::PLBaseViewController(QObject* parent) : ViewController(parent) {}

PLBaseViewController::~PLBaseViewController() = default;

void PLBaseViewController::viewDidAppear(bool animated) {
    ViewController::viewDidAppear(animated);
    m_arming.screenDidAppear();
}

void PLBaseViewController::viewWillDisappear(bool animated) {
    ViewController::viewWillDisappear(animated);
    m_arming.screenWillDisappear();
}

} // namespace pelnix
