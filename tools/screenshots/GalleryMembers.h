#pragma once

#include <QSize>
#include <QString>
#include <QVariantList>

namespace pelnix::tools {

// The members screens under the storyboard "GalleryMembers", each at the phone's 320 x 568 and at
// 400 x 720 (identifiers ending in "@400x720"), on the rooms gallery's store ("Design Team", which Ann
// administers): the Active tab, the Active tab searching, the Pending tab with three invitations, the
// Pending tab searching, the admin change list and its confirmation, and member detail.
void registerMembersGalleryScreens();
QSize membersGallerySize(const QString& identifier);
// The gallery's room, its invitations, and what the searching screens have typed.
QString membersGalleryRoomID();
QVariantList membersGalleryInvitees();
QString membersGallerySearchText(bool pending);
// The member detail screen's reply.
QVariantMap membersGalleryDetails();

} // namespace pelnix::tools
