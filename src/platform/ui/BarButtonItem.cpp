#include "BarButtonItem.h"
#include "WindowFocus.h"

#include "BarButton.h"
#include "ClickBurst.h"
#include "KeyRepeat.h"
#include "LibraryFont.h"

#include <QEvent>
#include <QKeyEvent>
#include <QToolButton>
#include <utility>

namespace pelnix::platform::ui {

BarButtonItem::BarButtonItem(SystemItem item, std::function<void()> action, QObject* parent)
    : QObject(parent), m_system(item), m_action(std::move(action)) {}

BarButtonItem::BarButtonItem(const QString& title, std::function<void()> action, QObject* parent)
    : QObject(parent), m_title(title), m_action(std::move(action)) {}

BarButtonItem::BarButtonItem(const QIcon& image, std::function<void()> action, QObject* parent)
    : QObject(parent), m_image(image), m_action(std::move(action)) {}

BarButtonItem::BarButtonItem(QWidget* customView, QObject* parent)
    : QObject(parent), m_customView(customView) {}

BarButtonItem::~BarButtonItem() {
    // A custom view the bar no longer shows belongs to the item.
    if (m_customView && !m_customView->parent())
        delete m_customView.data();
}

QString BarButtonItem::title() const {
    if (!m_title.isEmpty())
        return m_title;
    switch (m_system) {
    case SystemItem::Done:
        return QStringLiteral("Done");
    case SystemItem::Cancel:
        return QStringLiteral("Cancel");
    case SystemItem::Edit:
        return QStringLiteral("Edit");
    case SystemItem::Save:
        return QStringLiteral("Save");
    case SystemItem::Add:
        return QStringLiteral("+");
    default:
        return {};
    }
}

void BarButtonItem::setTitle(const QString& title) {
    m_title = title;
    emit changed();
}

void BarButtonItem::setWidth(int width) {
    m_width = width;
    emit changed();
}

void BarButtonItem::setEnabled(bool enabled) {
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    emit changed();
}

void BarButtonItem::trigger() {
    if (!m_enabled || isSpace())
        return;
    emit triggered();
    if (m_action)
        m_action();
}

void BarButtonItem::setImageMirroredRightToLeft(bool mirrored) {
    m_mirrorImage = mirrored;
    emit changed();
}

void BarButtonItem::showImageIn(QWidget* widget) const {
    auto* button = qobject_cast<QToolButton*>(widget);
    if (!button || m_image.isNull())
        return;
    if (!m_mirrorImage || button->layoutDirection() == Qt::LeftToRight) {
        button->setIcon(m_image);
        return;
    }
    // Each of its pictures mirrored; an icon drawn only on request (a theme's), at the button's size.
    QList<QSize> sizes = m_image.availableSizes();
    if (sizes.isEmpty())
        sizes << button->iconSize();
    QIcon mirrored;
    for (const QSize& size : sizes)
        mirrored.addPixmap(QPixmap::fromImage(m_image.pixmap(size).toImage().mirrored(true, false)));
    button->setIcon(mirrored);
}

bool BarButtonItem::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease)
        KeyRepeat::noteRelease(static_cast<QKeyEvent*>(event));
    // A button shows its image anew when its direction turns (a host's run-time turn reaches it so).
    if (event->type() == QEvent::LayoutDirectionChange)
        showImageIn(qobject_cast<QWidget*>(watched));
    if (event->type() == QEvent::KeyPress &&
        pressOnReturn(qobject_cast<QToolButton*>(watched), static_cast<QKeyEvent*>(event)))
        return true;
    return QObject::eventFilter(watched, event);
}

bool BarButtonItem::pressOnReturn(QAbstractButton* button, const QKeyEvent* key) {
    if (!button || (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
        (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    // Held down, it presses once.
    if (!KeyRepeat::isRepeat(key) && button->isEnabled())
        button->click();
    return true;
}

void BarButtonItem::setTitleFont(const std::optional<QFont>& font) {
    m_titleFont = font;
    emit changed();
}

QFont BarButtonItem::barItemFont() {
    return libraryFont(15);
}

QString BarButtonItem::holdKeysOfBarWidgets(QWidget* bar, const QList<QWidget*>& made) {
    // The keys of the bar's window, whether it is the active one or not.
    QWidget* focus = bar ? bar->window()->focusWidget() : nullptr;
    if (!focus || !made.contains(focus))
        return {};
    bar->setFocus(Qt::OtherFocusReason);
    return focus->objectName();
}

void BarButtonItem::returnKeysToBarWidget(QWidget* bar, const QString& name) {
    if (!bar || name.isEmpty() || bar->window()->focusWidget() != bar)
        return;
    auto* again = bar->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
    if (!again || !again->isEnabled() || again->focusPolicy() == Qt::NoFocus || !bar->isVisible())
        return;
    // A layout shows the widgets it takes only later; the keys need it shown now.
    again->show();
    again->setFocus(Qt::OtherFocusReason);
}

void BarButtonItem::discardBarWidgets(QList<QWidget*>& made) {
    for (QWidget* widget : std::exchange(made, {})) {
        widget->hide();
        WindowFocus::takeOutOfWindow(widget);
        widget->deleteLater();
    }
}

QWidget* BarButtonItem::makeBarWidget(QWidget* parent, const QString& name, const QColor& tint) {
    if (isSpace()) {
        auto* space = new QWidget(parent);
        space->setObjectName(name);
        if (m_system == SystemItem::FixedSpace)
            space->setFixedWidth(m_width);
        else
            space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        return space;
    }
    auto* button = new BarButton(parent);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setText(title());
    if (!m_image.isNull()) {
        button->setIconSize(QSize(24, 24));
        showImageIn(button);
        if (title().isEmpty())
            button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
    button->installEventFilter(this);
    ClickBurst::watch(button);
    button->setEnabled(m_enabled);
    if (m_titleFont) {
        button->setFont(*m_titleFont);
    } else {
        QFont font = button->font();
        font.setBold(m_system == SystemItem::Done);
        button->setFont(font);
    }
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, tint);
    // A disabled item reads as such, not in the tint of one that acts.
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0xB0, 0xB0, 0xB5));
    button->setPalette(palette);
    QPointer<BarButtonItem> guard(this);
    connect(button, &QToolButton::clicked, button, [guard] {
        if (guard)
            guard->trigger();
    });
    m_view = button;
    return button;
}

} // namespace pelnix::platform::ui
