#include "ContactCardView.h"

#include <QFormLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace pelnix::platform::ui {

ContactCardView::ContactCardView(QWidget* parent)
    : QWidget(parent), m_name(new QLabel), m_entries(new QFormLayout), m_add(new QPushButton),
      m_error(new QLabel) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    QFont nameFont = m_name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.5);
    nameFont.setBold(true);
    m_name->setFont(nameFont);
    m_name->setObjectName(QStringLiteral("contactName"));
    m_name->setWordWrap(true);
    layout->addWidget(m_name);
    m_entries->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addLayout(m_entries);
    m_add->setObjectName(QStringLiteral("addToAddressBookButton"));
    m_add->setText(QStringLiteral("Create New Contact"));
    m_add->hide();
    layout->addWidget(m_add);
    m_error->setObjectName(QStringLiteral("contactSaveError"));
    m_error->setWordWrap(true);
    QPalette palette = m_error->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 59, 48));
    m_error->setPalette(palette);
    m_error->hide();
    layout->addWidget(m_error);
    layout->addStretch();
    connect(m_add, &QPushButton::clicked, this, &ContactCardView::save);
}

void ContactCardView::setContact(const ContactCard& contact) {
    m_contact = contact;
    ++m_generation; // an answer for the earlier person no longer applies
    m_name->setText(contact.fullName());
    m_error->hide();
    m_add->setEnabled(true);
    rebuildEntries();
}

void ContactCardView::rebuildEntries() {
    while (m_entries->rowCount() > 0)
        m_entries->removeRow(0);
    auto addRows = [this](const QList<ContactCard::Entry>& entries) {
        for (const ContactCard::Entry& entry : entries) {
            auto* value = new QLabel(entry.value);
            value->setTextInteractionFlags(Qt::TextSelectableByMouse);
            m_entries->addRow(new QLabel(entry.label), value);
        }
    };
    addRows(m_contact.phones);
    addRows(m_contact.emails);
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
