#include "TableViewCell.h"

#include "Animator.h"
#include "LibraryFont.h"
#include "TintColor.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QStyle>

namespace pelnix::platform::ui {

namespace {
constexpr int kMargin = 15;
constexpr int kAccessoryWidth = 30;
constexpr int kActionWidth = 80;
constexpr int kSlideMs = 300;
} // namespace

TableViewCell::TableViewCell(Style style, const QString& reuseIdentifier, QWidget* parent)
    : ReusableView(reuseIdentifier, parent), m_style(style) {
    m_content = new QWidget(this);
    m_content->setObjectName(QStringLiteral("contentView"));
}

QLabel* TableViewCell::textLabel() {
    if (!m_text) {
        m_text = new QLabel(m_content);
        m_text->setObjectName(QStringLiteral("textLabel"));
        m_text->setTextFormat(Qt::PlainText);
        // The cell's texts are in the library's face, never the host program's.
        m_text->setFont(libraryFont(17));
        m_text->show();
        layoutSubviews();
    }
    return m_text;
}

QLabel* TableViewCell::detailTextLabel() {
    if (m_style == Style::Default)
        return nullptr;
    if (!m_detail) {
        m_detail = new QLabel(m_content);
        m_detail->setObjectName(QStringLiteral("detailTextLabel"));
        m_detail->setTextFormat(Qt::PlainText);
        m_detail->setFont(libraryFont(m_style == Style::Subtitle ? 12 : 17));
        QPalette palette = m_detail->palette();
        palette.setColor(QPalette::WindowText, QColor(142, 142, 147));
        m_detail->setPalette(palette);
        if (m_style == Style::Value1)
            m_detail->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_detail->show();
        layoutSubviews();
    }
    return m_detail;
}

void TableViewCell::setAccessoryType(Accessory accessory) {
    m_accessory = accessory;
    layoutSubviews();
    update();
}

void TableViewCell::setSelectedBackgroundColor(const QColor& color) {
    m_selectedBackground = color;
    update();
}

void TableViewCell::setSeparatorVisible(bool visible) {
    m_separator = visible;
    update();
}

void TableViewCell::setSeparatorColor(const QColor& color) {
    m_separatorColor = color;
    update();
}

void TableViewCell::setSeparatorInset(int left) {
    m_separatorInset = left;
    update();
}

void TableViewCell::prepareForReuse() {
    resetRowActions();
}

void TableViewCell::resetRowActions() {
    revealActions(false);
    if (!m_actions.isEmpty())
        setRowActions({}, {});
}

int TableViewCell::actionsWidth() const {
    return int(m_actions.size()) * kActionWidth;
}

void TableViewCell::setRowActions(const QList<RowAction>& actions, std::function<void(int)> onTap) {
    m_actions = actions;
    m_onAction = std::move(onTap);
    delete m_actionsPanel;
    m_actionsPanel = nullptr;
    if (!actions.isEmpty()) {
        m_actionsPanel = new QWidget(this);
        m_actionsPanel->setObjectName(QStringLiteral("rowActions"));
        auto* layout = new QHBoxLayout(m_actionsPanel);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        for (int i = 0; i < actions.size(); ++i) {
            auto* button = new QPushButton(actions[i].title, m_actionsPanel);
            button->setObjectName(QStringLiteral("rowAction.%1").arg(i));
            button->setFlat(true);
            button->setFont(libraryFont(15));
            button->setAutoFillBackground(true);
            QPalette palette = button->palette();
            palette.setColor(QPalette::Button, actions[i].color);
            palette.setColor(QPalette::Window, actions[i].color);
            palette.setColor(QPalette::ButtonText, Qt::white);
            button->setPalette(palette);
            button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
            connect(button, &QPushButton::clicked, this, [this, i] { tapAction(i); });
            layout->addWidget(button);
        }
        m_actionsPanel->lower();
    }
    if (m_revealed && actions.isEmpty()) {
        m_revealed = false;
        m_shift = 0;
        emit rowActionsStateChanged(false);
    }
    layoutSubviews();
}

void TableViewCell::revealActions(bool reveal, bool animated) {
    reveal = reveal && !m_actions.isEmpty();
    if (m_revealed == reveal)
        return;
    m_revealed = reveal;
    const qreal target = reveal ? actionsWidth() : 0;
    // A newer slide takes over from one still running.
    const quint64 slide = ++m_slide;
    if (!animated || !isVisible()) {
        setShift(target);
    } else {
        const qreal from = m_shift;
        QPointer<TableViewCell> guard(this);
        Animator::run(this, kSlideMs, Animator::Curve::Spring, [guard, slide, from, target](qreal t) {
            if (guard && guard->m_slide == slide)
                guard->setShift(from + (target - from) * t);
        });
    }
    emit rowActionsStateChanged(reveal);
}

void TableViewCell::setShift(qreal shift) {
    m_shift = shift;
    layoutSubviews();
}

void TableViewCell::tapAction(int index) {
    if (!m_revealed || index < 0 || index >= m_actions.size())
        return;
    revealActions(false);
    if (m_onAction)
        m_onAction(index);
}

void TableViewCell::resizeEvent(QResizeEvent* event) {
    ReusableView::resizeEvent(event);
    layoutSubviews();
}

void TableViewCell::changeEvent(QEvent* event) {
    ReusableView::changeEvent(event);
    // A cell laid out before the host turned its screens right to left places its parts again.
    if (event->type() == QEvent::LayoutDirectionChange)
        layoutSubviews();
}

void TableViewCell::layoutSubviews() {
    const Qt::LayoutDirection dir = layoutDirection();
    const int shift = qRound(m_shift);
    const int accessory = m_accessory == Accessory::None ? 0 : kAccessoryWidth;
    // Offsets are in the reading direction; visualRect mirrors them for right-to-left.
    m_content->setGeometry(QStyle::visualRect(dir, rect(), QRect(-shift, 0, width() - accessory, height())));
    if (m_actionsPanel) {
        m_actionsPanel->setGeometry(
            QStyle::visualRect(dir, rect(), QRect(width() - actionsWidth(), 0, actionsWidth(), height())));
        m_actionsPanel->setVisible(m_revealed || shift > 0);
    }
    const QRect content = m_content->rect();
    const int w = content.width() - 2 * kMargin;
    if (m_style == Style::Subtitle && m_text && m_detail) {
        const int lineH = content.height() / 2;
        m_text->setGeometry(QStyle::visualRect(dir, content, QRect(kMargin, lineH - 22 + 4, w, 22)));
        m_detail->setGeometry(QStyle::visualRect(dir, content, QRect(kMargin, lineH + 2, w, 18)));
    } else if (m_style == Style::Value1 && m_detail) {
        if (m_text)
            m_text->setGeometry(QStyle::visualRect(dir, content, QRect(kMargin, 0, w / 2, content.height())));
        m_detail->setGeometry(
            QStyle::visualRect(dir, content, QRect(kMargin + w / 2, 0, w - w / 2, content.height())));
    } else if (m_text) {
        m_text->setGeometry(QStyle::visualRect(dir, content, QRect(kMargin, 0, w, content.height())));
    }
}

void TableViewCell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool showSelected = (m_selected || m_highlighted) && m_selectionStyle != SelectionStyle::None;
    painter.fillRect(rect(), showSelected ? m_selectedBackground : m_background);
    if (m_accessory != Accessory::None) {
        const QRect box = QStyle::visualRect(
            layoutDirection(), rect(), QRect(width() - kAccessoryWidth, 0, kAccessoryWidth - 8, height()));
        QPen pen(m_accessory == Accessory::Checkmark ? defaultTintColor() : QColor(199, 199, 204), 2);
        painter.setPen(pen);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPointF c = box.center();
        if (m_accessory == Accessory::Checkmark) {
            painter.drawPolyline(QPolygonF{c + QPointF(-6, 0), c + QPointF(-2, 4), c + QPointF(6, -5)});
        } else {
            const qreal dir = layoutDirection() == Qt::RightToLeft ? -1 : 1;
            painter.drawPolyline(
                QPolygonF{c + QPointF(-3 * dir, -6), c + QPointF(3 * dir, 0), c + QPointF(-3 * dir, 6)});
        }
    }
    if (m_separator) {
        const QRect line = QStyle::visualRect(
            layoutDirection(), rect(), QRect(m_separatorInset, height() - 1, width() - m_separatorInset, 1));
        painter.fillRect(line, m_separatorColor);
    }
}

} // namespace pelnix::platform::ui
