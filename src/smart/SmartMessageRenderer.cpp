#include "smart/SmartMessageRenderer.h"

#include "smart/SmartModel.h"

#include "foundation/JsonHelpers.h"
#include "platform/BidiText.h"
#include "smart/RoomHeadersJSON.h"
#include "smart/SmartLog.h"
#include "smart/StyleSheetXSLTManagement.h"
#include "smart/XSLTWorkerPool.h"

#include <QCryptographicHash>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QSet>

namespace pelnix {

namespace {

// The last text compiled under each name, with its result: a stylesheet that does not compile is
// not compiled again for every message that names it.
struct CompiledSheet {
    QString text;
    std::shared_ptr<const PLXSLTStylesheet> style;
    QString error;
};

struct CompiledSheetCache {
    QMutex mutex;
    QHash<QString, CompiledSheet> sheets;
};
Q_GLOBAL_STATIC(CompiledSheetCache, compiledSheets)

// Renderings that failed or gave nothing, by stylesheet and message: a few bytes each, dropped all
// at once when full.
struct FailureMemo {
    QMutex mutex;
    QSet<QByteArray> keys;
};
Q_GLOBAL_STATIC(FailureMemo, failures)
constexpr qsizetype kMaxRememberedFailures = 20000;

// The last stylesheet digested: a page's messages, and every smart cell of a chat window, ask for
// the same one, whose hash cost each of them about 50,000 instructions.
struct LastSheetDigest {
    QMutex mutex;
    QString name;
    QString xslt;
    QByteArray bounds;
    QByteArray digest;
};
Q_GLOBAL_STATIC(LastSheetDigest, lastDigest)

// A stylesheet text under the bounds it ran with: other bounds may give another outcome.
QByteArray sheetDigest(const QString& name, const QString& xslt) {
    const PLXSLTStylesheet::Limits limits = PLXSLTStylesheet::limits();
    QByteArray bounds;
    for (const qint64 bound : {qint64(limits.timeMs), limits.maxOutputBytes, limits.maxBuiltBytes,
                               qint64(limits.maxXPathOperations)})
        bounds.append(reinterpret_cast<const char*>(&bound), sizeof bound);
    LastSheetDigest& last = *lastDigest;
    {
        QMutexLocker lock(&last.mutex);
        if (last.name == name && last.xslt == xslt && last.bounds == bounds)
            return last.digest;
    }
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(name.toUtf8());
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(xslt.toUtf8());
    hash.addData(bounds);
    QByteArray digest = hash.result();
    QMutexLocker lock(&last.mutex);
    last.name = name;
    last.xslt = xslt;
    last.bounds = bounds;
    last.digest = digest;
    return digest;
}

QByteArray failureKey(const QByteArray& sheet, const SmartMessageRenderer::MessageParts& message) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(sheet);
    hash.addData(message.roomHeaders.value(QStringLiteral("messageId")).toString().toUtf8());
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(message.messageJSON.toUtf8());
    return hash.result();
}

bool isRemembered(const QByteArray& key) {
    QMutexLocker lock(&failures->mutex);
    return failures->keys.contains(key);
}

void remember(const QByteArray& key) {
    QMutexLocker lock(&failures->mutex);
    if (failures->keys.size() >= kMaxRememberedFailures)
        failures->keys.clear();
    failures->keys.insert(key);
}

// The stored sheet, downloaded first when missing (see generateHTMLString).
StyleSheetXSLT::Ptr styleSheetFor(const QString& name, const QString& category, bool synchronously) {
    auto lookup = [&] {
        return category.isEmpty() ? StyleSheetXSLTManagement::styleSheetWithName(name)
                                  : StyleSheetXSLTManagement::styleSheetWithName(name, category);
    };
    if (auto sheet = lookup())
        return sheet;
    if (!StyleSheetXSLTManagement::downloadStyleSheetNamed(name, category, synchronously) || !synchronously)
        return {};
    return lookup();
}

// A details sheet is compiled and cached apart from the message sheet of the same name.
QString detailsSheetKey(const QString& smartType) {
    return QString::fromLatin1(StyleSheetXSLTManagement::kDetailFormCategory) + QLatin1Char('/') + smartType;
}

// A message's text as a page may show it: directional controls cannot reorder the text around a
// value, an address or a number shows as its link acts (without them), and a file name shows its
// own (so that "photo<U+202E>gnp.exe" cannot read as a ".png"). `key` is the member that holds it.
QString withDirectionalControlsTamed(QStringView key, const QString& text) {
    using platform::BidiText;
    if (!BidiText::hasControls(text))
        return text;
    if (key == QLatin1String("fileName"))
        return BidiText::withControlsShown(text);
    if (key == QLatin1String("email") || key == QLatin1String("phone"))
        return BidiText::withoutControls(text);
    return BidiText::isolated(text);
}

QString userIdText(const std::shared_ptr<User>& user) {
    return user ? QString::number(user->userID()) : QString();
}

} // namespace

QVariantMap SmartMessageRenderer::roomHeaders(const Message::Ptr& message) {
    if (!message)
        return {};
    QVariantMap headers{
        {QStringLiteral("messageId"), message->messageId()},
        {QStringLiteral("latestAction"), message->latestAction()},
        {QStringLiteral("replyCount"), message->replyCount()},
        {QStringLiteral("updateCount"), message->updateCount()},
        {QStringLiteral("date"), message->date()},
        {QStringLiteral("senderId"), userIdText(message->senderUser())},
        {QStringLiteral("senderName"),
         message->senderUser() ? message->senderUser()->profileName() : QString()},
        {QStringLiteral("fromId"), userIdText(message->fromUser())},
        {QStringLiteral("fromName"), message->fromUser() ? message->fromUser()->profileName() : QString()},
    };
    if (const auto room = message->room()) {
        headers.insert(QStringLiteral("roomId"), room->roomId());
        headers.insert(QStringLiteral("roomName"), room->name());
        headers.insert(QStringLiteral("roomType"), room->type());
    }
    if (const auto account = CurrentUserInfo::PS_findFirst())
        headers.insert(QStringLiteral("currentUserId"), userIdText(account->user()));
    return headers;
}

PLXMLDocument SmartMessageRenderer::messageDocument(const QString& messageJSON,
                                                    const QVariantMap& roomHeaders) {
    return documentForMessage(messageJSON, QJsonObject::fromVariantMap(roomHeaders));
}

PLXMLDocument SmartMessageRenderer::documentForMessage(const QString& messageJSON,
                                                       const QJsonObject& roomHeaders) {
    QJsonObject msg = QJsonDocument::fromJson(messageJSON.toUtf8()).object();
    if (msg.isEmpty()) {
        // Not a plain object: the text may hold the JSON once more as a JSON string.
        const auto body = JSONSerialization::convertStringToDictionary(messageJSON);
        if (!body)
            return {};
        msg = QJsonObject::fromVariantMap(*body);
    }
    // The message's own member of that name, if it has one, is kept.
    if (!msg.contains(QLatin1String(kRoomHeadersElement)))
        msg.insert(QLatin1String(kRoomHeadersElement), roomHeaders);
    // Tamed as the document is built: a pass of its own, writing every value back, cost about as
    // much as building the document.
    return PLXMLDocument::documentWithJSON(msg, QStringLiteral("msg"), withDirectionalControlsTamed);
}

std::shared_ptr<const PLXSLTStylesheet> SmartMessageRenderer::compiledStyleSheet(const QString& name,
                                                                                 const QString& xslt) {
    {
        QMutexLocker lock(&compiledSheets->mutex);
        const auto it = compiledSheets->sheets.constFind(name);
        if (it != compiledSheets->sheets.cend() && it->text == xslt) {
            if (!it->style)
                logSheetFailure(name, "rejected:", it->error);
            return it->style;
        }
    }
    QString error;
    auto style = PLXSLTStylesheet::compile(xslt.toUtf8(), &error);
    if (!style)
        logSheetFailure(name, "rejected:", error);
    QMutexLocker lock(&compiledSheets->mutex);
    compiledSheets->sheets.insert(name, CompiledSheet{xslt, style, error});
    return style;
}

QString SmartMessageRenderer::transform(const PLXMLDocument& document, const QString& name,
                                        const QString& xslt) {
    if (document.isNull())
        return {};
    const auto style = compiledStyleSheet(name, xslt);
    if (!style)
        return {};
    // Compiled here too: a stylesheet that does not compile is refused without a worker, and is
    // what runs when no worker program is installed.
    QString error;
    XSLTWorkerPool& workers = XSLTWorkerPool::shared();
    const auto html = workers.isAvailable()
                          ? workers.transform(xslt.toUtf8(), document, PLXSLTStylesheet::limits(), &error)
                          : style->transform(document, &error);
    if (!html) {
        logSheetFailure(name, "failed:", error);
        return {};
    }
    return *html;
}

std::optional<QString> SmartMessageRenderer::storedStyleSheet(const QString& name,
                                                              bool downloadSynchronously) {
    if (const auto sheet = styleSheetFor(name, {}, downloadSynchronously))
        return sheet->data();
    return std::nullopt;
}

bool SmartMessageRenderer::hasFailed(const QString& name, const QString& xslt, const MessageParts& message) {
    return isRemembered(failureKey(sheetDigest(name, xslt), message));
}

void SmartMessageRenderer::forgetFailures() {
    QMutexLocker lock(&failures->mutex);
    failures->keys.clear();
}

QStringList SmartMessageRenderer::renderBatch(const QString& name, const QString& xslt,
                                              const QList<MessageParts>& messages) {
    QStringList html(messages.size());
    // Compiled here too: a stylesheet that does not compile is refused without a worker (and not
    // compiled again), and this is what runs when no worker program is installed.
    const auto style = messages.isEmpty() ? nullptr : compiledStyleSheet(name, xslt);
    if (!style)
        return html;
    const QByteArray sheet = sheetDigest(name, xslt);
    QList<qsizetype> due;
    QList<QByteArray> keys;
    for (qsizetype i = 0; i < messages.size(); ++i) {
        QByteArray key = failureKey(sheet, messages.at(i));
        if (isRemembered(key)) {
            qCDebug(lcSmart) << "stylesheet" << loggableSheetName(name)
                             << "failed with this message before; not run again";
            continue;
        }
        due.append(i);
        keys.append(std::move(key));
    }
    const auto failed = [&](qsizetype at, const QString& error, bool lasting) {
        logSheetFailure(name, "failed:", error);
        if (lasting)
            remember(keys.at(at));
    };
    XSLTWorkerPool& workers = XSLTWorkerPool::shared();
    if (!workers.isAvailable()) {
        for (qsizetype at = 0; at < due.size(); ++at) {
            const MessageParts& message = messages.at(due.at(at));
            const PLXMLDocument document = messageDocument(message.messageJSON, message.roomHeaders);
            QString error = QStringLiteral("the smart message is not a JSON object");
            const auto result = document.isNull() ? std::nullopt : style->transform(document, &error);
            if (result && !result->isEmpty())
                html[due.at(at)] = *result;
            else
                failed(at, result ? QStringLiteral("nothing to show") : error, true);
        }
        return html;
    }
    QList<xsltworker::Input> inputs;
    inputs.reserve(due.size());
    for (const qsizetype i : due) {
        const MessageParts& message = messages.at(i);
        inputs.append({xsltworker::Input::Kind::MessageJSON, message.messageJSON.toUtf8(),
                       RoomHeadersJSON::compact(message.roomHeaders)});
    }
    const QList<XSLTWorkerPool::Result> results =
        workers.transform(xslt.toUtf8(), inputs, PLXSLTStylesheet::limits());
    for (qsizetype at = 0; at < results.size(); ++at) {
        const XSLTWorkerPool::Result& result = results.at(at);
        if (result.html && !result.html->isEmpty())
            html[due.at(at)] = *result.html;
        else
            failed(at, result.html ? QStringLiteral("nothing to show") : result.error, result.lasting);
    }
    return html;
}

QString SmartMessageRenderer::renderHTML(const QString& messageJSON, const QString& xsltName,
                                         const QVariantMap& roomHeaders, bool downloadSynchronously) {
    if (xsltName.isEmpty()) {
        qCWarning(lcSmart) << "smart message names no stylesheet";
        return {};
    }
    const auto sheet = storedStyleSheet(xsltName, downloadSynchronously);
    if (!sheet)
        return {};
    return renderBatch(xsltName, *sheet, {MessageParts{messageJSON, roomHeaders}}).value(0);
}

QString SmartMessageRenderer::generateHTMLString(const Message::Ptr& message, bool downloadSynchronously) {
    if (!message)
        return {};
    if (!message->htmlText().isEmpty())
        return message->htmlText();
    const QString html =
        renderHTML(message->text(), message->xsltName(), roomHeaders(message), downloadSynchronously);
    if (!html.isEmpty())
        message->setHtmlText(html);
    return html;
}

QString SmartMessageRenderer::htmlString(const Message::Ptr& message) {
    return generateHTMLString(message, false);
}

QString SmartMessageRenderer::detailsStyleSheetName(const QVariantMap& linkInfo) {
    return linkInfo.value(QStringLiteral("SmartType")).toString();
}

QString SmartMessageRenderer::renderDetailsPage(const QString& smartType, const QString& xslt,
                                                const MessageParts& message) {
    return transform(messageDocument(message.messageJSON, message.roomHeaders), detailsSheetKey(smartType),
                     xslt);
}

QString SmartMessageRenderer::htmlStringForDetailsPage(const Message::Ptr& message,
                                                       const QVariantMap& linkInfo) {
    if (!message)
        return {};
    const QString smartType = detailsStyleSheetName(linkInfo);
    if (smartType.isEmpty())
        return {};
    const PLXMLDocument document = messageDocument(message->text(), roomHeaders(message));
    if (document.isNull())
        return {};
    const auto sheet =
        styleSheetFor(smartType, QString::fromLatin1(StyleSheetXSLTManagement::kDetailFormCategory), true);
    if (!sheet)
        return {};
    return transform(document, detailsSheetKey(smartType), sheet->data());
}

} // namespace pelnix
