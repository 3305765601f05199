#include "AlertView.h"

#include "Window.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace pelnix::platform::ui {

namespace {
const QColor kTint(0, 122, 255);
const QColor kDestructive(255, 59, 48);
} // namespace

AlertView::AlertView(Style style, const QString& title) : m_style(style), m_title(title) {
    setAttribute(Qt::WA_StyledBackground, false);
}

AlertView::AlertView(const QString& title, const QString& message, const QString& cancelButtonTitle,
                     const QStringList& otherButtonTitles, ClickHandler onClick)
    : m_style(Style::Alert), m_title(title), m_message(message), m_onClick(std::move(onClick)) {
    setObjectName(QStringLiteral("alertView"));
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
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 8);
    layout->setSpacing(6);
    if (!m_title.isEmpty()) {
        auto* title = new QLabel(m_title, this);
        title->setObjectName(QStringLiteral("alert.title"));
        title->setTextFormat(Qt::PlainText);
        QFont font = title->font();
        font.setBold(m_style == Style::Alert);
        title->setFont(font);
        title->setAlignment(Qt::AlignCenter);
        title->setWordWrap(true);
        layout->addWidget(title);
    }
    if (!m_message.isEmpty()) {
        auto* message = new QLabel(m_message, this);
        message->setObjectName(QStringLiteral("alert.message"));
        message->setTextFormat(Qt::PlainText);
        message->setAlignment(Qt::AlignCenter);
        message->setWordWrap(true);
        layout->addWidget(message);
    }
    layout->addSpacing(6);
    for (int i = 0; i < m_buttons.size(); ++i) {
        auto* button = new QPushButton(m_buttons[i], this);
        button->setObjectName(QStringLiteral("alert.button.%1").arg(i));
        button->setFlat(true);
        button->setMinimumHeight(40);
        QFont font = button->font();
        font.setBold(i == m_cancelIndex);
        button->setFont(font);
        QPalette palette = button->palette();
        palette.setColor(QPalette::ButtonText, i == m_destructiveIndex ? kDestructive : kTint);
        button->setPalette(palette);
        connect(button, &QPushButton::clicked, this, [this, i] { tapButtonAtIndex(i); });
        layout->addWidget(button);
    }
    adjustSize();
}

void AlertView::show(Window* window) {
    if (m_shown)
        return;
    if (!window)
        window = Window::keyWindow();
    if (!window)
        return;
    m_window = window;
    m_shown = true;
    window->addAlert(this);
}

void AlertView::dismiss() {
    if (!m_shown)
        return;
    m_shown = false;
    if (m_window)
        m_window->removeAlert(this);
    m_window = nullptr;
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

void AlertView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 12, 12);
    painter.fillPath(path, QColor(248, 248, 248, 245));
}

} // namespace pelnix::platform::ui
