#pragma once

#include "platform/ui/Button.h"
#include "ui/conversation/PLChatletFormFieldView.h"
#include "ui/toolkit/PLCustomTextField.h"

#include <QList>
#include <QPointer>

namespace pelnix {

namespace platform::ui {
class Button;
}
class PLCustomTextField;

// A "list" field: one line an entry (the poll's options), at least "min" lines (2 when not given),
// more added by the add button up to "max".
class PLChatletListFieldView : public PLChatletFormFieldView {
    Q_OBJECT
public:
    static constexpr int kDefaultMinimum = 2;
    static constexpr int kDefaultMaximum = 10;

    explicit PLChatletListFieldView(const QVariantMap& definition, QWidget* parent = nullptr);

    // The entries typed, empty lines left out.
    QVariant value() const override;
    bool hasValue() const override;
    int minimum() const;
    int maximum() const;
    QList<PLCustomTextField*> entryFields() const;
    platform::ui::Button* addButton() const { return m_add; }
    void addEntry();

private:
    QList<QPointer<PLCustomTextField>> m_entries;
    QPointer<platform::ui::Button> m_add;
};

} // namespace pelnix
