#pragma once

// What the account screens' tests share: one test's world (sandbox, stand-in service, open store,
// registered screens, recording system services, a secret store in memory, recorded analytics), a
// window with a host screen that presents the flows, and driving helpers that click and type.

#include "AppLockTestDoubles.h"
#include "CoreFixture.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/PLModelManager.h"
#include "core/model/User.h"
#include "core/session/PLAppLockSettingsManager.h"
#include "core/session/PelnixInfo.h"
#include "core/session/PelnixStateManager.h"
#include "foundation/PLKeychainAccessHelper.h"
#include "foundation/persistence/PLPersistence.h"
#include "foundation/ui/WidgetServices.h"
#include "platform/SecretStore.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Scheduler.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/SystemServices.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/ui/testing/RecordingSystemServices.h"
#include "ui/account/AccountAnalytics.h"
#include "ui/account/AccountScreens.h"
#include "ui/account/PLAppLockAccount.h"
#include "ui/account/PLAppLockScreenViewController.h"
#include "ui/account/PLImageSelectionProvider.h"
#include "ui/account/PLPadButton.h"
#include "ui/account/PLPadLockScreenAbstractViewController.h"
#include "ui/account/PLPadLockScreenView.h"
#include "ui/toolkit/PLActivityIndicatorView.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

namespace pelnix::test {

// Analytics events as the host's tracker would receive them.
struct AnalyticsRecorder {
    QList<std::pair<QString, QVariantMap>> events;
    AnalyticsRecorder() {
        AccountAnalytics::setTracker([this](const QString& name, const QVariantMap& properties) {
            events.append({name, properties});
        });
    }
    ~AnalyticsRecorder() { AccountAnalytics::setTracker({}); }
    int count(const QString& name) const {
        return int(
            std::count_if(events.begin(), events.end(), [&](const auto& e) { return e.first == name; }));
    }
    QVariantMap last(const QString& name) const {
        for (auto it = events.rbegin(); it != events.rend(); ++it)
            if (it->first == name)
                return it->second;
        return {};
    }
};

// The picker seam's double: answers each request with the next queued answer (a picture, or nothing
// for a removal), and records what was asked.
class FakeImageSelection : public PLImageSelectionProvider {
public:
    void showImageSelectionOptions(platform::ui::ViewController*, const Request& request,
                                   Handler handler) override {
        requests.append(request);
        if (answers.isEmpty())
            return; // the user cancelled
        const std::optional<QVariantMap> answer = answers.takeFirst();
        handler(answer);
    }
    static QVariantMap picked(const QImage& image, bool fromLibrary = true) {
        return {{kEditedImageKey, image}, {kOriginalImageKey, image}, {kIsExistingMediaKey, fromLibrary}};
    }
    QList<std::optional<QVariantMap>> answers;
    QList<Request> requests;
};

// One test's world for the account screens.
struct AccountWorld {
    CoreFixture core;
    AnalyticsRecorder analytics;
    platform::ui::RecordingSystemServices* services = new platform::ui::RecordingSystemServices;
    std::shared_ptr<MemorySecretStore> secrets = std::make_shared<MemorySecretStore>();
    FakeImageSelection* pictures = nullptr;

    explicit AccountWorld(CoreFixture::Service service = CoreFixture::Service::Started) : core(service) {
        platform::ui::Animator::setInstant(true);
        platform::ui::Scheduler::shared()->setVirtualClock(false);
        WidgetServices::install();
        AccountScreens::registerScreens();
        platform::ui::SystemServices::setCurrent(std::unique_ptr<platform::ui::SystemServices>(services));
        platform::SecretStore::setDefaultStore(secrets);
        PLKeychainAccessHelper::dropKeychainInstanceForTesting();
        PLAppLockAccount::setCurrent({});
        auto* flags = PLAppLockSettingsManager::sharedAppLockSettingsManager();
        flags->setShouldShowAppLockScreen(true);
        flags->setIsAlreadyPresentingLockScreen(false);
        auto fake = std::make_unique<FakeImageSelection>();
        pictures = fake.get();
        PLImageSelectionProvider::setCurrent(std::move(fake));
        // Requests carry the account row's credentials, as in the library.
        PLModelManager::registerModelLayer();
        PLModelManager::sharedModelManager()->initialize();
    }
    ~AccountWorld() {
        PLImageSelectionProvider::setCurrent({});
        platform::ui::SystemServices::setCurrent({});
        PLAppLockAccount::setCurrent({});
        PLKeychainAccessHelper::dropKeychainInstanceForTesting();
        platform::SecretStore::setDefaultStore({});
        PLPersistence::cleanUp();
        PLModelManager::destroySharedInstance();
        PelnixStateManager::destroyStateManager();
        platform::ui::Scheduler::shared()->setVirtualClock(false);
    }

    CurrentUserInfo::Ptr account() const { return CurrentUserInfo::currentUserInfo(); }

    // The host's login as the stand-in's seeded user (status 3), then the given status and name.
    void signIn(qint16 status = 3, const QString& name = QStringLiteral("Ann")) {
        CurrentUserInfo::initializeCurrentUserForSDKWithID(qint32(core.userID()), core.email(), core.token());
        const auto row = account();
        row->setStatus(status);
        row->user()->setProfileName(name);
        row->save();
    }
};

// Registers `email` with the stand-in and gets its code refused until the stand-in locks the address.
inline void lockAddress(AccountWorld& world, const QString& email) {
    const auto row = world.account();
    bool registered = false;
    QVERIFY(row->startRegistrationWithEmail(
        email, [&](bool ok, const PLOptionalError&, const QString&) { registered = ok; }));
    QTRY_VERIFY(registered);
    for (int attempt = 0; attempt < 5; ++attempt) {
        bool answered = false;
        QVERIFY(row->verifyEmailWithOTPCode(
            QStringLiteral("wrong"), [&](bool, const PLOptionalError&, const QString&) { answered = true; }));
        QTRY_VERIFY(answered);
    }
}

// A window with a host's own screen as root; the flows under test are presented from it.
struct ScreenHost {
    platform::ui::Window window;
    platform::ui::ViewController* root = new platform::ui::ViewController;

    explicit ScreenHost(QSize size = {320, 568}) {
        window.resize(size);
        window.setRootViewController(root);
        window.makeKeyAndVisible();
        // Focus (the keyboard) needs the active window.
        QApplication::setActiveWindow(&window);
    }
    // Presents `controller` (the host's part) and answers it.
    template <typename T> T* present(T* controller) {
        root->presentViewController(controller, false);
        return controller;
    }
    platform::ui::ViewController* presented() const { return root->presentedViewController(); }
    QList<platform::ui::AlertView*> alerts() const { return window.alerts(); }
    platform::ui::AlertView* lastAlert() const { return alerts().isEmpty() ? nullptr : alerts().last(); }
};

inline void click(QWidget* widget) {
    QVERIFY(widget);
    QVERIFY2(widget->isVisible(), qPrintable(widget->objectName()));
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

// Types into a field as a user would (replacing what is there when `replace`).
inline void type(QLineEdit* field, const QString& text, bool replace = true) {
    QVERIFY(field);
    field->setFocus();
    if (replace) {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
    }
    QTest::keyClicks(field, text);
}

// Taps the button titled `title` of the newest alert, which must have `alertTitle`.
inline void answerAlert(ScreenHost& host, const QString& alertTitle, const QString& title) {
    platform::ui::AlertView* alert = host.lastAlert();
    QVERIFY2(alert, qPrintable(alertTitle));
    QCOMPARE(alert->title(), alertTitle);
    for (int i = 0; i < alert->numberOfButtons(); ++i) {
        if (alert->buttonTitleAtIndex(i) == title) {
            auto* button = alert->findChild<QWidget*>(QStringLiteral("alert.button.%1").arg(i));
            QVERIFY(button);
            QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no button %1").arg(title)));
}

// Waits until the busy overlay is down (every request ends it).
inline bool busyOverlayGoes(int timeoutMs = 15000) {
    return QTest::qWaitFor([] { return !PLActivityIndicatorView::isVisible(); }, timeoutMs);
}

// Enters `digits` on the lock screen's pad and taps OK.
inline void enterOnPad(PLAppLockScreenViewController* lock, const QString& digits) {
    QVERIFY(lock);
    PLPadLockScreenAbstractViewController* pad = lock->currentTopChildViewController();
    QVERIFY(pad);
    for (QChar digit : digits)
        pad->padView()->buttonArray().at(digit.digitValue())->click();
    pad->padView()->okButton()->click();
}

template <typename T> T* topOf(platform::ui::ViewController* controller) {
    if (auto* nav = qobject_cast<platform::ui::NavigationController*>(controller))
        return qobject_cast<T*>(nav->topViewController());
    return qobject_cast<T*>(controller);
}

} // namespace pelnix::test
