#include "HelperProgram.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

namespace pelnix::platform {

namespace {

// Any address in this library, for asking the loader which file it came from.
const char kAnchor = 0;

QString libraryFolder() {
    Dl_info info{};
    if (dladdr(&kAnchor, &info) == 0 || !info.dli_fname)
        return {};
    const QFileInfo file(QFile::decodeName(info.dli_fname));
    return file.isAbsolute() ? file.canonicalPath() : QString();
}

} // namespace

HelperProgram::HelperProgram(const QString& name, const char* environmentVariable, const QString& buildPath)
    : m_name(name), m_environmentVariable(environmentVariable), m_buildPath(buildPath) {}

QStringList HelperProgram::candidates() const {
    QStringList paths;
    if (const QString given = qEnvironmentVariable(m_environmentVariable); !given.isEmpty())
        paths << given;
    if (const QString folder = libraryFolder(); !folder.isEmpty())
        paths << folder + QLatin1Char('/') + m_name;
    if (QCoreApplication::instance())
        paths << QCoreApplication::applicationDirPath() + QLatin1Char('/') + m_name;
    if (!m_buildPath.isEmpty())
        paths << m_buildPath;
    paths.removeDuplicates();
    return paths;
}

QString HelperProgram::path() const {
    for (const QString& candidate : candidates()) {
        const QFileInfo file(candidate);
        if (file.isFile() && file.isExecutable())
            return file.absoluteFilePath();
    }
    return {};
}

} // namespace pelnix::platform
