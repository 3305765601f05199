#include "ui/conversation/PLChatletFormFieldView.h"

#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/Label.h"

#include <QVBoxLayout>

namespace pelnix {

PLChatletFormFieldView::PLChatletFormFieldView(const QVariantMap& definition, QWidget* parent)
    : QWidget(parent), m_definition(definition), m_titleLabel(new platform::ui::Label),
      m_body(new QVBoxLayout) {
    setObjectName(QStringLiteral("field.") + fieldId());
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(15, 10, 15, 6);
    column->setSpacing(6);
    m_titleLabel->setObjectName(QStringLiteral("fieldLabel"));
    m_titleLabel->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans-Bold"), 12));
    m_titleLabel->setTextColor(QColor(0, 134, 202));
    m_titleLabel->setText(isRequired() ? label() + QStringLiteral(" *") : label());
    column->addWidget(m_titleLabel);
    m_body->setContentsMargins(0, 0, 0, 0);
    m_body->setSpacing(6);
    column->addLayout(m_body);
}

QString PLChatletFormFieldView::fieldId() const {
    return m_definition.value(QStringLiteral("id")).toString();
}

QString PLChatletFormFieldView::fieldType() const {
    return m_definition.value(QStringLiteral("type")).toString();
}

QString PLChatletFormFieldView::label() const {
    const QString text = m_definition.value(QStringLiteral("label")).toString();
    return text.isEmpty() ? fieldId() : text;
}

bool PLChatletFormFieldView::isRequired() const {
    return m_definition.value(QStringLiteral("required")).toBool();
}

} // namespace pelnix
