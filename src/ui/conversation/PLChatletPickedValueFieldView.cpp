#include "ui/conversation/PLChatletPickedValueFieldView.h"

#include "foundation/PLCurrentBundleInfo.h"
#include "foundation/ui/CustomFontRegistration.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"

#include <QVBoxLayout>

namespace pelnix {

PLChatletPickedValueFieldView::PLChatletPickedValueFieldView(const QVariantMap& definition, QWidget* parent)
    : PLChatletFormFieldView(definition, parent) {
    m_button = new platform::ui::Button;
    m_button->setObjectName(QStringLiteral("pickButton"));
    m_button->setTitle(PLCurrentBundleInfo::localizedString(isContact() ? QStringLiteral("Share Contact")
                                                                        : QStringLiteral("Choose Location")));
    m_button->setTitleColor(Qt::white);
    m_button->setBackgroundColor(QColor(0, 134, 202));
    m_button->setCornerRadius(5);
    m_button->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
    m_button->setFixedHeight(40);
    connect(m_button, &platform::ui::Button::clicked, this, [this] {
        if (m_picker)
            m_picker(this);
    });
    body()->addWidget(m_button);
    m_summary = new platform::ui::Label;
    m_summary->setObjectName(QStringLiteral("pickedSummary"));
    m_summary->setFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 14));
    m_summary->setTextColor(QColor(0x22, 0x22, 0x22));
    m_summary->setNumberOfLines(0);
    m_summary->hide();
    body()->addWidget(m_summary);
}

void PLChatletPickedValueFieldView::setPickedValue(const QVariantMap& value, const QString& summary) {
    m_value = value;
    m_summary->setText(summary);
    m_summary->setVisible(!summary.isEmpty());
    emit valueChanged();
}

} // namespace pelnix
