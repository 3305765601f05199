#include "smart/SmartDownload.h"

#include "core/api/PLGeneralAPIService.h"

namespace pelnix::SmartDownload {

bool start(const QString& url, PLServiceCompletionHandler completion, PLProgressHandler progress) {
    auto* service = new PLGeneralAPIService;
    service->setCustomURL(url);
    const bool started = service->startServiceWithCompletionHandler(
        [service, completion = std::move(completion)](const QByteArray& data, const PLOptionalError& error) {
            service->deleteLater();
            if (completion)
                completion(data, error);
        },
        std::move(progress));
    if (!started)
        delete service;
    return started;
}

bool startSynchronously(const QString& url, const PLServiceCompletionHandler& completion) {
    PLGeneralAPIService service;
    service.setCustomURL(url);
    return service.startSynchrousServiceWithCompletionHandler(completion);
}

} // namespace pelnix::SmartDownload
