#include "smart/XSLTWorkerServer.h"

#include "smart/PLXMLDocument.h"
#include "smart/SmartMessageRenderer.h"
#include "smart/XSLTWorkerProtocol.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>

namespace pelnix {

using namespace xsltworker;

namespace {

PLXMLDocument inputDocument(const Input& input, QString* error) {
    if (input.kind == Input::Kind::MessageJSON) {
        const QJsonObject headers = QJsonDocument::fromJson(input.headers).object();
        PLXMLDocument document =
            SmartMessageRenderer::documentForMessage(QString::fromUtf8(input.data), headers);
        if (document.isNull())
            *error = QStringLiteral("the smart message is not a JSON object");
        return document;
    }
    PLXMLDocument document = PLXMLDocument::documentWithXMLData(input.data, error, true);
    // What the parser said quotes the document, the message's own text.
    if (document.isNull())
        *error = QStringLiteral("the input document is not well-formed");
    return document;
}

} // namespace

int XSLTWorkerServer::serve(int in, int out) {
    if (!writeFully(out, &kReady, 1, -1))
        return 1;
    for (;;) {
        const std::optional<Request> request = readRequest(in);
        if (!request)
            return 0;
        QString sheetError;
        const auto style = compiled(request->xslt, &sheetError);
        // Each answer goes out as soon as its input is done: the caller bounds each input's time.
        for (const Input& input : request->inputs) {
            Reply reply;
            QString error = sheetError;
            if (style) {
                const PLXMLDocument document = inputDocument(input, &error);
                if (!document.isNull())
                    if (const std::optional<QString> html =
                            style->transform(document, request->limits, &error))
                        reply = Reply{true, *html};
            }
            if (!reply.ok)
                reply.text = error;
            const QByteArray bytes = encode(reply);
            if (!writeFully(out, bytes.constData(), bytes.size(), -1))
                return 1;
        }
    }
}

std::shared_ptr<const PLXSLTStylesheet> XSLTWorkerServer::compiled(const QByteArray& xslt, QString* error) {
    // Compared before hashed: a request of one message is mostly the sheet of the one before, and
    // hashing it cost a quarter of that message's time.
    if (m_last && xslt == m_lastText)
        return m_last;
    const QByteArray key = QCryptographicHash::hash(xslt, QCryptographicHash::Sha256);
    std::shared_ptr<const PLXSLTStylesheet> style = m_sheets.value(key);
    if (!style) {
        style = PLXSLTStylesheet::compile(xslt, error);
        if (!style)
            return nullptr;
        if (m_sheets.size() >= kMaxCompiledSheets)
            m_sheets.clear();
        m_sheets.insert(key, style);
    }
    m_lastText = xslt;
    m_last = style;
    return style;
}

} // namespace pelnix
