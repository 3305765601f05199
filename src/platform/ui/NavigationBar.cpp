#include "NavigationBar.h"
#include "WindowFocus.h"

#include "BarButton.h"
#include "BarButtonItem.h"
#include "ClickBurst.h"
#include "FocusRing.h"
#include "KeyRepeat.h"
#include "NavigationItem.h"
#include "TintColor.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QToolButton>

namespace pelnix::platform::ui {

namespace {
const QColor kTint = defaultTintColor();

// The bar's own title face: it never takes the host program's font.
QFont defaultTitleFont() {
    QFont font = BarButtonItem::barItemFont();
    font.setPixelSize(17);
    font.setBold(true);
    return font;
}

// Qt's painter lays a button's text out in the program's direction, which turns the chevron ("‹"
// shows as "›" in a line read right to left) only in a program right to left. The back button lays its
// title out in its own direction, so that the chevron points the way back wherever the bar reads right
// to left, also after a direction turned at run time.
class BackButton : public BarButton {
public:
    explicit BackButton(QWidget* parent) : BarButton(parent) { setTitleInOwnDirection(true); }

protected:
    void changeEvent(QEvent* event) override {
        QToolButton::changeEvent(event);
        if (event->type() == QEvent::LayoutDirectionChange)
            update();
    }
    // Pressed by Return as the bar's other buttons are.
    void keyPressEvent(QKeyEvent* event) override {
        if (!BarButtonItem::pressOnReturn(this, event))
            QToolButton::keyPressEvent(event);
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        KeyRepeat::noteRelease(event);
        QToolButton::keyReleaseEvent(event);
    }
};
} // namespace

NavigationBar::NavigationBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("navigationBar"));
    setFixedHeight(kHeight);
    // The back button and the titled items without a font of their own take this one.
    setFont(BarButtonItem::barItemFont());
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(8, 0, 8, 0);
    m_layout->setSpacing(8);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("navigationBar.title"));
    m_title->setTextFormat(Qt::PlainText);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setAttribute(Qt::WA_TransparentForMouseEvents);
    setTitleFont(std::nullopt);
    setTitleColor(std::nullopt);
    showBackdrop();
}

void NavigationBar::setItems(NavigationItem* top, NavigationItem* previous) {
    if (m_top)
        disconnect(m_top, nullptr, this, nullptr);
    m_top = top;
    m_previous = previous;
    if (m_top)
        connect(m_top, &NavigationItem::changed, this, &NavigationBar::rebuild);
    rebuild();
}

void NavigationBar::setTitleFont(const std::optional<QFont>& font) {
    m_titleFont = font;
    m_title->setFont(font.value_or(defaultTitleFont()));
    placeTitle();
}

void NavigationBar::setTitleColor(const std::optional<QColor>& color) {
    m_titleColor = color;
    QPalette palette = m_title->palette();
    palette.setColor(QPalette::WindowText, color.value_or(QColor(0, 0, 0)));
    m_title->setPalette(palette);
}

QFont NavigationBar::titleFont() const {
    return m_title->font();
}

QColor NavigationBar::titleColor() const {
    return m_title->palette().color(QPalette::WindowText);
}

QString NavigationBar::titleText() const {
    return m_titleText;
}

void NavigationBar::setBackgroundColor(const QColor& color) {
    m_background = color;
    showBackdrop();
    update();
}

void NavigationBar::setTransparent(bool transparent) {
    m_transparent = transparent;
    showBackdrop();
    update();
}

void NavigationBar::showBackdrop() {
    // The rings of its buttons read against what it paints.
    FocusRing::setBackdrop(this, m_transparent ? QColor() : m_background);
}

QWidget* NavigationBar::widgetFor(BarButtonItem* item, const QString& name) {
    if (QWidget* custom = item->customView()) {
        m_borrowed << custom;
        custom->setParent(this);
        custom->show();
        return custom;
    }
    QWidget* made = item->makeBarWidget(this, name, kTint);
    m_made << made;
    holdHoverUntilMoved(made);
    return made;
}

void NavigationBar::holdHoverUntilMoved(QWidget* button) {
    if (qobject_cast<QToolButton*>(button))
        button->installEventFilter(this);
}

// A button the page's change brought under a still pointer (the back button's click popped the page,
// and "Menu" lies where "‹ Chats" was) gets the pointer's enter with no move: it shows its hover frame,
// which reads as a frame the click left on a button it never touched. It looks hovered once the pointer
// moves over it; a real entry is followed by a move at once, so it looks the same as ever.
bool NavigationBar::eventFilter(QObject* watched, QEvent* event) {
    auto* button = qobject_cast<QWidget*>(watched);
    if (!button)
        return false;
    static const char* const kEnteredStill = "pelnixEnteredStill";
    switch (event->type()) {
    case QEvent::Enter:
        button->setProperty(kEnteredStill, true);
        button->setAttribute(Qt::WA_UnderMouse, false);
        return true;
    case QEvent::HoverEnter:
        return button->property(kEnteredStill).toBool();
    case QEvent::HoverMove:
        if (button->property(kEnteredStill).toBool()) {
            button->setProperty(kEnteredStill, QVariant());
            button->setAttribute(Qt::WA_UnderMouse, true);
            button->update();
        }
        return false;
    case QEvent::Leave:
        button->setProperty(kEnteredStill, QVariant());
        return false;
    default:
        return false;
    }
}

void NavigationBar::rebuild() {
    const QString keysOn = BarButtonItem::holdKeysOfBarWidgets(this, m_made);
    while (m_layout->count() > 0)
        delete m_layout->takeAt(0);
    BarButtonItem::discardBarWidgets(m_made);
    for (const auto& borrowed : m_borrowed)
        if (borrowed) {
            borrowed->hide();
            WindowFocus::takeOutOfWindow(borrowed);
        }
    m_borrowed.clear();
    if (m_titleView) {
        m_titleView->hide();
        WindowFocus::takeOutOfWindow(m_titleView);
        m_titleView = nullptr;
    }

    const QList<BarButtonItem*> left = m_top ? m_top->leftBarButtonItems() : QList<BarButtonItem*>{};
    const QList<BarButtonItem*> right = m_top ? m_top->rightBarButtonItems() : QList<BarButtonItem*>{};
    if (left.isEmpty() && m_previous && m_top && !m_top->hidesBackButton()) {
        auto* back = new BackButton(this);
        back->setObjectName(QStringLiteral("navigationBar.back"));
        back->setAutoRaise(true);
        const QString title = !m_previous->backButtonTitle().isEmpty() ? m_previous->backButtonTitle()
                              : !m_previous->title().isEmpty()         ? m_previous->title()
                                                                       : QStringLiteral("Back");
        m_backTitle = QStringLiteral("\u2039 ") + title;
        back->setText(m_backTitle);
        m_backButton = back;
        QPalette palette = back->palette();
        palette.setColor(QPalette::ButtonText, kTint);
        back->setPalette(palette);
        connect(back, &QToolButton::clicked, this, [this] {
            if (m_back)
                m_back();
        });
        m_made << back;
        holdHoverUntilMoved(back);
        // A double click pops one page: its second press would land on the back button of the page
        // the first one showed.
        ClickBurst::watch(back);
        m_layout->addWidget(back);
    }
    for (int i = 0; i < left.size(); ++i)
        m_layout->addWidget(widgetFor(left[i], QStringLiteral("navigationBar.left.%1").arg(i)));
    m_layout->addStretch(1);
    // Right items are listed from the outer edge inwards.
    for (int i = right.size() - 1; i >= 0; --i)
        m_layout->addWidget(widgetFor(right[i], QStringLiteral("navigationBar.right.%1").arg(i)));

    if (m_top && m_top->titleView()) {
        m_titleView = m_top->titleView();
        m_titleView->setParent(this);
        m_titleView->show();
        m_title->hide();
    } else {
        m_titleText = m_top ? m_top->title() : QString();
        m_title->show();
    }
    placeTitle();
    BarButtonItem::returnKeysToBarWidget(this, keysOn);
}

std::pair<int, int> NavigationBar::sideWidths() const {
    int leftWidth = 0;
    int rightWidth = 0;
    bool afterStretch = false;
    for (int i = 0; i < m_layout->count(); ++i) {
        QLayoutItem* item = m_layout->itemAt(i);
        if (item->spacerItem()) {
            afterStretch = true;
            continue;
        }
        if (QWidget* w = item->widget())
            (afterStretch ? rightWidth : leftWidth) +=
                qMax(w->sizeHint().width(), w->minimumWidth()) + m_layout->spacing();
    }
    return {leftWidth, rightWidth};
}

void NavigationBar::fitBackButton() {
    if (!m_backButton || m_titleView)
        return;
    // The back button gives up its title for the screen's own, as far as that needs: the previous
    // screen's title, then "Back", then the chevron alone.
    const QString chevron = QStringLiteral("\u2039");
    QStringList variants{m_backTitle};
    for (const QString& shorter : {chevron + QStringLiteral(" Back"), chevron})
        if (shorter.size() < variants.last().size())
            variants << shorter;
    const QMargins margins = m_layout->contentsMargins();
    const int textWidth = QFontMetrics(m_title->font()).horizontalAdvance(m_titleText) + 2;
    QString chosen = variants.last();
    for (const QString& variant : variants) {
        m_backButton->setText(variant);
        const auto [leftWidth, rightWidth] = sideWidths();
        if (textWidth <= width() - margins.left() - margins.right() - leftWidth - rightWidth) {
            chosen = variant;
            break;
        }
    }
    m_backButton->setText(chosen);
    m_backButton->setToolTip(chosen == m_backTitle ? QString() : m_backTitle);
    m_layout->invalidate();
    m_layout->activate();
}

void NavigationBar::placeTitle() {
    fitBackButton();
    const auto [leftWidth, rightWidth] = sideWidths();
    const QMargins margins = m_layout->contentsMargins();
    if (m_titleView) {
        // Centred on the bar and kept clear of the wider side, so it stays centred in either direction.
        const int margin = qMax(leftWidth, rightWidth) + 8;
        const int available = qMax(0, width() - 2 * margin);
        const int w = qMin(available, m_titleView->sizeHint().width());
        const int h = qMin(kHeight, m_titleView->sizeHint().height());
        m_titleView->setGeometry((width() - w) / 2, (kHeight - h) / 2, w, h);
        m_titleView->raise();
        return;
    }
    // Centred on the bar when it fits there; else moved aside to fit between the items; else cut with
    // an ellipsis in the space between them.
    const int left = margins.left() + leftWidth;
    const int right = width() - margins.right() - rightWidth;
    const QFontMetrics metrics(m_title->font());
    const int textWidth = metrics.horizontalAdvance(m_titleText) + 2;
    const int space = qMax(0, right - left);
    const int w = qMin(textWidth, space);
    const int x = qBound(left, (width() - w) / 2, qMax(left, right - w));
    const bool cut = textWidth > space;
    m_title->setText(cut ? metrics.elidedText(m_titleText, Qt::ElideRight, w) : m_titleText);
    // A cut title is still read whole by assistive tools, and shown whole on hover.
    m_title->setAccessibleName(m_titleText);
    m_title->setToolTip(cut ? m_titleText : QString());
    m_title->setGeometry(x, 0, w, kHeight);
    m_title->raise();
}

void NavigationBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_layout->activate();
    placeTitle();
}

void NavigationBar::paintEvent(QPaintEvent*) {
    if (m_transparent)
        return;
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    painter.fillRect(QRect(0, height() - 1, width(), 1), QColor(0, 0, 0, 60));
}

} // namespace pelnix::platform::ui
