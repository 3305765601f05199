#include "TextView.h"

#include "FieldDirection.h"
#include "LineBreaker.h"
#include "ScrollIndicators.h"

#include "platform/BidiText.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace pelnix::platform::ui {

TextView::TextView(QWidget* parent) : QTextBrowser(parent), m_indicators(new ScrollIndicators(this)) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setFrameShape(QFrame::NoFrame);
    setAcceptRichText(false);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (!m_shouldInteract || m_shouldInteract(url))
            emit linkTapped(url);
    });
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            [this](const QSizeF& size) {
                if (!qFuzzyCompare(size.height() + 1, m_lastHeight + 1)) {
                    m_lastHeight = size.height();
                    emit contentHeightChanged(size.height());
                }
            });
    connect(document(), &QTextDocument::contentsChanged, this, &TextView::followText);
    setEditable(false);
}

void TextView::setEditable(bool editable) {
    const bool wasEditable = !isReadOnly();
    setReadOnly(!editable);
    // Tab moves to the next field of a form, as in every desktop form; read only, it walks the links.
    setTabChangesFocus(editable);
    setTextInteractionFlags(editable ? Qt::TextEditorInteraction : Qt::TextBrowserInteraction);
    if (editable) {
        followText();
    } else if (wasEditable) {
        // Read only, a text's paragraphs find their directions as Qt finds them.
        QTextOption option = document()->defaultTextOption();
        option.setTextDirection(Qt::LayoutDirectionAuto);
        document()->setDefaultTextOption(option);
    }
}

void TextView::followText() {
    if (!isReadOnly())
        FieldDirection::layOut(document(), layoutDirection(), false);
}

void TextView::setPlaceholderText(const QString& text) {
    m_placeholder = text;
    viewport()->update();
}

void TextView::changeEvent(QEvent* event) {
    QTextBrowser::changeEvent(event);
    if (event->type() == QEvent::LayoutDirectionChange) {
        followText();
        viewport()->update();
    }
}

void TextView::paintEvent(QPaintEvent* event) {
    QTextBrowser::paintEvent(event);
    const QTextLayout* first = document()->firstBlock().layout();
    if (m_placeholder.isEmpty() || !document()->isEmpty() || (first && !first->preeditAreaText().isEmpty()))
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    const int margin = int(document()->documentMargin());
    FieldDirection::drawPlaceholder(painter, viewport()->rect().adjusted(margin, margin, -margin, -margin),
                                    m_placeholder, layoutDirection());
}

bool TextView::isSelectable() const {
    return textInteractionFlags() & Qt::TextSelectableByMouse;
}

void TextView::setSelectable(bool selectable) {
    Qt::TextInteractionFlags flags = textInteractionFlags();
    flags.setFlag(Qt::TextSelectableByMouse, selectable);
    flags.setFlag(Qt::TextSelectableByKeyboard, selectable && !isReadOnly());
    setTextInteractionFlags(flags);
}

void TextView::setText(const QString& text) {
    // Set before the text, so that it is laid out once, the linear way.
    setWordWrapMode(LineBreaker::hasLongRun(text) ? QTextOption::WrapAnywhere
                                                  : QTextOption::WrapAtWordBoundaryOrAnywhere);
    setPlainText(text);
}

void TextView::setDetectedText(const QString& text) {
    setHtml(linkifiedHtml(text));
}

void TextView::setTextContainerInset(const QMargins& inset) {
    m_inset = inset;
    setViewportMargins(inset);
}

void TextView::flashScrollIndicators() {
    m_indicators->flash();
}

qreal TextView::heightForText(qreal width) const {
    QTextDocument* copy = document()->clone();
    copy->setDefaultTextOption(document()->defaultTextOption());
    copy->setTextWidth(width);
    const qreal h = copy->size().height();
    delete copy;
    return h;
}

qreal TextView::contentHeight() const {
    return document()->size().height();
}

void TextView::clearSelection() {
    QTextCursor cursor = textCursor();
    cursor.clearSelection();
    setTextCursor(cursor);
}

namespace {
// E.164 numbers have at most 15 digits; fewer than 7 is no number anyone dials from a message.
constexpr int kFewestPhoneDigits = 7;
constexpr int kMostPhoneDigits = 15;

// Whether a whole run of digit groups (parted by a blank or a dash) reads as one phone number: 7 to 15
// digits, and never two groups of one digit in a row, which is how a count or a list of small
// numbers is written ("1 2 3 ... 20"), not a number ("+33 1 23 45 67 89").
bool isPhoneNumber(QStringView run) {
    int digits = 0;
    int groupDigits = 0;
    bool previousSingle = false;
    for (qsizetype i = 0; i <= run.size(); ++i) {
        const QChar c = i < run.size() ? run.at(i) : QChar(QLatin1Char(' '));
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            ++digits;
            ++groupDigits;
            continue;
        }
        if (groupDigits == 0)
            continue;
        const bool single = groupDigits == 1;
        if (single && previousSingle)
            return false;
        previousSingle = single;
        groupDigits = 0;
    }
    return digits >= kFewestPhoneDigits && digits <= kMostPhoneDigits;
}
} // namespace

QList<TextView::DetectedLink> TextView::detectedLinks(const QString& text) {
    // A phone number is a whole run of digit groups: it starts at no word, digit group or "+" before
    // it and ends at no word or group after it, so that a longer run is never cut down to a number.
    static const QRegularExpression detector(
        QStringLiteral(R"((?<url>\b(?:https?://|www\.)[^\s<>"]+[^\s<>".,;:!?)\]'])|)"
                       R"((?<mail>\b[\w.+-]+@[\w-]+(?:\.[\w-]+)+\b)|)"
                       R"((?<phone>(?<![\w+])(?<!\d[ -]|\d -|\d- |\d - ))"
                       R"(\+?\d+(?:(?: ?- ?| )\d+)*(?!\w)(?! ?- ?\d| \d)))"));
    QList<DetectedLink> links;
    auto it = detector.globalMatch(text);
    while (it.hasNext()) {
        const auto match = it.next();
        const QString found = match.captured();
        QUrl url;
        if (!match.captured(QStringLiteral("url")).isEmpty())
            url = QUrl::fromUserInput(found);
        else if (!match.captured(QStringLiteral("mail")).isEmpty())
            url = QUrl(QStringLiteral("mailto:") + found);
        else if (isPhoneNumber(found))
            url = QUrl(QStringLiteral("tel:") +
                       QString(found).remove(QLatin1Char(' ')).remove(QLatin1Char('-')));
        else
            continue;
        links << DetectedLink{int(match.capturedStart()), int(match.capturedLength()), url};
    }
    return links;
}

QString TextView::linkifiedHtml(const QString& text) {
    QString html;
    int last = 0;
    auto plain = [](const QString& s) {
        return s.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    };
    // In text that could reorder it, a link is isolated and reads as it acts: a directional control
    // before it cannot reverse the number or the address it opens.
    const bool isolate = BidiText::needsIsolation(text);
    const QString open = isolate ? QString(QChar(BidiText::kFirstStrongIsolate)) : QString();
    const QString close = isolate ? QString(QChar(BidiText::kPopDirectionalIsolate)) : QString();
    for (const DetectedLink& link : detectedLinks(text)) {
        html += plain(text.mid(last, link.start - last));
        html += QStringLiteral("<a href=\"%1\">").arg(link.url.toString(QUrl::FullyEncoded).toHtmlEscaped()) +
                open + text.mid(link.start, link.length).toHtmlEscaped() + close + QStringLiteral("</a>");
        last = link.start + link.length;
    }
    html += plain(text.mid(last));
    return html;
}

} // namespace pelnix::platform::ui
