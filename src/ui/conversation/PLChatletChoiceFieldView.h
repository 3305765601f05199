#pragma once

#include "ui/conversation/PLChatletFormFieldView.h"

#include <QList>

namespace pelnix {

namespace platform::ui {
class Button;
}

// A "choice" field: one of its "choices" ([{"id", "text"}]), picked by a tap; the value is the id.
class PLChatletChoiceFieldView : public PLChatletFormFieldView {
    Q_OBJECT
public:
    explicit PLChatletChoiceFieldView(const QVariantMap& definition, QWidget* parent = nullptr);

    QVariant value() const override { return m_selected; }
    bool hasValue() const override { return !m_selected.isEmpty(); }
    QList<platform::ui::Button*> choiceButtons() const { return m_buttons; }
    void selectChoice(const QString& id);

private:
    QList<platform::ui::Button*> m_buttons;
    QStringList m_ids;
    QString m_selected;
};

} // namespace pelnix
