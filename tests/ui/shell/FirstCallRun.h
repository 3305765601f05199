#pragma once

// A host whose very first call into the library is one entry, seen from outside: the test program runs
// itself again as a fresh process with a variable of its environment naming the entry, and that process
// reports the screen the host got and the look of the host's own date picker.

#include <QCoreApplication>
#include <QDateEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

namespace pelnix::test {

// In the fresh process, once the entry is made: the class of the screen shown (null for none) and the
// pixel size of a date picker the host makes now.
inline void reportFirstCall(const char* screenClass) {
    QDateEdit hostPicker;
    hostPicker.show();
    std::printf("screen: %s\ndate picker: %d px\n", screenClass ? screenClass : "none",
                hostPicker.font().pixelSize());
    std::fflush(stdout);
}

// In the test: the fresh process with `variable` set to `entry`, in a sandbox of its own, showed
// `screen`, gave the host's date picker the library's look, and missed no screen.
inline void verifyFirstCall(const char* variable, const QString& entry, const QString& screen) {
    QTemporaryDir sandbox;
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(variable), entry);
    environment.insert(QStringLiteral("PELNIX_SANDBOX_ROOT"), sandbox.path());
    run.setProcessEnvironment(environment);
    run.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(run.waitForFinished(60000));
    const QString out = QString::fromUtf8(run.readAllStandardOutput());
    const QString err = QString::fromUtf8(run.readAllStandardError());
    QCOMPARE(run.exitCode(), 0);
    QVERIFY2(out.contains(QStringLiteral("screen: %1\n").arg(screen)), qPrintable(out + err));
    QVERIFY2(out.contains(QStringLiteral("date picker: 20 px")), qPrintable(out));
    QVERIFY2(!err.contains(QStringLiteral("no screen")), qPrintable(err));
}

} // namespace pelnix::test
