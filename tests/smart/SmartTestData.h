#pragma once

#include <QFile>
#include <QString>
#include <QtGlobal>

namespace pelnix::test {

// A stand-in fixture of the smart-message downloads, read from the source tree.
inline QByteArray smartFixture(const QString& name) {
    QFile file(qEnvironmentVariable("PELNIX_SOURCE_DIR") + QStringLiteral("/standin/fixtures/smart/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace pelnix::test
