#pragma once

#include <QVariantMap>
#include <QWidget>

class QVBoxLayout;

namespace pelnix {

namespace platform::ui {
class Label;
}

// One field of a chatlet form, made from its definition ({"id", "type", "label", "required", ...}):
// the label over the field's own input. Subclasses give the input and its value.
class PLChatletFormFieldView : public QWidget {
    Q_OBJECT
public:
    explicit PLChatletFormFieldView(const QVariantMap& definition, QWidget* parent = nullptr);

    QVariantMap definition() const { return m_definition; }
    QString fieldId() const;
    QString fieldType() const;
    QString label() const;
    bool isRequired() const;
    platform::ui::Label* titleLabel() const { return m_titleLabel; }

    virtual QVariant value() const = 0;
    // Whether the user gave something (a required field must have it).
    virtual bool hasValue() const = 0;

signals:
    void valueChanged();

protected:
    // Where subclasses put their input, under the label.
    QVBoxLayout* body() const { return m_body; }

private:
    QVariantMap m_definition;
    platform::ui::Label* m_titleLabel;
    QVBoxLayout* m_body;
};

} // namespace pelnix
