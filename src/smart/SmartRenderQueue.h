#pragma once

#include "smart/SmartMessageRenderer.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <optional>

namespace pelnix {

class Message;

// Renders smart messages for the screens, off the main thread.
//
// A message whose HTML is known is answered at once: its own HTML, or "" when it cannot be rendered
// (it names no stylesheet, its stylesheet is not stored yet and is being downloaded, or the
// stylesheet failed with it before). Any other is rendered on a thread of this queue and its HTML
// handed over on the main thread, kept in the message's `htmlText` (not saved) when the message
// still has that text and no HTML of its own. Requests made in one turn of the event loop go to the
// transform workers together, a batch per stylesheet, and one message asked for twice is rendered
// once.
class SmartRenderQueue : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const QString& html)>;

    // The queue of the main thread; made on first use, lives as long as the application object.
    static SmartRenderQueue* shared();
    ~SmartRenderQueue() override;

    // Main thread only. The HTML when known now; otherwise none, and `done` gets the HTML ("" when
    // the rendering failed) on the main thread later, unless `context` is gone by then.
    std::optional<QString> htmlString(const std::shared_ptr<Message>& message, QObject* context, Done done);
    // Main thread only. The details or comments page of a message (what
    // SmartMessageRenderer::htmlStringForDetailsPage() builds, without waiting): the message is read
    // here, its details stylesheet downloaded in the background when not stored, and the page
    // transformed on a thread of this queue. "" now when there is no message or the link names no
    // details stylesheet; otherwise none, and `done` gets the HTML ("" when the page cannot be built)
    // on the main thread later, unless `context` is gone by then. Never cached: every call renders.
    std::optional<QString> detailsPageHTML(const std::shared_ptr<Message>& message,
                                           const QVariantMap& linkInfo, QObject* context, Done done);
    // Messages waiting for or in a rendering (a details page counts once its stylesheet is stored).
    int pendingCount() const { return int(m_pending.size() + m_detailsPages.size()); }

    // Messages of one batch at most.
    static constexpr int kBatchSize = 32;

private:
    struct Waiter {
        QPointer<QObject> context;
        Done done;
    };
    struct Pending {
        const Message* key = nullptr;
        std::weak_ptr<Message> message;
        QString name;
        QString xslt;
        SmartMessageRenderer::MessageParts parts;
        QList<Waiter> waiters;
        bool sent = false;
    };

    explicit SmartRenderQueue(QObject* parent);
    void flush();
    void delivered(const QList<quint64>& tickets, const QStringList& html);
    void renderDetailsPage(const QString& smartType, const QString& xslt,
                           const SmartMessageRenderer::MessageParts& parts, Waiter waiter);

    // By ticket; a message's latest ticket, for joining a rendering already asked for.
    QHash<quint64, Pending> m_pending;
    QHash<const Message*, quint64> m_byMessage;
    quint64 m_nextTicket = 1;
    // Details pages in a rendering, by ticket: their waiters stay on this thread.
    QHash<quint64, Waiter> m_detailsPages;
    bool m_flushQueued = false;
    QThreadPool m_threads;
};

} // namespace pelnix
