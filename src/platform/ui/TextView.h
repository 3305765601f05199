#pragma once

#include <QList>
#include <QTextBrowser>
#include <QUrl>
#include <functional>

namespace pelnix::platform::ui {

class ScrollIndicators;

// A multi-line text view. Editable: placeholder and growth (contentHeightChanged as lines come and
// go). Read-only with data detectors: links, e-mail addresses and phone numbers in plain text become
// tappable; a tap asks shouldInteractWithURL and then emits linkTapped. Nothing is ever opened by the
// view itself. Thin overlay indicators stand in for scroll bars. Text is plain unless set as HTML:
// pasted or dropped markup arrives as its text. Editable, its text reads as a message does: each
// paragraph from the side of its own first strong character, and a text with none (nothing yet,
// digits) from the view's leading edge, where the placeholder waits too, also after a direction turned
// at run time.
class TextView : public QTextBrowser {
    Q_OBJECT
public:
    explicit TextView(QWidget* parent = nullptr);

    void setEditable(bool editable);
    bool isEditable() const { return !isReadOnly(); }
    bool isSelectable() const;
    void setSelectable(bool selectable);
    // The text as it is, never read as markup (QTextEdit's own setText guesses); rich text goes
    // through setHtml on purpose. A text with a run longer than a line breaker's long run wraps
    // anywhere, which Qt lays out in time linear in the text's length.
    void setText(const QString& text);
    // Plain text shown with detected links (read-only views).
    void setDetectedText(const QString& text);
    QString plainText() const { return toPlainText(); }
    void setShouldInteractWithURL(std::function<bool(const QUrl&)> hook) {
        m_shouldInteract = std::move(hook);
    }
    // Shown while the text is empty, at the view's leading edge; it hides QTextEdit's own, which Qt
    // draws in the program's direction.
    void setPlaceholderText(const QString& text);
    QString placeholderText() const { return m_placeholder; }
    void setTextContainerInset(const QMargins& inset);
    QMargins textContainerInset() const { return m_inset; }

    // Height of the text laid out at `width` (the whole document, margins included).
    qreal heightForText(qreal width) const;
    qreal contentHeight() const;
    void clearSelection();

    // Shows the indicators of the directions that scroll for a moment.
    void flashScrollIndicators();
    // Their switches and insets.
    ScrollIndicators* scrollIndicators() const { return m_indicators; }

    // A link found in plain text: its range and where it leads.
    struct DetectedLink {
        int start = 0;
        int length = 0;
        QUrl url;
    };
    // The links in `text`, in order: URLs ("http(s)://", "www."), e-mail addresses ("mailto:") and
    // phone numbers ("tel:", blanks and dashes removed): a whole run of digit groups parted by blanks or
    // dashes, of 7 to 15 digits, with no two groups of one digit in a row; any other run is no link.
    static QList<DetectedLink> detectedLinks(const QString& text);
    // The rich text with anchors for `text`'s detected links.
    static QString linkifiedHtml(const QString& text);

signals:
    void linkTapped(const QUrl& url);
    void contentHeightChanged(qreal height);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Lays the text out in the directions it reads in while editable.
    void followText();

    std::function<bool(const QUrl&)> m_shouldInteract;
    qreal m_lastHeight = -1;
    QMargins m_inset;
    QString m_placeholder;
    ScrollIndicators* m_indicators;
};

} // namespace pelnix::platform::ui
