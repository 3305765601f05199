#pragma once

#include "core/model/RichMediaInfo.h"

#include <QObject>
#include <memory>

namespace pelnix {

// Follows one media file of a post: reports its "uploadProgress" and "state" as they are saved. The
// store announces every save of the main context; this compares the file's values with the last ones
// seen and signals what changed (the progress first). Main thread.
class PLRichMediaInfoObserver : public QObject {
    Q_OBJECT
public:
    explicit PLRichMediaInfoObserver(QObject* parent = nullptr);
    ~PLRichMediaInfoObserver() override;

    // Stops following the previous file, then follows `file` (none for null).
    void observe(const RichMediaInfo::Ptr& file);
    void stopObserving();
    RichMediaInfo::Ptr file() const { return m_file; }
    bool isObserving() const { return m_token != 0; }

signals:
    void uploadProgressChanged(int percent);
    void stateChanged(int state);

private:
    void contextDidChange();

    RichMediaInfo::Ptr m_file;
    std::weak_ptr<platform::ObjectContext> m_context;
    quint64 m_token = 0;
    qint16 m_progress = 0;
    qint16 m_state = 0;
};

} // namespace pelnix
