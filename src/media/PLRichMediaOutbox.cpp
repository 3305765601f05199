#include "media/PLRichMediaOutbox.h"

#include "core/model/PLModelManager.h"
#include "core/model/RichMediaInfo.h"
#include "media/PLMultiMediaInfo.h"
#include "media/PLPendingRichMediaUploadHelper.h"
#include "media/PLPendingRichMediaUploadsManager.h"
#include "media/PLRichMediaPosts.h"
#include "media/PLS3MediaUploader.h"
#include "media/PLVideoThumbnailer.h"
#include "platform/MainThread.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcRichMediaOutbox, "pelnix.media.outbox", QtWarningMsg)

namespace pelnix {

namespace {

using Helper = PLPendingRichMediaUploadHelper;

PLPendingRichMediaUploadsManager* uploads() {
    return PLPendingRichMediaUploadsManager::sharedInstance();
}

// A finished or failed file frees a slot: files beyond the first three wait for the next pass.
void nextUploadPass() {
    PLModelManager::sharedModelManager()->uploadRichMediaFilesToCloud();
}

void replaceAllS3URLPlaceHolders(PendingMessageInfo& entry) {
    for (const auto& row : entry.richMediaInfo()) {
        const auto info = PLMultiMediaInfo::multiMediaInfoFromJSONstring(row->uploadedMediaInfo());
        // Without its address the placeholder stays: the post must not go out pointing nowhere.
        if (!info || info->s3TinyURL.isEmpty())
            continue;
        entry.setText(
            entry.text().replace(PLRichMediaPosts::uploadPlaceholder(info->fileID), info->s3TinyURL));
        entry.save();
    }
}

} // namespace

void PLRichMediaOutbox::install() {
    Q_ASSERT(platform::isMainThread());
    PLPendingRichMediaUploadsManager::Hooks hooks;
    hooks.mediaFinished = [](const RichMediaInfo::Ptr& row) {
        // The helper has already given a single attachment its text.
        if (const auto post = row->pendingmessage())
            post->mediaUploadFinished();
        nextUploadPass();
    };
    hooks.mediaFailed = [](const RichMediaInfo::Ptr& row) {
        qCInfo(lcRichMediaOutbox) << "media upload failed" << row->mediaId();
        if (const auto post = row->pendingmessage())
            post->mediaUploadFailed();
        nextUploadPass();
    };
    hooks.isPostForceStopped = [](const RichMediaInfo::Ptr& row) {
        const auto post = row->pendingmessage();
        return post && post->isForceStopped();
    };
    uploads()->setHooks(std::move(hooks));

    auto& media = PendingMediaHooks::shared();
    media.replaceAllS3URLPlaceHolders = replaceAllS3URLPlaceHolders;
    media.cancelUpload = [](PendingMessageInfo& entry) {
        if (const auto row = PLRichMediaPosts::firstRichMedia(entry)) {
            uploads()->cancelUploadingRichMedia(row);
            row->save();
        }
    };
    PLModelManager::hooks().uploadPendingMedia = [] { uploads()->uploadRichMediaFilesToCloud(); };
}

void PLRichMediaOutbox::uninstall() {
    Q_ASSERT(platform::isMainThread());
    uploads()->reset();
    uploads()->setHooks({});
    // The old session's videos are not described any more: their reads would hold places the next
    // session's posts wait for.
    PLVideoThumbnailer::endSession();
    PLS3MediaUploader::instance()->reset();
    PendingMediaHooks::reset();
    PLModelManager::hooks().uploadPendingMedia = [] {};
}

void PLRichMediaOutbox::resend(const PendingMessageInfo::Ptr& entry) {
    Q_ASSERT(platform::isMainThread());
    if (!entry || (!entry->isFailed() && !entry->isForceStopped() && entry->state() != 6))
        return;
    for (const auto& row : entry->richMediaInfo()) {
        if (row->state() != Helper::Failed)
            continue;
        row->setState(Helper::New);
        row->setTryCount(0);
        row->setUploadProgress(0);
    }
    // Stores the rows with the entry and runs the posting pass.
    entry->resend();
    nextUploadPass();
}

} // namespace pelnix
