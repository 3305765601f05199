#include "ui/conversation/PLUploadViewerWithCaptionController.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "media/PLMultiMediaHandler.h"
#include "platform/NotificationCenter.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "ui/account/PLPickerInfo.h"
#include "ui/conversation/AttachmentsLog.h"
#include "ui/conversation/PLCaptionTextView.h"
#include "ui/conversation/PLChatWindowStyle.h"
#include "ui/conversation/PLDownloadedImageViewer.h"
#include "ui/conversation/PLDownloadedVideoViewer.h"
#include "ui/conversation/PLUploadsCaptionView.h"
#include "ui/toolkit/PLThinSeperatorImageView.h"

#include <QResizeEvent>
#include <QStyle>
#include <QThread>

namespace pelnix {

using platform::ui::AlertView;
using platform::ui::Animator;
using platform::ui::Button;
using platform::ui::KeyboardMonitor;

namespace {

constexpr int kSlideMs = 300;
constexpr int kButtonSideMargin = 12;
constexpr int kBarButtonWidth = 80;
const QColor kBarColor(0x1C, 0x1C, 0x1E);

QString localized(const char* text) {
    return PLCurrentBundleInfo::localizedString(QLatin1String(text));
}

Button* barButton(const QString& title, const QString& name, QWidget* parent) {
    auto* button = new Button(parent);
    button->setObjectName(name);
    button->setTitle(title);
    button->setTitleFont(PLChatWindowStyle::font(QStringLiteral("DejaVuSans"), 16));
    button->setTitleColor(Qt::white);
    button->setTitleColor(QColor(0xAA, 0xAA, 0xAA), Button::State::Highlighted);
    return button;
}

// Keeps the root's children placed when a window resizes it or turns its layout direction.
class UploadViewerRootView : public QWidget {
public:
    UploadViewerRootView(std::function<void()> layout) : m_layout(std::move(layout)) {}

protected:
    bool event(QEvent* event) override {
        const bool handled = QWidget::event(event);
        if (event->type() == QEvent::LayoutDirectionChange && m_layout)
            m_layout();
        return handled;
    }

    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (m_layout)
            m_layout();
    }

private:
    std::function<void()> m_layout;
};

} // namespace

PLUploadViewerWithCaptionController::PLUploadViewerWithCaptionController(QObject* parent)
    : ViewController(parent) {
    setObjectName(QStringLiteral("uploadViewerWithCaptionController"));
}

PLUploadViewerWithCaptionController::~PLUploadViewerWithCaptionController() {
    unregisterToKeyboardNotifications();
}

QWidget* PLUploadViewerWithCaptionController::loadView() {
    QPointer<PLUploadViewerWithCaptionController> self(this);
    auto* root = new UploadViewerRootView([self] {
        if (self)
            self->layoutRoot();
    });
    root->setAutoFillBackground(true);
    QPalette palette = root->palette();
    palette.setColor(QPalette::Window, Qt::black);
    root->setPalette(palette);

    m_previewContainer = new QWidget(root);
    m_previewContainer->setObjectName(QStringLiteral("previewContainerView"));
    auto* tap = new platform::ui::TapGestureRecognizer([self](platform::ui::GestureRecognizer*) {
        if (self)
            self->hideKeyBoardIfVisible();
    });
    tap->addToView(m_previewContainer);

    m_bottomView = new QWidget(root);
    m_bottomView->setObjectName(QStringLiteral("bottomView"));
    m_bottomView->setAutoFillBackground(true);
    QPalette bar = m_bottomView->palette();
    bar.setColor(QPalette::Window, kBarColor);
    m_bottomView->setPalette(bar);

    m_addCaptionButton =
        barButton(localized("Add Caption"), QStringLiteral("addCaptionButton"), m_bottomView);
    m_captionMenuSeperator = new PLThinSeperatorImageView(m_bottomView);
    m_cancelButton = barButton(localized("Cancel"), QStringLiteral("cancelButton"), m_bottomView);
    m_doneButton = barButton(localized("Done"), QStringLiteral("doneButton"), m_bottomView);
    m_doneButton->setTitleFont(PLChatWindowStyle::font(QStringLiteral("DejaVuSans-Bold"), 16));
    QObject::connect(m_addCaptionButton, &QAbstractButton::clicked, this,
                     &PLUploadViewerWithCaptionController::addCaptionButtonClicked);
    QObject::connect(m_cancelButton, &QAbstractButton::clicked, this,
                     &PLUploadViewerWithCaptionController::cancelButtonClicked);
    QObject::connect(m_doneButton, &QAbstractButton::clicked, this,
                     &PLUploadViewerWithCaptionController::doneButtonClicked);
    return root;
}

void PLUploadViewerWithCaptionController::viewDidLoad() {
    addPreviewForType(
        PLMultiMediaHandler::mediatypeFromInfo(PLPickerInfo::mediaSelection(m_pickerSelection, false)));
    layoutRoot();
}

void PLUploadViewerWithCaptionController::layoutRoot() {
    QWidget* root = isViewLoaded() ? view() : nullptr;
    if (!root || !m_bottomView)
        return;
    const int width = root->width();
    const int height = root->height();
    if (!m_slidUp) {
        const int barHeight = kAddCaptionButtonHeight + kBottomBarHeight;
        m_bottomView->setGeometry(0, height - barHeight - (m_keyboardShown ? keyboardHeight() : 0), width,
                                  barHeight);
    } else if (m_captionView) {
        const int keyboard = keyboardHeight();
        m_captionView->setGeometry(0, height - keyboard - m_captionView->height(), width,
                                   m_captionView->height());
        m_bottomView->setGeometry(0, m_captionView->y() - kBottomBarHeight, width, kBottomBarHeight);
    }
    layoutBottomView();
}

void PLUploadViewerWithCaptionController::layoutBottomView() {
    if (!m_bottomView)
        return;
    const int width = m_bottomView->width();
    const int height = m_bottomView->height();
    m_addCaptionButton->setGeometry(0, 0, width, kAddCaptionButtonHeight);
    m_captionMenuSeperator->setGeometry(0, kAddCaptionButtonHeight - 1, width, 1);
    // The bar's buttons stay along its bottom edge however the bar is sized: Cancel at the leading
    // end, Done at the trailing one.
    const int barTop = height - kBottomBarHeight;
    const Qt::LayoutDirection direction = m_bottomView->layoutDirection();
    m_cancelButton->setGeometry(
        QStyle::visualRect(direction, m_bottomView->rect(),
                           QRect(kButtonSideMargin, barTop, kBarButtonWidth, kBottomBarHeight)));
    m_doneButton->setGeometry(QStyle::visualRect(
        direction, m_bottomView->rect(),
        QRect(width - kButtonSideMargin - kBarButtonWidth, barTop, kBarButtonWidth, kBottomBarHeight)));
    if (m_previewContainer) {
        m_previewContainer->setGeometry(0, 0, width, qMax(0, m_bottomView->y()));
        if (m_preview)
            m_preview->setGeometry(m_previewContainer->rect());
    }
}

void PLUploadViewerWithCaptionController::addPreviewForType(quint64 type) {
    PLDownloadViewer* viewer = nullptr;
    if (type == PLMediaSelection::Image) {
        auto* picture = new PLDownloadedImageViewer(m_previewContainer);
        picture->setGeometry(m_previewContainer->rect());
        picture->showImage(m_pickerSelection.value(PLPickerInfo::kOriginalImageKey).value<QImage>());
        viewer = picture;
    } else if (type == PLMediaSelection::Movie) {
        auto* video = new PLDownloadedVideoViewer(m_previewContainer);
        video->setGeometry(m_previewContainer->rect());
        const QString media = m_pickerSelection.value(PLPickerInfo::kMediaURLKey).toString();
        const QUrl url(media);
        video->showVideoForURL(url.scheme().isEmpty() ? QUrl::fromLocalFile(media) : url);
        viewer = video;
    } else {
        return;
    }
    if (m_preview)
        m_preview->doneButtonPressed();
    m_preview = viewer;
    m_preview->setObjectName(QStringLiteral("previewViewer"));
    m_preview->setDownloadViewerDelegate(this);
    m_preview->show();
}

void PLUploadViewerWithCaptionController::downloadViewerDidDetectTap() {
    hideKeyBoardIfVisible();
}

void PLUploadViewerWithCaptionController::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    layoutRoot();
    registerToKeyboardNotifications();
}

void PLUploadViewerWithCaptionController::viewWillDisappear(bool animated) {
    unregisterToKeyboardNotifications();
    // A previewed video does not play on behind the conversation.
    if (auto* video = qobject_cast<PLDownloadedVideoViewer*>(m_preview.data()); video && video->moviePlayer())
        video->moviePlayer()->pause();
    ViewController::viewWillDisappear(animated);
}

void PLUploadViewerWithCaptionController::registerToKeyboardNotifications() {
    auto* center = platform::NotificationCenter::defaultCenter();
    center->removeObservers(&m_keyboardObservers);
    KeyboardMonitor::shared(); // the notifications come from it
    QPointer<PLUploadViewerWithCaptionController> self(this);
    center->addObserver(
        KeyboardMonitor::kWillShow,
        [self](const platform::Notification& n) {
            if (self)
                self->handleKeyboardDisplay(n.userInfo);
        },
        &m_keyboardObservers);
    center->addObserver(
        KeyboardMonitor::kWillHide,
        [self](const platform::Notification& n) {
            if (self)
                self->handleKeyboardDismiss(n.userInfo);
        },
        &m_keyboardObservers);
}

void PLUploadViewerWithCaptionController::unregisterToKeyboardNotifications() {
    platform::NotificationCenter::defaultCenter()->removeObservers(&m_keyboardObservers);
}

int PLUploadViewerWithCaptionController::keyboardHeight() const {
    // A hidden keyboard covers nothing, whatever frame its last notification carried.
    if (!m_keyboardShown)
        return 0;
    return m_keyboardInfo.value(KeyboardMonitor::kFrameEndKey).toRect().height();
}

void PLUploadViewerWithCaptionController::handleKeyboardDisplay(const QVariantMap& userInfo) {
    // A keyboard already up may change its height: move by the difference.
    const int before = keyboardHeight();
    m_keyboardInfo = userInfo;
    m_keyboardShown = true;
    const int delta = keyboardHeight() - before;
    Animator::animate(userInfo.value(KeyboardMonitor::kDurationKey).toDouble() * 1000, [this, delta] {
        if (m_captionView)
            m_captionView->move(m_captionView->x(), m_captionView->y() - delta);
        m_bottomView->move(m_bottomView->x(), m_bottomView->y() - delta);
        layoutBottomView();
    });
}

void PLUploadViewerWithCaptionController::handleKeyboardDismiss(const QVariantMap& userInfo) {
    if (!m_keyboardShown)
        return;
    const int height = keyboardHeight();
    m_keyboardInfo = userInfo;
    m_keyboardShown = false;
    Animator::animate(userInfo.value(KeyboardMonitor::kDurationKey).toDouble() * 1000, [this, height] {
        if (m_captionView)
            m_captionView->move(m_captionView->x(), m_captionView->y() + height);
        m_bottomView->move(m_bottomView->x(), m_bottomView->y() + height);
        layoutBottomView();
    });
}

void PLUploadViewerWithCaptionController::addCaptionButtonClicked() {
    Q_ASSERT(QThread::currentThread() == thread());
    if (!m_captionView) {
        m_captionView = new PLUploadsCaptionView(view());
        m_captionView->setGeometry(0, m_bottomView->geometry().bottom() + 1, m_bottomView->width(),
                                   PLUploadsCaptionView::kInitialHeight);
        QObject::connect(m_captionView, &PLUploadsCaptionView::captionViewHeightChanged, this,
                         &PLUploadViewerWithCaptionController::captionViewHeightChanged);
        m_captionView->show();
    }
    m_captionView->makeCaptionViewFirstResponder();
    if (!m_slidUp)
        updateCaptionViewPositionBySlidingUp(true);
}

void PLUploadViewerWithCaptionController::updateCaptionViewPositionBySlidingUp(bool up) {
    if (!m_captionView)
        return;
    m_slidUp = up;
    m_addCaptionButton->setHidden(up);
    m_captionMenuSeperator->setHidden(up);
    Animator::animate(kSlideMs, [this, up] {
        const int delta = m_captionView->height() - kAddCaptionButtonHeight;
        QRect frame = m_bottomView->geometry();
        if (up) {
            frame.moveTop(frame.top() - delta);
            frame.setHeight(frame.height() - kAddCaptionButtonHeight);
        } else {
            frame.moveTop(frame.top() + delta);
            frame.setHeight(frame.height() + kAddCaptionButtonHeight);
        }
        m_bottomView->setGeometry(frame);
        layoutBottomView();
        m_captionView->move(0, m_bottomView->geometry().bottom() + 1);
    });
}

void PLUploadViewerWithCaptionController::captionViewHeightChanged(PLUploadsCaptionView* captionView) {
    if (!captionView || !isViewLoaded())
        return;
    const int bottom = view()->height() - keyboardHeight();
    captionView->move(0, bottom - captionView->height());
    m_bottomView->move(0, captionView->y() - m_bottomView->height());
    layoutBottomView();
}

void PLUploadViewerWithCaptionController::doneButtonClicked() {
    hideKeyBoardIfVisible();
    if (m_slidUp)
        updateCaptionViewPositionBySlidingUp(false);
    if (!m_handler)
        return;
    QString caption;
    if (m_captionView)
        caption = m_captionView->captionText().trimmed().replace(QLatin1Char('\n'), QLatin1Char(' '));
    // Once: a second Done finds no handler.
    const CaptionEditedCompletionHandler handler = std::exchange(m_handler, {});
    handler(m_captionView && caption.isNull() ? QStringLiteral("") : caption);
}

void PLUploadViewerWithCaptionController::cancelButtonClicked() {
    QPointer<PLUploadViewerWithCaptionController> self(this);
    auto* alert =
        new AlertView(localized("Confirm"), localized("All changes will be lost. Continue?"), QString(),
                      {localized("Yes"), localized("No")}, [self](AlertView* shown, int index) {
                          if (self)
                              self->alertViewClickedButtonAtIndex(shown, index);
                      });
    alert->setCancelButtonIndex(alert->numberOfButtons() - 1);
    alert->setTag(kCancelAlertTag);
    alert->setObjectName(QStringLiteral("cancelConfirmationAlert"));
    alert->show(window());
}

void PLUploadViewerWithCaptionController::alertViewClickedButtonAtIndex(AlertView* alert, int buttonIndex) {
    if (!alert || alert->tag() != kCancelAlertTag || buttonIndex == alert->cancelButtonIndex())
        return;
    hideKeyBoardIfVisible();
    qCDebug(lcAttachments) << "the picked picture is thrown away";
    dismissViewController(true);
}

void PLUploadViewerWithCaptionController::hideKeyBoardIfVisible() {
    if (m_captionView)
        m_captionView->dismissKeyBoardIfVissible();
}

} // namespace pelnix
