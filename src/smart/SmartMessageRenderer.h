#pragma once

#include "smart/PLXMLDocument.h"
#include "smart/PLXSLTStylesheet.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <optional>

namespace pelnix {

class Message;

// Turns a smart message into HTML: the message JSON, wrapped with the room's headers, becomes XML
// under the root "msg" (the mapping of PLXMLDocument), and the stored stylesheet named by the
// message's `xsltName` transforms it. Stylesheets are compiled once per stored text and shared (a
// text that does not compile is not compiled again).
//
// Every failure (no or malformed JSON, no stylesheet, a stylesheet that does not compile, a failing
// transform, one stopped at the bounds of PLXSLTStylesheet::Limits) gives "" and a logged warning
// in `pelnix.smart`, and the caller (the message import among them) goes on. A stylesheet text that
// failed with a message's text, or gave it nothing to show, is remembered for the process's life and
// not run with it again: a stylesheet that meets its time bound would otherwise hold a worker for
// the whole bound at every showing of the message. A new stylesheet text or message text tries
// again. Runs on any thread that has a store context.
class SmartMessageRenderer {
public:
    // The element of "msg" that holds the room's headers.
    static constexpr char kRoomHeadersElement[] = "roomheaders";

    // What one message's rendering reads: its JSON text and the room's headers (see roomHeaders()).
    struct MessageParts {
        QString messageJSON;
        QVariantMap roomHeaders;
    };

    // The message's HTML. When `htmlText` is empty it is rendered and, when that gave HTML, kept in
    // `htmlText` (not saved). A stylesheet not yet stored is downloaded first: synchronously when
    // `downloadSynchronously` (the calling thread waits), otherwise in the background (this call
    // then answers "" and a later one renders).
    static QString generateHTMLString(const std::shared_ptr<Message>& message, bool downloadSynchronously);
    // generateHTMLString(message, false): what the chat window shows.
    static QString htmlString(const std::shared_ptr<Message>& message);
    // The details or comments page: the same document, transformed with the details stylesheet
    // named by the link info's "SmartType" (category "detailform"), downloaded synchronously when
    // missing. Not cached. The calling thread waits for the download and the transform: screens use
    // SmartRenderQueue::detailsPageHTML().
    static QString htmlStringForDetailsPage(const std::shared_ptr<Message>& message,
                                            const QVariantMap& linkInfo);
    // The details stylesheet a link names ("SmartType"); empty when it names none.
    static QString detailsStyleSheetName(const QVariantMap& linkInfo);
    // The details page of message parts with that stylesheet's text; "" on any failure. Any thread:
    // it reads no store.
    static QString renderDetailsPage(const QString& smartType, const QString& xslt,
                                     const MessageParts& message);

    // The rendering itself, for callers that hold the parts: message JSON text, stylesheet name and
    // the room headers (see roomHeaders()).
    static QString renderHTML(const QString& messageJSON, const QString& xsltName,
                              const QVariantMap& roomHeaders, bool downloadSynchronously);

    // The text of the stored message stylesheet `name`; none when it is not stored (its download
    // then starts, and the calling thread waits for it when `downloadSynchronously`).
    static std::optional<QString> storedStyleSheet(const QString& name, bool downloadSynchronously);

    // What a stylesheet may read about the message and its room: "roomId", "roomName", "roomType",
    // "messageId", "senderId", "senderName", "fromId", "fromName", "currentUserId", "latestAction",
    // "replyCount", "updateCount", "date".
    static QVariantMap roomHeaders(const std::shared_ptr<Message>& message);
    // The input document of a stylesheet; empty when the message JSON is not a JSON object.
    static PLXMLDocument messageDocument(const QString& messageJSON, const QVariantMap& roomHeaders);
    // The same, with the headers as JSON (as a transform worker gets them).
    static PLXMLDocument documentForMessage(const QString& messageJSON, const QJsonObject& roomHeaders);
    // The compiled form of stylesheet text, from the shared cache; null when it does not compile.
    static std::shared_ptr<const PLXSLTStylesheet> compiledStyleSheet(const QString& name,
                                                                      const QString& xslt);
    // Transforms `document` with stylesheet text, in a transform worker (XSLTWorkerPool) that is
    // ended at the time bound whatever the stylesheet evaluates; "" on any failure.
    static QString transform(const PLXMLDocument& document, const QString& name, const QString& xslt);
    // Every message transformed with one stylesheet text, one worker round trip per batch (each
    // message within its own time bound): its HTML, or "" when it failed. Messages that failed
    // with this text before are not run again.
    static QStringList renderBatch(const QString& name, const QString& xslt,
                                   const QList<MessageParts>& messages);
    // Whether this stylesheet text failed with the message before, or gave it nothing to show.
    static bool hasFailed(const QString& name, const QString& xslt, const MessageParts& message);
    // Forgets every remembered failure (for tests).
    static void forgetFailures();
};

} // namespace pelnix
