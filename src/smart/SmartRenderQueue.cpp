#include "smart/SmartRenderQueue.h"

#include "smart/SmartLog.h"
#include "smart/SmartModel.h"
#include "smart/StyleSheetXSLTManagement.h"
#include "smart/XSLTWorkerPool.h"

#include <QCoreApplication>
#include <QThread>

namespace pelnix {

SmartRenderQueue* SmartRenderQueue::shared() {
    static QPointer<SmartRenderQueue> queue;
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    if (!queue)
        queue = new SmartRenderQueue(QCoreApplication::instance());
    return queue;
}

SmartRenderQueue::SmartRenderQueue(QObject* parent) : QObject(parent) {
    // One rendering thread per worker the pool lets live: more would only wait for a worker.
    m_threads.setMaxThreadCount(XSLTWorkerPool::shared().maxWorkers());
}

SmartRenderQueue::~SmartRenderQueue() {
    // A batch holds no message, only copies of what it reads; its answer is dropped with this queue.
    m_threads.waitForDone();
}

std::optional<QString> SmartRenderQueue::htmlString(const std::shared_ptr<Message>& message, QObject* context,
                                                    Done done) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (!message)
        return QString();
    if (!message->htmlText().isEmpty())
        return message->htmlText();
    const QString name = message->xsltName();
    if (name.isEmpty()) {
        qCWarning(lcSmart) << "smart message names no stylesheet";
        return QString();
    }
    const std::optional<QString> xslt = SmartMessageRenderer::storedStyleSheet(name, false);
    if (!xslt)
        return QString();
    SmartMessageRenderer::MessageParts parts{message->text(), SmartMessageRenderer::roomHeaders(message)};
    if (SmartMessageRenderer::hasFailed(name, *xslt, parts))
        return QString();
    const auto joined = m_byMessage.constFind(message.get());
    if (joined != m_byMessage.cend()) {
        Pending& pending = m_pending[*joined];
        if (pending.message.lock() == message && pending.xslt == *xslt &&
            pending.parts.messageJSON == parts.messageJSON) {
            pending.waiters.append(Waiter{context, std::move(done)});
            return std::nullopt;
        }
    }
    const quint64 ticket = m_nextTicket++;
    m_byMessage.insert(message.get(), ticket);
    m_pending.insert(
        ticket, Pending{message.get(), message, name, *xslt, std::move(parts), {{context, std::move(done)}}});
    if (!m_flushQueued) {
        // Every cell set up in this turn of the event loop joins the same batches.
        m_flushQueued = true;
        QMetaObject::invokeMethod(this, &SmartRenderQueue::flush, Qt::QueuedConnection);
    }
    return std::nullopt;
}

std::optional<QString> SmartRenderQueue::detailsPageHTML(const std::shared_ptr<Message>& message,
                                                         const QVariantMap& linkInfo, QObject* context,
                                                         Done done) {
    Q_ASSERT(QThread::currentThread() == thread());
    const QString smartType = SmartMessageRenderer::detailsStyleSheetName(linkInfo);
    if (!message || smartType.isEmpty())
        return QString();
    // The model is read here, where the message lives; nothing after this needs it.
    SmartMessageRenderer::MessageParts parts{message->text(), SmartMessageRenderer::roomHeaders(message)};
    Waiter waiter{context, std::move(done)};
    const QString category = QString::fromLatin1(StyleSheetXSLTManagement::kDetailFormCategory);
    if (const auto sheet = StyleSheetXSLTManagement::styleSheetWithName(smartType, category)) {
        renderDetailsPage(smartType, sheet->data(), parts, std::move(waiter));
        return std::nullopt;
    }
    QPointer<SmartRenderQueue> self(this);
    const bool downloading = StyleSheetXSLTManagement::downloadStyleSheetNamed(
        smartType, category, false, [self, smartType, category, parts, waiter](bool) {
            if (!self)
                return;
            if (const auto sheet = StyleSheetXSLTManagement::styleSheetWithName(smartType, category))
                self->renderDetailsPage(smartType, sheet->data(), parts, waiter);
            else if (waiter.context && waiter.done)
                waiter.done(QString());
        });
    if (!downloading)
        return QString();
    return std::nullopt;
}

void SmartRenderQueue::renderDetailsPage(const QString& smartType, const QString& xslt,
                                         const SmartMessageRenderer::MessageParts& parts, Waiter waiter) {
    Q_ASSERT(QThread::currentThread() == thread());
    const quint64 ticket = m_nextTicket++;
    m_detailsPages.insert(ticket, std::move(waiter));
    QPointer<SmartRenderQueue> self(this);
    m_threads.start([self, ticket, smartType, xslt, parts] {
        const QString html = SmartMessageRenderer::renderDetailsPage(smartType, xslt, parts);
        QMetaObject::invokeMethod(
            self,
            [self, ticket, html] {
                if (!self)
                    return;
                const Waiter waiter = self->m_detailsPages.take(ticket);
                if (waiter.context && waiter.done)
                    waiter.done(html);
            },
            Qt::QueuedConnection);
    });
}

void SmartRenderQueue::flush() {
    m_flushQueued = false;
    // Batches by stylesheet text, in the order the messages were asked for.
    QList<QList<quint64>> batches;
    QHash<QString, qsizetype> open;
    QList<quint64> tickets = m_pending.keys();
    std::sort(tickets.begin(), tickets.end());
    for (const quint64 ticket : tickets) {
        Pending& pending = m_pending[ticket];
        if (pending.sent)
            continue;
        pending.sent = true;
        const QString key = pending.name + QChar(0) + pending.xslt;
        auto at = open.constFind(key);
        if (at == open.cend() || batches.at(*at).size() >= kBatchSize) {
            batches.append(QList<quint64>());
            at = open.insert(key, batches.size() - 1);
        }
        batches[*at].append(ticket);
    }
    for (const QList<quint64>& batch : batches) {
        const Pending& first = m_pending[batch.first()];
        QList<SmartMessageRenderer::MessageParts> parts;
        for (const quint64 ticket : batch)
            parts.append(m_pending[ticket].parts);
        QPointer<SmartRenderQueue> self(this);
        m_threads.start([self, batch, name = first.name, xslt = first.xslt, parts = std::move(parts)] {
            const QStringList html = SmartMessageRenderer::renderBatch(name, xslt, parts);
            QMetaObject::invokeMethod(
                self,
                [self, batch, html] {
                    if (self)
                        self->delivered(batch, html);
                },
                Qt::QueuedConnection);
        });
    }
}

void SmartRenderQueue::delivered(const QList<quint64>& tickets, const QStringList& html) {
    for (qsizetype i = 0; i < tickets.size(); ++i) {
        const auto found = m_pending.find(tickets.at(i));
        if (found == m_pending.end())
            continue;
        const Pending pending = std::move(*found);
        m_pending.erase(found);
        if (m_byMessage.value(pending.key) == tickets.at(i))
            m_byMessage.remove(pending.key);
        const std::shared_ptr<Message> message = pending.message.lock();
        const QString result = html.value(i);
        // A message whose text changed meanwhile has been rendered again by its import.
        if (message && !result.isEmpty() && message->htmlText().isEmpty() &&
            message->text() == pending.parts.messageJSON)
            message->setHtmlText(result);
        for (const Waiter& waiter : pending.waiters)
            if (waiter.context && waiter.done)
                waiter.done(result);
    }
}

} // namespace pelnix
