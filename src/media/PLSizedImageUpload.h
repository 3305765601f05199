#pragma once

#include "media/PLMultiMediaInfo.h"

#include <QImage>
#include <QObject>
#include <QSizeF>
#include <functional>
#include <optional>

namespace pelnix {

// One picture stored at a given size under a file-ID prefix through the shared uploader: scaled,
// checked against the configured upload size limit, then put once upload credentials are in. Used for
// profile pictures. Main thread; one upload of the shared uploader at a time while it runs.
class PLSizedImageUpload : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Uploaded, TooLarge, NoCredentials, UploadFailed };
    // `info` is set exactly when the outcome is Uploaded.
    using Completion = std::function<void(Outcome outcome, const std::optional<PLMultiMediaInfo>& info)>;

    explicit PLSizedImageUpload(QObject* parent = nullptr);
    ~PLSizedImageUpload() override;

    // Exactly one completion per call, on the main thread (at once for a picture refused before any
    // transfer), unless this object is destroyed first. An empty prefix names the file by its own ID.
    void upload(const QImage& image, const QString& uniqueIDPrefix, const QSizeF& size,
                Completion completion);

private:
    void removeObservers();

    QList<quint64> m_observers;
};

} // namespace pelnix
