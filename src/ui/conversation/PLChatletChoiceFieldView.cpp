#include "ui/conversation/PLChatletChoiceFieldView.h"

#include "foundation/ui/CustomFontRegistration.h"
#include "foundation/ui/ImageAdditions.h"
#include "platform/ui/Button.h"

#include <QVBoxLayout>

namespace pelnix {

namespace {
// Room around an option's box and text for the ring Tab draws on the button's edge.
constexpr int kRingRoom = 4;
} // namespace

PLChatletChoiceFieldView::PLChatletChoiceFieldView(const QVariantMap& definition, QWidget* parent)
    : PLChatletFormFieldView(definition, parent) {
    const QImage off = ImageAdditions::loadImageNamed(QStringLiteral("checkBox"));
    const QImage on = ImageAdditions::loadImageNamed(QStringLiteral("checkBoxSelected"));
    for (const QVariant& entry : definition.value(QStringLiteral("choices")).toList()) {
        const QVariantMap choice = entry.toMap();
        const QString id = choice.value(QStringLiteral("id")).toString();
        auto* button = new platform::ui::Button;
        button->setObjectName(QStringLiteral("choice.") + id);
        button->setTitle(choice.value(QStringLiteral("text")).toString());
        button->setTitleColor(QColor(0x22, 0x22, 0x22));
        button->setTitleFont(CustomFontRegistration::fontWithName(QStringLiteral("DejaVuSans"), 15));
        button->setImage(off);
        button->setImage(on, platform::ui::Button::State::Selected);
        button->setFixedHeight(36);
        button->setContentEdgeInsets(QMargins(kRingRoom, 0, kRingRoom, 0));
        connect(button, &platform::ui::Button::clicked, this, [this, id] { selectChoice(id); });
        body()->addWidget(button, 0, Qt::AlignLeft);
        m_buttons << button;
        m_ids << id;
    }
}

void PLChatletChoiceFieldView::selectChoice(const QString& id) {
    if (!m_ids.contains(id))
        return;
    m_selected = id;
    for (int i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setSelected(m_ids[i] == id);
    emit valueChanged();
}

} // namespace pelnix
