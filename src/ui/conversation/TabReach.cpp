#include "ui/conversation/TabReach.h"
#include "platform/ui/WindowFocus.h"

#include <QPointer>
#include <QVariant>
#include <QWidget>

namespace pelnix::TabReach {

namespace {

// The policy a control had before it left sight, kept on the control itself.
constexpr char kPolicyInSight[] = "pelnixTabPolicyInSight";
constexpr char kKeysHeir[] = "pelnixKeysHeir";

bool takesTab(const QWidget* widget) {
    return (widget->focusPolicy() & Qt::TabFocus) && widget->isVisible() && widget->isEnabled();
}

QWidget* heirOf(QWidget* control) {
    for (QWidget* around = control->parentWidget(); around; around = around->parentWidget()) {
        const auto heir = around->property(kKeysHeir).value<QPointer<QWidget>>();
        if (heir && takesTab(heir))
            return heir;
    }
    for (QWidget* around = control->parentWidget(); around && !around->isWindow();
         around = around->parentWidget())
        if (takesTab(around))
            return around;
    for (QWidget* next = control->nextInFocusChain(); next && next != control;
         next = next->nextInFocusChain())
        if (next->window() == control->window() && !control->isAncestorOf(next) && takesTab(next))
            return next;
    return nullptr;
}

} // namespace

void setInSight(QWidget* control, bool inSight) {
    if (!control)
        return;
    const QVariant kept = control->property(kPolicyInSight);
    if (inSight) {
        if (kept.isValid()) {
            control->setFocusPolicy(Qt::FocusPolicy(kept.toInt()));
            control->setProperty(kPolicyInSight, QVariant());
        }
        return;
    }
    if (!kept.isValid()) {
        control->setProperty(kPolicyInSight, int(control->focusPolicy()));
        control->setFocusPolicy(Qt::NoFocus);
    }
    if (control->hasFocus()) {
        if (QWidget* heir = heirOf(control))
            heir->setFocus(Qt::OtherFocusReason);
        else
            platform::ui::WindowFocus::leaveKeysToPage(control);
    }
}

void setKeysHeir(QWidget* container, QWidget* heir) {
    if (container)
        container->setProperty(kKeysHeir, QVariant::fromValue(QPointer<QWidget>(heir)));
}

} // namespace pelnix::TabReach
