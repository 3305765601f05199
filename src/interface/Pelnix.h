#pragma once

#include "interface/PLCustomContactProvider.h"
#include "interface/PLPelnixContact.h"
#include "interface/PelnixGroup.h"
#include "interface/PelnixInviteContact.h"
#include "platform/PLError.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <functional>
#include <optional>

namespace pelnix {

namespace platform::ui {
class ViewController;
}
class PelnixViewController;
class PelnixCustomViewController;

// (success, error, message) of an operation the host started.
using PLResultHandler =
    std::function<void(bool success, const PLOptionalError& error, const QString& message)>;
// (success, error, the organisation's active contacts).
using PLContactsHandler =
    std::function<void(bool success, const PLOptionalError& error, const QList<PLPelnixContact>& contacts)>;
// (done, error, the passcode screen).
using PLPasscodeHandler =
    std::function<void(bool done, const PLOptionalError& error, platform::ui::ViewController* screen)>;

// The host's way into the library. Static member functions only; every one runs on the main thread.
//
// A session runs: credentials (and settings), initWithCompletionHandler(), then the session's
// operations, and resetPelnixSession() to end it. Session states: 0 none, 1 logged in, 2 set up,
// 3 ended by the server.
class Pelnix {
public:
    Pelnix() = delete;

    // ---- Credentials and start-up
    // Starts the session: checks the credentials, then either finds the set-up done in an earlier run
    // or runs the bring-up and waits for its end. The completion always comes later, on the main
    // thread, exactly once; calls made while one waits are answered together with it.
    static void initWithCompletionHandler(PLResultHandler completion);
    // The end of the bring-up as its notification reports it ("Error", "Msg"; neither: success).
    static void chatRoomsFetchCompletedWithInfo(const QVariantMap& userInfo, PLResultHandler completion);
    static void setAuthenticationCode(const QString& code);
    static void setUserEmailID(const QString& email);
    static void setUserID(const QString& userID);
    static void setLoggingEnabled(bool enabled);
    // The host's contact source: a QObject implementing PLCustomContactProvider (any other object is
    // kept but offers nothing). Held weakly: once the host destroys it, it reads as null.
    static void setCustomAddressBookContactProvider(QObject* provider);
    // Read by the contact picker; PLCustomContactProvider::of() gives its contacts.
    static QObject* customAddressBookContactProvider();
    static quint64 sessionState();
    // The store's unread total while logged in (states 1 and 2); 0 otherwise.
    static qint64 numberOfUnreadMessages();
    // Ends the session: cancels its uploads and attachment downloads, forgets the credentials, clears
    // the session's settings and empties the store.
    static void resetPelnixSession();

    // ---- Server and device settings (the first four only between sessions, in state 0)
    static void setHostURL(const QString& url);
    static QString currentHostURL();
    static void setPNEnvironmentID(const QString& environmentID);
    static void setAppLockFeatureEnabled(bool enabled);
    static void setSandboxingFeatureEnabled(bool enabled);
    // Any state.
    static void setRemoteNotificationsDeviceToken(const QString& token);
    // Only in state 2 and when the sandboxing feature is on.
    static void setSandBoxingEnabled(bool enabled);
    static bool isSandBoxingEnabled();

    // ---- Appearance (any state; null values are ignored)
    static void setNavigationTitle(const std::optional<QString>& title);
    static QString navigationTitle();
    static void setNavigationTitleColor(const QColor& color);
    static QColor navigationTitleColor();
    static void setTableViewSeparatorColor(const QColor& color);
    static QColor tableViewSeparatorColor();
    static void setMediaIcon(const QImage& icon);
    static QImage mediaIcon();
    static void setChatletIcon(const QImage& icon);
    static QImage chatletIcon();
    static void shouldHideCancelButton(bool hide);
    static bool isCancelButtonHidden();
    static void setNavigationItemLeftBarButtonItems(const QVariantList& items);
    static QVariantList navigationItemLeftBarButtonItems();
    // Bits: 1 the device address book, 2 the organisation's users, 4 the host's contact provider.
    static void setShowContactOptions(quint64 options);
    static quint64 showContactOptions();
    // PNG as Base64 text; the scale travels as the image's device pixel ratio.
    static QString encodedStringForImage(const QImage& image);
    static QImage imageFromEncodedString(const QString& text, double scale);

    // ---- Passcode. View types: 0 set up, 1 disable, 2 lock, 3 change.
    static bool isPasscodeEnabled();
    // The lock state a view type opens; none for a type outside 0 to 3.
    static std::optional<qint64> appLockStatusFromPassCodeViewType(qint64 type);
    static bool canShowPasscodeViewForType(qint64 type, PLOptionalError* error = nullptr);
    // A passcode container (PelnixCustomViewController of type 3) for the type, or null after the
    // completion was told why (synchronously).
    static platform::ui::ViewController* passcodeViewControllerOfType(qint64 type,
                                                                      PLPasscodeHandler completion);
    static bool isPelnixAlreadyPresentingLockScreen();

    // ---- Containers a host embeds (defined with them, in the library's assembly). Each new
    // container loads its screen when its view loads; the caller owns it.
    // Types: 0 rooms list, 1 chat window, 2 user profile, 3 settings, 4 configuration progress; null
    // before start-up.
    static PelnixViewController* pelnixViewControllerOfType(qint64 type);
    // The rooms list, owning the session: when the newest such container goes, the session's state
    // manager goes with it.
    static PelnixViewController* pelnixGroupsViewController();
    // The chat window of a stored group's room, owning the session; null for an unknown group.
    static PelnixViewController* createPelnixWindowViewControllerWithGroup(const std::optional<PelnixGroup>& group);
    static PelnixViewController* userProfileViewController();
    static PelnixViewController* settingsViewController();
    // The configuration progress page; no start-up needed.
    static PelnixViewController* pelnixConfigurationViewController();
    // Opens the group in the rooms list that `fromChatRoomsList` (a rooms-list container) shows.
    static void openPelnixGroup(const PelnixGroup& group, platform::ui::ViewController* fromChatRoomsList);
    // The sign-up and verification flow; null, with -1004 to the completion, while a session is set up.
    static PelnixCustomViewController* pelnixLoginViewController(PLResultHandler completion);
    static PelnixCustomViewController* userLoggedOutViewController(std::function<void()> completion);
    // Public groups; null before start-up.
    static PelnixCustomViewController* publicGroupsViewController(
        std::function<void(const PelnixGroup& group)> completion);

    // ---- Registration and profile
    static void registerUserWithEmail(const QString& email, PLResultHandler completion);
    static void verifyRegisteredEmailWithCode(const QString& code, PLResultHandler completion);
    static void updateProfileWithName(const QString& name, const QImage& image, const QString& phoneNumber,
                                      const QString& countryCode, bool userCurrentImage,
                                      PLResultHandler completion);
    // Sends the profile; the completion gets the server's error or, without one, `error`.
    static void changeProfileName(const QString& name, const QString& thumbImageURL,
                                  const QString& bigImageURL, const QString& phoneNumber,
                                  const QString& countryCode, const PLOptionalError& error,
                                  PLResultHandler completion);

    // ---- Groups
    static std::optional<QList<PelnixGroup>> pelnixGroups(PLOptionalError* error = nullptr);
    static std::optional<PelnixGroup> pelnixGroupWithID(const QString& groupID,
                                                        PLOptionalError* error = nullptr);
    // Replace the rooms list's filter with these groups and the one-to-one rooms with these people.
    static void listOfPelnixGroupsExcludingGroups(const QList<PelnixGroup>& groups,
                                                  const std::optional<QStringList>& oneToOneUsersWithEmail);
    static void listOfPelnixGroupsIncludingGroups(const QList<PelnixGroup>& groups,
                                                  const std::optional<QStringList>& oneToOneUsersWithEmail);

    // ---- Contacts and invitations
    static void getPelnixServerContactsWithCompletion(PLContactsHandler completion);
    static void inviteContactsToPelnix(const QVariantList& contacts, PLResultHandler completion);
};

} // namespace pelnix
