#include "smart/StyleSheetXSLTManagement.h"

#include "core/api/PLAppConfigurations.h"
#include "platform/MainThread.h"
#include "smart/SmartDownload.h"
#include "smart/SmartDownloadReply.h"
#include "smart/SmartLog.h"
#include "smart/SmartNamedRows.h"

#include <QCoreApplication>
#include <QHash>
#include <QJsonArray>
#include <QMutex>
#include <QThread>
#include <QUrl>

namespace pelnix::StyleSheetXSLTManagement {

namespace {

// Downloads under way, by category and name, with whoever waits for each.
struct RunningDownloads {
    QMutex mutex;
    QHash<QString, QList<std::function<void(bool)>>> waiting;
};
Q_GLOBAL_STATIC(RunningDownloads, runningDownloads)

QString singleSheetURL(const QString& name, const QString& category) {
    QString url = PLAppConfigurations::currentConfiguration()->styleSheetURL() + QLatin1Char('/') +
                  QString::fromUtf8(QUrl::toPercentEncoding(name));
    if (!category.isEmpty())
        url += QStringLiteral("?category=") + QString::fromUtf8(QUrl::toPercentEncoding(category));
    return url;
}

QString downloadKey(const QString& name, const QString& category) {
    return category + QLatin1Char('/') + name;
}

// A single-sheet reply is the sheet itself; its name (and category, when one was asked for) must be
// the one asked for.
bool storeSingleSheet(const QString& name, const QString& category, const QByteArray& data,
                      const PLOptionalError& error) {
    const SmartDownloadReply reply =
        SmartDownloadReply::read(data, error, QStringLiteral("XSLT fetching failed"));
    if (!reply.ok()) {
        qCWarning(lcSmart) << "stylesheet" << loggableSheetName(name)
                           << "not downloaded:" << reply.loggable();
        return false;
    }
    if (reply.object.value(QStringLiteral("name")).toString() != name ||
        (!category.isEmpty() && reply.object.value(QStringLiteral("category")).toString() != category)) {
        qCWarning(lcSmart) << "stylesheet reply for" << loggableSheetName(name) << "names another sheet";
        return false;
    }
    return SmartNamedRows::store<StyleSheetXSLT>(QJsonArray{reply.object}) == 1;
}

} // namespace

bool getStyleSheetsWithCompletionHandler(PLSmartDownloadCompletion completion, PLProgressHandler progress) {
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    const QString url = PLAppConfigurations::currentConfiguration()->styleSheetURL();
    return SmartDownload::start(
        url,
        [completion = std::move(completion)](const QByteArray& data, const PLOptionalError& error) {
            const SmartDownloadReply reply =
                SmartDownloadReply::read(data, error, QStringLiteral("XSLT fetching failed"));
            if (reply.ok()) {
                const int stored = SmartNamedRows::store<StyleSheetXSLT>(
                    reply.object.value(QStringLiteral("stylesheets")).toArray());
                qCInfo(lcSmart) << "stored" << stored << "stylesheets";
            } else {
                qCWarning(lcSmart) << "stylesheet list not downloaded:" << reply.loggable();
            }
            if (completion)
                completion(reply.ok(), reply.error, reply.ok() ? QString() : reply.message);
        },
        std::move(progress));
}

StyleSheetXSLT::Ptr styleSheetWithName(const QString& name) {
    using platform::PredicateKey;
    return StyleSheetXSLT::PS_findFirstWithPredicate(
        PredicateKey(QStringLiteral("name")) == name &&
        PredicateKey(QStringLiteral("category")) != QString::fromLatin1(kDetailFormCategory) &&
        PredicateKey(QStringLiteral("category")) != QString::fromLatin1(kCommentFormCategory));
}

StyleSheetXSLT::Ptr styleSheetWithName(const QString& name, const QString& category) {
    return StyleSheetXSLT::PS_findFirstWithPredicate(SmartNamedRows::named(name, category));
}

bool downloadStyleSheetNamed(const QString& name, const QString& category, bool synchronously,
                             std::function<void(bool)> done) {
    if (name.isEmpty())
        return false;
    if (synchronously) {
        bool stored = false;
        const bool sent = SmartDownload::startSynchronously(
            singleSheetURL(name, category), [&](const QByteArray& data, const PLOptionalError& error) {
                stored = storeSingleSheet(name, category, data, error);
            });
        return sent && stored;
    }
    {
        // A second caller joins the download under way rather than sending its own.
        QMutexLocker lock(&runningDownloads->mutex);
        const QString key = downloadKey(name, category);
        const auto running = runningDownloads->waiting.find(key);
        if (running != runningDownloads->waiting.end()) {
            if (done)
                running->append(std::move(done));
            return true;
        }
        QList<std::function<void(bool)>> waiting;
        if (done)
            waiting.append(std::move(done));
        runningDownloads->waiting.insert(key, waiting);
    }
    // Background downloads start and store on the main thread, whichever thread asked.
    platform::runOnMain([name, category] {
        auto finish = [name, category](bool stored) {
            QList<std::function<void(bool)>> waiting;
            {
                QMutexLocker lock(&runningDownloads->mutex);
                waiting = runningDownloads->waiting.take(downloadKey(name, category));
            }
            for (const auto& done : std::as_const(waiting))
                done(stored);
        };
        const bool started = SmartDownload::start(
            singleSheetURL(name, category),
            [name, category, finish](const QByteArray& data, const PLOptionalError& error) {
                finish(storeSingleSheet(name, category, data, error));
            });
        if (!started)
            finish(false);
    });
    return true;
}

} // namespace pelnix::StyleSheetXSLTManagement
