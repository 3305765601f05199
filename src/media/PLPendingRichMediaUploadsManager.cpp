#include "media/PLPendingRichMediaUploadsManager.h"

#include "media/PLPendingRichMediaUploadHelper.h"
#include "platform/MainThread.h"

namespace pelnix {

Q_GLOBAL_STATIC(PLPendingRichMediaUploadsManager, s_manager)

PLPendingRichMediaUploadsManager* PLPendingRichMediaUploadsManager::sharedInstance() {
    return s_manager();
}

RichMediaInfo::List PLPendingRichMediaUploadsManager::candidateRichMediaUploads() {
    auto all = RichMediaInfo::PS_findAllSortedBy(QStringLiteral("mediaId"), true);
    all.removeIf([](const RichMediaInfo::Ptr& entry) {
        return entry->state() == PLPendingRichMediaUploadHelper::Completed ||
               entry->state() == PLPendingRichMediaUploadHelper::Failed;
    });
    return all;
}

void PLPendingRichMediaUploadsManager::uploadRichMediaFilesToCloud() {
    Q_ASSERT(platform::isMainThread());
    int started = 0;
    for (const auto& entry : candidateRichMediaUploads()) {
        if (started == kUploadsPerPass)
            break;
        if (createPendingMessageforRichMedia(entry))
            ++started;
    }
}

bool PLPendingRichMediaUploadsManager::createPendingMessageforRichMedia(const RichMediaInfo::Ptr& entry) {
    Q_ASSERT(platform::isMainThread());
    if (!entry || containsRichMediaUploadsHelper(entry) || m_held.contains(entry->mediaId()))
        return false;
    if (m_hooks.isPostForceStopped && m_hooks.isPostForceStopped(entry))
        return false;
    auto* helper = new PLPendingRichMediaUploadHelper(this, entry);
    m_helpers.append(helper);
    helper->startByState();
    return true;
}

bool PLPendingRichMediaUploadsManager::containsRichMediaUploadsHelper(const RichMediaInfo::Ptr& entry) const {
    return indexForUploadsHelperForRichMedia(entry) >= 0;
}

int PLPendingRichMediaUploadsManager::indexForUploadsHelperForRichMedia(
    const RichMediaInfo::Ptr& entry) const {
    for (int i = 0; i < m_helpers.size(); ++i) {
        if (m_helpers[i]->richMediaInfo()->mediaId() == entry->mediaId())
            return i;
    }
    return -1;
}

void PLPendingRichMediaUploadsManager::cancelUploadingRichMedia(const RichMediaInfo::Ptr& entry) {
    Q_ASSERT(platform::isMainThread());
    const int index = indexForUploadsHelperForRichMedia(entry);
    if (index < 0)
        return;
    entry->setTryCount(0);
    entry->setUploadProgress(0);
    entry->setState(PLPendingRichMediaUploadHelper::New);
    m_helpers[index]->cancelUploading();
    removeUploadsHelperForRichMedia(entry);
}

void PLPendingRichMediaUploadsManager::removeUploadsHelperForRichMedia(const RichMediaInfo::Ptr& entry) {
    const int index = indexForUploadsHelperForRichMedia(entry);
    if (index < 0)
        return;
    PLPendingRichMediaUploadHelper* helper = m_helpers.takeAt(index);
    // The helper may be inside one of its own callbacks.
    helper->deleteLater();
}

void PLPendingRichMediaUploadsManager::holdRichMedia(const RichMediaInfo::Ptr& entry) {
    Q_ASSERT(platform::isMainThread());
    m_held.insert(entry->mediaId());
}

bool PLPendingRichMediaUploadsManager::releaseRichMedia(const RichMediaInfo::Ptr& entry) {
    Q_ASSERT(platform::isMainThread());
    return m_held.remove(entry->mediaId());
}

void PLPendingRichMediaUploadsManager::reset() {
    m_held.clear();
    for (auto* helper : std::as_const(m_helpers)) {
        helper->cancelUploading();
        helper->deleteLater();
    }
    m_helpers.clear();
}

} // namespace pelnix
