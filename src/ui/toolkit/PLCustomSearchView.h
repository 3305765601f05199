#pragma once

#include "PLCustomSearchDelegate.h"
#include "PLCustomSearchTextField.h"
#include "platform/ui/Button.h"
#include "platform/ui/WeakDelegate.h"

#include <QFont>
#include <QPointer>
#include <QWidget>
#include <optional>

namespace pelnix {

// The search bar of the list screens: a bordered field with a magnifier and a clear button, and a
// bordered cancel button beside it (on the left in a right-to-left layout). The field shows a light
// placeholder font while empty and the regular font once something is typed; the cancel button is
// enabled from the first edit on.
class PLCustomSearchView : public QWidget {
    Q_OBJECT
public:
    // The bar in the layout of the current locale. A widget owner becomes its parent.
    static PLCustomSearchView* instanceWithOwner(QObject* owner);
    explicit PLCustomSearchView(Qt::LayoutDirection direction = Qt::LeftToRight, QWidget* parent = nullptr);

    PLCustomSearchDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(PLCustomSearchDelegate* delegate) { m_delegate.set(delegate); }

    QString placeholderText() const { return m_placeholderText.value_or(QString()); }
    void setPlaceholderText(const QString& text);
    QFont placeholderFont() const { return m_placeholderFont; }
    qreal requiredFontSizeForPlaceholderText(const QString& text) const;

    QString textFieldText() const;
    // Empties the field without telling the delegate and without a font change.
    void clearText();
    void makeTextFieldFirstResponder();
    void makeTextFieldResignResponder();
    void disableCancelButton();

    PLCustomSearchTextField* searchTextField() const { return m_field; }
    platform::ui::Button* cancelButton() const { return m_cancel; }

    static QFont typingFont();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void cancelSearch();
    void textFieldDidChange();
    bool shouldChangeCharacters(int start, int length, const QString& replacement);
    void setFieldFont(const QFont& font);

    platform::ui::WeakDelegate<PLCustomSearchDelegate> m_delegate;
    std::optional<QString> m_placeholderText;
    QFont m_placeholderFont;
    qsizetype m_lengthBeforeEdit = 0;
    QPointer<PLCustomSearchTextField> m_field;
    QPointer<platform::ui::Button> m_cancel;
};

} // namespace pelnix
