#include "smart/SmartBringUpDownloads.h"

#include "smart/SmartModel.h"

#include "smart/FormJSONManagement.h"

namespace pelnix::SmartBringUpDownloads {

namespace {

// Sets one fetched flag on the account row and saves it; a missing account is left alone.
void markAccount(void (CurrentUserInfo::*setter)(const bool&)) {
    if (const auto account = CurrentUserInfo::PS_findFirst()) {
        (account.get()->*setter)(true);
        account->save();
    }
}

PLSmartDownloadCompletion finishing(void (CurrentUserInfo::*setter)(const bool&),
                                    PLSmartDownloadCompletion completion) {
    return [setter, completion = std::move(completion)](bool success, const PLOptionalError& error,
                                                        const QString& message) {
        if (success)
            markAccount(setter);
        if (completion)
            completion(success, error, message);
    };
}

} // namespace

bool startFetchingXSLT(PLSmartDownloadCompletion completion, PLProgressHandler progress) {
    return StyleSheetXSLTManagement::getStyleSheetsWithCompletionHandler(
        finishing(&CurrentUserInfo::setStyleSheetsUpdated, std::move(completion)), std::move(progress));
}

bool updateFormJSONs(PLSmartDownloadCompletion completion) {
    const auto account = CurrentUserInfo::PS_findFirst();
    if (account && account->formJSONsUpdated())
        return false;
    return FormJSONManagement::getFormJSONsWithCompletionHandler(
        finishing(&CurrentUserInfo::setFormJSONsUpdated, std::move(completion)));
}

} // namespace pelnix::SmartBringUpDownloads
