// The input bar under the list: its place over the keyboard, its growth with the text, sending a
// text, and the entry points to attachments, chatlets and shared contacts.

#include "ui/conversation/PLChatWindowViewController.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/StringAdditions.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Animator.h"
#include "platform/ui/KeyboardMonitor.h"
#include "platform/ui/ScreenRegistry.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "platform/ui/Window.h"
#include "smart/SmartFormManager.h"
#include "ui/conversation/ConversationLog.h"
#include "ui/conversation/ConversationScreenInputs.h"
#include "ui/conversation/PLChatWindowCollectionView.h"
#include "ui/conversation/PLChatWindowScrollToBottomOrTopView.h"
#include "ui/conversation/PLLinkDisplayHelper.h"
#include "ui/conversation/PLNewUpdatesNotificationButton.h"
#include "ui/conversation/PLPostToChatView.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextDocument>

namespace pelnix {

using platform::Notification;
using platform::NotificationCenter;
using platform::ui::Animator;
using platform::ui::KeyboardMonitor;
using platform::ui::ScreenRegistry;

namespace {

QString localized(const char* text) {
    return PLCurrentBundleInfo::localizedString(QLatin1String(text));
}

// The margin between the bar's edges and its text field, above and below.
constexpr int kTextMargin = 6;
const QString kUploadActionSheetIdentifier = QStringLiteral("PLUploadActionSheet");

platform::ui::Window* libraryWindowOf(QWidget* view) {
    for (QWidget* widget = view; widget; widget = widget->parentWidget())
        if (auto* window = qobject_cast<platform::ui::Window*>(widget))
            return window;
    return nullptr;
}

} // namespace

void PLChatWindowViewController::addPostingMessageViewAtBottom(QWidget* root) {
    m_postToChatView = new PLPostToChatView(root);
    m_defaultPostToChatViewHeight = PLPostToChatView::kDefaultHeight;
    m_postToChatView->setDelegate(this);
    m_postToChatView->setGeometry(0, root->height() - int(m_defaultPostToChatViewHeight), root->width(),
                                  int(m_defaultPostToChatViewHeight));
}

int PLChatWindowViewController::postToChatViewTop() {
    // A removed user has no bar: it waits just below the view.
    const int visible = (m_chatWindowState & kStateRemoved) ? 0 : m_postToChatView->height();
    return view()->height() - m_keyboardOverlap - visible;
}

void PLChatWindowViewController::placePostToChatView(int height, int animationMs) {
    const QRect frame(0, 0, view()->width(), height);
    const int top = (m_chatWindowState & kStateRemoved) ? view()->height()
                                                        : view()->height() - m_keyboardOverlap - height;
    Animator::animateProperty(m_postToChatView, "geometry", frame.translated(0, top), animationMs,
                              Animator::Curve::Linear);
}

void PLChatWindowViewController::keepingTheListAtItsEnd(const std::function<void()>& change) {
    const bool atEnd =
        m_collectionView->contentOffset().y() >= m_collectionView->maximumContentOffset().y() - 1;
    change();
    if (atEnd && m_collectionView->contentOffset().y() < m_collectionView->maximumContentOffset().y())
        m_collectionView->setContentOffset(
            QPointF(m_collectionView->contentOffset().x(), m_collectionView->maximumContentOffset().y()));
}

void PLChatWindowViewController::postToChatViewFrameChanged() {
    if (!m_collectionView || !m_postToChatView)
        return;
    // The list always ends at the bar's top; a list at its end stays there, so the bar growing as the
    // user types covers none of the newest rows.
    keepingTheListAtItsEnd([this] {
        m_collectionView->setContentInsetBottom(qMax(0, view()->height() - m_postToChatView->y()));
    });
    adjustScrollToTpoOrBottonViewPosition();
    if (m_userKickedMessageView)
        m_userKickedMessageView->setGeometry(m_postToChatView->rect());
    placeNotificationButton();
}

// ---- Growth while typing

int PLChatWindowViewController::postToChatViewHeightForText(const QString& text) const {
    const int base = int(m_defaultPostToChatViewHeight);
    if (text.isEmpty())
        return base;
    const QPlainTextEdit* field = m_postToChatView->messageTextView();
    // Laid out as the field lays it out; a final line break opens a line of its own.
    QTextDocument document;
    document.setDefaultFont(field->font());
    document.setDocumentMargin(field->document()->documentMargin());
    document.setPlainText(text);
    document.setTextWidth(field->viewport()->width());
    const qreal height = document.size().height() + 2 * kTextMargin;
    if (height > kMaximumBarHeight)
        return kMaximumBarHeight;
    return qMax(base, qCeil(height));
}

void PLChatWindowViewController::textViewDidChange(QPlainTextEdit* textView) {
    if (!textView || !m_postToChatView)
        return;
    const int target = postToChatViewHeightForText(textView->toPlainText());
    const int delta = target - m_postToChatView->height();
    if (delta != 0) {
        // The bar grows upwards: its bottom stays where it is.
        const QRect frame = m_postToChatView->geometry().adjusted(0, -delta, 0, 0);
        Animator::animateProperty(m_postToChatView, "geometry", frame, kBarGrowthMs, Animator::Curve::Linear);
    }
    if (!textView->toPlainText().isEmpty())
        textView->ensureCursorVisible();
}

// ---- Keyboard

void PLChatWindowViewController::registerToKeyboardNotifications() {
    unregisterToKeyboardNotifications();
    auto* center = NotificationCenter::defaultCenter();
    KeyboardMonitor::shared();
    m_keyboardObservers << center->addObserver(
        KeyboardMonitor::kWillShow,
        [this](const Notification& n) { handleKeyboardShowWithUserInfo(n.userInfo); }, this);
    m_keyboardObservers << center->addObserver(
        KeyboardMonitor::kWillHide,
        [this](const Notification& n) { handleKeyboardHideWithUserInfo(n.userInfo); }, this);
}

void PLChatWindowViewController::unregisterToKeyboardNotifications() {
    for (auto token : std::exchange(m_keyboardObservers, {}))
        NotificationCenter::defaultCenter()->removeObserver(token);
}

int PLChatWindowViewController::keyboardOverlap(const QVariantMap& userInfo) {
    // The keyboard's frame is given in the library's window: what of it covers this view.
    const QRect keyboard = userInfo.value(KeyboardMonitor::kFrameEndKey).toRect();
    if (keyboard.height() <= 0)
        return 0;
    platform::ui::Window* window = libraryWindowOf(view());
    const int viewBottom = window ? view()->mapTo(window, QPoint(0, view()->height())).y() : view()->height();
    return qBound(0, viewBottom - keyboard.top(), view()->height());
}

void PLChatWindowViewController::handleKeyboardShowWithUserInfo(const QVariantMap& userInfo) {
    if (!isViewLoaded() || !m_collectionView)
        return;
    // A tap on the list closes a keyboard that covers it. A desktop's keyboard covers nothing and
    // never closes: a click on the list does what it does on its row, and the text keeps the keys.
    if (keyboardOverlap(userInfo) > 0) {
        if (!m_dismissKeyboardTapRecognizer)
            m_dismissKeyboardTapRecognizer = new platform::ui::TapGestureRecognizer(
                [this](platform::ui::GestureRecognizer*) { dismissKeyboard(); });
        m_dismissKeyboardTapRecognizer->addToView(m_collectionView->viewport());
    } else {
        removeDismissKeyboardTapRecognizer();
    }
    handleKeyboardActions(userInfo, true);
}

void PLChatWindowViewController::handleKeyboardHideWithUserInfo(const QVariantMap& userInfo) {
    removeDismissKeyboardTapRecognizer();
    handleKeyboardActions(userInfo, false);
}

void PLChatWindowViewController::removeDismissKeyboardTapRecognizer() {
    if (m_dismissKeyboardTapRecognizer && m_dismissKeyboardTapRecognizer->view()) {
        m_dismissKeyboardTapRecognizer->removeFromView();
        m_dismissKeyboardTapRecognizer->setParent(this);
    }
}

void PLChatWindowViewController::handleKeyboardActions(const QVariantMap& userInfo, bool showing) {
    // The text going with the view it is in (a host deleting the window while the user types) hides
    // the keyboard after the list went.
    if (!isViewLoaded() || !m_collectionView || !m_postToChatView)
        return;
    const int overlap = showing ? keyboardOverlap(userInfo) : 0;
    // Only a keyboard that changes what it covers moves the bar and brings the newest rows into view;
    // the text taking or losing the keys alone (a desktop's keyboard covers nothing) leaves the list
    // where the user has it, so that a press on a row lands on that row.
    if (overlap == m_keyboardOverlap)
        return;
    const int durationMs = qRound(userInfo.value(KeyboardMonitor::kDurationKey).toDouble() * 1000);
    m_keyboardOverlap = overlap;
    if (!(m_chatWindowState & kStateRemoved)) {
        const QRect frame(0, view()->height() - overlap - m_postToChatView->height(), view()->width(),
                          m_postToChatView->height());
        Animator::animateProperty(m_postToChatView, "geometry", frame, durationMs,
                                  Animator::Curve::EaseInOut);
    }
    m_collectionView->scrollToBottomAnimated(false);
}

void PLChatWindowViewController::dismissKeyboard() {
    if (m_postToChatView)
        m_postToChatView->dismissKeyboard();
}

// ---- Sending

bool PLChatWindowViewController::isValidMessage(const QString& text) const {
    return !text.isEmpty() && !StringAdditions::stringByTrimmingWhiteSpacesAndNewLines(text).isEmpty();
}

void PLChatWindowViewController::showPostFailedErrorMessage(const QString& text) {
    const QString message = text.isNull() ? localized("Please try again.") : text;
    auto* alert = new platform::ui::AlertView(localized("Post Failed"), message, localized("OK"), {});
    alert->setObjectName(QStringLiteral("postFailedAlert"));
    alert->show(window());
}

void PLChatWindowViewController::postTextMessage(const QString& text) {
    if (isValidMessage(text) && m_chatRoom)
        m_chatRoom->postTextMessage(text);
    else if (!isValidMessage(text))
        showPostFailedErrorMessage(localized("Enter valid message."));
    m_postToChatView->reset();
}

// ---- Entry points

platform::ui::AlertView* PLChatWindowViewController::showNotAvailableAlert(const QString& what) {
    qCInfo(lcConversation) << what << "is not available in this build";
    auto* alert = new platform::ui::AlertView(localized("Failed"), PLLinkDisplayHelper::notAvailableText(),
                                              localized("OK"), {});
    alert->setObjectName(QStringLiteral("notAvailableAlert"));
    alert->show(window());
    if (!alert->isShown()) {
        delete alert;
        return nullptr;
    }
    return alert;
}

platform::ui::ViewController* PLChatWindowViewController::instantiateScreen(const QString& storyboard,
                                                                            const QString& identifier,
                                                                            const QString& what) {
    auto* screen = ScreenRegistry::shared()->instantiate(storyboard, identifier);
    if (!screen)
        showNotAvailableAlert(what);
    return screen;
}

void PLChatWindowViewController::uploadMediaButtonClickHandler() {
    using namespace ConversationScreenInputs;
    if (!m_uploaderSheet) {
        auto* sheet = instantiateScreen(kStoryboard, kUploadActionSheetIdentifier, localized("Attachments"));
        if (!sheet)
            return;
        sheet->setParent(this);
        sheet->setProperty(kRoomId, roomId());
        sheet->setProperty(kInViewController, QVariant::fromValue<QObject*>(this));
        sheet->setProperty(kPostChatletDelegate, QVariant::fromValue<QObject*>(this));
        m_uploaderSheet = sheet;
    }
    // Made once; shown anew on every tap.
    if (!QMetaObject::invokeMethod(m_uploaderSheet, "showActionSheet")) {
        qCWarning(lcConversation) << "the attachment sheet cannot be shown";
        showNotAvailableAlert(localized("Attachments"));
    }
}

void PLChatWindowViewController::postChatletButtonClickHandler() {
    showChatletComposer();
}

void PLChatWindowViewController::selectedContact(const QVariantMap& contact, qint32) {
    if (contact.isEmpty())
        return;
    const QString json = SmartFormManager::constructShareContactJsonFromDictionary(contact);
    if (json.isEmpty()) {
        // The contact's form could not be made: nothing is posted, and the user learns it.
        showPostFailedErrorMessage(QString());
        return;
    }
    postChatletToChatWindow(json, nullptr, {});
}

} // namespace pelnix
