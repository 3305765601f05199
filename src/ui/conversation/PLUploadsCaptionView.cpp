#include "ui/conversation/PLUploadsCaptionView.h"
#include "platform/ui/WindowFocus.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/CustomColors.h"
#include "platform/ui/Label.h"
#include "ui/conversation/PLCaptionTextView.h"
#include "ui/conversation/PLChatWindowStyle.h"
#include "ui/toolkit/PLThinSeperatorImageView.h"

namespace pelnix {

namespace {
constexpr int kSideMargin = 8;
constexpr int kTopMargin = 0;

QString localized(const char* text) {
    return PLCurrentBundleInfo::localizedString(QLatin1String(text));
}
} // namespace

PLUploadsCaptionView::PLUploadsCaptionView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("captionView"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);

    m_textView = new PLCaptionTextView(kCaptionLimit, this);
    m_textView->setObjectName(QStringLiteral("captionsTextView"));
    m_textView->setFont(PLChatWindowStyle::font(QStringLiteral("DejaVuSans"), 15));
    m_textView->setFrameShape(QFrame::NoFrame);
    m_textView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_textView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_defaultTextViewHeight = kInitialHeight - kCounterHeight;
    m_textView->setGeometry(kSideMargin, kTopMargin, width() - 2 * kSideMargin, m_defaultTextViewHeight);

    m_placeholder = new platform::ui::Label(localized("Add a caption..."), m_textView->viewport());
    m_placeholder->setObjectName(QStringLiteral("addCaptionPlaceHolder"));
    m_placeholder->setFont(PLChatWindowStyle::font(QStringLiteral("DejaVuSans"), 15));
    m_placeholder->setTextColor(QColor(0x9B, 0x9B, 0x9B));
    m_placeholder->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_hairline = new PLThinSeperatorImageView(this);
    m_hairline->setObjectName(QStringLiteral("captionSeperatorBottom"));

    m_counter = new platform::ui::Label(QString(), this);
    m_counter->setObjectName(QStringLiteral("characterCountLabel"));
    m_counter->setFont(PLChatWindowStyle::font(QStringLiteral("DejaVuSans"), 12));
    m_counter->setTextColor(QColor(0x80, 0x80, 0x80));
    m_counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    connect(m_textView, &QPlainTextEdit::textChanged, this, &PLUploadsCaptionView::textViewDidChange);
    resize(width(), kInitialHeight);
    resetCharacterCount();
    updateCharacterCountAndSeperatorPosition();
}

QString PLUploadsCaptionView::captionText() const {
    QString text = m_textView->toPlainText();
    const auto isBreak = [](QChar c) {
        return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar(0x2028) || c == QChar(0x2029) ||
               c == QChar(0x85) || c == QChar(0x0B) || c == QChar(0x0C);
    };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBreak(text.at(begin)))
        ++begin;
    while (end > begin && isBreak(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

void PLUploadsCaptionView::makeCaptionViewFirstResponder() {
    m_textView->setFocus(Qt::OtherFocusReason);
}

void PLUploadsCaptionView::dismissKeyBoardIfVissible() {
    if (m_textView->hasFocus())
        platform::ui::WindowFocus::leaveKeysToPage(m_textView);
}

void PLUploadsCaptionView::resetCharacterCount() {
    const qsizetype length = m_textView->toPlainText().size();
    m_counter->setText(QStringLiteral("%1/%2").arg(length).arg(kCaptionLimit - length));
}

void PLUploadsCaptionView::updateCharacterCountAndSeperatorPosition() {
    const int textBottom = m_textView->geometry().bottom() + 1;
    m_hairline->setGeometry(0, textBottom - 1, width(), 1);
    m_counter->setGeometry(kSideMargin, textBottom, width() - 2 * kSideMargin, kCounterHeight);
}

void PLUploadsCaptionView::resizeViewIfNeeded() {
    const int textHeight = m_textView->heightForCurrentText();
    const double h = textHeight + kCounterHeight;
    if (h > PLMinCaptionViewHeight && h < PLMaxCaptionViewHeight) {
        resize(width(), int(h));
        m_textView->setGeometry(kSideMargin, kTopMargin, width() - 2 * kSideMargin, textHeight);
        updateCharacterCountAndSeperatorPosition();
        emit captionViewHeightChanged(this);
    } else if (m_defaultTextViewHeight > textHeight) {
        m_textView->setGeometry(kSideMargin, kTopMargin, width() - 2 * kSideMargin, m_defaultTextViewHeight);
        updateCharacterCountAndSeperatorPosition();
    }
    scrollToEnd();
}

void PLUploadsCaptionView::scrollToEnd() {
    // Edits happen at the cursor, which is where the user looks.
    m_textView->ensureCursorVisible();
}

void PLUploadsCaptionView::textViewDidChange() {
    resizeViewIfNeeded();
    resetCharacterCount();
    m_placeholder->setVisible(m_textView->toPlainText().isEmpty());
}

void PLUploadsCaptionView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    QRect text = m_textView->geometry();
    text.setWidth(width() - 2 * kSideMargin);
    m_textView->setGeometry(text);
    m_placeholder->setGeometry(4, 0, text.width() - 8, m_textView->fontMetrics().lineSpacing() + 8);
    updateCharacterCountAndSeperatorPosition();
}

} // namespace pelnix
