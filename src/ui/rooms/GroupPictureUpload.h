#pragma once

#include "media/PLSizedImageUpload.h"

#include <QImage>
#include <QPointer>
#include <QVariantMap>
#include <functional>
#include <optional>

namespace pelnix {

namespace platform::ui {
class ViewController;
}

// A group picture stored at 250 x 250, then at 640 x 640, under its own file ID. Every upload answers
// exactly once: with both URLs, or with none after the user was told why (over the size limit, no
// credentials, a failed transfer), so a screen always gets the chance to take its busy indicator down.
namespace GroupPictureUpload {

inline constexpr int kThumbnailSide = 250;
inline constexpr int kBigSide = 640;

struct URLs {
    QString thumbnail;
    QString big;
};

// Stores one picture at `side` x `side`; the media layer's uploader by default.
using Uploader = std::function<void(QObject* owner, const QImage& image, int side,
                                    PLSizedImageUpload::Completion completion)>;
void setUploader(Uploader uploader);

// The picture of a picker's answer: the edited picture, else the original.
QImage pickedPicture(const QVariantMap& selection);

// Uploads both sizes of a picker's answer; a picture just taken with the camera is kept in the photo
// album first. `done` runs exactly once; on a failure the alert is shown over `owner` (when it is
// still there) before `done` gets nothing.
void uploadBothSizes(platform::ui::ViewController* owner, const QVariantMap& selection,
                     std::function<void(const std::optional<URLs>& urls)> done);

// Whether the signed-in user's own picture is a real uploaded one (the analytics' "Has picture").
bool currentUserHasPicture();

} // namespace GroupPictureUpload
} // namespace pelnix
