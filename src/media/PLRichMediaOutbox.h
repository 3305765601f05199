#pragma once

#include "core/model/PendingMessageInfo.h"

namespace pelnix {

// Connects the outbox (core) with the rich-media upload pipeline (media): finished and failed files
// move their posts on, upload placeholders become short URLs, the model manager's upload passes
// start the pipeline. Main thread only.
class PLRichMediaOutbox {
public:
    // Called once by the library's start-up, before the session starts.
    static void install();
    // Sign-out: every running upload is cancelled and forgotten, every video thumbnail still being
    // read is dropped, the outbox and the model manager no longer reach the pipeline.
    static void uninstall();
    // Puts a failed or stopped post back in line together with its failed media, which upload anew.
    static void resend(const PendingMessageInfo::Ptr& entry);
};

} // namespace pelnix
