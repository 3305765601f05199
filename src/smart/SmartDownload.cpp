#include "smart/SmartDownload.h"

#include "core/api/PLGeneralAPIService.h"
#include "core/model/OwnedService.h"

namespace pelnix::SmartDownload {

bool start(const QString& url, PLServiceCompletionHandler completion, PLProgressHandler progress) {
    auto* service = new PLGeneralAPIService;
    service->setCustomURL(url);
    return OwnedService::start(service, std::move(completion), std::move(progress));
}

bool startSynchronously(const QString& url, const PLServiceCompletionHandler& completion) {
    PLGeneralAPIService service;
    service.setCustomURL(url);
    return service.startSynchrousServiceWithCompletionHandler(completion);
}

} // namespace pelnix::SmartDownload
