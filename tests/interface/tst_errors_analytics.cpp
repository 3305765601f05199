#include "TestSandbox.h"
#include "interface/PLAnalyticsData.h"
#include "interface/PLAnalyticsTrackingHelper.h"
#include "interface/PelnixErrorHandlingHelper.h"
#include "interface/PelnixEventTracker.h"
#include "interface/PelnixSetUp.h"
#include "platform/Log.h"
#include "platform/ui/ScreenRegistry.h"
#include "ui/account/AccountAnalytics.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
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

    void accountScreensReportToTheHostsTracker() {
        // The account screens sit below the facade; the facade connects them to the host's tracker.
        PelnixSetUp::connectScreens();
        QVERIFY(platform::ui::ScreenRegistry::shared()->hasScreen("Login", "PLSignUpViewController"));
        QVERIFY(
            platform::ui::ScreenRegistry::shared()->hasScreen("Home", "PLUserProfileNavigationController"));
        RecordingTracker host;
        PelnixEventTracker::sharedEventTrackerInstance()->setEventTrackerDelegate(&host);
        AccountAnalytics::trackEvent("Settings- Download latest");
        AccountAnalytics::trackEvent("Clicked Add phone #", {{"success", true}});
        QCOMPARE(host.events.size(), 2);
        QCOMPARE(host.events.at(1).first, QStringLiteral("Clicked Add phone #"));
        QCOMPARE(host.events.at(1).second.value("success").toBool(), true);
        AccountAnalytics::setTracker({});
    }

    void analyticsDataPersistsAndReloadsAsAStoredModel() {
        test::TestSandbox sandbox;
        PLStoredModel::dropSharedInstancesForTesting();
        QCOMPARE(PLAnalyticsData::codablePropertyKeys(PLAnalyticsData::staticMetaObject),
                 QStringList{"analyticsEventsDict"});
        auto data = PLAnalyticsData::sharedInstance();
        QVERIFY(data->analyticsEventsDict().isEmpty()); // no saved file yet, no bundle defaults

        const QDateTime when = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
        const QVariantMap opened{{"count", 3}, {"last", when}, {"screens", QVariantList{"Rooms", "Chat"}}};
        data->analyticsEventsDict().insert("Opened", opened); // changed in place
        data->analyticsEventsDict()["Sent"] = QVariantMap{{"text", 12}, {"picture", 1}};
        QVERIFY(data->save());
        QVERIFY(data->SM_saveFilePath().endsWith("/PLAnalyticsData.plist"));
        QVERIFY(QFile::exists(data->SM_saveFilePath()));

        // Another process finds what was saved.
        PLStoredModel::dropSharedInstancesForTesting();
        const auto reloaded = PLAnalyticsData::sharedInstance();
        QVERIFY(reloaded != data);
        const QVariantMap events = reloaded->analyticsEventsDict();
        QCOMPARE(events.keys(), (QStringList{"Opened", "Sent"}));
        const QVariantMap readOpened = events.value("Opened").toMap();
        QCOMPARE(readOpened.value("count").toLongLong(), 3);
        QCOMPARE(readOpened.value("last").toDateTime(), when);
        QCOMPARE(readOpened.value("screens").toStringList(), (QStringList{"Rooms", "Chat"}));
        QCOMPARE(events.value("Sent").toMap().value("text").toLongLong(), 12);

        // Only the shared instance saves; a copy built from a dictionary takes the known key only.
        const auto copy = PLAnalyticsData::instanceWithObject(
            QVariantMap{{"analyticsEventsDict", QVariantMap{{"Other", 1}}}, {"unknown", "x"}});
        QVERIFY(copy);
        QCOMPARE(copy->analyticsEventsDict().keys(), QStringList{"Other"});
        QVERIFY(!copy->save());
        PLStoredModel::dropSharedInstancesForTesting();
        QCOMPARE(PLAnalyticsData::sharedInstance()->analyticsEventsDict().keys(),
                 (QStringList{"Opened", "Sent"}));
        PLStoredModel::dropSharedInstancesForTesting();
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
