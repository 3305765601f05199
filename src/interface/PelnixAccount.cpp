// The facade's account, groups, contacts and invitation entries.
#include "interface/Pelnix.h"

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/User.h"
#include "core/session/PelnixInfo.h"
#include "core/session/PelnixStateManager.h"
#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/PLReachabilityResponder.h"
#include "interface/PelnixContactFetchController.h"
#include "interface/PelnixErrorHandlingHelper.h"
#include "interface/PelnixGroupFilterManager.h"
#include "interface/PelnixInviteHelper.h"
#include "interface/PelnixProfileImageUploadHelper.h"
#include "interface/PelnixSetUp.h"

namespace pelnix {

namespace {

const QString kUseDefaultImage = QStringLiteral("USE_DEFAULT_IMAGE");

// Registration belongs to a session that is not running (none yet, or ended by the server).
bool refuseActiveSession(const PLResultHandler& completion) {
    const quint64 state = PelnixSetUp::sessionState();
    if (state == 0 || state == 3)
        return false;
    completion(false, PelnixSetUp::error(PelnixErrorSessionActive, "Session is already active"), {});
    return true;
}

void reportNotStarted(const PLResultHandler& completion) {
    completion(false, PelnixSetUp::error(PelnixErrorNetworkNotAvailable, "Network Not available"), {});
}

CurrentUserInfo::Ptr account() {
    PelnixSetUp::ensureLibraryIsSetUp();
    PelnixStateManager::sharedStateManagerInstance()->initializeDatabase();
    return CurrentUserInfo::currentUserInfo();
}

void filterGroups(const QList<PelnixGroup>& groups, const std::optional<QStringList>& emails,
                  bool excluding) {
    auto rooms = PelnixGroup::chatroomsFromPelnixGroupsArray(groups);
    if (emails)
        rooms += PelnixGroup::allOneToOneGroupFilteredWithEmails(*emails);
    PelnixGroupFilterManager::groupFilterManager()->pelnixFilterWithChatRooms(rooms, excluding);
}

} // namespace

// ---- Registration and profile

void Pelnix::registerUserWithEmail(const QString& email, PLResultHandler completion) {
    if (!completion || refuseActiveSession(completion))
        return;
    const auto row = account();
    if (!row || !row->startRegistrationWithEmail(email, completion))
        reportNotStarted(completion);
}

void Pelnix::verifyRegisteredEmailWithCode(const QString& code, PLResultHandler completion) {
    if (!completion || refuseActiveSession(completion))
        return;
    const auto row = account();
    const bool started =
        row && row->verifyEmailWithOTPCode(
                   code, [completion](bool success, const PLOptionalError& error, const QString& message) {
                       if (success)
                           PelnixStateManager::sharedStateManagerInstance()->setIsLoginSuccessful(true);
                       completion(success, error, message);
                   });
    if (!started)
        reportNotStarted(completion);
}

void Pelnix::updateProfileWithName(const QString& name, const QImage& image, const QString& phoneNumber,
                                   const QString& countryCode, bool userCurrentImage,
                                   PLResultHandler completion) {
    auto answer = [&completion](const PLError& error, const QString& message) {
        if (completion)
            completion(false, error, message);
    };
    if (name.isEmpty()) {
        const PLError error =
            PelnixSetUp::error(PelnixErrorProfile, "Profile name is mandatory. It cannot be empty");
        return answer(error, error.localizedDescription);
    }
    if (!PLReachabilityResponder::sharedInstance()->isReachable())
        return answer(PelnixSetUp::error(PelnixErrorNetworkNotAvailable, "No Network Available"), {});
    const auto row = account();
    const auto me = row ? row->user() : nullptr;
    const QString currentThumb = me ? me->imageUrl() : QString();
    const QString currentBig = me ? me->bigImageUrl() : QString();
    if (userCurrentImage)
        return changeProfileName(name, currentThumb, currentBig, phoneNumber, countryCode, std::nullopt,
                                 completion);
    if (!image.isNull()) {
        // Both sizes are stored first; a failed upload still updates the name, with the current
        // picture, and the host hears of the failed upload beside the update's own result, in the
        // facade's own words whatever the upload reported.
        auto* uploader = new PelnixProfileImageUploadHelper;
        uploader->uploadImage(image, [=](bool success, const PLOptionalError&,
                                         const PelnixProfileImageUploadHelper::Info& thumbnail,
                                         const PelnixProfileImageUploadHelper::Info& large) {
            uploader->deleteLater();
            if (success && thumbnail && large)
                changeProfileName(name, thumbnail->s3TinyURL, large->s3TinyURL, phoneNumber, countryCode,
                                  std::nullopt, completion);
            else
                changeProfileName(name, currentThumb, currentBig, phoneNumber, countryCode,
                                  PelnixSetUp::error(PelnixErrorProfile, "Profile Image Upload failed"),
                                  completion);
        });
        return;
    }
    changeProfileName(name, kUseDefaultImage, kUseDefaultImage, phoneNumber, countryCode, std::nullopt,
                      completion);
}

void Pelnix::changeProfileName(const QString& name, const QString& thumbImageURL, const QString& bigImageURL,
                               const QString& phoneNumber, const QString& countryCode,
                               const PLOptionalError& error, PLResultHandler completion) {
    auto report = [completion, error](bool success, const PLOptionalError& serverError,
                                      const QString& message) {
        if (completion)
            completion(success, serverError ? serverError : error, message);
    };
    const auto row = account();
    if (!row ||
        !row->updateProfileWithName(name, thumbImageURL, bigImageURL, phoneNumber, countryCode, report))
        // The request could not leave: say so rather than leave the host waiting.
        report(false, PelnixSetUp::error(PelnixErrorNetworkNotAvailable, "No Network Available"), {});
}

// ---- Groups

std::optional<QList<PelnixGroup>> Pelnix::pelnixGroups(PLOptionalError* error) {
    if (!PelnixSetUp::isInitialSetUpDone()) {
        if (error)
            *error = PelnixSetUp::notInitializedError();
        return std::nullopt;
    }
    return PelnixGroup::pelnixGroupsWithPLChatRooms(ChatRoom::allChatRooms());
}

std::optional<PelnixGroup> Pelnix::pelnixGroupWithID(const QString& groupID, PLOptionalError* error) {
    if (!PelnixSetUp::isInitialSetUpDone()) {
        if (error)
            *error = PelnixSetUp::notInitializedError();
        return std::nullopt;
    }
    const auto room = ChatRoom::chatRoomWithID(groupID);
    if (!room) {
        if (error)
            *error = PelnixSetUp::error(PelnixErrorInvalidGroupID, "Invalid group ID");
        return std::nullopt;
    }
    return PelnixGroup{room->name(), room->roomId(), room->isOneToOne() ? 1 : 0};
}

void Pelnix::listOfPelnixGroupsExcludingGroups(const QList<PelnixGroup>& groups,
                                               const std::optional<QStringList>& oneToOneUsersWithEmail) {
    filterGroups(groups, oneToOneUsersWithEmail, true);
}

void Pelnix::listOfPelnixGroupsIncludingGroups(const QList<PelnixGroup>& groups,
                                               const std::optional<QStringList>& oneToOneUsersWithEmail) {
    filterGroups(groups, oneToOneUsersWithEmail, false);
}

// ---- Contacts and invitations

void Pelnix::getPelnixServerContactsWithCompletion(PLContactsHandler completion) {
    if (!PelnixSetUp::isInitialSetUpDone()) {
        if (completion)
            completion(false, PelnixSetUp::notInitializedError(), {});
        return;
    }
    PelnixContactFetchController::create()->fetchPelnixContactsWithCompletion(std::move(completion));
}

void Pelnix::inviteContactsToPelnix(const QVariantList& contacts, PLResultHandler completion) {
    auto refuse = [&completion](const char* message) {
        if (completion)
            completion(false, std::nullopt, PLCurrentBundleInfo::localizedString(QString::fromUtf8(message)));
    };
    if (!PelnixInfo::sharedInstance()->isLoggedInToPelnix())
        return refuse("Please login to Pelnix");
    if (contacts.isEmpty())
        return refuse("Invite emails array is nil");
    PelnixInviteHelper::inviteContacts(contacts, std::move(completion));
}

} // namespace pelnix
