#pragma once

#include "platform/ui/TextView.h"

#include <QColor>
#include <QImage>
#include <QMargins>
#include <QTextLayout>
#include <QUrl>
#include <QWidget>
#include <memory>

namespace pelnix {

// The text of a message in a chat cell: plain text whose links (web and e-mail addresses, phone
// numbers, as the screen layer detects them) are drawn as links and reported by linkTapped when
// clicked, never opened here. It offers no selection and no edit menu and never takes the keyboard
// focus. Light enough for a cell: one text layout, painted directly, no scroll area.
//
// Geometry as a phone's text view: the text is laid out at the view's width less the text container
// insets and twice the line fragment padding, and starts below the top inset.
class PLMessageTextView : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal kLineFragmentPadding = 5;

    explicit PLMessageTextView(QWidget* parent = nullptr);
    ~PLMessageTextView() override;

    QString text() const { return m_text; }
    void setText(const QString& text);
    QColor textColor() const { return m_color; }
    void setTextColor(const QColor& color);
    QMargins textContainerInset() const { return m_inset; }
    void setTextContainerInset(const QMargins& inset);
    QList<platform::ui::TextView::DetectedLink> links() const { return m_links; }
    // The direction the text's first paragraph reads in: that of its first strong character. Each
    // paragraph reads in its own.
    Qt::LayoutDirection textDirection() const;
    // The link under a point of the view, or an empty URL.
    QUrl linkAt(const QPointF& point) const;

    // The height of `text` laid out in `font` at `width` (the text's own width), leading included;
    // 0 for no text. Remembered per text, font and width.
    static qreal measuredHeight(const QString& text, const QFont& font, qreal width);

signals:
    void linkTapped(const QUrl& url);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void relayout();
    // Finds the part of the drawn picture that holds ink.
    void keepInkedPart();
    QPointF textOrigin() const;
    qreal textWidth() const;

    QString m_text;
    QColor m_color = Qt::black;
    QMargins m_inset;
    QList<platform::ui::TextView::DetectedLink> m_links;
    // The links where they stand in the laid-out text.
    QList<platform::ui::TextView::DetectedLink> m_shownLinks;
    std::unique_ptr<QTextLayout> m_layout;
    qreal m_laidOutWidth = -1;
    // The text as the layout last drew it, over nothing: a row scrolling through the list paints it on
    // every frame, and its glyphs are drawn once. Empty when the text, its colour or its layout change,
    // and for a text of more pixels than a view keeps, which is drawn anew, only its exposed lines.
    QImage m_drawn;
    // The part of the picture that holds ink (its pixels, shared), and where it stands in the view:
    // what a paint draws, so that the clear rest of the picture costs nothing.
    QImage m_inked;
    QPoint m_inkedAt;
    QUrl m_pressedLink;
};

} // namespace pelnix
