#pragma once

#include "platform/ui/ScrollView.h"

#include <QList>
#include <QVariantMap>

namespace pelnix {

namespace platform::ui {
class Label;
}
class PLChatletFormFieldView;

// A chatlet form as the user fills it in: its title and one view a field, in the definition's order,
// scrolling when taller than the screen.
class PLChatletFormView : public platform::ui::ScrollView {
    Q_OBJECT
public:
    explicit PLChatletFormView(QWidget* parent = nullptr);

    // Builds the fields anew; fields of types the composer cannot fill are left out.
    void setForm(const QString& title, const QVariantList& fields);
    QList<PLChatletFormFieldView*> fieldViews() const { return m_fields; }
    PLChatletFormFieldView* fieldView(const QString& id) const;
    platform::ui::Label* titleLabel() const { return m_title; }
    // Field id to value.
    QVariantMap values() const;
    // The first required field without a value, or null.
    PLChatletFormFieldView* firstMissingRequiredField() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layOut();

    QWidget* m_content;
    platform::ui::Label* m_title;
    QList<PLChatletFormFieldView*> m_fields;
};

} // namespace pelnix
