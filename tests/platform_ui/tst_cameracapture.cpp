// The picker's camera source on QtMultimedia. No camera exists on the machines these tests run on
// and none can be simulated, so they hold the paths without one: the source is offered exactly when
// the system lists a camera, a camera pick without one answers "no camera", and the capture panel
// answers once (an error for a camera that cannot start, nothing for Cancel or Escape) and goes.
#include "TestSandbox.h"
#include "platform/ui/Button.h"
#include "platform/ui/CameraCapture.h"
#include "platform/ui/FileDialogImagePicker.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMediaDevices>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

using namespace pelnix;
using namespace pelnix::platform::ui;

namespace {
struct Answers {
    int calls = 0;
    std::optional<PickedMedia> picked;
    std::optional<PLError> error;
    ImagePicker::Completion completion() {
        return [this](const std::optional<PickedMedia>& p, const std::optional<PLError>& e) {
            ++calls;
            picked = p;
            error = e;
        };
    }
};
} // namespace

class TestCameraCapture : public QObject {
    Q_OBJECT
private slots:
    void theCameraIsOfferedExactlyWhenOneIsListed() {
        FileDialogImagePicker picker;
        const bool listed = !QMediaDevices::videoInputs().isEmpty();
        QCOMPARE(picker.isSourceTypeAvailable(ImagePicker::Source::Camera), listed);
        QVERIFY(picker.isSourceTypeAvailable(ImagePicker::Source::PhotoLibrary));
        QCOMPARE(CameraCapture::deviceFor(ImagePicker::CameraDevice::Front).has_value(), listed);
    }

    void theLibraryOpensOnAFolderWithNoNameTyped() {
        // A user without a pictures folder: the dialog opens at home, its name field empty.
        QTemporaryDir home;
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", home.path().toLocal8Bit());
        FileDialogImagePicker picker;
        QWidget host;
        Answers answers;
        picker.pick(ImagePicker::Source::PhotoLibrary, ImagePicker::MediaKinds::Images, false, &host,
                    answers.completion());
        qputenv("HOME", oldHome);
        auto* dialog = host.findChild<QFileDialog*>();
        QVERIFY(dialog);
        QCOMPARE(QDir(dialog->directory()).canonicalPath(), QDir(home.path()).canonicalPath());
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        QCOMPARE(name->text(), QString());
        dialog->reject();
        QCOMPARE(answers.calls, 1);
        QVERIFY(!answers.picked && !answers.error);
    }

    void aCameraPickWithoutCameraSaysSo() {
        if (!QMediaDevices::videoInputs().isEmpty())
            QSKIP("this machine has a camera");
        FileDialogImagePicker picker;
        QWidget host;
        Answers answers;
        picker.pick(ImagePicker::Source::Camera, ImagePicker::MediaKinds::ImagesAndVideos, false, &host,
                    answers.completion());
        QCOMPARE(answers.calls, 1);
        QVERIFY(!answers.picked);
        QVERIFY(answers.error);
        QCOMPARE(answers.error->code, qint64(ImagePicker::SourceNotAvailableError));
    }

    void aCameraThatCannotStartAnswersOnceWithAnError() {
        test::TestSandbox sandbox;
        QWidget host;
        host.resize(320, 568);
        Answers answers;
        QPointer<CameraCapture> panel = new CameraCapture(
            QCameraDevice(), ImagePicker::MediaKinds::ImagesAndVideos, true, &host, answers.completion());
        // Over the whole window, with its three buttons.
        QCOMPARE(panel->geometry(), host.rect());
        QVERIFY(panel->shutterButton() && panel->recordButton() && panel->cancelButton());
        QCOMPARE(answers.calls, 0);
        QTRY_COMPARE(answers.calls, 1);
        QVERIFY(answers.error);
        QCOMPARE(answers.error->localizedDescription, QStringLiteral("Camera source not found"));
        QTRY_VERIFY(!panel);
        QCOMPARE(answers.calls, 1);
    }

    void cancelAndEscapeAnswerNothing_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Cancel") << false;
        QTest::newRow("Escape") << true;
    }
    void cancelAndEscapeAnswerNothing() {
        QFETCH(bool, escape);
        QWidget host;
        Answers answers;
        QPointer<CameraCapture> panel = new CameraCapture(QCameraDevice(), ImagePicker::MediaKinds::Images,
                                                          false, &host, answers.completion());
        QVERIFY(!panel->recordButton());
        if (escape)
            QTest::keyClick(panel.data(), Qt::Key_Escape);
        else
            panel->cancelButton()->click();
        QCOMPARE(answers.calls, 1);
        QVERIFY(!answers.picked && !answers.error);
        QTRY_VERIFY(!panel);
        QCOMPARE(answers.calls, 1); // the camera's own failure comes too late to answer again
    }
};

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestCameraCapture t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_cameracapture.moc"
