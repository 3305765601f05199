#pragma once

#include "core/api/PLAPIService.h"
#include "core/model/StyleSheetXSLT.h"

#include <functional>

namespace pelnix {

// Success flag, error and message of one smart-message download; called on the main thread.
using PLSmartDownloadCompletion =
    std::function<void(bool success, const PLOptionalError& error, const QString& message)>;

// The stylesheet store: the list download of the bring-up, the lookup by name, and the download of
// one missing sheet. Reply shapes: docs/smart-messages.md.
namespace StyleSheetXSLTManagement {

inline constexpr char kDetailFormCategory[] = "detailform";
inline constexpr char kCommentFormCategory[] = "commentform";

// GET of the configuration's `styleSheetURL`; stores every sheet of the reply, forwards download
// progress (0.0 to 1.0) and calls `completion` on the main thread. Answers false (and calls nothing)
// when the request could not be started.
bool getStyleSheetsWithCompletionHandler(PLSmartDownloadCompletion completion,
                                         PLProgressHandler progress = {});

// The stored sheet named `name` for a message body: the first row of that name whose category is not
// a details or comments page.
StyleSheetXSLT::Ptr styleSheetWithName(const QString& name);
// The stored sheet of that name and category.
StyleSheetXSLT::Ptr styleSheetWithName(const QString& name, const QString& category);

// Downloads one sheet (GET `styleSheetURL` + "/" + the percent-encoded name, with "category" as a
// query item when one is given) and stores it.
// Synchronously: blocks the calling thread until it is stored and answers whether it was. Otherwise
// it runs in the background (once per name and category: a later call joins the one under way),
// answers whether one started or was joined, and calls `done` on the main thread when it ends.
bool downloadStyleSheetNamed(const QString& name, const QString& category, bool synchronously,
                             std::function<void(bool stored)> done = {});

} // namespace StyleSheetXSLTManagement
} // namespace pelnix
