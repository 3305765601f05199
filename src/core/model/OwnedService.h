#pragma once

#include "core/api/PLAPIService.h"

namespace pelnix::OwnedService {

// Starts a request object that the caller hands over: it deletes itself after its completion has
// run, or at once when it could not start (then false and the completion is never called).
bool start(PLAPIService* service, PLServiceCompletionHandler completion, PLProgressHandler progress = {});

} // namespace pelnix::OwnedService
