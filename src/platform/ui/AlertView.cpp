#include "AlertView.h"

#include "KeyRepeat.h"
#include "TintColor.h"
#include "Window.h"
#include "WindowFocus.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLoggingCategory>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

namespace pelnix::platform::ui {

namespace {
Q_LOGGING_CATEGORY(lcAlerts, "pelnix.ui.alerts", QtWarningMsg)
const QColor kTint = defaultTintColor();
const QColor kDestructive(255, 59, 48);
const QColor kPanel(248, 248, 248, 245);
const QColor kDivider(0xC8, 0xC7, 0xCC);
const QColor kPressed(0, 0, 0, 20);
const QColor kKeyboardFocus(0, 134, 202, 36);
const QColor kSheetTitle(0x8F, 0x8E, 0x94);
constexpr qreal kRadius = 12;
constexpr int kAlertButtonHeight = 44;
constexpr int kSheetButtonHeight = 50;

// The look is set here, never taken from the host's window.
QFont face(int pixelSize, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// A flat title on the panel, shaded while pressed, tinted while Tab has moved the keyboard to it.
class AlertButton : public QPushButton {
public:
    AlertButton(const QString& title, const QColor& color, AlertView* owner, QWidget* parent)
        : QPushButton(title, parent), m_owner(owner) {
        setFlat(true);
        setCursor(Qt::PointingHandCursor);
        QPalette palette = this->palette();
        palette.setColor(QPalette::ButtonText, color);
        setPalette(palette);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        if (isDown())
            painter.fillRect(rect(), kPressed);
        else if (hasFocus() && m_owner && m_owner->showsKeyboardFocus())
            painter.fillRect(rect(), kKeyboardFocus);
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::ButtonText));
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, width() - 16);
        painter.drawText(rect(), Qt::AlignCenter, shown);
    }

    // Space presses only the button Tab moved to: a space typed as the alert appears answers nothing.
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Space && !(m_owner && m_owner->showsKeyboardFocus())) {
            event->ignore();
            return;
        }
        QPushButton::keyPressEvent(event);
    }

private:
    QPointer<AlertView> m_owner;
};

QWidget* divider(QWidget* parent, Qt::Orientation orientation) {
    auto* line = new QWidget(parent);
    line->setObjectName(QStringLiteral("alert.divider"));
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, kDivider);
    line->setPalette(palette);
    if (orientation == Qt::Horizontal)
        line->setFixedHeight(1);
    else
        line->setFixedWidth(1);
    return line;
}

// A rounded panel of its own (the sheet's buttons, its Cancel).
class Panel : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), kRadius, kRadius);
        painter.fillPath(path, kPanel);
    }
};
} // namespace

AlertView::AlertView(Style style, const QString& title) : m_style(style), m_title(title) {
    setAttribute(Qt::WA_StyledBackground, false);
    setFocusPolicy(Qt::StrongFocus);
}

AlertView::AlertView(const QString& title, const QString& message, const QString& cancelButtonTitle,
                     const QStringList& otherButtonTitles, ClickHandler onClick)
    : m_style(Style::Alert), m_title(title), m_message(message), m_onClick(std::move(onClick)) {
    setObjectName(QStringLiteral("alertView"));
    setFocusPolicy(Qt::StrongFocus);
    if (!cancelButtonTitle.isEmpty()) {
        m_buttons << cancelButtonTitle;
        m_cancelIndex = 0;
    }
    m_buttons << otherButtonTitles;
    rebuild();
}

AlertView::~AlertView() {
    if (m_window)
        m_window->removeAlert(this);
}

int AlertView::addButtonWithTitle(const QString& title) {
    m_buttons << title;
    rebuild();
    return int(m_buttons.size()) - 1;
}

void AlertView::setCancelButtonIndex(int index) {
    m_cancelIndex = index;
    rebuild();
}

void AlertView::rebuild() {
    delete layout();
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
    m_laidOutButtons.clear();
    const bool sheet = m_style == Style::ActionSheet;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(sheet ? 8 : 0);
    // An alert is one panel (painted by the view); a sheet is a panel of its choices over a panel
    // of its Cancel.
    QWidget* panel = sheet ? static_cast<QWidget*>(new Panel(this)) : this;
    auto* body = sheet ? new QVBoxLayout(panel) : layout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(16, sheet ? 14 : 18, 16, sheet ? 14 : 16);
    texts->setSpacing(4);
    if (!m_title.isEmpty()) {
        auto* title = new QLabel(m_title, panel);
        title->setObjectName(QStringLiteral("alert.title"));
        title->setTextFormat(Qt::PlainText);
        title->setFont(sheet ? face(13) : face(15, true));
        if (sheet) {
            QPalette palette = title->palette();
            palette.setColor(QPalette::WindowText, kSheetTitle);
            title->setPalette(palette);
        }
        title->setAlignment(Qt::AlignCenter);
        title->setWordWrap(true);
        texts->addWidget(title);
    }
    if (!m_message.isEmpty()) {
        auto* message = new QLabel(m_message, panel);
        message->setObjectName(QStringLiteral("alert.message"));
        message->setTextFormat(Qt::PlainText);
        message->setFont(face(13));
        message->setAlignment(Qt::AlignCenter);
        message->setWordWrap(true);
        texts->addWidget(message);
    }
    const bool hasTexts = texts->count() > 0;
    if (hasTexts)
        body->addLayout(texts);
    else
        delete texts;

    const auto makeButton = [this, sheet](int i, QWidget* parent) {
        auto* button =
            new AlertButton(m_buttons[i], i == m_destructiveIndex ? kDestructive : kTint, this, parent);
        button->setObjectName(QStringLiteral("alert.button.%1").arg(i));
        m_laidOutButtons << button;
        button->setFixedHeight(sheet ? kSheetButtonHeight : kAlertButtonHeight);
        button->setFont(face(sheet ? 17 : 15, i == m_cancelIndex));
        connect(button, &QPushButton::clicked, this, [this, i] { tapButtonAtIndex(i); });
        return button;
    };
    // Cancel goes last when the buttons stack (apart, in a sheet), first when two sit side by side.
    QList<int> order;
    for (int i = 0; i < m_buttons.size(); ++i)
        if (i != m_cancelIndex)
            order << i;
    const bool hasCancel = m_cancelIndex >= 0 && m_cancelIndex < m_buttons.size();
    if (!sheet && m_buttons.size() == 2) {
        if (hasCancel)
            order.prepend(m_cancelIndex);
        body->addWidget(divider(panel, Qt::Horizontal));
        auto* row = new QHBoxLayout;
        row->setSpacing(0);
        row->addWidget(makeButton(order[0], panel), 1);
        row->addWidget(divider(panel, Qt::Vertical));
        row->addWidget(makeButton(order[1], panel), 1);
        body->addLayout(row);
    } else {
        if (!sheet && hasCancel)
            order << m_cancelIndex;
        for (int k = 0; k < order.size(); ++k) {
            if (hasTexts || k > 0)
                body->addWidget(divider(panel, Qt::Horizontal));
            body->addWidget(makeButton(order[k], panel));
        }
    }
    if (sheet) {
        if (!order.isEmpty() || hasTexts)
            layout->addWidget(panel);
        else
            delete panel;
        if (hasCancel) {
            auto* cancel = new Panel(this);
            auto* cancelLayout = new QVBoxLayout(cancel);
            cancelLayout->setContentsMargins(0, 0, 0, 0);
            cancelLayout->addWidget(makeButton(m_cancelIndex, cancel));
            layout->addWidget(cancel);
        }
    }
    adjustSize();
}

void AlertView::show(Window* window) {
    if (m_shown)
        return;
    if (!window)
        window = Window::keyWindow();
    if (!window) {
        qCWarning(lcAlerts).noquote() << QStringLiteral("The alert \"%1\" is not shown: there is no window "
                                                        "(a platform::ui::Window, or a container's view "
                                                        "placed in a widget)")
                                             .arg(m_title);
        return;
    }
    m_window = window;
    m_shown = true;
    window->addAlert(this);
}

void AlertView::dismiss() {
    if (!m_shown)
        return;
    m_shown = false;
    // The window hands the keyboard on: to the alert below, or back under the alerts.
    if (Window* window = std::exchange(m_window, nullptr))
        window->removeAlert(this);
    setVisible(false);
    deleteLater();
}

void AlertView::tapButtonAtIndex(int index) {
    if (!m_shown || index < 0 || index >= m_buttons.size())
        return;
    dismiss();
    emit clickedButtonAtIndex(index);
    if (auto handler = std::exchange(m_onClick, {}))
        handler(this, index);
}

void AlertView::answerAsItsWindowGoes() {
    if (!m_shown)
        return;
    if (const int index = escapeButtonIndex(); index >= 0) {
        tapButtonAtIndex(index);
        return;
    }
    qCWarning(lcAlerts) << "An alert with no Cancel and several choices goes unanswered with its window";
    dismiss();
}

void AlertView::paintEvent(QPaintEvent*) {
    if (m_style == Style::ActionSheet)
        return; // its panels paint themselves
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), kRadius, kRadius);
    painter.fillPath(path, kPanel);
}

// ---- The keyboard

namespace {
bool hasShortcutModifier(const QKeyEvent* key) {
    return key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}
} // namespace

QWidget* AlertView::buttonAt(int index) const {
    return index >= 0 ? findChild<QWidget*>(QStringLiteral("alert.button.%1").arg(index)) : nullptr;
}

int AlertView::indexOfButton(const QWidget* widget) const {
    for (int i = 0; widget && i < m_buttons.size(); ++i)
        if (buttonAt(i) == widget)
            return i;
    return -1;
}

int AlertView::defaultButtonIndex() const {
    const bool hasCancel = m_cancelIndex >= 0 && m_cancelIndex < m_buttons.size();
    // A sheet is a list of choices: none of them is taken for the user.
    if (m_style == Style::Alert) {
        QList<int> choices;
        for (int i = 0; i < m_buttons.size(); ++i)
            if (i != m_cancelIndex && i != m_destructiveIndex)
                choices << i;
        if (choices.size() == 1)
            return choices.first();
    }
    if (hasCancel)
        return m_cancelIndex;
    return m_buttons.size() == 1 ? 0 : -1;
}

int AlertView::escapeButtonIndex() const {
    if (m_cancelIndex >= 0 && m_cancelIndex < m_buttons.size())
        return m_cancelIndex;
    return m_buttons.size() == 1 ? 0 : -1;
}

void AlertView::takeKeyboard() {
    if (!m_shown || !m_window || !isVisible() || holdsKeyboard() || WindowFocus::isGoing(this))
        return;
    QWidget* focus = window()->focusWidget();
    const bool fromAlert = focus && m_window->alertLayer()->isAncestorOf(focus);
    if (focus && !fromAlert) {
        const bool covered = m_window->coversWidget(focus);
        // The host's own widget keeps it, unless it has it only because the alert's view moved.
        if (!covered && !m_reclaimKeys)
            return;
        // Back there once the alerts are answered; the window itself only took a click on them.
        if (covered && focus != m_window)
            m_window->setFocusAfterAlerts(focus);
    }
    m_showsKeyboardFocus = false;
    QWidget* target = buttonAt(defaultButtonIndex());
    (target ? target : this)->setFocus(Qt::OtherFocusReason);
}

bool AlertView::holdsKeyboard() const {
    const QWidget* focus = window()->focusWidget();
    return focus && (focus == this || isAncestorOf(focus));
}

void AlertView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (std::exchange(m_keysAway, false)) {
        disconnect(std::exchange(m_keysWatch, {}));
        // Shown in its view's new place: the keys Qt handed on as the view went are the alert's again,
        // unless someone put them elsewhere since.
        m_reclaimKeys = m_keysSettling || QApplication::focusWidget() == m_keysWentTo;
    }
    if (m_window && m_window->topAlert() == this)
        takeKeyboard();
    // The user's keys taken back into another window (a dock the host floated): that one is typed in.
    if (std::exchange(m_reclaimKeys, false) && m_keysWereActive && holdsKeyboard() && !isActiveWindow())
        activateWindow();
}

void AlertView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Hidden with what it covers while it holds the keys: as the view goes, Qt hands them on to the
    // next widget of the window (the host's tab bar or field). Where they land in this turn is noted.
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (event->spontaneous() || !m_shown || !app || !holdsKeyboard())
        return;
    // Its window's keys are not the user's while another window of the application is the active one
    // (a floating dock it showed in while the user typed in the host's window).
    m_keysWereActive = isActiveWindow();
    if (!m_keysWereActive && QApplication::activeWindow())
        return;
    m_keysAway = true;
    m_keysSettling = true;
    m_keysWentTo = nullptr;
    if (!m_keysWatch)
        m_keysWatch = connect(app, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
            if (m_keysSettling)
                m_keysWentTo = now;
        });
    QMetaObject::invokeMethod(
        this, [this] { m_keysSettling = false; }, Qt::QueuedConnection);
}

bool AlertView::event(QEvent* event) {
    // The alert's keys are its own, before any shortcut of the screen under it.
    if (event->type() == QEvent::ShortcutOverride && !hasShortcutModifier(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void AlertView::keyPressEvent(QKeyEvent* event) {
    if (hasShortcutModifier(event)) {
        event->ignore();
        return;
    }
    // A key held down answers nothing: its repeats come from a press made before the alert showed
    // (Return on a button that asks), or one that answered already.
    if (KeyRepeat::isRepeat(event)) {
        event->accept();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        const int focused = indexOfButton(window()->focusWidget());
        tapButtonAtIndex(focused >= 0 ? focused : defaultButtonIndex());
        break;
    }
    case Qt::Key_Escape:
        tapButtonAtIndex(escapeButtonIndex());
        break;
    default:
        break;
    }
    // Whatever it was, nothing under the alert hears it.
    event->accept();
}

void AlertView::keyReleaseEvent(QKeyEvent* event) {
    KeyRepeat::noteRelease(event);
    event->setAccepted(!hasShortcutModifier(event));
}

bool AlertView::focusNextPrevChild(bool next) {
    QList<QWidget*> buttons;
    for (const auto& button : m_laidOutButtons)
        if (button && button->isEnabled())
            buttons << button;
    if (buttons.isEmpty())
        return true;
    const int at = int(buttons.indexOf(window()->focusWidget()));
    const int count = int(buttons.size());
    const int to = at < 0 ? (next ? 0 : count - 1) : (at + (next ? 1 : count - 1)) % count;
    m_showsKeyboardFocus = true;
    buttons[to]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    for (QWidget* button : buttons)
        button->update();
    return true;
}

} // namespace pelnix::platform::ui
