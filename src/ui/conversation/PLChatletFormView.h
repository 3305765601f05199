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
// scrolling when taller than the screen. Tab goes from field to field, the form scrolling to show the
// one with the keys; the form itself is no stop of Tab's.
//
// A form comes from a room member or the server. Past the bounds below it is not built (thousands of
// fields took seconds and gigabytes on the main thread) and the view says "This form is too large to
// show." instead. The bounds are far above what forms hold: the forms of the service have up to three
// fields, lists of 2 to 10 entries and choices drawn from a poll's options, and labels of a few words.
class PLChatletFormView : public platform::ui::ScrollView {
    Q_OBJECT
public:
    // Fields in one form.
    static constexpr int kMaxFields = 100;
    // Choices of one choice field, and the entries a list field starts with.
    static constexpr int kMaxChoices = 100;
    static constexpr int kMaxListEntries = 100;
    // Characters of the form's title, a field's label (or its id, shown when it has no label) and
    // a choice's text.
    static constexpr int kMaxTextLength = 1000;

    explicit PLChatletFormView(QWidget* parent = nullptr);

    // Builds the fields anew; fields of types the composer cannot fill are left out. A form past the
    // bounds builds no field.
    void setForm(const QString& title, const QVariantList& fields);
    // Why a form passes the bounds, or empty when it does not.
    static QString excess(const QString& title, const QVariantList& fields);
    bool isTooLarge() const { return m_tooLarge; }
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
    // A field that takes the keys above or below what shows scrolls into view.
    void showField(QWidget* focus);

    QWidget* m_content;
    platform::ui::Label* m_title;
    QList<PLChatletFormFieldView*> m_fields;
    bool m_tooLarge = false;
};

} // namespace pelnix
