#pragma once

#include "core/model/RichMediaInfo.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <functional>

namespace pelnix {

class PLPendingRichMediaUploadHelper;

// The process-wide list of running rich-media uploads, used from the main thread only. The outbox
// learns of finished and failed files through the hooks.
class PLPendingRichMediaUploadsManager : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // The entry is in state 9, its short URL in the media info: continue its post.
        std::function<void(const RichMediaInfo::Ptr&)> mediaFinished;
        // The entry is in state 10: let its post see the failure.
        std::function<void(const RichMediaInfo::Ptr&)> mediaFailed;
        // Whether the entry's post was stopped by the user (its uploads are not started then).
        std::function<bool(const RichMediaInfo::Ptr&)> isPostForceStopped;
    };

    static constexpr int kUploadsPerPass = 3;

    static PLPendingRichMediaUploadsManager* sharedInstance();

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    const Hooks& hooks() const { return m_hooks; }
    // Seconds a put may stall before it fails.
    double uploadTimeout() const { return m_uploadTimeout; }
    void setUploadTimeout(double seconds) { m_uploadTimeout = seconds; }

    // Every entry that is neither completed nor failed, by upload order.
    static RichMediaInfo::List candidateRichMediaUploads();
    // The upload pass: starts up to three entries that have no helper yet.
    void uploadRichMediaFilesToCloud();
    // True when a new helper was made (started or not) for the entry.
    bool createPendingMessageforRichMedia(const RichMediaInfo::Ptr& entry);
    bool containsRichMediaUploadsHelper(const RichMediaInfo::Ptr& entry) const;
    // The user stopped the post: the entry goes back to new, nothing of it runs on.
    void cancelUploadingRichMedia(const RichMediaInfo::Ptr& entry);
    void removeUploadsHelperForRichMedia(const RichMediaInfo::Ptr& entry);
    // An entry whose description is still being completed (a video's thumbnail is being read) is
    // not uploaded until released: its upload stores back the description it started with.
    void holdRichMedia(const RichMediaInfo::Ptr& entry);
    // True when the entry was held; a reset forgets every hold.
    bool releaseRichMedia(const RichMediaInfo::Ptr& entry);
    // Cancels and forgets every running upload and every hold (sign-out, tests).
    void reset();
    int runningCount() const { return int(m_helpers.size()); }

private:
    int indexForUploadsHelperForRichMedia(const RichMediaInfo::Ptr& entry) const;

    QList<PLPendingRichMediaUploadHelper*> m_helpers;
    // Media IDs of held entries.
    QSet<qint64> m_held;
    Hooks m_hooks;
    double m_uploadTimeout = 40;
};

} // namespace pelnix
