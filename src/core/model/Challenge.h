#pragma once

#include "core/model/EntityAccessors.h"
#include "foundation/persistence/PLEntity.h"

namespace pelnix {

class CurrentUserInfo;

// The account's login challenge as the server last handed it out. Stored only.
class Challenge : public PLEntity<Challenge> {
public:
    static QString entityName() { return QStringLiteral("Challenge"); }

    PL_ATTRIBUTE(QString, salt, setSalt)
    PL_ATTRIBUTE(QString, token, setToken)
    PL_ATTRIBUTE(qint64, expiry, setExpiry)
    PL_TO_ONE(CurrentUserInfo, currentUser, setCurrentUser)
};

} // namespace pelnix
