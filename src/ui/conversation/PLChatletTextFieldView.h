#pragma once

#include "platform/ui/TextView.h"
#include "ui/conversation/PLChatletFormFieldView.h"
#include "ui/toolkit/PLCustomTextField.h"

#include <QPointer>

namespace pelnix {

namespace platform::ui {
class TextView;
}
class PLCustomTextField;

// A "text" field (one line) or a "textarea" field (several lines).
class PLChatletTextFieldView : public PLChatletFormFieldView {
    Q_OBJECT
public:
    explicit PLChatletTextFieldView(const QVariantMap& definition, QWidget* parent = nullptr);

    QVariant value() const override { return text(); }
    bool hasValue() const override { return !text().trimmed().isEmpty(); }
    QString text() const;
    void setText(const QString& text);
    QWidget* input() const;

private:
    QPointer<PLCustomTextField> m_line;
    QPointer<platform::ui::TextView> m_area;
};

} // namespace pelnix
