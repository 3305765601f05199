#pragma once

#include <QString>
#include <memory>
#include <optional>

namespace pelnix {

class User;

// The signed-in user's details; every answer is none while no one is logged in.
class PelnixUser {
public:
    PelnixUser() = delete;

    static std::shared_ptr<User> currentUser();
    static std::optional<QString> profileName();
    static std::optional<QString> userEmail();
    static std::optional<QString> organization();
    static std::optional<QString> userID();
    static std::optional<QString> profileImageURL();
    static std::optional<QString> phoneNumber();
    static std::optional<QString> countryCode();
};

} // namespace pelnix
