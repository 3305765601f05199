#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QString>
#include <QtDebug>

namespace pelnix::test {

// Runs one of our independent Python checkers with its arguments over a list of cases (JSON on its
// standard input) and answers its list of results; empty when the script could not run.
inline QJsonArray runPythonChecker(const QStringList& arguments, const QJsonArray& cases) {
    QProcess signer;
    signer.start(QStringLiteral("/usr/bin/python3"), arguments);
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

#ifdef PELNIX_REST_SIGNER
// Our signer of the S3 REST scheme (s3_rest_signer.py) with one command.
inline QJsonArray runRestSigner(const QString& command, const QJsonArray& cases) {
    return runPythonChecker({QStringLiteral(PELNIX_REST_SIGNER), command}, cases);
}
#endif

} // namespace pelnix::test
