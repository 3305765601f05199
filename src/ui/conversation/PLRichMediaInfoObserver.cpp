#include "ui/conversation/PLRichMediaInfoObserver.h"

#include "platform/MainThread.h"
#include "platform/store/ObjectContext.h"

#include <QPointer>

namespace pelnix {

PLRichMediaInfoObserver::PLRichMediaInfoObserver(QObject* parent) : QObject(parent) {}

PLRichMediaInfoObserver::~PLRichMediaInfoObserver() {
    stopObserving();
}

void PLRichMediaInfoObserver::observe(const RichMediaInfo::Ptr& file) {
    Q_ASSERT(platform::isMainThread());
    stopObserving();
    m_file = file;
    auto* context = file ? file->managedObjectContext() : nullptr;
    if (!context)
        return;
    m_context = context->shared_from_this();
    m_progress = file->uploadProgress();
    m_state = file->state();
    QPointer<PLRichMediaInfoObserver> self(this);
    m_token = context->addChangeObserver([self](const platform::ChangeSet*) {
        if (self)
            self->contextDidChange();
    });
}

void PLRichMediaInfoObserver::stopObserving() {
    if (m_token) {
        if (const auto context = m_context.lock(); context && context->isLive())
            context->removeChangeObserver(m_token);
        m_token = 0;
    }
    m_context.reset();
    m_file.reset();
}

void PLRichMediaInfoObserver::contextDidChange() {
    const RichMediaInfo::Ptr file = m_file;
    if (!file || file->isInert() || file->isDeleted())
        return;
    const qint16 progress = file->uploadProgress();
    const qint16 state = file->state();
    const bool progressMoved = std::exchange(m_progress, progress) != progress;
    const bool stateMoved = std::exchange(m_state, state) != state;
    if (progressMoved)
        emit uploadProgressChanged(progress);
    if (stateMoved && m_file == file)
        emit stateChanged(state);
}

} // namespace pelnix
