#pragma once

#include "interface/Pelnix.h"

#include <memory>

namespace pelnix {

// One fetch of the organisation's contacts for the host. It keeps itself alive until it has answered,
// and answers exactly once: the stored list when no download is needed, the fresh list when the
// running download ends, or a failure when it fails.
class PelnixContactFetchController : public std::enable_shared_from_this<PelnixContactFetchController> {
public:
    static std::shared_ptr<PelnixContactFetchController> create();

    PLContactsHandler completionHandler() const { return m_completion; }
    void fetchPelnixContactsWithCompletion(PLContactsHandler completion);
    // The active contacts from the store, by profile name.
    static QList<PLPelnixContact> activePelnixContacts();

private:
    PelnixContactFetchController() = default;
    void finish(bool success, const PLOptionalError& error, const QList<PLPelnixContact>& contacts);

    PLContactsHandler m_completion;
    quint64 m_observer = 0;
    bool m_answered = false;
    // Set while a download is awaited, so that the object outlives the call that started it.
    std::shared_ptr<PelnixContactFetchController> m_keepAlive;
};

} // namespace pelnix
