#include "TestSandbox.h"

#include "platform/Sandbox.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <unistd.h>

namespace pelnix::test {

TestSandbox::TestSandbox() {
    platform::Sandbox::setRoot(m_dir.path());
}

TestSandbox::~TestSandbox() {
    platform::Sandbox::setRoot(QString());
}

QStringList TestSandbox::listFiles() const {
    QStringList out;
    QDirIterator it(m_dir.path(), QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir base(m_dir.path());
    while (it.hasNext())
        out << base.relativeFilePath(it.next());
    out.sort();
    return out;
}

void prepareTestEnvironment() {
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString dir = QDir::tempPath() + QStringLiteral("/pelnix-xdg-%1").arg(getuid());
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir.toUtf8());
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace pelnix::test
