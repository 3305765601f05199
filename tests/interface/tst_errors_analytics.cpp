#include "TestSandbox.h"
#include "interface/PLAnalyticsTrackingHelper.h"
#include "interface/PelnixErrorHandlingHelper.h"
#include "interface/PelnixEventTracker.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QTest>

using namespace pelnix;

namespace {
QStringList g_lines;
void capture(QtMsgType, const QMessageLogContext&, const QString& msg) {
    g_lines << msg;
}

class RecordingTracker : public QObject, public PelnixEventTrackerDelegate {
public:
    void eventTracked(const QString& name, const QVariantMap& properties) override {
        events.append({name, properties});
    }
    QList<QPair<QString, QVariantMap>> events;
};

// A host object that does not implement the delegate interface.
class NotATracker : public QObject {};
} // namespace

class TestErrorsAnalytics : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        platform::Log::setEnabled(false);
        PelnixEventTracker::sharedEventTrackerInstance()->setDelegate(nullptr);
    }

    void errorCarriesDomainCodeAndTextAndLogsOnlyWhenEnabled() {
        g_lines.clear();
        auto previous = qInstallMessageHandler(capture);
        const PLError quiet = PelnixErrorHandlingHelper::errorWithCode(-1006, "Passcode is not enabled.");
        platform::Log::setEnabled(true);
        const PLError loud = PelnixErrorHandlingHelper::errorWithCode(-1006, "Passcode is not enabled.");
        const PLError silent = PelnixErrorHandlingHelper::silentErrorWithCode(-1000, "Email ID not set\n");
        qInstallMessageHandler(previous);

        QCOMPARE(g_lines, QStringList{"Pelnix : Passcode is not enabled."});
        QCOMPARE(quiet, loud);
        QCOMPARE(loud.domain, QStringLiteral("inc.karvest.Pelnix"));
        QCOMPARE(loud.code, qint64(-1006));
        QCOMPARE(loud.localizedDescription, QStringLiteral("Passcode is not enabled."));
        QCOMPARE(silent.code, qint64(PelnixErrorParametersNotSet));
    }

    void trackerReachesOnlyARealDelegateAndHoldsItWeakly() {
        auto* tracker = PelnixEventTracker::sharedEventTrackerInstance();
        PLAnalyticsTrackingHelper::trackEvent("NoDelegate"); // no effect, no crash

        NotATracker other;
        tracker->setEventTrackerDelegate(&other);
        PLAnalyticsTrackingHelper::trackEvent("Ignored", {{"k", 1}});
        QCOMPARE(tracker->eventTrackerDelegate(), &other);

        auto* host = new RecordingTracker;
        tracker->setEventTrackerDelegate(host);
        PLAnalyticsTrackingHelper::trackEvent("Opened");
        PLAnalyticsTrackingHelper::trackEvent("Sent", {{"type", "text"}}, true);
        QCOMPARE(host->events.size(), 2);
        QCOMPARE(host->events.at(0).first, QStringLiteral("Opened"));
        QVERIFY(host->events.at(0).second.isEmpty());
        QCOMPARE(host->events.at(1).second.value("type").toString(), QStringLiteral("text"));

        delete host;
        QVERIFY(tracker->delegate() == nullptr);
        PLAnalyticsTrackingHelper::trackEvent("AfterRelease"); // must not touch the dead object
    }

    void deviceDetailsAreReadable() {
        test::TestSandbox sandbox;
        QVERIFY(PLAnalyticsTrackingHelper::availableDiskSpcae() > 0);
        QVERIFY(!PLAnalyticsTrackingHelper::deviceName().isEmpty());
        QVERIFY(!PLAnalyticsTrackingHelper::osVersionBuild().isEmpty());
        const QString ip = PLAnalyticsTrackingHelper::getIPAddress();
        QVERIFY(ip == QStringLiteral("error") || ip.count('.') == 3);
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QCoreApplication app(argc, argv);
    TestErrorsAnalytics t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_errors_analytics.moc"
