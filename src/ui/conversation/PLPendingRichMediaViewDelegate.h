#pragma once

namespace pelnix {

class PLPendingRichMediaView;

// Told when the status mark of an upload view is tapped: cancel a running upload, retry a stopped one.
class PLPendingRichMediaViewDelegate {
public:
    virtual ~PLPendingRichMediaViewDelegate() = default;
    virtual void retryOrCancelUploadFromRichMediaView(PLPendingRichMediaView* view) = 0;
};

} // namespace pelnix
