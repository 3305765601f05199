#pragma once

#include "smart/PLXSLTStylesheet.h"

#include <QByteArray>
#include <QHash>

#include <memory>

namespace pelnix {

// The transform worker's side (the program pelnix-xslt-worker): answers requests one after the
// other until its caller closes the socket, each input of a request in turn. Stylesheets are
// compiled once per text and kept for the next requests. The worker is a process of its own so that its
// caller can end it at any moment: nothing a transform does can hold up the caller past the time bound (see
// XSLTWorkerPool).
class XSLTWorkerServer {
public:
    // Serves requests read from `in`, writing answers to `out`; answers 0 when the caller closed the
    // stream, 1 on a broken one.
    int serve(int in, int out);

private:
    std::shared_ptr<const PLXSLTStylesheet> compiled(const QByteArray& xslt, QString* error);

    // Sheets a worker keeps; all are dropped when full.
    static constexpr int kMaxCompiledSheets = 32;
    QHash<QByteArray, std::shared_ptr<const PLXSLTStylesheet>> m_sheets;
    // The sheet of the last request, by its text.
    QByteArray m_lastText;
    std::shared_ptr<const PLXSLTStylesheet> m_last;
};

} // namespace pelnix
