#pragma once

#include <QMetaType>
#include <QString>

namespace pelnix {

// Someone the host invites by e-mail.
struct PelnixInviteContact {
    QString name;
    QString emailID;
};

} // namespace pelnix

Q_DECLARE_METATYPE(pelnix::PelnixInviteContact)
