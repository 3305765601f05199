#include "smart/XSLTWorkerServer.h"

#include "smart/PLXMLDocument.h"
#include "smart/XSLTWorkerProtocol.h"

#include <QCryptographicHash>

namespace pelnix {

using namespace xsltworker;

int XSLTWorkerServer::serve(int in, int out) {
    if (!writeFully(out, &kReady, 1, -1))
        return 1;
    for (;;) {
        const std::optional<Request> request = readRequest(in);
        if (!request)
            return 0;
        Reply reply;
        QString error;
        if (const auto style = compiled(request->xslt, &error)) {
            const PLXMLDocument input = PLXMLDocument::documentWithXMLData(request->input, &error, true);
            if (input.isNull())
                error = QStringLiteral("input document: ") + error;
            else if (const std::optional<QString> html = style->transform(input, request->limits, &error))
                reply = Reply{true, *html};
        }
        if (!reply.ok)
            reply.text = error;
        const QByteArray bytes = encode(reply);
        if (!writeFully(out, bytes.constData(), bytes.size(), -1))
            return 1;
    }
}

std::shared_ptr<const PLXSLTStylesheet> XSLTWorkerServer::compiled(const QByteArray& xslt, QString* error) {
    const QByteArray key = QCryptographicHash::hash(xslt, QCryptographicHash::Sha256);
    if (const auto it = m_sheets.constFind(key); it != m_sheets.cend())
        return *it;
    auto style = PLXSLTStylesheet::compile(xslt, error);
    if (!style)
        return nullptr;
    if (m_sheets.size() >= kMaxCompiledSheets)
        m_sheets.clear();
    m_sheets.insert(key, style);
    return style;
}

} // namespace pelnix
