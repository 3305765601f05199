// The installed package as a host's build uses it: install into a fresh prefix, then configure, build
// and run a small host that finds the library with find_package(Pelnix).
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestPackage : public QObject {
    Q_OBJECT
private slots:
    void aHostBuildsAgainstTheInstalledPackage();
};

namespace {

// Runs a program to its end; its output on failure.
bool run(const QString& program, const QStringList& arguments, QString* output = nullptr) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(300000);
    const QString text = QString::fromLocal8Bit(process.readAll());
    if (output)
        *output = text;
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning().noquote() << program << arguments.join(' ') << "\n" << text;
        return false;
    }
    return true;
}

void write(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

} // namespace

void TestPackage::aHostBuildsAgainstTheInstalledPackage() {
    const QString buildDir = qEnvironmentVariable("PELNIX_BUILD_DIR");
    QVERIFY2(!buildDir.isEmpty(), "PELNIX_BUILD_DIR names the library's build folder");
    QTemporaryDir work;
    const QString prefix = work.filePath("prefix");
    QVERIFY(run("cmake", {"--install", buildDir, "--prefix", prefix}));
    QVERIFY(QFile::exists(prefix + "/include/pelnix/interface/Pelnix.h"));
    QVERIFY(QFile::exists(prefix + "/include/pelnix/platform/PLError.h"));

    const QString source = work.filePath("host");
    QVERIFY(QDir().mkpath(source));
    write(source + "/CMakeLists.txt", R"(cmake_minimum_required(VERSION 3.25)
project(Host LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 20)
find_package(Pelnix 0.1 REQUIRED)
add_executable(host main.cpp)
target_link_libraries(host PRIVATE Pelnix::Pelnix)
)");
    write(source + "/main.cpp", R"(#include <interface/Pelnix.h>
#include <cstdio>
int main() {
    // The change screen opens lock state 2; an unknown view type opens none.
    const auto change = pelnix::Pelnix::appLockStatusFromPassCodeViewType(3);
    const auto unknown = pelnix::Pelnix::appLockStatusFromPassCodeViewType(9);
    std::printf("%lld %d\n", static_cast<long long>(change.value_or(-1)), unknown.has_value());
    return 0;
}
)");
    const QString hostBuild = work.filePath("host-build");
    QVERIFY(run("cmake", {"-S", source, "-B", hostBuild, "-G", "Ninja", "-DCMAKE_PREFIX_PATH=" + prefix}));
    QVERIFY(run("cmake", {"--build", hostBuild}));
    QString output;
    QVERIFY(run(hostBuild + "/host", {}, &output));
    QCOMPARE(output.trimmed(), QStringLiteral("2 0"));
}

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
