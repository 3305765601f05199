#include "ui/account/PLAppLockSettingCell.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Switch.h"
#include "platform/ui/Window.h"
#include "ui/account/AccountUi.h"

#include <QEvent>
#include <QStyle>

namespace pelnix {

using namespace platform::ui;

namespace {
constexpr int kLabelFadeMs = 400;

QString localized(const char* text) {
    return PLCurrentBundleInfo::localizedString(QString::fromUtf8(text));
}
} // namespace

PLAppLockSettingCell::PLAppLockSettingCell(const QString& reuseIdentifier, QWidget* parent)
    : TableViewCell(Style::Default, reuseIdentifier, parent) {
    setSelectionStyle(SelectionStyle::None);
    m_label = new Label(QString(), contentView());
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // In the settings rows' font and colour, whatever the host window's.
    m_label->setFont(AccountUi::font("DejaVuSans", 15));
    m_label->setTextColor(AccountUi::hexColor("404040"));
    m_switch = new Switch(contentView());
    m_reset = AccountUi::linkButton(localized("Reset"), contentView());
    m_reset->hide();
    connect(m_switch, &Switch::valueChanged, this, [this] { switchAppLockState(); });
    connect(m_reset, &QAbstractButton::clicked, this, [this] { resetPinClicked(); });
    layoutRow();
}

PLAppLockSettingCellDelegate* PLAppLockSettingCell::delegate() const {
    return dynamic_cast<PLAppLockSettingCellDelegate*>(m_delegate.data());
}

void PLAppLockSettingCell::resizeEvent(QResizeEvent* event) {
    TableViewCell::resizeEvent(event);
    layoutRow();
}

void PLAppLockSettingCell::changeEvent(QEvent* event) {
    TableViewCell::changeEvent(event);
    if (event->type() == QEvent::LayoutDirectionChange)
        layoutRow();
}

void PLAppLockSettingCell::layoutRow() {
    // Placed in the reading direction, mirrored whole in a right-to-left layout.
    const QRect content = contentView()->rect();
    const auto place = [this, &content](QWidget* view, const QRect& rect) {
        view->setGeometry(QStyle::visualRect(layoutDirection(), content, rect));
    };
    const QSize switchSize = m_switch->sizeHint();
    const int switchX = content.width() - 15 - switchSize.width();
    place(m_switch, QRect(switchX, (content.height() - switchSize.height()) / 2, switchSize.width(),
                          switchSize.height()));
    place(m_reset, QRect(switchX - 70, 0, 60, content.height()));
    place(m_label, QRect(15, 0, std::max(0, switchX - 85), content.height()));
}

void PLAppLockSettingCell::changeViewForAppLockState(qint64 state, bool showsAppLockMandatory) {
    if (showsAppLockMandatory) {
        m_switch->setEnabled(false);
        m_reset->show();
        m_label->setText(localized("Reset App Lock"));
        return;
    }
    m_switch->setEnabled(true);
    m_switch->setOn(state != 0, true);
    Animator::crossDissolve(m_label, kLabelFadeMs, [this, state] {
        if (state == 1) {
            m_label->setText(localized("Disable App Lock"));
            m_reset->show();
        } else if (state == 0) {
            m_label->setText(localized("Enable App Lock"));
            m_reset->hide();
        }
    });
}

void PLAppLockSettingCell::switchAppLockState() {
    // The answer concerns this question, whatever the row shows by then: a screen that appears again
    // reloads the row from the stored state under the open question.
    m_askedToEnable = m_switch->isOn();
    const QString message = m_askedToEnable ? localized("Are you sure you want to enable App Lock?")
                                            : localized("Are you sure you want to disable App Lock?");
    QPointer<PLAppLockSettingCell> self(this);
    auto* alert = new AlertView(localized("Confirm"), message, localized("No"), {localized("Yes")},
                                [self](AlertView* shown, int index) {
                                    if (self)
                                        self->alertViewClickedButtonAtIndex(shown, index);
                                });
    alert->setTag(kConfirmationTag);
    m_alert = alert;
    Window* host = nullptr;
    for (QWidget* up = parentWidget(); up && !host; up = up->parentWidget())
        host = qobject_cast<Window*>(up);
    alert->show(host);
}

void PLAppLockSettingCell::alertViewClickedButtonAtIndex(AlertView* alert, int buttonIndex) {
    if (!alert || alert->tag() != kConfirmationTag)
        return;
    if (buttonIndex != alert->cancelButtonIndex()) {
        if (auto* d = delegate())
            d->appLockSettingCell(this, m_askedToEnable);
    } else {
        m_switch->setOn(!m_askedToEnable, true);
    }
}

void PLAppLockSettingCell::resetPinClicked() {
    if (auto* d = delegate())
        d->appLockSettingCellResetAppPinTapped(this);
}

} // namespace pelnix
