#pragma once

// Every line written while it lives, as the logging rules of the moment let it through, each as
// "<category> <text>"; lines still reach the handler that was there before.

#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace pelnix::test {

class CapturedLog {
public:
    CapturedLog() {
        s_current = this;
        m_previous = qInstallMessageHandler(&CapturedLog::handle);
    }
    ~CapturedLog() {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    QStringList lines() const {
        QMutexLocker lock(&m_mutex);
        return m_lines;
    }
    QString text() const { return lines().join(QLatin1Char('\n')); }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        CapturedLog* log = s_current;
        if (!log)
            return;
        {
            QMutexLocker lock(&log->m_mutex);
            log->m_lines << QString::fromLatin1(context.category ? context.category : "") + QLatin1Char(' ') +
                                text;
        }
        if (log->m_previous)
            log->m_previous(type, context, text);
    }

    static inline CapturedLog* s_current = nullptr;
    QtMessageHandler m_previous = nullptr;
    mutable QMutex m_mutex;
    QStringList m_lines;
};

} // namespace pelnix::test
