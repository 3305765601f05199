#include "smart/XSLTMessageSink.h"

#include <cstdarg>
#include <cstdio>

namespace pelnix {

void XSLTMessageSink::append(const QString& part) {
    if (text.size() >= kMaxChars) {
        ++dropped;
        return;
    }
    text.append(part.left(kMaxChars - text.size()));
}

QString XSLTMessageSink::summary() const {
    QString out = text.trimmed();
    if (dropped)
        out += QStringLiteral(" (%1 more messages)").arg(dropped);
    return out;
}

void XSLTMessageSink::collectFormatted(void* sink, const char* format, ...) {
    va_list args;
    va_start(args, format);
    char buffer[512];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    static_cast<XSLTMessageSink*>(sink)->append(QString::fromUtf8(buffer));
}

void XSLTMessageSink::collectStructured(void* sink, xmlErrorPtr error) {
    if (error && error->message)
        static_cast<XSLTMessageSink*>(sink)->append(QString::fromUtf8(error->message));
}

} // namespace pelnix
