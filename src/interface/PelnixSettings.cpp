// The host's settings, appearance and passcode entries of the facade.
#include "interface/Pelnix.h"

#include "core/api/PLAppConfigurations.h"
#include "core/api/PLColorConfiguration.h"
#include "core/model/CurrentUserInfo.h"
#include "core/session/PLAppLockSettingsManager.h"
#include "core/session/PelnixInfo.h"
#include "foundation/Base64.h"
#include "foundation/PLKeychainAccessHelper.h"
#include "foundation/ui/CustomColors.h"
#include "foundation/ui/ViewControllerAdditions.h"
#include "interface/PelnixErrorHandlingHelper.h"
#include "interface/PelnixSetUp.h"
#include "interface/PelnixScreenAssembly.h"

#include <QBuffer>

namespace pelnix {

namespace {

// Changes a stored setting and saves at once. The library is wired first, so that its screens read
// the setting even when the host sets its appearance before anything else.
template <typename Change> void store(Change change) {
    PelnixSetUp::ensureLibraryIsSetUp();
    const auto info = PelnixInfo::sharedInstance();
    change(*info);
    info->save();
}

// Server, push and feature switches change only between sessions.
template <typename Change> void storeBetweenSessions(Change change) {
    if (PelnixSetUp::sessionState() == 0)
        store(change);
}

// Colours are stored as "#rrggbbaa".
QString colourText(const QColor& colour) {
    const QRgb rgba = colour.rgba();
    return QStringLiteral("#%1%2%3%4")
        .arg(qRed(rgba), 2, 16, QLatin1Char('0'))
        .arg(qGreen(rgba), 2, 16, QLatin1Char('0'))
        .arg(qBlue(rgba), 2, 16, QLatin1Char('0'))
        .arg(qAlpha(rgba), 2, 16, QLatin1Char('0'));
}

QColor colourFromText(const QString& text) {
    if (text.size() == 9 && text.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const uint value = text.mid(1).toUInt(&ok, 16);
        if (ok)
            return QColor::fromRgba(qRgba(int(value >> 24), int((value >> 16) & 0xff),
                                          int((value >> 8) & 0xff), int(value & 0xff)));
    }
    return QColor(text);
}

std::optional<QColor> storedColour(const QColor& colour) {
    return colour.isValid() ? std::optional<QColor>(colour) : std::nullopt;
}

CurrentUserInfo::Ptr account() {
    return CurrentUserInfo::currentUserInfo();
}

bool isPasscodeStored() {
    return !PLKeychainAccessHelper::currentPasscode().isEmpty();
}

} // namespace

void PelnixSetUp::connectAppearance() {
    // Each reads its source at every call: a change by the host, or the clearing at a session's
    // end, shows on the next screen that asks.
    CustomColors::setNavigationTitleColorSource(
        [] { return PLColorConfiguration::colorConfiguration()->navigationTitleColor(); });
    CustomColors::setTableViewSeparatorColorSource(
        [] { return storedColour(Pelnix::tableViewSeparatorColor()); });
    ViewControllerAdditions::setHostNavigationTitleColorSource([] {
        const auto colour = storedColour(Pelnix::navigationTitleColor());
        return colour ? colourText(*colour) : QString();
    });
}

// ---- Server and device settings

void Pelnix::setHostURL(const QString& url) {
    if (PelnixSetUp::sessionState() != 0 || PelnixInfo::sharedInstance()->hostURL() == url)
        return;
    store([&](PelnixInfo& info) { info.setHostURL(url); });
    // The configuration reads the host URL when it loads.
    PLAppConfigurations::reloadCurrentConfiguration();
}

QString Pelnix::currentHostURL() {
    return PelnixInfo::sharedInstance()->hostURL();
}

void Pelnix::setPNEnvironmentID(const QString& environmentID) {
    storeBetweenSessions([&](PelnixInfo& info) { info.setPnEnvironmentID(environmentID); });
}

void Pelnix::setAppLockFeatureEnabled(bool enabled) {
    storeBetweenSessions([&](PelnixInfo& info) { info.setAppLockFeatureEnabled(enabled); });
}

void Pelnix::setSandboxingFeatureEnabled(bool enabled) {
    storeBetweenSessions([&](PelnixInfo& info) { info.setSandboxingFeatureEnabled(enabled); });
}

void Pelnix::setRemoteNotificationsDeviceToken(const QString& token) {
    store([&](PelnixInfo& info) { info.setDeviceToken(token); });
}

void Pelnix::setSandBoxingEnabled(bool enabled) {
    if (!PelnixInfo::sharedInstance()->sandboxingFeatureEnabled() || PelnixSetUp::sessionState() != 2)
        return;
    store([&](PelnixInfo& info) { info.setSandBoxingEnabled(enabled); });
    if (const auto row = account()) {
        row->setSandBoxingEnabled(enabled);
        row->save();
    }
}

bool Pelnix::isSandBoxingEnabled() {
    if (PelnixSetUp::sessionState() != 2 || !PelnixInfo::sharedInstance()->sandboxingFeatureEnabled())
        return false;
    const auto row = account();
    return row && row->sandBoxingEnabled();
}

// ---- Appearance

void Pelnix::setNavigationTitle(const std::optional<QString>& title) {
    if (title)
        store([&](PelnixInfo& info) { info.setNavigationTitle(*title); });
}

QString Pelnix::navigationTitle() {
    return PelnixInfo::sharedInstance()->navigationTitle();
}

void Pelnix::setNavigationTitleColor(const QColor& color) {
    if (color.isValid())
        store([&](PelnixInfo& info) { info.setNavigationTitleColor(colourText(color)); });
}

QColor Pelnix::navigationTitleColor() {
    return colourFromText(PelnixInfo::sharedInstance()->navigationTitleColor());
}

void Pelnix::setTableViewSeparatorColor(const QColor& color) {
    if (color.isValid())
        store([&](PelnixInfo& info) { info.setTableViewSeparatorColor(colourText(color)); });
}

QColor Pelnix::tableViewSeparatorColor() {
    return colourFromText(PelnixInfo::sharedInstance()->tableViewSeparatorColor());
}

void Pelnix::setMediaIcon(const QImage& icon) {
    if (!icon.isNull())
        store([&](PelnixInfo& info) {
            info.setMediaIconScale(icon.devicePixelRatio());
            info.setMediaIconBase64(encodedStringForImage(icon));
        });
}

QImage Pelnix::mediaIcon() {
    const auto info = PelnixInfo::sharedInstance();
    return imageFromEncodedString(info->mediaIconBase64(), info->mediaIconScale());
}

void Pelnix::setChatletIcon(const QImage& icon) {
    if (!icon.isNull())
        store([&](PelnixInfo& info) {
            info.setChatletIconScale(icon.devicePixelRatio());
            info.setChatletIconBase64(encodedStringForImage(icon));
        });
}

QImage Pelnix::chatletIcon() {
    const auto info = PelnixInfo::sharedInstance();
    return imageFromEncodedString(info->chatletIconBase64(), info->chatletIconScale());
}

void Pelnix::shouldHideCancelButton(bool hide) {
    store([&](PelnixInfo& info) { info.setShouldHideCancelButton(hide); });
}

bool Pelnix::isCancelButtonHidden() {
    return PelnixInfo::sharedInstance()->shouldHideCancelButton();
}

void Pelnix::setNavigationItemLeftBarButtonItems(const QVariantList& items) {
    store([&](PelnixInfo& info) { info.setLeftBarButtonItems(items); });
}

QVariantList Pelnix::navigationItemLeftBarButtonItems() {
    return PelnixInfo::sharedInstance()->leftBarButtonItems();
}

void Pelnix::setShowContactOptions(quint64 options) {
    store([&](PelnixInfo& info) { info.setShowContactsOptions(options); });
}

quint64 Pelnix::showContactOptions() {
    return PelnixInfo::sharedInstance()->showContactsOptions();
}

QString Pelnix::encodedStringForImage(const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Base64::base64EncodedString(png);
}

QImage Pelnix::imageFromEncodedString(const QString& text, double scale) {
    if (text.isEmpty())
        return {};
    QImage image = QImage::fromData(Base64::dataFromBase64String(text), "PNG");
    if (!image.isNull() && scale > 0)
        image.setDevicePixelRatio(scale);
    return image;
}

// ---- Passcode

namespace {

// False where no lock screen is assembled into the program: there is nothing to show then.
bool canShowLockScreen(qint64 state) {
    const auto& assembly = PelnixScreenAssembly::shared();
    return assembly.canShowLockScreen && assembly.passcodeContainer && assembly.canShowLockScreen(state);
}

} // namespace

bool Pelnix::isPasscodeEnabled() {
    if (!PelnixSetUp::isInitialSetUpDone() || !PelnixInfo::sharedInstance()->appLockFeatureEnabled())
        return false;
    const auto row = account();
    return row && row->appLockState() == 1;
}

std::optional<qint64> Pelnix::appLockStatusFromPassCodeViewType(qint64 type) {
    switch (type) {
    case 0:
        return PelnixScreenAssembly::Unlock;
    case 1:
        return PelnixScreenAssembly::SwitchOff;
    case 2:
        return PelnixScreenAssembly::Unlock;
    case 3:
        return PelnixScreenAssembly::Change;
    default:
        return std::nullopt;
    }
}

bool Pelnix::canShowPasscodeViewForType(qint64 type, PLOptionalError* error) {
    if (!PelnixSetUp::isInitialSetUpDone()) {
        if (error)
            *error = PelnixSetUp::notInitializedError();
        return false;
    }
    // A type with no lock state has no screen to show.
    const auto lockState = appLockStatusFromPassCodeViewType(type);
    const bool allowed = lockState && PelnixInfo::sharedInstance()->appLockFeatureEnabled() &&
                         canShowLockScreen(*lockState);
    if (!allowed && error)
        *error = PelnixSetUp::error(PelnixErrorPasscodeNotEnabled, "Passcode is not enabled.");
    return allowed;
}

platform::ui::ViewController* Pelnix::passcodeViewControllerOfType(qint64 type,
                                                                   PLPasscodeHandler completion) {
    const auto lockState = appLockStatusFromPassCodeViewType(type);
    PLOptionalError refusal;
    if (!PelnixSetUp::isInitialSetUpDone())
        refusal = PelnixSetUp::notInitializedError();
    else if (!PelnixInfo::sharedInstance()->appLockFeatureEnabled())
        refusal = PelnixSetUp::error(PelnixErrorPasscodeNotEnabled, "Passcode feature is not enabled.");
    else if (type == 0 && isPasscodeStored())
        refusal = PelnixSetUp::error(PelnixErrorPasscodeAlreadyEnabled, "Passcode is already enabled");
    else if (!lockState || !canShowLockScreen(*lockState))
        refusal = PelnixSetUp::error(PelnixErrorPasscodeNotEnabled, "Passcode is not enabled.");
    if (refusal) {
        if (completion)
            completion(false, refusal, nullptr);
        return nullptr;
    }
    return PelnixScreenAssembly::shared().passcodeContainer(type, std::move(completion));
}

bool Pelnix::isPelnixAlreadyPresentingLockScreen() {
    return PelnixSetUp::isInitialSetUpDone() &&
           PLAppLockSettingsManager::sharedAppLockSettingsManager()->isAlreadyPresentingLockScreen();
}

} // namespace pelnix
