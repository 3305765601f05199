#include "media/PLCameraPictures.h"

#include "core/api/PLAppConfigurations.h"
#include "media/PLMultiMediaHandler.h"
#include "platform/MainThread.h"

#include <QList>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcCameraPictures, "pelnix.media.camerapictures", QtWarningMsg)

namespace pelnix::PLCameraPictures {

namespace {
// The pictures saved lately, by the key Qt gives a picture's contents (shared by every copy of one
// pick, never by another picture). A screen holds at most a pick or two at a time.
constexpr qsizetype kRemembered = 16;
QList<qint64>& keptPictures() {
    static QList<qint64> kept;
    return kept;
}
} // namespace

void keepInAlbum(const QImage& picture, bool isExistingMedia) {
    Q_ASSERT(platform::isMainThread());
    if (isExistingMedia || picture.isNull())
        return;
    QList<qint64>& kept = keptPictures();
    const qint64 key = picture.cacheKey();
    if (kept.contains(key))
        return;
    kept.append(key);
    if (kept.size() > kRemembered)
        kept.removeFirst();
    PLMultiMediaHandler::writeImage(picture, PLAppConfigurations::currentConfiguration()->pelnixImageAlbum(),
                                    [](const QUrl&, const PLOptionalError& error) {
                                        if (error)
                                            qCWarning(lcCameraPictures)
                                                << "a camera picture was not kept in the album:"
                                                << error->localizedDescription;
                                    });
}

} // namespace pelnix::PLCameraPictures
