#pragma once

#include <QString>
#include <QStringList>

namespace pelnix::platform {

// Where the library finds a program of its own that it starts (a worker): the file named by an
// environment variable, beside the library's file, beside the application, and in the build tree.
class HelperProgram {
public:
    HelperProgram(const QString& name, const char* environmentVariable, const QString& buildPath = {});

    // The places looked at, in order.
    QStringList candidates() const;
    // The first of them that is an executable file; empty when none is.
    QString path() const;

private:
    QString m_name;
    const char* m_environmentVariable;
    QString m_buildPath;
};

} // namespace pelnix::platform
