#include "ui/account/PLPadLockScreenAppearance.h"

#include "foundation/ui/CustomFontRegistration.h"

#include "platform/MainThread.h"

namespace pelnix {

namespace {
std::optional<PLPadLockScreenAppearance>& stored() {
    static std::optional<PLPadLockScreenAppearance> appearance;
    return appearance;
}
} // namespace

PLPadLockScreenAppearance PLPadLockScreenAppearance::defaults() {
    using CustomFontRegistration::fontWithName;
    PLPadLockScreenAppearance a;
    a.enterPasscodeLabelFont = fontWithName(QStringLiteral("DejaVuSans"), 18);
    a.detailLabelFont = fontWithName(QStringLiteral("DejaVuSans"), 14);
    a.numberLabelFont = fontWithName(QStringLiteral("DejaVuSans-ExtraLight"), 35);
    a.letterLabelFont = fontWithName(QStringLiteral("DejaVuSans"), 10);
    return a;
}

PLPadLockScreenAppearance PLPadLockScreenAppearance::current() {
    Q_ASSERT(platform::isMainThread());
    if (!stored())
        stored() = defaults();
    return *stored();
}

void PLPadLockScreenAppearance::setCurrent(const PLPadLockScreenAppearance& appearance) {
    Q_ASSERT(platform::isMainThread());
    stored() = appearance;
}

} // namespace pelnix
