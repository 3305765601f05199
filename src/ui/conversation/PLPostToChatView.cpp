#include "ui/conversation/PLPostToChatView.h"
#include "platform/ui/KeyRepeat.h"
#include "platform/ui/WindowFocus.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/StringAdditions.h"
#include "foundation/ui/CustomColors.h"
#include "interface/Pelnix.h"
#include "platform/ui/Animator.h"
#include "platform/ui/Button.h"
#include "platform/ui/PlainTextView.h"
#include "platform/ui/Window.h"
#include "ui/conversation/PLChatWindowStyle.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace pelnix {

using platform::ui::Animator;
using platform::ui::Button;

namespace {
constexpr int kChatletWidth = 44;
constexpr int kRightWidth = 52;
constexpr int kTextMargin = 6;
const QColor kBorder(0xD6, 0xD9, 0xDC);
const QColor kSendColor(0x00, 0x71, 0xBD);
} // namespace

PLPostToChatView::PLPostToChatView(QWidget* parent)
    : QWidget(parent), m_messageTextView(new platform::ui::PlainTextView(this)), m_mediaUploadButton(nullptr),
      m_postChatletButton(new Button(this)), m_sendButton(nullptr), m_rightBackgroundView(new QWidget(this)),
      m_rightDivider(new QWidget(this)) {
    setObjectName(QStringLiteral("postToChatView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette barPalette = palette();
    barPalette.setColor(QPalette::Window, QColor(0xF7, 0xF7, 0xF7));
    setPalette(barPalette);

    m_messageTextView->setObjectName(QStringLiteral("messageTextView"));
    m_messageTextView->setFrameShape(QFrame::NoFrame);
    m_messageTextView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_messageTextView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_messageTextView->setFont(PLChatWindowStyle::font(QStringLiteral("DejaVuSans"), 15));
    m_placeholder = PLCurrentBundleInfo::localizedString(QStringLiteral("Type your message here"));
    m_messageTextView->setPlaceholderText(m_placeholder);
    m_messageTextView->setTabChangesFocus(true);
    QPalette textPalette = m_messageTextView->palette();
    textPalette.setColor(QPalette::PlaceholderText, CustomColors::textViewPlaceholderTextColor());
    textPalette.setColor(QPalette::Text, Qt::black);
    textPalette.setColor(QPalette::Base, Qt::white);
    m_messageTextView->setPalette(textPalette);
    m_messageTextView->setAccessibleName(m_placeholder);
    connect(m_messageTextView, &QPlainTextEdit::textChanged, this, &PLPostToChatView::textViewDidChange);

    m_rightBackgroundView->setObjectName(QStringLiteral("rightBackgroundView"));
    m_rightBackgroundView->resize(kRightWidth, kDefaultHeight);
    m_mediaUploadButton = new Button(m_rightBackgroundView);
    m_sendButton = new Button(m_rightBackgroundView);
    m_rightDivider->setObjectName(QStringLiteral("rightDivider"));
    m_rightDivider->setAutoFillBackground(true);
    QPalette dividerPalette = m_rightDivider->palette();
    dividerPalette.setColor(QPalette::Window, kBorder);
    m_rightDivider->setPalette(dividerPalette);

    m_mediaUploadButton->setObjectName(QStringLiteral("mediaUploadButton"));
    m_mediaUploadButton->setImage(PLChatWindowStyle::image(QStringLiteral("mediaIcon")));
    m_mediaUploadButton->setImage(PLChatWindowStyle::image(QStringLiteral("mediaIconSelected")),
                                  Button::State::Highlighted);
    m_postChatletButton->setObjectName(QStringLiteral("postChatletButton"));
    m_postChatletButton->setImage(PLChatWindowStyle::image(QStringLiteral("chatletIcon")));
    // The host's own icons replace the bundle's.
    if (const QImage icon = Pelnix::mediaIcon(); !icon.isNull())
        m_mediaUploadButton->setImage(icon);
    if (const QImage icon = Pelnix::chatletIcon(); !icon.isNull())
        m_postChatletButton->setImage(icon);
    m_sendButton->setObjectName(QStringLiteral("sendButton"));
    m_sendButton->setTitle(PLCurrentBundleInfo::localizedString(QStringLiteral("Send")));
    m_sendButton->setTitleFont(PLChatWindowStyle::font(QStringLiteral("DejaVuSans-Bold"), 15));
    m_sendButton->setTitleColor(kSendColor);
    m_sendButton->setTitleColor(kSendColor.darker(140), Button::State::Highlighted);
    m_sendButton->setHidden(true);

    // A click leaves the keys in the text; Tab still reaches the buttons.
    for (Button* button : {m_mediaUploadButton, m_postChatletButton, m_sendButton})
        button->setFocusPolicy(Qt::TabFocus);
    m_messageTextView->installEventFilter(this);

    connect(m_mediaUploadButton, &Button::clicked, this, &PLPostToChatView::uploadMediaButtonClicked);
    connect(m_postChatletButton, &Button::clicked, this, &PLPostToChatView::postChatletsButtonClicked);
    connect(m_sendButton, &Button::clicked, this, &PLPostToChatView::sendMessageButtonClicked);
    resize(320, kDefaultHeight);
}

QString PLPostToChatView::placeholderText() const {
    return m_placeholder;
}

bool PLPostToChatView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_messageTextView && event->type() == QEvent::KeyRelease)
        platform::ui::KeyRepeat::noteRelease(static_cast<QKeyEvent*>(event));
    if (watched == m_messageTextView && event->type() == QEvent::KeyPress &&
        handleReturn(static_cast<QKeyEvent*>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

bool PLPostToChatView::handleReturn(const QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    // While an input method composes, Return neither sends the half-typed text nor breaks the line
    // under the composition (the text view would): the method commits it.
    const QTextLayout* layout = m_messageTextView->textCursor().block().layout();
    if (layout && !layout->preeditAreaText().isEmpty())
        return true;
    if (event->modifiers() & Qt::ShiftModifier) {
        // A paragraph, as the text view's own Return makes: the bar measures plain line breaks.
        m_messageTextView->insertPlainText(QStringLiteral("\n"));
        return true;
    }
    // Return (Ctrl+Return too) presses Send, and only while Send is there to press; held down, it sends
    // at most once (its repeats may come from a press on a page that has gone, a back button's).
    if (!platform::ui::KeyRepeat::isRepeat(event) && !m_sendButton->isHidden() && m_sendButton->isEnabled())
        sendMessageButtonClicked();
    return true;
}

void PLPostToChatView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void PLPostToChatView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LayoutDirectionChange)
        layOut();
}

void PLPostToChatView::layOut() {
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const int w = width();
    const int h = height();
    const auto place = [&](QWidget* view, const QRect& rect) {
        view->setGeometry(PLChatWindowStyle::mirrored(rect, w, rtl));
    };
    place(m_postChatletButton, QRect(0, h - kDefaultHeight, kChatletWidth, kDefaultHeight));
    // A bar narrower than its buttons leaves the field no width, never less: its frame is drawn into
    // a picture of the field's size.
    place(m_messageTextView,
          QRect(kChatletWidth, kTextMargin, std::max(0, w - kChatletWidth - kRightWidth - kTextMargin),
                std::max(0, h - 2 * kTextMargin)));
    // The field scrolled to the caret's line while it was still too short for it; grown, it shows
    // its text from the first line again, as far as the caret's line stays in view.
    m_messageTextView->verticalScrollBar()->setValue(0);
    m_messageTextView->ensureCursorVisible();
    const int textWidth = m_messageTextView->contentsRect().width() -
                          2 * int(std::ceil(m_messageTextView->document()->documentMargin()));
    const QString shown =
        m_messageTextView->fontMetrics().elidedText(m_placeholder, Qt::ElideRight, textWidth);
    if (shown != m_messageTextView->placeholderText())
        m_messageTextView->setPlaceholderText(shown);
    const int rightWidth = m_rightBackgroundView->width();
    place(m_rightBackgroundView, QRect(w - kRightWidth, h - kDefaultHeight, rightWidth, kDefaultHeight));
    m_mediaUploadButton->setGeometry(0, 0, kRightWidth, kDefaultHeight);
    m_sendButton->setGeometry(0, 0, kRightWidth, kDefaultHeight);
    place(m_rightDivider, QRect(w - kRightWidth - 1, h - kDefaultHeight + 8, 1, kDefaultHeight - 16));
}

void PLPostToChatView::paintEvent(QPaintEvent*) {
    const QRect field = m_messageTextView->geometry();
    const qreal ratio = devicePixelRatioF();
    // The field's white frame, antialiased, is drawn once into a picture of its own; the rest is
    // plain fills. A picture of the whole bar would be copied on every frame of a scroll that passes
    // under it, and a copy that large is split over Qt's worker threads, waking them each frame.
    const QRect frame = field.adjusted(-3, -3, 3, 3);
    if (m_fieldFrame.size() != frame.size() * ratio || m_fieldFrame.devicePixelRatio() != ratio) {
        m_fieldFrame = QImage(frame.size() * ratio, QImage::Format_RGB32);
        m_fieldFrame.setDevicePixelRatio(ratio);
        m_fieldFrame.fill(palette().color(QPalette::Window));
        QPainter painter(&m_fieldFrame);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(kBorder, 1));
        painter.setBrush(Qt::white);
        painter.drawRoundedRect(QRectF(QPointF(3, 3), field.size()).adjusted(-2.5, -2.5, 2.5, 2.5), 6, 6);
    }
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.fillRect(QRect(0, 0, width(), 1), kBorder);
    painter.drawImage(frame.topLeft(), m_fieldFrame);
}

void PLPostToChatView::dismissKeyboard() {
    platform::ui::WindowFocus::leaveKeysToPage(m_messageTextView);
    if (m_messageTextView->toPlainText().isEmpty())
        reset();
}

void PLPostToChatView::reset() {
    {
        // One change notice for the whole reset, from textViewDidChange() below.
        const QSignalBlocker blocker(m_messageTextView);
        m_messageTextView->clear();
    }
    textViewDidChange();
}

void PLPostToChatView::textViewDidChange() {
    updateViewIfRequired();
    if (auto* delegate = m_delegate.get())
        delegate->textViewDidChange(m_messageTextView);
}

void PLPostToChatView::updateViewIfRequired() {
    // The alpha the media button is going to, not the one a running fade shows now: a key typed
    // during the fade must not start another swap.
    const bool hasText = !m_messageTextView->toPlainText().isEmpty();
    if (hasText && m_mediaAlpha != 0)
        swapButtons(0, m_sendButton);
    else if (!hasText && m_mediaAlpha == 0)
        swapButtons(1, m_mediaUploadButton);
}

void PLPostToChatView::swapButtons(qreal mediaAlpha, const QWidget* dividerAnchor) {
    ++m_swaps;
    m_mediaAlpha = mediaAlpha;
    const bool mediaWasHidden = m_mediaUploadButton->isHidden();
    // Send pressed from the keyboard hides itself: the keys go back to the text, not to whatever
    // widget comes next.
    if (Button* hiding = mediaWasHidden ? m_sendButton : m_mediaUploadButton; hiding->hasFocus())
        m_messageTextView->setFocus(Qt::OtherFocusReason);
    Animator::animateAlpha(m_mediaUploadButton, mediaAlpha, kSwapMs);
    m_sendButton->setHidden(mediaWasHidden);
    m_mediaUploadButton->setHidden(!mediaWasHidden);
    QRect background = m_rightBackgroundView->geometry();
    background.setWidth(m_sendButton->width());
    m_rightBackgroundView->setGeometry(background);
    const int anchorLeft = dividerAnchor->mapTo(this, QPoint()).x();
    m_rightDivider->move(anchorLeft - 1, m_rightDivider->y());
}

void PLPostToChatView::uploadMediaButtonClicked() {
    if (auto* delegate = m_delegate.get())
        delegate->uploadMediaButtonClickHandler();
}

void PLPostToChatView::postChatletsButtonClicked() {
    if (auto* delegate = m_delegate.get())
        delegate->postChatletButtonClickHandler();
}

void PLPostToChatView::sendMessageButtonClicked() {
    // The next message is typed where this one was, also after a click on Send while the keys were
    // elsewhere; an alert the delegate opens gives them back to the text once answered.
    if (m_messageTextView->isEnabled() && m_messageTextView->isVisible())
        platform::ui::Window::giveKeyboardTo(m_messageTextView);
    if (auto* delegate = m_delegate.get())
        delegate->postTextMessage(
            StringAdditions::stringByTrimmingWhiteSpacesAndNewLines(m_messageTextView->toPlainText()));
}

} // namespace pelnix
