#pragma once

#include <QMetaType>
#include <QString>
#include <functional>

namespace pelnix {

// What the openers of the location screens (storyboard "Location", its initial screen a navigation
// controller over the location screen) hand that screen, as properties of its controller:
//   "mapURL" (QString): the map link to show;
//   "locationInfo" (QVariantMap): the location values of a location link;
//   "postLocationCompletionHandler" (PLPostLocationCompletionHandler): takes the location message.
using PLPostLocationCompletionHandler = std::function<void(const QString& locationMessage)>;

inline constexpr char kLocationStoryboard[] = "Location";
inline constexpr char kLocationMapURLProperty[] = "mapURL";
inline constexpr char kLocationInfoProperty[] = "locationInfo";
inline constexpr char kLocationCompletionProperty[] = "postLocationCompletionHandler";

} // namespace pelnix

Q_DECLARE_METATYPE(pelnix::PLPostLocationCompletionHandler)
