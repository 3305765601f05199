#pragma once

#include "smart/PLXMLDocument.h"
#include "smart/PLXSLTStylesheet.h"

#include <QString>
#include <QVariantMap>

#include <memory>

namespace pelnix {

class Message;

// Turns a smart message into HTML: the message JSON, wrapped with the room's headers, becomes XML
// under the root "msg" (the mapping of PLXMLDocument), and the stored stylesheet named by the
// message's `xsltName` transforms it. Stylesheets are compiled once per stored text and shared (a
// text that does not compile is not compiled again).
//
// Every failure (no or malformed JSON, no stylesheet, a stylesheet that does not compile, a failing
// transform, one stopped at the bounds of PLXSLTStylesheet::Limits) gives "" and a logged warning
// in `pelnix.smart`, and the caller (the message import among them) goes on. Runs on any thread
// that has a store context.
class SmartMessageRenderer {
public:
    // The element of "msg" that holds the room's headers.
    static constexpr char kRoomHeadersElement[] = "roomheaders";

    // The message's HTML. When `htmlText` is empty it is rendered and, when that gave HTML, kept in
    // `htmlText` (not saved). A stylesheet not yet stored is downloaded first: synchronously when
    // `downloadSynchronously` (the calling thread waits), otherwise in the background (this call
    // then answers "" and a later one renders).
    static QString generateHTMLString(const std::shared_ptr<Message>& message, bool downloadSynchronously);
    // generateHTMLString(message, false): what the chat window shows.
    static QString htmlString(const std::shared_ptr<Message>& message);
    // The details or comments page: the same document, transformed with the details stylesheet
    // named by the link info's "SmartType" (category "detailform"), downloaded synchronously when
    // missing. Not cached.
    static QString htmlStringForDetailsPage(const std::shared_ptr<Message>& message,
                                            const QVariantMap& linkInfo);

    // The rendering itself, for callers that hold the parts: message JSON text, stylesheet name and
    // the room headers (see roomHeaders()).
    static QString renderHTML(const QString& messageJSON, const QString& xsltName,
                              const QVariantMap& roomHeaders, bool downloadSynchronously);

    // What a stylesheet may read about the message and its room: "roomId", "roomName", "roomType",
    // "messageId", "senderId", "senderName", "fromId", "fromName", "currentUserId", "latestAction",
    // "replyCount", "updateCount", "date".
    static QVariantMap roomHeaders(const std::shared_ptr<Message>& message);
    // The input document of a stylesheet; empty when the message JSON is not a JSON object.
    static PLXMLDocument messageDocument(const QString& messageJSON, const QVariantMap& roomHeaders);
    // The compiled form of stylesheet text, from the shared cache; null when it does not compile.
    static std::shared_ptr<const PLXSLTStylesheet> compiledStyleSheet(const QString& name,
                                                                      const QString& xslt);
    // Transforms `document` with stylesheet text, in a transform worker (XSLTWorkerPool) that is
    // ended at the time bound whatever the stylesheet evaluates; "" on any failure.
    static QString transform(const PLXMLDocument& document, const QString& name, const QString& xslt);
};

} // namespace pelnix
