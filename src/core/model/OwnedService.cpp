#include "core/model/OwnedService.h"

namespace pelnix::OwnedService {

bool start(PLAPIService* service, PLServiceCompletionHandler completion, PLProgressHandler progress) {
    if (!service)
        return false;
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

} // namespace pelnix::OwnedService
