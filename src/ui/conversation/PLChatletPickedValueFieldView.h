#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "ui/conversation/PLChatletFormFieldView.h"

#include <QPointer>
#include <functional>

namespace pelnix {

namespace platform::ui {
class Button;
class Label;
} // namespace platform::ui

// A "contact" or "location" field: a button that opens the share-contact or choose-location screen
// (the composer's), and the summary of what was picked.
class PLChatletPickedValueFieldView : public PLChatletFormFieldView {
    Q_OBJECT
public:
    using Picker = std::function<void(PLChatletPickedValueFieldView* field)>;

    explicit PLChatletPickedValueFieldView(const QVariantMap& definition, QWidget* parent = nullptr);

    void setPicker(Picker picker) { m_picker = std::move(picker); }
    void setPickedValue(const QVariantMap& value, const QString& summary);
    QVariant value() const override { return m_value; }
    bool hasValue() const override { return !m_value.isEmpty(); }
    platform::ui::Button* pickButton() const { return m_button; }
    platform::ui::Label* summaryLabel() const { return m_summary; }
    bool isContact() const { return fieldType() == QLatin1String("contact"); }

private:
    Picker m_picker;
    QVariantMap m_value;
    QPointer<platform::ui::Button> m_button;
    QPointer<platform::ui::Label> m_summary;
};

} // namespace pelnix
