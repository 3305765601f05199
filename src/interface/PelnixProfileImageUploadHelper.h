#pragma once

#include "media/PLMultiMediaInfo.h"
#include "platform/PLError.h"

#include <QImage>
#include <QObject>
#include <QSizeF>
#include <functional>
#include <optional>

namespace pelnix {

// Stores the host's new profile picture twice (a 250 x 250 thumbnail, then 500 x 500) through the
// shared uploader, under the account's prefixed file IDs, for the facade's profile update. Keep the
// object alive until the completion has run. Main thread only; one upload of the shared uploader at
// a time while it runs.
class PelnixProfileImageUploadHelper : public QObject {
    Q_OBJECT
public:
    using Info = std::optional<PLMultiMediaInfo>;
    using Completion = std::function<void(bool success, const PLOptionalError& error, const Info& thumbnail,
                                          const Info& large)>;
    using SingleCompletion = std::function<void(const Info& info)>;
    // Shows a one-button alert (title, message, button); the UI layer installs it.
    using AlertHook =
        std::function<void(const QString& title, const QString& message, const QString& button)>;

    explicit PelnixProfileImageUploadHelper(QObject* parent = nullptr);
    ~PelnixProfileImageUploadHelper() override;

    static void setAlertHook(AlertHook hook);
    // The account's file-ID prefix; by default read from the signed-in account.
    void setPrefixSource(std::function<QString()> source) { m_prefixSource = std::move(source); }

    void uploadImage(const QImage& image, Completion completion);
    void uploadProfileImage(const QImage& image, const QString& uniqueIDPrefix, const QSizeF& size,
                            SingleCompletion completion);

private:
    std::function<QString()> m_prefixSource;
};

} // namespace pelnix
