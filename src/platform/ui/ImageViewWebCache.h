#pragma once

#include "platform/PLError.h"

#include <QImage>
#include <QUrl>
#include <functional>

namespace pelnix::platform::ui {

class ImageView;

// Remote pictures on image views, over the image loader that a layer above installs (the media
// layer's caches and downloader): a view shows its placeholder at once and the loaded picture when it
// arrives. A new request on a view, or a cancel, drops the view's earlier load, so a reused cell never
// shows the picture of the row it showed before. Main thread only.
namespace ImageViewWebCache {

// Option bits, as the loader takes them.
enum Option { RetryFailed = 1, ProgressiveDownload = 8 };
// Where a picture came from: 0 the network, 1 the disk cache, 2 the memory cache.
using Completed =
    std::function<void(const QImage& image, const PLOptionalError& error, int cacheType, const QUrl& url)>;

struct ImageSource {
    // Starts a load whose `done` runs once on the main thread (before returning for a memory hit)
    // unless cancelled; answers an id for cancel(), 0 for a load that already ended.
    std::function<quint64(const QUrl& url, int options, Completed done)> load;
    std::function<void(quint64 id)> cancel;
    std::function<bool(const QUrl& url)> cachedImageExists;
};

void setImageSource(ImageSource source);
bool hasImageSource();

// Cancels the view's earlier load, shows `placeholder`, loads `url` and shows the picture when it
// arrives (a failure keeps the placeholder). `completed` runs on the main thread when the load ends,
// also on failure, unless the view was given another request or cancelled first; a null or invalid
// URL ends at once with an error.
void pl_setImageWithURL(ImageView* view, const QUrl& url, const QImage& placeholder, int options = 0,
                        Completed completed = {});
void pl_cancelCurrentImageLoad(ImageView* view);
// Whether a load is under way for the view.
bool isLoading(const ImageView* view);
// Whether the loader's caches hold the picture (memory or disk); false without a loader.
bool cachedImageExistsForURL(const QUrl& url);

} // namespace ImageViewWebCache
} // namespace pelnix::platform::ui
