#include "interface/PelnixUser.h"

#include "core/model/CurrentUserInfo.h"
#include "core/model/User.h"
#include "interface/PelnixSetUp.h"

namespace pelnix {

namespace {

template <typename Read> std::optional<QString> fromUser(Read read) {
    if (const auto user = PelnixUser::currentUser())
        return read(*user);
    return std::nullopt;
}

template <typename Read> std::optional<QString> fromAccount(Read read) {
    if (const auto account = PelnixSetUp::loggedInAccount())
        return read(*account);
    return std::nullopt;
}

} // namespace

std::shared_ptr<User> PelnixUser::currentUser() {
    const auto account = PelnixSetUp::loggedInAccount();
    return account ? account->user() : nullptr;
}

std::optional<QString> PelnixUser::profileName() {
    return fromUser([](const User& u) { return u.profileName(); });
}

std::optional<QString> PelnixUser::userEmail() {
    return fromUser([](const User& u) { return u.email(); });
}

std::optional<QString> PelnixUser::organization() {
    return fromUser([](const User& u) { return u.organisation(); });
}

std::optional<QString> PelnixUser::userID() {
    return fromUser([](const User& u) { return QString::number(u.userID()); });
}

std::optional<QString> PelnixUser::profileImageURL() {
    return fromUser([](const User& u) { return u.imageUrl(); });
}

std::optional<QString> PelnixUser::phoneNumber() {
    return fromAccount([](const CurrentUserInfo& a) { return a.phoneNumber(); });
}

std::optional<QString> PelnixUser::countryCode() {
    return fromAccount([](const CurrentUserInfo& a) { return a.countryCode(); });
}

} // namespace pelnix
