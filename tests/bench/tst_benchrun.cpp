// The shared run of the benchmark programs: a failed check fails the program without aborting it, a
// benchmark skipped for want of a tool fails nothing, a missed timing goal fails a full run only, and a
// short run is asked for by argument or by the environment.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Ended {
    bool finished = false;
    QProcess::ExitStatus status = QProcess::CrashExit;
    int code = -1;
    QByteArray out;
    QByteArray err;
};

Ended runProgram(const QString& program, const QStringList& arguments,
                 const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Ended ended;
    ended.finished = process.waitForFinished(120000);
    ended.status = process.exitStatus();
    ended.code = process.exitCode();
    ended.out = process.readAllStandardOutput();
    ended.err = process.readAllStandardError();
    return ended;
}

QProcessEnvironment withoutShortRun() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("PELNIX_BENCH_SHORT"));
    return environment;
}

} // namespace

class TestBenchRun : public QObject {
    Q_OBJECT
private slots:
    void outcome_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("said");
        QTest::newRow("checks hold") << QStringList{"--benchmark_filter=BM_Holds"} << 0 << QByteArray();
        QTest::newRow("a check fails while the clock is paused")
            << QStringList{"--benchmark_filter=BM_FailsWhilePaused"} << 1
            << QByteArray("failed: BM_FailsWhilePaused/iterations:3: the rows were lost");
        QTest::newRow("a check fails while the clock runs")
            << QStringList{"--benchmark_filter=BM_FailsWhileTimed"} << 1
            << QByteArray("failed: BM_FailsWhileTimed/iterations:3: wrong page");
        QTest::newRow("a benchmark skipped for want of a tool")
            << QStringList{"--benchmark_filter=BM_Skipped"} << 0
            << QByteArray("skipped: BM_Skipped: skipped: a tool is not installed");
        QTest::newRow("the program's own check fails")
            << QStringList{"--benchmark_filter=BM_Holds", "--fail-check"} << 1
            << QByteArray("check failed: the program's own check");
        QTest::newRow("a timing goal missed in a full run")
            << QStringList{"--benchmark_filter=BM_Holds", "--miss-target"} << 1
            << QByteArray("check failed: target: the program's rate, 0.46x (target 0.5x)");
        // A few frames on a busy machine: said, and counted against nothing.
        QTest::newRow("a timing goal missed in a short run")
            << QStringList{"--short", "--benchmark_filter=BM_Holds", "--miss-target"} << 0
            << QByteArray(
                   "target missed, not counted in a short run: the program's rate, 0.46x (target 0.5x)");
        QTest::newRow("no benchmark matches")
            << QStringList{"--benchmark_filter=BM_None"} << 1 << QByteArray("no benchmark ran");
        QTest::newRow("one failure among passing benchmarks")
            << QStringList{"--benchmark_filter=BM_Holds|BM_FailsWhileTimed|BM_Skipped"} << 1
            << QByteArray("1 benchmarks failed, 0 checks failed");
    }
    void outcome() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, said);
        const Ended ended = runProgram(QStringLiteral(PELNIX_BENCHRUN_PROBE), arguments, withoutShortRun());
        QVERIFY(ended.finished);
        QCOMPARE(ended.status, QProcess::NormalExit);
        QCOMPARE(ended.code, exitCode);
        QVERIFY2(ended.err.contains(said), ended.err.constData());
    }

    void shortRun_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QByteArray>("run");
        QTest::addColumn<QByteArray>("left");
        const QString filter = QStringLiteral("--benchmark_filter=BM_ReportsTheRun");
        QTest::newRow("full") << QStringList{filter, "--keep"} << QString()
                              << QByteArray("short 0 iterations 5") << QByteArray("arguments --keep\n");
        QTest::newRow("--short") << QStringList{"--short", filter, "--keep"} << QString()
                                 << QByteArray("short 1 iterations 1") << QByteArray("arguments --keep\n");
        QTest::newRow("--short last")
            << QStringList{filter, "--keep", "--short"} << QString() << QByteArray("short 1 iterations 1")
            << QByteArray("arguments --keep\n");
        QTest::newRow("PELNIX_BENCH_SHORT=1")
            << QStringList{filter} << QStringLiteral("1") << QByteArray("short 1 iterations 1")
            << QByteArray("arguments\n");
        QTest::newRow("PELNIX_BENCH_SHORT=0")
            << QStringList{filter} << QStringLiteral("0") << QByteArray("short 0 iterations 5")
            << QByteArray("arguments\n");
        QTest::newRow("a program argument that only starts like it")
            << QStringList{filter, "--shorter"} << QString() << QByteArray("short 0 iterations 5")
            << QByteArray("arguments --shorter\n");
    }
    void shortRun() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, environment);
        QFETCH(QByteArray, run);
        QFETCH(QByteArray, left);
        QProcessEnvironment variables = withoutShortRun();
        if (!environment.isEmpty())
            variables.insert(QStringLiteral("PELNIX_BENCH_SHORT"), environment);
        const Ended ended = runProgram(QStringLiteral(PELNIX_BENCHRUN_PROBE), arguments, variables);
        QVERIFY(ended.finished);
        QCOMPARE(ended.code, 0);
        QVERIFY2(ended.out.contains(run), ended.out.constData());
        QVERIFY2(ended.out.startsWith(left) || ended.out.contains("\n" + left), ended.out.constData());
    }

    // A short run that needs a tool the machine lacks (GStreamer's to make its video, curl to compare
    // with) says so and ends as skipped, which the tests count as such.
    void aShortRunWithoutItsToolIsSkipped_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QByteArray>("said");
        QTest::newRow("media stress") << QStringLiteral(PELNIX_BENCH_MEDIASTRESS)
                                      << QByteArray("skipped: gst-launch-1.0 is not installed");
        QTest::newRow("downloads") << QStringLiteral(PELNIX_BENCH_DOWNLOAD)
                                   << QByteArray("skipped: curl is not installed");
    }
    void aShortRunWithoutItsToolIsSkipped() {
        QFETCH(QString, program);
        QFETCH(QByteArray, said);
        const QTemporaryDir emptyFolder;
        QProcessEnvironment environment = withoutShortRun();
        environment.insert(QStringLiteral("PATH"), emptyFolder.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const Ended ended = runProgram(program, {"--short"}, environment);
        QVERIFY(ended.finished);
        QCOMPARE(ended.code, 77);
        QVERIFY2(ended.out.contains(said), ended.out.constData());
    }
};

QTEST_GUILESS_MAIN(TestBenchRun)
#include "tst_benchrun.moc"
