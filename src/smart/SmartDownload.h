#pragma once

#include "core/api/PLAPIService.h"

namespace pelnix::SmartDownload {

// Starts a general GET of `url` whose service lives until its completion has run. Answers false
// (and calls nothing) when the request could not be started.
bool start(const QString& url, PLServiceCompletionHandler completion, PLProgressHandler progress = {});

// The same GET, blocking the calling thread; false when it could not be sent.
bool startSynchronously(const QString& url, const PLServiceCompletionHandler& completion);

} // namespace pelnix::SmartDownload
