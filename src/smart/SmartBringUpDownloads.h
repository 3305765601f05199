#pragma once

#include "smart/StyleSheetXSLTManagement.h"

namespace pelnix::SmartBringUpDownloads {

// The bring-up's stylesheet step: downloads the stylesheet list; on success marks the account's
// stylesheets as fetched (`styleSheetsUpdated`) and saves before `completion` hears of it. A failure
// message defaults to the localized "XSLT fetching failed". Answers whether the request started.
bool startFetchingXSLT(PLSmartDownloadCompletion completion, PLProgressHandler progress = {});

// The bring-up's form step: only while the account's `formJSONsUpdated` is NO (answers false and
// calls nothing otherwise); on success sets it and saves before `completion`. A failure message
// defaults to the localized "Failed to update from JSON".
bool updateFormJSONs(PLSmartDownloadCompletion completion);

} // namespace pelnix::SmartBringUpDownloads
