#pragma once

// Ann sending attachments from her library to the room "r1" while Bob's device, in a process of its
// own, follows his stream: the stream session, the real browser engine for the pages, a picker that
// answers as told, the storage endpoint holding a put so the ring can be seen, and the checks of the
// signed put. A stream test derives from it beside QObject and calls start() and stop() from its
// init() and cleanup().

#include "PeerDevice.h"
#include "StreamSession.h"

#include "platform/ui/ActionSheet.h"
#include "platform/ui/WebEngineWebView.h"
#include "platform/ui/Window.h"
#include "platform/ui/testing/FakeImagePicker.h"
#include "ui/conversation/PLCaptionTextView.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLUploadActionSheet.h"
#include "ui/conversation/PLUploadViewerWithCaptionController.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QTest>

#include <memory>

namespace pelnix::test {

// The media entry of an attachment post's text.
inline QJsonObject mediaOf(const QString& text) {
    return QJsonDocument::fromJson(text.toUtf8())
        .object()
        .value("content")
        .toObject()
        .value("media")
        .toArray()
        .at(0)
        .toObject();
}

// A 4000 x 3000 picture, sky over ground, saved at `path` as a camera would; false when not saved.
inline bool saveCameraPicture(const QString& path) {
    QImage photo(4000, 3000, QImage::Format_RGB32);
    photo.fill(QColor(0x8A, 0x6E, 0x4B));
    {
        QPainter painter(&photo);
        painter.fillRect(0, 0, 4000, 1500, QColor(0x5B, 0x9B, 0xD5));
    }
    return photo.save(path, "JPEG", 90);
}

struct AttachmentSending {
    std::unique_ptr<CoreFixture> world;
    std::unique_ptr<platform::ui::Window> window;
    std::unique_ptr<PeerDevice> bob;
    PLChatWindowViewController* chat = nullptr;
    platform::ui::FakeImagePicker* picker = nullptr;

    // Fails the test when Ann's session does not start.
    void start() {
        startConversationWithBob(world);
        if (QTest::currentTestFailed())
            return;
        platform::ui::WebView::setMaker(
            [](QWidget* parent) { return new platform::ui::WebEngineWebView(parent); });
        auto fake = std::make_unique<platform::ui::FakeImagePicker>();
        picker = fake.get();
        platform::ui::ImagePicker::setCurrent(std::move(fake));
    }
    void stop() {
        bob.reset();
        window.reset();
        chat = nullptr;
        platform::ui::ImagePicker::setCurrent({});
        platform::ui::WebView::setMaker({});
        endSession();
        world.reset();
    }

    // Bob's device: this program again, told the stand-in's address in `variable`; it says "READY" once
    // his stream is open.
    void startBobsDevice(const char* variable) {
        bob = std::make_unique<PeerDevice>(variable, world->baseUrl());
        QVERIFY(bob->process().waitForStarted(10000));
        QVERIFY2(bob->says(QStringLiteral("READY"), 60000), bob->errorTail().constData());
        QTRY_VERIFY_WITH_TIMEOUT(world->server().openStreams(kBob) > 0, 20000);
    }
    void showAnnsChatWindow() {
        window = std::make_unique<platform::ui::Window>();
        chat = showChatWindowOnRoom(*window);
    }

    // The storage endpoint holds the next put; the request log starts afresh.
    bool holdNextPut() {
        world->server().clearRequestLog();
        return world->server().addFault({"pelnix\\.media/", "PUT", 1, standin::FaultInjector::Mode::Hold});
    }
    // Ann picks `media` from her library through the attachment sheet.
    void pickFromLibrary(const platform::ui::PickedMedia& media) {
        picker->answer = media;
        chat->uploadMediaButtonClickHandler();
        auto* sheet = qobject_cast<platform::ui::ActionSheet*>(window->alerts().value(0));
        QVERIFY(sheet);
        sheet->tapButtonAtIndex(PLUploadActionSheet::ChooseExistingIndex);
    }
    // On the caption screen a picked picture opens: `caption` typed, then done.
    void captionAndSend(const QString& caption) {
        auto* captionScreen = qobject_cast<PLUploadViewerWithCaptionController*>(
            chat->rootAncestor()->presentedViewController());
        QVERIFY(captionScreen);
        captionScreen->addCaptionButton()->click();
        QVERIFY(captionScreen->captionView()->captionsTextView()->insertAsTyped(caption));
        captionScreen->doneButton()->click();
        QTRY_VERIFY(!chat->rootAncestor()->presentedViewController());
    }
    // Storage received one signed put of the file `media` names, of type `mime`, since the log began.
    void checkOneSignedPut(const QJsonObject& media, const QString& mime) {
        int puts = 0;
        for (const auto& request : world->server().requestLog())
            if (request.server == "s3" && request.method == "PUT") {
                ++puts;
                QVERIFY2(
                    QString::fromStdString(request.header("Authorization")).startsWith(QLatin1String("AWS ")),
                    request.header("Authorization").c_str());
                QVERIFY(QString::fromStdString(request.path).endsWith(media.value("fileId").toString()));
                QCOMPARE(QString::fromStdString(request.header("Content-Type")), mime);
                QCOMPARE(request.status, 200);
            }
        QCOMPARE(puts, 1);
    }
};

} // namespace pelnix::test
