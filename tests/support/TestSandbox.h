#pragma once

#include <QString>
#include <QTemporaryDir>

namespace pelnix::test {

// A throwaway sandbox root for one test: the library's folders live below it and vanish with it.
class TestSandbox {
public:
    TestSandbox();
    ~TestSandbox();
    TestSandbox(const TestSandbox&) = delete;
    TestSandbox& operator=(const TestSandbox&) = delete;

    QString root() const { return m_dir.path(); }
    QString path(const QString& relative) const { return m_dir.filePath(relative); }

    // Every file below the root, relative to it, sorted.
    QStringList listFiles() const;

private:
    QTemporaryDir m_dir;
};

// Quiets Qt's runtime-folder warning and keeps tests off any real display. Call before QApplication.
void prepareTestEnvironment();

} // namespace pelnix::test
