#pragma once

#include <QVariantMap>
#include <functional>
#include <memory>

namespace pelnix {

namespace platform::ui {
class ViewController;
}
class ChatRoom;
class Message;

// What the link actions ask of the media download (fetch an attachment with progress, keep it, open
// it in the viewer). The download screens install a maker; without one a download link says that
// downloads are not available.
class PLMediaDownloading {
public:
    using Maker = std::function<std::unique_ptr<PLMediaDownloading>()>;
    virtual ~PLMediaDownloading() = default;

    virtual void setMessage(const std::shared_ptr<Message>& message) = 0;
    virtual void downloadMediaFromURL(const QString& url, const std::shared_ptr<ChatRoom>& room,
                                      const QVariantMap& documentInfo,
                                      platform::ui::ViewController* inViewController) = 0;
    // Stops a running download and lets go of its observers.
    virtual void cleanUp() = 0;

    static void setMaker(Maker maker);
    static std::unique_ptr<PLMediaDownloading> make();
};

} // namespace pelnix
