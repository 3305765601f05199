#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QString>
#include <QtDebug>

namespace pelnix::test {

// Runs our independent signer (s3_rest_signer.py, path in PELNIX_REST_SIGNER) with one command over a
// list of cases and answers its list of results; empty when the script could not run.
inline QJsonArray runRestSigner(const QString& command, const QJsonArray& cases) {
    QProcess signer;
    signer.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(PELNIX_REST_SIGNER), command});
    if (!signer.waitForStarted(30000)) {
        qWarning("cannot start /usr/bin/python3 (install python3)");
        return {};
    }
    signer.write(QJsonDocument(cases).toJson(QJsonDocument::Compact));
    signer.closeWriteChannel();
    if (!signer.waitForFinished(120000) || signer.exitStatus() != QProcess::NormalExit ||
        signer.exitCode() != 0) {
        qWarning().noquote() << signer.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(signer.readAllStandardOutput()).array();
}

} // namespace pelnix::test
