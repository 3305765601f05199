#include "GalleryAttachments.h"

#include "GalleryConversation.h"

#include "core/model/ChatRoom.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/ViewController.h"
#include "ui/account/PLPickerInfo.h"
#include "ui/conversation/ConversationScreenInputs.h"
#include "ui/conversation/PLCaptionTextView.h"
#include "ui/conversation/PLChatWindowViewController.h"
#include "ui/conversation/PLUploadActionSheet.h"
#include "ui/conversation/PLUploadViewerWithCaptionController.h"

#include <QEventLoop>
#include <QLinearGradient>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace pelnix::tools {

using platform::ui::ScreenRegistry;
using platform::ui::ViewController;

namespace {

const QString kGallery = QStringLiteral("GalleryAttachments");
constexpr int kSettleMs = 400;
// 133 units: seven short of the limit.
const QString kNearLimitCaption =
    QStringLiteral("The north wall of the site after this morning's pour, seen from the crane. Forms come "
                   "off on Friday if the weather holds up, says Di.");

void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A landscape photo of a building site: sky, a concrete wall, the ground.
QImage sitePicture() {
    QImage picture(1600, 1200, QImage::Format_RGB32);
    QPainter painter(&picture);
    QLinearGradient sky(0, 0, 0, 700);
    sky.setColorAt(0, QColor(0x5B, 0x9B, 0xD5));
    sky.setColorAt(1, QColor(0xC9, 0xE2, 0xF5));
    painter.fillRect(0, 0, 1600, 700, sky);
    painter.fillRect(0, 700, 1600, 500, QColor(0x8A, 0x6E, 0x4B));
    painter.fillRect(300, 380, 1000, 420, QColor(0xB0, 0xB0, 0xAC));
    painter.setPen(QPen(QColor(0x80, 0x80, 0x7C), 6));
    for (int x = 300; x <= 1300; x += 125)
        painter.drawLine(x, 380, x, 800);
    painter.end();
    return picture;
}

const QList<std::pair<QString, QSize>>& screens() {
    static const QList<std::pair<QString, QSize>> list{
        {QStringLiteral("AttachmentSheet"), QSize(320, 568)},
        {QStringLiteral("AttachmentSheet400x720"), QSize(400, 720)},
        {QStringLiteral("UploadCaptionNearLimit"), QSize(320, 568)},
        {QStringLiteral("UploadCaptionNearLimit400x720"), QSize(400, 720)},
        {QStringLiteral("UploadPreviewRightToLeft"), QSize(320, 568)},
        {QStringLiteral("UploadCaptionNearLimitRightToLeft"), QSize(320, 568)},
    };
    return list;
}

ViewController* chatWindowWithSheet() {
    openConversationGalleryStore();
    auto* chat = new PLChatWindowViewController;
    chat->setChatRoom(ChatRoom::chatRoomWithID(QStringLiteral("team")));
    return chat;
}

void showSheet(ViewController* controller) {
    // The chat window's own attachment button makes the sheet the same way.
    auto* sheet = new PLUploadActionSheet(controller);
    sheet->setProperty(ConversationScreenInputs::kRoomId, QStringLiteral("team"));
    sheet->setProperty(ConversationScreenInputs::kInViewController,
                       QVariant::fromValue<QObject*>(controller));
    sheet->showActionSheet();
}

ViewController* captionScreen(bool rightToLeft) {
    auto* screen = new PLUploadViewerWithCaptionController;
    screen->setPickerSelection({{PLPickerInfo::kMediaTypeKey, PLPickerInfo::kImageType},
                                {PLPickerInfo::kOriginalImageKey, sitePicture()}});
    if (rightToLeft)
        screen->view()->setLayoutDirection(Qt::RightToLeft);
    return screen;
}

void typeCaption(ViewController* controller) {
    auto* screen = static_cast<PLUploadViewerWithCaptionController*>(controller);
    screen->addCaptionButtonClicked();
    screen->captionView()->captionsTextView()->insertAsTyped(kNearLimitCaption);
}

} // namespace

QSize attachmentGallerySize(const QString& identifier) {
    for (const auto& [name, size] : screens())
        if (name == identifier)
            return size;
    return QSize(320, 568);
}

void registerAttachmentGalleryScreens() {
    auto* registry = ScreenRegistry::shared();
    for (const auto& [name, size] : screens()) {
        const QSize windowSize = size;
        const bool sheet = name.startsWith(QLatin1String("AttachmentSheet"));
        const bool rightToLeft = name.endsWith(QLatin1String("RightToLeft"));
        // The preview as the picture was chosen, before a caption is added.
        const bool captioned = !name.startsWith(QLatin1String("UploadPreview"));
        registry->registerScreen(
            kGallery, name,
            [sheet, rightToLeft] { return sheet ? chatWindowWithSheet() : captionScreen(rightToLeft); },
            [windowSize, sheet, captioned](ViewController* controller) {
                if (QWidget* window = controller->view()->window())
                    window->resize(windowSize);
                settle(kSettleMs);
                if (sheet)
                    showSheet(controller);
                else if (captioned)
                    typeCaption(controller);
                settle(100);
            });
    }
}

} // namespace pelnix::tools
