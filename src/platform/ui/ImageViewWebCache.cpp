#include "ImageViewWebCache.h"

#include "ImageView.h"

#include "platform/MainThread.h"

#include <QPointer>

namespace pelnix::platform::ui::ImageViewWebCache {

namespace {
const QString kErrorDomain = QStringLiteral("PLImageManagerErrorDomain");
// The view's current request (a serial number of this process) and the loader's id for it.
constexpr char kRequestProperty[] = "pelnix.webImageRequest";
constexpr char kLoadProperty[] = "pelnix.webImageLoad";

ImageSource& installed() {
    static ImageSource source;
    return source;
}

quint64 nextRequest() {
    static quint64 serial = 0;
    return ++serial;
}

void fail(const Completed& completed, const QUrl& url, int code, const QString& text) {
    if (completed)
        completed(QImage(), PLError(kErrorDomain, code, text), 0, url);
}
} // namespace

void setImageSource(ImageSource source) {
    Q_ASSERT(platform::isMainThread());
    installed() = std::move(source);
}

bool hasImageSource() {
    return bool(installed().load);
}

void pl_cancelCurrentImageLoad(ImageView* view) {
    Q_ASSERT(platform::isMainThread());
    if (!view)
        return;
    const quint64 load = view->property(kLoadProperty).toULongLong();
    view->setProperty(kRequestProperty, QVariant());
    view->setProperty(kLoadProperty, QVariant());
    if (load && installed().cancel)
        installed().cancel(load);
}

bool isLoading(const ImageView* view) {
    return view && view->property(kRequestProperty).isValid();
}

void pl_setImageWithURL(ImageView* view, const QUrl& url, const QImage& placeholder, int options,
                        Completed completed) {
    Q_ASSERT(platform::isMainThread());
    if (!view)
        return;
    pl_cancelCurrentImageLoad(view);
    view->setImage(placeholder);
    if (url.isEmpty() || !url.isValid())
        return fail(completed, url, -1, QStringLiteral("Trying to load a nil url"));
    if (!installed().load)
        return fail(completed, url, -4, QStringLiteral("No image loader is installed"));

    const quint64 request = nextRequest();
    view->setProperty(kRequestProperty, request);
    QPointer<ImageView> guard(view);
    const quint64 load =
        installed().load(url, options,
                         [guard, request, completed](const QImage& image, const PLOptionalError& error,
                                                     int cacheType, const QUrl& loaded) {
                             // A view that is gone, or was given another request since, takes nothing from
                             // this one.
                             if (!guard || guard->property(kRequestProperty).toULongLong() != request)
                                 return;
                             guard->setProperty(kRequestProperty, QVariant());
                             guard->setProperty(kLoadProperty, QVariant());
                             if (!image.isNull())
                                 guard->setImage(image);
                             if (completed)
                                 completed(image, error, cacheType, loaded);
                         });
    // A memory hit has already ended the request.
    if (guard && load && guard->property(kRequestProperty).toULongLong() == request)
        guard->setProperty(kLoadProperty, load);
}

bool cachedImageExistsForURL(const QUrl& url) {
    return installed().cachedImageExists && url.isValid() && !url.isEmpty() &&
           installed().cachedImageExists(url);
}

} // namespace pelnix::platform::ui::ImageViewWebCache
