#pragma once

#include <QString>

namespace pelnix {

// One of the organisation's people as the host sees them.
struct PLPelnixContact {
    QString profileName;
    QString email;
    QString phone;
};

} // namespace pelnix
