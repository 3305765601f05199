#pragma once

#include "core/model/FormJSON.h"
#include "smart/StyleSheetXSLTManagement.h"

namespace pelnix::FormJSONManagement {

// GET of the configuration's `formJSONURL`; stores every form of the reply and calls `completion`
// on the main thread. Answers false (and calls nothing) when the request could not be started.
bool getFormJSONsWithCompletionHandler(PLSmartDownloadCompletion completion);

// The first stored form with this name and category, or null; only reads.
FormJSON::Ptr formJSONWithName(const QString& name, const QString& category);

} // namespace pelnix::FormJSONManagement
