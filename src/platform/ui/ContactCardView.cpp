#include "ContactCardView.h"

#include "LibraryFont.h"

#include <QFocusEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace pelnix::platform::ui {

namespace {

const QColor kAccent(0, 134, 202);
const QColor kText(0x22, 0x22, 0x22);
const QColor kSecondaryText(0x8E, 0x8E, 0x93);
const QColor kSeparator(0xDD, 0xDD, 0xDD);
const QColor kGroupBackground(0xEF, 0xEF, 0xF4);
const QColor kError(0xD9, 0x30, 0x25);
constexpr int kInset = 15;
constexpr int kAvatarSide = 72;

void colour(QWidget* widget, QPalette::ColorRole role, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(role, color);
    widget->setPalette(palette);
}

// The person's initials on a round accent-coloured badge, as the product's avatars look without a
// picture.
class InitialsBadge : public QWidget {
public:
    explicit InitialsBadge(QWidget* parent) : QWidget(parent) { setFixedSize(kAvatarSide, kAvatarSide); }
    void setName(const QString& first, const QString& last) {
        m_initials.clear();
        for (const QString& part : {first.trimmed(), last.trimmed()})
            if (!part.isEmpty())
                m_initials += part.front().toUpper();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(kAccent);
        painter.drawEllipse(rect());
        painter.setPen(Qt::white);
        painter.setFont(libraryFont(28, true));
        painter.drawText(rect(), Qt::AlignCenter, m_initials.isEmpty() ? QStringLiteral("?") : m_initials);
    }

private:
    QString m_initials;
};

// A full-width row button with the title in the accent colour, as the product's table actions.
class RowButton : public QPushButton {
public:
    explicit RowButton(QWidget* parent = nullptr) : QPushButton(parent) {
        setCursor(Qt::PointingHandCursor);
        setFixedHeight(44);
        setFocusPolicy(Qt::TabFocus);
    }
    QSize sizeHint() const override { return {200, 44}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), isDown() ? QColor(0xD9, 0xD9, 0xD9) : QColor(Qt::white));
        painter.fillRect(QRect(0, 0, width(), 1), kSeparator);
        painter.fillRect(QRect(0, height() - 1, width(), 1), kSeparator);
        painter.setFont(libraryFont(16));
        painter.setPen(isEnabled() ? kAccent : kSecondaryText);
        painter.drawText(rect(), Qt::AlignCenter, text());
        if (hasFocus() && m_keyboardFocus)
            painter.fillRect(QRect(kInset, height() - 3, width() - 2 * kInset, 2), kAccent);
    }
    // Only focus that came by the keyboard is marked.
    void focusInEvent(QFocusEvent* event) override {
        m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
        QPushButton::focusInEvent(event);
    }

private:
    bool m_keyboardFocus = false;
};

// A plain white block whose entries are separated by inset lines.
class EntriesBlock : public QWidget {
public:
    explicit EntriesBlock(QWidget* parent) : QWidget(parent) {
        setAutoFillBackground(true);
        colour(this, QPalette::Window, Qt::white);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QWidget::paintEvent(event);
        QPainter painter(this);
        painter.fillRect(QRect(0, 0, width(), 1), kSeparator);
        painter.fillRect(QRect(0, height() - 1, width(), 1), kSeparator);
        const auto* column = static_cast<QVBoxLayout*>(layout());
        for (int i = 1; column && i < column->count(); ++i)
            if (QWidget* row = column->itemAt(i)->widget())
                painter.fillRect(QRect(kInset, row->y(), width() - kInset, 1), kSeparator);
    }
};

} // namespace

ContactCardView::ContactCardView(QWidget* parent)
    : QWidget(parent), m_name(new QLabel), m_add(new RowButton), m_error(new QLabel) {
    setAutoFillBackground(true);
    colour(this, QPalette::Window, kGroupBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QWidget;
    header->setObjectName(QStringLiteral("contactHeader"));
    header->setAutoFillBackground(true);
    colour(header, QPalette::Window, Qt::white);
    auto* headerColumn = new QVBoxLayout(header);
    headerColumn->setContentsMargins(kInset, 20, kInset, 16);
    headerColumn->setSpacing(10);
    auto* badge = new InitialsBadge(header);
    badge->setObjectName(QStringLiteral("contactBadge"));
    m_badge = badge;
    headerColumn->addWidget(badge, 0, Qt::AlignHCenter);
    m_name->setObjectName(QStringLiteral("contactName"));
    m_name->setTextFormat(Qt::PlainText);
    m_name->setFont(libraryFont(20, true));
    colour(m_name, QPalette::WindowText, kText);
    m_name->setAlignment(Qt::AlignHCenter);
    m_name->setWordWrap(true);
    headerColumn->addWidget(m_name);
    layout->addWidget(header);

    layout->addSpacing(20);
    m_entriesBlock = new EntriesBlock(this);
    m_entriesBlock->setObjectName(QStringLiteral("contactEntries"));
    m_entries = new QVBoxLayout(m_entriesBlock);
    m_entries->setContentsMargins(0, 0, 0, 0);
    m_entries->setSpacing(0);
    layout->addWidget(m_entriesBlock);

    layout->addSpacing(20);
    m_add->setObjectName(QStringLiteral("addToAddressBookButton"));
    m_add->setText(QStringLiteral("Create New Contact"));
    m_add->hide();
    layout->addWidget(m_add);
    m_error->setObjectName(QStringLiteral("contactSaveError"));
    m_error->setTextFormat(Qt::PlainText);
    m_error->setWordWrap(true);
    m_error->setFont(libraryFont(13));
    m_error->setContentsMargins(kInset, 8, kInset, 0);
    colour(m_error, QPalette::WindowText, kError);
    m_error->hide();
    layout->addWidget(m_error);
    layout->addStretch();
    connect(m_add, &QPushButton::clicked, this, &ContactCardView::save);
}

void ContactCardView::setContact(const ContactCard& contact) {
    m_contact = contact;
    ++m_generation; // an answer for the earlier person no longer applies
    m_name->setText(contact.fullName());
    static_cast<InitialsBadge*>(m_badge)->setName(contact.firstName, contact.lastName);
    m_error->hide();
    m_add->setEnabled(true);
    rebuildEntries();
}

// One row a value: its label small in the accent colour, the value under it.
void ContactCardView::rebuildEntries() {
    while (QLayoutItem* item = m_entries->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    auto addRows = [this](const QList<ContactCard::Entry>& entries) {
        for (const ContactCard::Entry& entry : entries) {
            auto* row = new QWidget;
            auto* column = new QVBoxLayout(row);
            column->setContentsMargins(kInset, 8, kInset, 8);
            column->setSpacing(2);
            auto* label = new QLabel(entry.label);
            label->setTextFormat(Qt::PlainText);
            label->setFont(libraryFont(13));
            colour(label, QPalette::WindowText, kAccent);
            auto* value = new QLabel(entry.value);
            value->setTextFormat(Qt::PlainText);
            value->setFont(libraryFont(16));
            colour(value, QPalette::WindowText, kText);
            value->setTextInteractionFlags(Qt::TextSelectableByMouse);
            value->setWordWrap(true);
            column->addWidget(label);
            column->addWidget(value);
            m_entries->addWidget(row);
        }
    };
    addRows(m_contact.phones);
    addRows(m_contact.emails);
    m_entriesBlock->setVisible(m_entries->count() > 0);
}

void ContactCardView::setSaveHandler(SaveHandler handler) {
    m_save = std::move(handler);
    m_add->setVisible(bool(m_save));
}

void ContactCardView::setAddButtonTitle(const QString& title) {
    m_add->setText(title);
}

void ContactCardView::save() {
    if (!m_save)
        return;
    m_add->setEnabled(false);
    m_error->hide();
    QPointer<ContactCardView> self(this);
    const quint64 generation = m_generation;
    const ContactCard contact = m_contact;
    m_save(contact, [self, generation, contact](const std::optional<PLError>& error) {
        if (!self || self->m_generation != generation)
            return;
        if (error) {
            self->m_error->setText(error->localizedDescription);
            self->m_error->show();
            self->m_add->setEnabled(true);
            emit self->saveFailed(*error);
            return;
        }
        emit self->contactSaved(contact);
    });
}

} // namespace pelnix::platform::ui
